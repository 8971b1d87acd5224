#include "protocol/utf8.h"

#include <cstdint>

namespace ks::protocol {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one scalar value at `pos`. On success advances `pos` past it; on an
// ill-formed sequence advances past its maximal subpart and returns nullopt.
std::optional<char32_t> decodeOne(std::string_view text, std::size_t& pos) {
    const auto byteAt = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byteAt(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    char32_t value = 0;
    // Bounds of the first continuation byte exclude overlong forms, surrogates
    // and values above U+10FFFF, following the Unicode well-formed table.
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        ++pos;
        return std::nullopt;
    }
    std::size_t next = pos + 1;
    for (std::size_t i = 1; i < length; ++i, ++next) {
        if (next >= text.size()) {
            pos = next;
            return std::nullopt;
        }
        const std::uint8_t byte = byteAt(next);
        const std::uint8_t min = i == 1 ? low : 0x80;
        const std::uint8_t max = i == 1 ? high : 0xBF;
        if (byte < min || byte > max) {
            pos = next;
            return std::nullopt;
        }
        value = (value << 6) | (byte & 0x3F);
    }
    pos = next;
    return value;
}

void appendUtf8(std::string& out, char32_t value) {
    if (value < 0x80) {
        out += static_cast<char>(value);
    } else if (value < 0x800) {
        out += static_cast<char>(0xC0 | (value >> 6));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
        out += static_cast<char>(0xE0 | (value >> 12));
        out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (value >> 18));
        out += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    }
}

void appendWide(std::wstring& out, char32_t value) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (value >= 0x10000) {
            value -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (value >> 10));
            out += static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(value);
}

template <typename OnScalar>
bool forEachScalar(std::string_view text, bool stopOnError, OnScalar&& onScalar) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto value = decodeOne(text, pos);
        if (!value && stopOnError) return false;
        onScalar(value.value_or(kReplacement));
    }
    return true;
}

}  // namespace

std::string sanitizeUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    forEachScalar(text, false, [&](char32_t value) { appendUtf8(out, value); });
    return out;
}

bool isWellFormedUtf8(std::string_view text) {
    return forEachScalar(text, true, [](char32_t) {});
}

std::optional<std::wstring> utf8ToWideStrict(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    if (!forEachScalar(text, true, [&](char32_t value) { appendWide(out, value); })) return std::nullopt;
    return out;
}

std::wstring utf8ToWide(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    forEachScalar(text, false, [&](char32_t value) { appendWide(out, value); });
    return out;
}

std::string wideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto value = static_cast<char32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            const bool high = value >= 0xD800 && value <= 0xDBFF;
            const bool nextIsLow = i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
            if (high && nextIsLow) {
                value = 0x10000 + ((value - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
                ++i;
            }
        }
        const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
        appendUtf8(out, surrogate || value > 0x10FFFF ? kReplacement : value);
    }
    return out;
}

}  // namespace ks::protocol
