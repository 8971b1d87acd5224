// Feeds arbitrary bytes to request validation. The first byte is the frame's
// blob count, the rest the JSON text. Validation must return for every input;
// whatever it accepts must satisfy the guarantees the dispatcher relies on.
// The JSON reader must read the whole text: one byte appended to a text it
// accepts is accepted again only when it is JSON white space.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_set>

#include "protocol/command.h"
#include "protocol/json_reader.h"
#include "protocol/request_parser.h"

namespace {

// A fixed clock so that every input replays the same way.
constexpr std::int64_t kNowUtcMs = 1'700'000'000'000;

void require(bool condition) {
    if (!condition) std::abort();
}

void checkJob(const ks::protocol::PrintJobRequest& job, std::size_t blobCount) {
    require(ks::protocol::isCanonicalUuid(job.clientJobId));
    require(!job.name.empty() && !job.printerId.empty() && !job.capabilityHash.empty());
    require(job.copies >= ks::protocol::kMinCopies && job.copies <= ks::protocol::kMaxCopies);
    require(job.widthMm > 0 && job.heightMm > 0 && job.dpiX != 0 && job.dpiY != 0);
    require(!job.pages.empty() && job.pages.size() <= ks::protocol::kMaxPagesPerJob);
    // Pages map one to one onto the blobs.
    require(job.pages.size() == blobCount);
    std::unordered_set<std::uint32_t> seen;
    for (const auto& page : job.pages) {
        require(page.widthDots != 0 && page.heightDots != 0 && page.format == "png");
        require(page.blobIndex < blobCount && seen.insert(page.blobIndex).second);
    }
}

bool isJsonWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A NUL (which once ended the text early) and the input's first byte,
// appended to an accepted document.
void checkWholeTextIsRead(std::string_view json, char probe) {
    if (!ks::protocol::JsonDocument::parse(json)) return;
    for (const char appended : {'\0', probe}) {
        std::string extended(json);
        extended.push_back(appended);
        require(ks::protocol::JsonDocument::parse(extended).has_value() == isJsonWhiteSpace(appended));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t blobCount = data[0];
    const std::string_view json(reinterpret_cast<const char*>(data + 1), size - 1);

    checkWholeTextIsRead(json, static_cast<char>(data[0]));
    const auto result = ks::protocol::parseRequest(json, blobCount, kNowUtcMs);
    if (!result) {
        const std::string& code = result.error().code();
        require(code.size() == 8 && code.starts_with("KSR-") && !result.error().message().empty());
        return 0;
    }

    using ks::protocol::PayloadKind;
    const auto& request = result.value();
    const PayloadKind payload = ks::protocol::payloadOf(request.command);
    require(request.protocol == 1);
    require(ks::protocol::isCanonicalUuid(request.requestId));
    require(!request.callerId.empty());
    require(request.timestampUtcMs >= kNowUtcMs - static_cast<std::int64_t>(ks::protocol::kMaxClockSkewMs) &&
            request.timestampUtcMs <= kNowUtcMs + static_cast<std::int64_t>(ks::protocol::kMaxClockSkewMs));
    require(blobCount == 0 || ks::protocol::acceptsBlobs(request.command));
    require(request.job.has_value() == (payload == PayloadKind::Job));
    require(request.printerId.has_value() == (payload == PayloadKind::Printer));
    require(request.clientJobId.has_value() == (payload == PayloadKind::JobReference));
    if (request.printerId) require(!request.printerId->empty());
    if (request.clientJobId) require(!request.clientJobId->empty());
    if (request.job) {
        checkJob(*request.job, blobCount);
        if (request.command == ks::protocol::CommandId::JobsPrint) require(!request.job->allowPrinterReselect);
    }
    return 0;
}
