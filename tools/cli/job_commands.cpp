#include "cli/job_commands.h"

#include <fmt/format.h>

#include <cmath>
#include <optional>

#include "cli/cli_io.h"
#include "cli/print_job.h"
#include "client/pipe_client.h"
#include "protocol/json_writer.h"
#include "protocol/utf8.h"

namespace ks::cli {
namespace {

using protocol::JsonObject;
using protocol::wideToUtf8;

struct PrintOptions {
    std::optional<std::string> printerId;  // none: the default printer
    std::optional<PaperMm> paper;          // none: the printer's current paper
    std::uint32_t copies = 1;
    std::string clientJobId = client::newRequestId();
    bool json = false;
    std::vector<std::wstring> files;
};

int usageError(std::string_view message) {
    err(std::string(message) + "\n运行 kestrune-cli 不带参数可查看用法。\n");
    return kUsage;
}

std::optional<PrintOptions> parseOptions(const std::vector<std::wstring>& arguments) {
    PrintOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == L"--default") {
            options.printerId.reset();
        } else if (argument == L"--json") {
            options.json = true;
        } else if (argument == L"--printer" && hasValue) {
            options.printerId = wideToUtf8(arguments[++i]);
        } else if (argument == L"--job-id" && hasValue) {
            options.clientJobId = wideToUtf8(arguments[++i]);
        } else if (argument == L"--paper" && hasValue) {
            options.paper = parsePaper(arguments[++i]);
            if (!options.paper) {
                usageError("无法识别的纸张：" + wideToUtf8(arguments[i]) +
                           "（例如 100x150 表示 100 × 150 mm，或 A4）。");
                return std::nullopt;
            }
        } else if (argument == L"--copies" && hasValue) {
            const std::wstring& count = arguments[++i];
            wchar_t* end = nullptr;
            const unsigned long copies = std::wcstoul(count.c_str(), &end, 10);
            if (count.empty() || *end != L'\0' || copies < 1 || copies > 999) {
                usageError("份数须为 1 到 999 之间的整数。");
                return std::nullopt;
            }
            options.copies = static_cast<std::uint32_t>(copies);
        } else if (argument.starts_with(L"--")) {
            usageError("无法识别的选项：" + wideToUtf8(argument));
            return std::nullopt;
        } else {
            options.files.push_back(argument);
        }
    }
    if (options.files.empty()) {
        usageError("请至少给出一个 PNG 页面文件。");
        return std::nullopt;
    }
    return options;
}

// The answer's result object for a successful request; nullopt with the
// reason already reported otherwise (the exit code in `exitCode`).
std::optional<protocol::JsonDocument> askFor(const std::string& request, int& exitCode) {
    const auto response = roundTrip(request, {});
    if (!response) {
        exitCode = kUnreachable;
        return std::nullopt;
    }
    auto document = protocol::JsonDocument::parse(*response);
    if (answeredOk(document)) return document;
    exitCode = kAnsweredError;
    reportErrorAnswer(document, *response);
    return std::nullopt;
}

std::optional<std::string> defaultPrinterId(int& exitCode) {
    const auto listing = askFor(client::makeRequest("printers.list"), exitCode);
    if (!listing) return std::nullopt;
    const auto printers = listing->root().getObject("result").getArray("printers");
    for (std::size_t i = 0; i < printers.size(); ++i) {
        if (printers.objectAt(i).getBoolean("isDefault")) return printers.objectAt(i).getString("printerId");
    }
    exitCode = kAnsweredError;
    err("没有默认打印机：请用 --printer 指定 printerId（kestrune-cli printers 可列出）。\n");
    return std::nullopt;
}

// The paper to send: the requested one, as the printer spells it when it
// lists a paper within half a millimetre, else the printer's current paper.
PaperMm paperFor(const JsonObject& capabilities, const std::optional<PaperMm>& requested) {
    const auto dpiX = protocol::int64FromJsonNumber(capabilities.getNumber("dpiX"));
    const auto dpiY = protocol::int64FromJsonNumber(capabilities.getNumber("dpiY"));
    if (!requested) {
        return {static_cast<double>(protocol::int64FromJsonNumber(capabilities.getNumber("physicalWidthDots"))) * 25.4 /
                    static_cast<double>(dpiX),
                static_cast<double>(protocol::int64FromJsonNumber(capabilities.getNumber("physicalHeightDots"))) *
                    25.4 / static_cast<double>(dpiY)};
    }
    const auto papers = capabilities.getArray("papers");
    for (std::size_t i = 0; i < papers.size(); ++i) {
        const PaperMm listed{papers.objectAt(i).getNumber("widthMicrometers") / 1000.0,
                             papers.objectAt(i).getNumber("heightMicrometers") / 1000.0};
        if (std::abs(listed.width - requested->width) <= 0.5 && std::abs(listed.height - requested->height) <= 0.5) {
            return listed;
        }
    }
    return *requested;
}

