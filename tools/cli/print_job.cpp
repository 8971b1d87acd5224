#include "cli/print_job.h"

#include <fmt/format.h>

#include <array>
#include <cmath>
#include <cwctype>

#include "protocol/utf8.h"

namespace ks::cli {
namespace {

std::uint32_t bigEndian32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

std::optional<double> positiveNumber(std::wstring_view text) {
    if (text.empty() || text.size() > 32) return std::nullopt;
    const std::wstring terminated(text);
    wchar_t* end = nullptr;
    const double value = std::wcstod(terminated.c_str(), &end);
    if (end != terminated.c_str() + terminated.size() || !std::isfinite(value) || value <= 0) return std::nullopt;
    return value;
}

std::wstring lowerCase(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
    return lower;
}

std::string stateText(const std::string& state) {
    if (state == "Created") return "已创建";
    if (state == "Previewing") return "预览中";
    if (state == "Validating") return "正在校验";
    if (state == "Spooling") return "正在提交到打印队列";
    if (state == "Queued") return "已进入打印队列";
    if (state == "Printing") return "正在打印";
    if (state == "Completed") return "已完成";
    if (state == "Failed") return "失败";
    if (state == "Cancelled") return "已取消";
    return "未知（" + state + "）";
}

}  // namespace

std::optional<PixelSize> pngPixelSize(std::string_view bytes) {
    constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);
    // Signature, then the IHDR chunk: length 13, type, width, height.
    if (bytes.size() < 24 || bytes.substr(0, 8) != kSignature || bigEndian32(bytes, 8) != 13 ||
        bytes.substr(12, 4) != "IHDR") {
        return std::nullopt;
    }
    return PixelSize{bigEndian32(bytes, 16), bigEndian32(bytes, 20)};
}

std::optional<PaperMm> parsePaper(std::wstring_view text) {
    struct Named {
        std::wstring_view name;
        PaperMm size;
    };
    static constexpr std::array<Named, 5> kNamed{{{L"a4", {210, 297}},
                                                  {L"a5", {148, 210}},
                                                  {L"a6", {105, 148}},
                                                  {L"letter", {215.9, 279.4}},
                                                  {L"4x6in", {101.6, 152.4}}}};
    const std::wstring lower = lowerCase(text);
    for (const auto& named : kNamed) {
        if (lower == named.name) return named.size;
    }
    const std::size_t separator = lower.find_first_of(L"x×*");
    if (separator == std::wstring::npos) return std::nullopt;
    const auto width = positiveNumber(std::wstring_view(lower).substr(0, separator));
    const auto height = positiveNumber(std::wstring_view(lower).substr(separator + 1));
    if (!width || !height) return std::nullopt;
    return PaperMm{*width, *height};
}

std::int64_t dotsFor(double mm, std::uint32_t dpi) { return std::llround(mm * dpi / 25.4); }

std::string describeJobStatus(const protocol::JsonObject& result) {
    std::string text = fmt::format("任务 {}：{}", result.getString("jobId"), stateText(result.getString("state")));
    if (result.has("windowsJobId")) {
        text +=
            fmt::format("（Windows 打印任务号 {}）", protocol::int64FromJsonNumber(result.getNumber("windowsJobId")));
    }
    text += "\n";
    if (result.has("warning")) text += "注意：" + result.getString("warning") + "\n";
    if (result.has("error")) {
        const auto error = result.getObject("error");
        text += "错误：" + error.getString("code") + "：" + error.getString("message") + "\n";
    }
    return text;
}

}  // namespace ks::cli
