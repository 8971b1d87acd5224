#include "protocol/json_reader.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <nlohmann/json.hpp>

#include "protocol/utf8.h"

namespace ks::protocol {
namespace {

using Json = nlohmann::json;

// Thrown from the parser callback to stop at the first container that is
// too deep; caught in JsonDocument::parse and nowhere else.
struct NestingTooDeep {};

const Json& nodeOf(const void* node) noexcept { return *static_cast<const Json*>(node); }

const Json& member(const void* node, std::string_view name) {
    const auto& members = nodeOf(node).get_ref<const Json::object_t&>();
    const auto it = members.find(name);
    if (it == members.end()) throw JsonReadError("JSON member is missing");
    return it->second;
}

[[noreturn]] void throwWrongType() { throw JsonReadError("JSON member has another type"); }

bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// Length of the JSON number at the start of `text`:
// -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?, or 0 when there is none.
std::size_t jsonNumberLength(std::string_view text) noexcept {
    std::size_t at = 0;
    const auto digits = [&] {
        const std::size_t start = at;
        while (at < text.size() && isDigit(text[at])) ++at;
        return at - start;
    };
    if (at < text.size() && text[at] == '-') ++at;
    if (at < text.size() && text[at] == '0') {
        ++at;
    } else if (digits() == 0) {
        return 0;
    }
    if (at < text.size() && text[at] == '.') {
        ++at;
        if (digits() == 0) return 0;
    }
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
        if (digits() == 0) return 0;
    }
    return at;
}

// The numbers of a text that lie beyond the double range, each replaced by
// 0 in `text`; `values` gets their infinities keyed by the ordinal of the
// number among all numbers of the text, in text order. Strings are skipped
// exactly as the JSON grammar delimits them, so the rewritten text tokenises
// like the original and only those numbers' values differ.
struct OverflowedNumber {
    std::size_t ordinal;
    double value;
};

std::vector<OverflowedNumber> zeroOverflowingNumbers(std::string& text) {
    std::vector<OverflowedNumber> overflowed;
    std::string rewritten;
    rewritten.reserve(text.size());
    std::size_t ordinal = 0;
    bool inString = false;
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (inString) {
            const std::size_t length = c == '\\' && at + 1 < text.size() ? 2 : 1;
            if (c == '"') inString = false;
            rewritten.append(text, at, length);
            at += length;
            continue;
        }
        const std::size_t length = c == '-' || isDigit(c) ? jsonNumberLength(std::string_view(text).substr(at)) : 0;
        if (length == 0) {
            inString = c == '"';
            rewritten += c;
            ++at;
            continue;
        }
        const std::string number = text.substr(at, length);
        // The library converts with strtod too, so both agree on which
        // spellings overflow.
        const double value = std::strtod(number.c_str(), nullptr);
        if (std::isinf(value)) {
            overflowed.push_back({ordinal, value});
            rewritten += '0';
        } else {
            rewritten += number;
        }
        ++ordinal;
        at += length;
    }
    text = std::move(rewritten);
    return overflowed;
}

}  // namespace

struct JsonDocument::Impl {
    Json root;
};

bool JsonObject::has(std::string_view name) const {
    const auto& members = nodeOf(node_).get_ref<const Json::object_t&>();
    return members.find(name) != members.end();
}

std::string JsonObject::getString(std::string_view name) const {
    const Json& value = member(node_, name);
    if (!value.is_string()) throwWrongType();
    return value.get_ref<const std::string&>();
}

double JsonObject::getNumber(std::string_view name) const {
    const Json& value = member(node_, name);
    // The library keeps integers that fit 64 bits exactly; converting them
    // here rounds to nearest, the same double a direct decimal parse gives.
    if (!value.is_number()) throwWrongType();
    return value.get<double>();
}

bool JsonObject::getBoolean(std::string_view name) const {
    const Json& value = member(node_, name);
    if (!value.is_boolean()) throwWrongType();
    return value.get<bool>();
}

JsonObject JsonObject::getObject(std::string_view name) const {
    const Json& value = member(node_, name);
    if (!value.is_object()) throwWrongType();
    return JsonObject(&value);
}

JsonArray JsonObject::getArray(std::string_view name) const {
    const Json& value = member(node_, name);
    if (!value.is_array()) throwWrongType();
    return JsonArray(&value);
}

