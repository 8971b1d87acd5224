#include "protocol/json_writer.h"

namespace ks::protocol {

std::string escapeJsonString(std::string_view utf8) {
    static constexpr char kHexDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (byte) {
            case 0x22: out += "\\\""; break;
            case 0x5C: out += "\\\\"; break;
            case 0x08: out += "\\b"; break;
            case 0x09: out += "\\t"; break;
            case 0x0A: out += "\\n"; break;
            case 0x0C: out += "\\f"; break;
            case 0x0D: out += "\\r"; break;
            default:
                if (byte < 0x20) {
                    out += "\\u00";
                    out += kHexDigits[byte >> 4];
                    out += kHexDigits[byte & 0x0F];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

void JsonObjectWriter::beginMember(std::string_view key) {
    if (text_.size() != 1) text_ += ',';
    text_ += escapeJsonString(key);
    text_ += ':';
}

JsonObjectWriter& JsonObjectWriter::addString(std::string_view key, std::string_view utf8Value) {
    beginMember(key);
    text_ += escapeJsonString(utf8Value);
    return *this;
}

JsonObjectWriter& JsonObjectWriter::addNumber(std::string_view key, std::int64_t value) {
    beginMember(key);
    text_ += std::to_string(value);
    return *this;
}

JsonObjectWriter& JsonObjectWriter::addBool(std::string_view key, bool value) {
    beginMember(key);
    text_ += value ? "true" : "false";
    return *this;
}

JsonObjectWriter& JsonObjectWriter::addRaw(std::string_view key, std::string_view json) {
    beginMember(key);
    text_ += json;
    return *this;
}

std::string JsonObjectWriter::finish() {
    text_ += '}';
    return std::move(text_);
}

std::string jsonArray(std::span<const std::string> elements) {
    std::string out = "[";
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (i != 0) out += ',';
        out += elements[i];
    }
    out += ']';
    return out;
}

}  // namespace ks::protocol
