#pragma once

// Validation of one request frame's JSON into a ProtocolRequest. Every
// rejection is exactly one Error with a catalogue code and message; the first
// failing check wins. An Error from here carries no request id: the response
// to it has an empty requestId.
//
// parseRequest lets only std::bad_alloc escape (the pipe server answers memory
// exhaustion itself); every other failure becomes an Error.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "protocol/json_reader.h"
#include "protocol/request.h"
#include "protocol/result.h"

namespace ks::protocol {

// Largest allowed distance between the client's timestamp and the server clock.
inline constexpr std::uint64_t kMaxClockSkewMs = 300'000;
// Bounds on the pages of one print job.
inline constexpr std::size_t kMaxPagesPerJob = 200;
inline constexpr std::uint32_t kMinCopies = 1;
inline constexpr std::uint32_t kMaxCopies = 999;

// Parses and validates a request. `jsonText` is the frame's JSON bytes,
// `blobCount` the number of blobs in the frame, `nowUtcMs` the server's clock
// in milliseconds since 1970-01-01 UTC.
Result<ProtocolRequest> parseRequest(std::string_view jsonText, std::size_t blobCount, std::int64_t nowUtcMs);

// The `printer` payload: its non-empty `printerId`.
Result<std::string> parsePrinterRequest(const JsonObject& object);

// The `jobReference` payload: its non-empty `clientJobId` (form not checked).
Result<std::string> parseJobReference(const JsonObject& object);

// The `job` payload. `allowReselect` admits the optional member
// `allowPrinterReselect`; it is false only for jobs.print. Pages must map one
// to one onto the frame's `blobCount` blobs.
Result<PrintJobRequest> parsePrintJob(const JsonObject& object, std::size_t blobCount, bool allowReselect);

// True when every member name of `object` equals, byte for byte, one of
// `allowedNames`.
[[nodiscard]] bool hasOnlyMembers(const JsonObject& object, std::span<const std::string_view> allowedNames);

// True for exactly 36 bytes with '-' at offsets 8, 13, 18 and 23 and a
// hexadecimal digit (either case) everywhere else.
[[nodiscard]] bool isCanonicalUuid(std::string_view text);

}  // namespace ks::protocol
