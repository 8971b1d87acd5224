#pragma once

// A small typed reader for request JSON. It exposes only what request
// validation needs: typed getters by member name that fail on a missing
// member or on another JSON type, member-name iteration, arrays of objects,
// and the two integer rules applied to JSON numbers (which are all doubles).
// The JSON library behind it stays inside json_reader.cpp.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ks::protocol {

// Raised by the typed getters and the number rules. Request validation turns
// it into an Error at its step boundaries; it never reaches a client as text.
class JsonReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Deepest nesting of arrays and objects a document may have (the top-level
// object counts as 1). Requests need 4; the bound keeps hostile input such as
// a megabyte of '[' from building a huge tree.
inline constexpr std::size_t kMaxJsonNestingDepth = 512;

class JsonArray;

// A non-owning view of one JSON object inside a JsonDocument; valid while the
// document lives. Getters throw JsonReadError when the member is missing or
// holds another JSON type.
class JsonObject {
public:
    [[nodiscard]] bool has(std::string_view name) const;

    [[nodiscard]] std::string getString(std::string_view name) const;
    // Every JSON number is returned as a double, whatever its spelling.
    [[nodiscard]] double getNumber(std::string_view name) const;
    [[nodiscard]] bool getBoolean(std::string_view name) const;
    [[nodiscard]] JsonObject getObject(std::string_view name) const;
    [[nodiscard]] JsonArray getArray(std::string_view name) const;

    // Every member name once, in unspecified order; views into the document.
    [[nodiscard]] std::vector<std::string_view> memberNames() const;

private:
    friend class JsonDocument;
    friend class JsonArray;
    explicit JsonObject(const void* node) noexcept : node_(node) {}

    const void* node_;  // the library's value node, opaque here
};

// A non-owning view of one JSON array inside a JsonDocument.
class JsonArray {
public:
    [[nodiscard]] std::size_t size() const;
    // Throws JsonReadError when the index is out of range or the element is
    // not an object.
    [[nodiscard]] JsonObject objectAt(std::size_t index) const;

private:
    friend class JsonObject;
    explicit JsonArray(const void* node) noexcept : node_(node) {}

    const void* node_;
};

// An owned, parsed request document whose top level is an object.
class JsonDocument {
public:
    // Replaces ill-formed UTF-8 with U+FFFD, then parses all of `text`.
    // nullopt when the text is not exactly one JSON object: a syntax error,
    // trailing content other than whitespace (a NUL byte included), another
    // top-level type, an unpaired surrogate escape, or nesting deeper than
    // kMaxJsonNestingDepth. A number beyond the double range is kept as
    // infinity of its sign, for the member's own rule to judge. Only
    // std::bad_alloc escapes.
    [[nodiscard]] static std::optional<JsonDocument> parse(std::string_view text);

    JsonDocument(JsonDocument&&) noexcept;
    JsonDocument& operator=(JsonDocument&&) noexcept;
    JsonDocument(const JsonDocument&) = delete;
    JsonDocument& operator=(const JsonDocument&) = delete;
    ~JsonDocument();

    [[nodiscard]] JsonObject root() const noexcept;

private:
    struct Impl;
    explicit JsonDocument(std::unique_ptr<Impl> impl) noexcept;

    std::unique_ptr<Impl> impl_;
};

// Unsigned 32-bit rule: finite, not negative, integral, at most 4294967295;
// converted exactly. Otherwise throws JsonReadError "JSON value is not uint32".
[[nodiscard]] std::uint32_t uint32FromJsonNumber(double value);

// Signed 64-bit rule: finite, integral, in [-2^63, 2^63); converted exactly.
// Otherwise throws JsonReadError "JSON value is not int64".
[[nodiscard]] std::int64_t int64FromJsonNumber(double value);

}  // namespace ks::protocol