std::vector<std::string_view> JsonObject::memberNames() const {
    const auto& members = nodeOf(node_).get_ref<const Json::object_t&>();
    std::vector<std::string_view> names;
    names.reserve(members.size());
    for (const auto& entry : members) names.emplace_back(entry.first);
    return names;
}

std::size_t JsonArray::size() const { return nodeOf(node_).size(); }

JsonObject JsonArray::objectAt(std::size_t index) const {
    const auto& elements = nodeOf(node_).get_ref<const Json::array_t&>();
    if (index >= elements.size()) throw JsonReadError("JSON array index out of range");
    const Json& value = elements[index];
    if (!value.is_object()) throw JsonReadError("JSON array element is not an object");
    return JsonObject(&value);
}

JsonDocument::JsonDocument(std::unique_ptr<Impl> impl) noexcept : impl_(std::move(impl)) {}
JsonDocument::JsonDocument(JsonDocument&&) noexcept = default;
JsonDocument& JsonDocument::operator=(JsonDocument&&) noexcept = default;
JsonDocument::~JsonDocument() = default;

JsonObject JsonDocument::root() const noexcept { return JsonObject(&impl_->root); }

std::optional<JsonDocument> JsonDocument::parse(std::string_view text) {
    // The library ends its input at a NUL byte, which would hide whatever
    // follows. No JSON text holds a raw NUL: inside a string it must be
    // escaped, and outside one it is no token.
    if (std::memchr(text.data(), '\0', text.size()) != nullptr) return std::nullopt;

    // Ill-formed UTF-8 is not a reason to reject a request; the library would
    // reject it, so it is replaced before the library sees it.
    std::string clean = sanitizeUtf8(text);

    auto impl = std::make_unique<Impl>();
    std::vector<OverflowedNumber> overflowed;
    // Requests read every number as a double and leave out-of-range values to
    // each member's own rule, but the library refuses numbers that overflow a
    // double. Such a text is parsed again with those numbers zeroed, and the
    // parse callback puts their infinities back in place.
    for (bool numbersZeroed = false;; numbersZeroed = true) {
        std::size_t numberOrdinal = 0;
        std::size_t nextOverflowed = 0;
        const auto callback = [&](int depth, Json::parse_event_t event, Json& parsed) {
            // The library parses and destroys without recursion, but a tree as
            // deep as the input allows costs far more memory than the text.
            const bool opens = event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start;
            if (opens && static_cast<std::size_t>(depth) >= kMaxJsonNestingDepth) throw NestingTooDeep{};
            if (event == Json::parse_event_t::value && parsed.is_number()) {
                if (nextOverflowed < overflowed.size() && overflowed[nextOverflowed].ordinal == numberOrdinal) {
                    parsed = overflowed[nextOverflowed++].value;
                }
                ++numberOrdinal;
            }
            return true;
        };
        try {
            impl->root = Json::parse(clean.begin(), clean.end(), callback, /*allow_exceptions=*/true,
                                     /*ignore_comments=*/false);
            break;
        } catch (const NestingTooDeep&) {
            return std::nullopt;
        } catch (const Json::out_of_range& error) {
            constexpr int kNumberOverflow = 406;
            if (error.id != kNumberOverflow || numbersZeroed) return std::nullopt;
            overflowed = zeroOverflowingNumbers(clean);
        } catch (const Json::exception&) {
            // Syntax errors, trailing content and unpaired surrogate escapes
            // all end here: the text is not valid JSON.
            return std::nullopt;
        }
    }
    if (!impl->root.is_object()) return std::nullopt;
    return JsonDocument(std::move(impl));
}

std::uint32_t uint32FromJsonNumber(double value) {
    // NaN fails every comparison, so the isfinite test also covers it.
    if (!std::isfinite(value) || value < 0.0 || value > 4294967295.0 || std::trunc(value) != value) {
        throw JsonReadError("JSON value is not uint32");
    }
    return static_cast<std::uint32_t>(value);
}

std::int64_t int64FromJsonNumber(double value) {
    // Both bounds are powers of two and exact as doubles; the upper one is
    // exclusive because 2^63 itself does not fit.
    constexpr double kLowest = -9223372036854775808.0;
    constexpr double kBeyondHighest = 9223372036854775808.0;
    if (!std::isfinite(value) || value < kLowest || value >= kBeyondHighest || std::trunc(value) != value) {
        throw JsonReadError("JSON value is not int64");
    }
    return static_cast<std::int64_t>(value);
}

}  // namespace ks::protocol
