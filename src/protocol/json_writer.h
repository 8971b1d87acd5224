#pragma once

// An append-only JSON writer for responses: members in the order they are
// added, no whitespace, integers only. Nested objects and arrays are built
// separately and inserted as raw text.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ks::protocol {

// The UTF-8 text in double quotes with '"', '\\' and the control bytes below
// 0x20 escaped; every other byte (multi-byte sequences included) is copied.
std::string escapeJsonString(std::string_view utf8);

class JsonObjectWriter {
public:
    JsonObjectWriter() : text_("{") {}

    JsonObjectWriter& addString(std::string_view key, std::string_view utf8Value);
    JsonObjectWriter& addNumber(std::string_view key, std::int64_t value);
    JsonObjectWriter& addBool(std::string_view key, bool value);
    // Inserts `json` unchanged: a nested object or array built beforehand.
    JsonObjectWriter& addRaw(std::string_view key, std::string_view json);

    // Closes the object and hands its text over; the writer is spent.
    std::string finish();

private:
    void beginMember(std::string_view key);

    std::string text_;
};

// "[" + the element texts joined by "," + "]".
std::string jsonArray(std::span<const std::string> elements);

}  // namespace ks::protocol