std::string jobPayload(const PrintOptions& options, const std::string& printerId, const PaperMm& paper,
                       const JsonObject& capabilities, const std::vector<PixelSize>& sizes) {
    std::string pages;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (i != 0) pages += ",";
        pages += fmt::format(R"({{"widthDots":{},"heightDots":{},"format":"png","blobIndex":{}}})", sizes[i].width,
                             sizes[i].height, i);
    }
    return fmt::format(
        R"(,"job":{{"clientJobId":{},"name":"kestrune-cli","printerId":{},"copies":{},)"
        R"("paper":{{"widthMm":{},"heightMm":{}}},"device":{{"dpiX":{},"dpiY":{},"capabilityHash":{}}},"pages":[{}]}})",
        protocol::escapeJsonString(options.clientJobId), protocol::escapeJsonString(printerId), options.copies,
        paper.width, paper.height, protocol::int64FromJsonNumber(capabilities.getNumber("dpiX")),
        protocol::int64FromJsonNumber(capabilities.getNumber("dpiY")),
        protocol::escapeJsonString(capabilities.getString("capabilityHash")), pages);
}

int showJob(const std::string& request, const std::vector<protocol::ByteBuffer>& blobs, bool json,
            const std::string& clientJobId) {
    if (json) return sendAndShowRaw(request, blobs);
    return sendAndShow(request, blobs, [&clientJobId](const JsonObject& result) {
        out(describeJobStatus(result));
        out("clientJobId：" + clientJobId + "\n");
        return result.getString("state") == "Failed" ? kAnsweredError : kAnsweredOk;
    });
}

int askAboutJob(std::string_view command, const std::wstring& clientJobId, bool json) {
    const std::string id = wideToUtf8(clientJobId);
    const std::string request =
        client::makeRequest(command, R"(,"jobReference":{"clientJobId":)" + protocol::escapeJsonString(id) + "}");
    return showJob(request, {}, json, id);
}

}  // namespace

int printPages(const std::vector<std::wstring>& arguments) {
    const auto options = parseOptions(arguments);
    if (!options) return kUsage;
    int exitCode = kAnsweredOk;
    const auto printerId = options->printerId ? options->printerId : defaultPrinterId(exitCode);
    if (!printerId) return exitCode;
    const auto answer =
        askFor(client::makeRequest("printers.capabilities",
                                   R"(,"printer":{"printerId":)" + protocol::escapeJsonString(*printerId) + "}"),
               exitCode);
    if (!answer) return exitCode;
    const JsonObject capabilities = answer->root().getObject("result");
    const auto dpiX = static_cast<std::uint32_t>(protocol::int64FromJsonNumber(capabilities.getNumber("dpiX")));
    const auto dpiY = static_cast<std::uint32_t>(protocol::int64FromJsonNumber(capabilities.getNumber("dpiY")));
    const PaperMm paper = paperFor(capabilities, options->paper);
    const PixelSize expected{static_cast<std::uint32_t>(dotsFor(paper.width, dpiX)),
                             static_cast<std::uint32_t>(dotsFor(paper.height, dpiY))};

    std::vector<protocol::ByteBuffer> blobs;
    std::vector<PixelSize> sizes;
    for (const std::wstring& file : options->files) {
        const auto bytes = readFile(file);
        if (!bytes) return usageError("无法读取文件 " + wideToUtf8(file) + "。");
        const auto size = pngPixelSize(*bytes);
        if (!size) return usageError(wideToUtf8(file) + " 不是 PNG 图片。");
        if (*size != expected) {
            return usageError(fmt::format(
                "{} 的像素尺寸是 {} × {}，但打印机“{}”以 {} × {} DPI 打印 {:.1f} × {:.1f} mm 的纸张需要 {} × {} "
                "像素。请按这个尺寸重新渲染页面，或用 --paper 选择与页面相符的纸张。",
                wideToUtf8(file), size->width, size->height, capabilities.getString("displayName"), dpiX, dpiY,
                paper.width, paper.height, expected.width, expected.height));
        }
        sizes.push_back(*size);
        blobs.push_back(
            protocol::ByteBuffer::copyOf({reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()}));
    }

    const std::string request =
        client::makeRequest("jobs.print", jobPayload(*options, *printerId, paper, capabilities, sizes));
    // Said before sending: a user whose answer is lost can still ask, and
    // sending the same id again never prints twice.
    const std::string& id = options->clientJobId;
    const std::string notice = fmt::format(
        "clientJobId：{0}\n如未收到结果，请运行 kestrune-cli status {0} 查询；重新打印请加 --job-id {0}，以免重复打印。\n",
        id);
    if (options->json) {
        err(notice);
    } else {
        out(notice);
    }
    return showJob(request, blobs, options->json, id);
}

int jobStatus(const std::wstring& clientJobId, bool json) { return askAboutJob("jobs.status", clientJobId, json); }

int cancelJob(const std::wstring& clientJobId, bool json) { return askAboutJob("jobs.cancel", clientJobId, json); }

}  // namespace ks::cli
