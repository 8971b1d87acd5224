#pragma once

#include <string>
#include <string_view>

#include "protocol/result.h"

namespace ks::protocol {

// One answer, before encoding: the result JSON when ok, else the error.
struct ProtocolResponse {
    std::string requestId;
    bool ok = false;
    std::string result;  // UTF-8 JSON text, meaningful when ok
    std::string errorCode;
    std::wstring errorMessage;
};

inline ProtocolResponse successResponse(std::string_view requestId, std::string resultJson) {
    return {std::string(requestId), true, std::move(resultJson), {}, {}};
}

inline ProtocolResponse errorResponse(std::string_view requestId, const Error& error) {
    return {std::string(requestId), false, {}, error.code(), error.message()};
}

}  // namespace ks::protocol
