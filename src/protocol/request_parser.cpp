#include "protocol/request_parser.h"

#include <array>
#include <cmath>
#include <exception>
#include <new>
#include <optional>
#include <type_traits>
#include <unordered_set>
#include <utility>

#include "protocol/command.h"
#include "protocol/error_catalog.h"

namespace ks::protocol {
namespace {

constexpr std::array<std::string_view, 5> kEnvelopeMembers{"protocol", "requestId", "callerId", "timestampUtcMs",
                                                           "command"};
constexpr std::array<std::string_view, 1> kPrinterMembers{"printerId"};
constexpr std::array<std::string_view, 1> kJobReferenceMembers{"clientJobId"};
constexpr std::array<std::string_view, 7> kJobMembers{"clientJobId", "name",   "printerId", "copies",
                                                      "paper",       "device", "pages"};
constexpr std::array<std::string_view, 8> kReselectableJobMembers{
    "clientJobId", "name", "printerId", "copies", "paper", "device", "pages", "allowPrinterReselect"};
constexpr std::array<std::string_view, 2> kPaperMembers{"widthMm", "heightMm"};
constexpr std::array<std::string_view, 3> kDeviceMembers{"dpiX", "dpiY", "capabilityHash"};
constexpr std::array<std::string_view, 4> kPageMembers{"widthDots", "heightDots", "format", "blobIndex"};

constexpr std::string_view kPageFormat = "png";

Error requestError(std::wstring_view message) { return Error(codes::kRequestInvalid, message); }
Error jobError(std::wstring_view message) { return Error(codes::kJobInvalid, message); }
Error pagesMismatch() { return Error(codes::kPagesBlobsMismatch, messages::kPagesBlobsMismatch); }

// Runs a group of reads; nullopt when one of them met a missing member, a
// member of another type or a number that broke its rule. Which of these it
// was does not matter: each step reports them with one message.
template <typename Read>
std::optional<std::invoke_result_t<Read>> tryRead(Read&& read) {
    try {
        return std::forward<Read>(read)();
    } catch (const JsonReadError&) {
        return std::nullopt;
    }
}

// |a - b| without signed overflow: the client's timestamp may lie anywhere in
// the int64 range. Conversion to unsigned is modular, and the true distance
// of two int64 values always fits in 64 unsigned bits.
std::uint64_t distanceMs(std::int64_t a, std::int64_t b) {
    const auto ua = static_cast<std::uint64_t>(a);
    const auto ub = static_cast<std::uint64_t>(b);
    return a >= b ? ua - ub : ub - ua;
}

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

struct SingleMemberMessages {
    std::wstring_view unknownMember;
    std::wstring_view memberInvalid;
    std::wstring_view parameterInvalid;
};

// The printer request and the job reference share one shape: exactly one
// non-empty string member.
Result<std::string> parseSingleStringMember(const JsonObject& object, std::string_view name,
                                            std::span<const std::string_view> allowed,
                                            const SingleMemberMessages& messages) {
    if (!hasOnlyMembers(object, allowed)) return requestError(messages.unknownMember);
    auto value = tryRead([&] { return object.getString(name); });
    if (!value) return requestError(messages.memberInvalid);
    if (value->empty()) return requestError(messages.parameterInvalid);
    return std::move(*value);
}

struct Envelope {
    std::uint32_t protocol = 0;
    std::string requestId;
    std::string callerId;
    std::int64_t timestampUtcMs = 0;
    std::string command;
};

struct JobParts {
    JsonObject paper;
    JsonObject device;
    JsonArray pages;
};

Result<ProtocolRequest> parseValidatedSteps(std::string_view jsonText, std::size_t blobCount, std::int64_t nowUtcMs) {
    const auto document = JsonDocument::parse(jsonText);
    if (!document) return requestError(messages::kJsonInvalid);
    const JsonObject root = document->root();

    auto envelope = tryRead([&] {
        Envelope read;
        read.protocol = uint32FromJsonNumber(root.getNumber("protocol"));
        read.requestId = root.getString("requestId");
        read.callerId = root.getString("callerId");
        read.timestampUtcMs = int64FromJsonNumber(root.getNumber("timestampUtcMs"));
        read.command = root.getString("command");
        return read;
    });
    if (!envelope) return requestError(messages::kJsonInvalid);

    if (envelope->protocol != 1) return Error(codes::kProtocolUnsupported, messages::kProtocolUnsupported);

    const auto command = findCommand(envelope->command);
    if (!command) return Error(codes::kCommandUnsupported, messages::kCommandUnsupported);

    if (!isCanonicalUuid(envelope->requestId) || envelope->callerId.empty() ||
        distanceMs(envelope->timestampUtcMs, nowUtcMs) > kMaxClockSkewMs) {
        return requestError(messages::kEnvelopeInvalid);
    }

    const PayloadKind payload = payloadOf(*command);
    std::array<std::string_view, kEnvelopeMembers.size() + 1> allowed{};
    std::size_t allowedCount = 0;
    for (const auto name : kEnvelopeMembers) allowed[allowedCount++] = name;
    if (payload != PayloadKind::None) allowed[allowedCount++] = payloadMemberName(payload);
    if (!hasOnlyMembers(root, std::span(allowed.data(), allowedCount))) return requestError(messages::kUnknownMember);

    if (blobCount > 0 && !acceptsBlobs(*command)) return requestError(messages::kBlobsNotAccepted);

    ProtocolRequest request;
    request.protocol = envelope->protocol;
    request.requestId = std::move(envelope->requestId);
    request.callerId = std::move(envelope->callerId);
    request.timestampUtcMs = envelope->timestampUtcMs;
    request.command = *command;

    // A payload member that is present but not an object has no message of
    // its own and counts as invalid JSON.
    const std::string_view payloadName = payloadMemberName(payload);
    switch (payload) {
        case PayloadKind::None: break;
        case PayloadKind::Printer: {
            if (!root.has(payloadName)) return requestError(messages::kPrinterMissing);
            const auto object = tryRead([&] { return root.getObject(payloadName); });
            if (!object) return requestError(messages::kJsonInvalid);
            auto printerId = parsePrinterRequest(*object);
            if (!printerId) return std::move(printerId).error();
            request.printerId = std::move(printerId).value();
            break;
        }
        case PayloadKind::JobReference: {
            if (!root.has(payloadName)) return requestError(messages::kJobReferenceMissing);
            const auto object = tryRead([&] { return root.getObject(payloadName); });
            if (!object) return requestError(messages::kJsonInvalid);
            auto clientJobId = parseJobReference(*object);
            if (!clientJobId) return std::move(clientJobId).error();
            request.clientJobId = std::move(clientJobId).value();
            break;
        }
        case PayloadKind::Job: {
            if (!root.has(payloadName)) return jobError(messages::kPrintJobMissing);
            const auto object = tryRead([&] { return root.getObject(payloadName); });
            if (!object) return requestError(messages::kJsonInvalid);
            auto job = parsePrintJob(*object, blobCount, *command != CommandId::JobsPrint);
            if (!job) return std::move(job).error();
            request.job = std::move(job).value();
            break;
        }
    }
    return request;
}

}  // namespace

Result<ProtocolRequest> parseRequest(std::string_view jsonText, std::size_t blobCount, std::int64_t nowUtcMs) {
    try {
        return parseValidatedSteps(jsonText, blobCount, nowUtcMs);
    } catch (const std::bad_alloc&) {
        // The pipe server answers memory exhaustion with its canned frame.
        throw;
    } catch (const std::exception&) {
        // An internal failure has no code of its own; the request is reported
        // as invalid JSON rather than ending the serving thread.
        return requestError(messages::kJsonInvalid);
    }
}

Result<std::string> parsePrinterRequest(const JsonObject& object) {
    return parseSingleStringMember(object, "printerId", kPrinterMembers,
                                   {messages::kPrinterRequestUnknownMember, messages::kPrinterRequestMemberInvalid,
                                    messages::kPrinterRequestParameterInvalid});
}

Result<std::string> parseJobReference(const JsonObject& object) {
    return parseSingleStringMember(object, "clientJobId", kJobReferenceMembers,
                                   {messages::kJobReferenceUnknownMember, messages::kJobReferenceMemberInvalid,
                                    messages::kJobReferenceParameterInvalid});
}

Result<PrintJobRequest> parsePrintJob(const JsonObject& object, std::size_t blobCount, bool allowReselect) {
    const std::span<const std::string_view> jobMembers =
        allowReselect ? std::span<const std::string_view>(kReselectableJobMembers) : kJobMembers;
    if (!hasOnlyMembers(object, jobMembers)) return jobError(messages::kPrintJobUnknownMember);

    PrintJobRequest job;
    const auto parts = tryRead([&] {
        job.clientJobId = object.getString("clientJobId");
        job.name = object.getString("name");
        job.printerId = object.getString("printerId");
        job.copies = uint32FromJsonNumber(object.getNumber("copies"));
        if (allowReselect && object.has("allowPrinterReselect")) {
            job.allowPrinterReselect = object.getBoolean("allowPrinterReselect");
        }
        return JobParts{object.getObject("paper"), object.getObject("device"), object.getArray("pages")};
    });
    if (!parts) return jobError(messages::kPrintJobMemberInvalid);

    if (!hasOnlyMembers(parts->paper, kPaperMembers) || !hasOnlyMembers(parts->device, kDeviceMembers)) {
        return jobError(messages::kPrintJobStructureInvalid);
    }

    const auto deviceRead = tryRead([&] {
        job.widthMm = parts->paper.getNumber("widthMm");
        job.heightMm = parts->paper.getNumber("heightMm");
        job.dpiX = uint32FromJsonNumber(parts->device.getNumber("dpiX"));
        job.dpiY = uint32FromJsonNumber(parts->device.getNumber("dpiY"));
        job.capabilityHash = parts->device.getString("capabilityHash");
        return true;
    });
    if (!deviceRead) return jobError(messages::kPrintJobMemberInvalid);

    const std::size_t pageCount = parts->pages.size();
    const auto positiveFinite = [](double value) { return std::isfinite(value) && value > 0.0; };
    if (!isCanonicalUuid(job.clientJobId) || job.name.empty() || job.printerId.empty() || job.copies < kMinCopies ||
        job.copies > kMaxCopies || !positiveFinite(job.widthMm) || !positiveFinite(job.heightMm) || job.dpiX == 0 ||
        job.dpiY == 0 || job.capabilityHash.empty() || pageCount == 0 || pageCount > kMaxPagesPerJob) {
        return jobError(messages::kPrintJobParameterInvalid);
    }

    // Together with the count check after the loop, this makes the pages a
    // one-to-one mapping onto the blobs.
    std::unordered_set<std::uint32_t> usedBlobs;
    usedBlobs.reserve(pageCount);
    job.pages.reserve(pageCount);
    for (std::size_t index = 0; index < pageCount; ++index) {
        const auto element = tryRead([&] { return parts->pages.objectAt(index); });
        if (!element) return jobError(messages::kPrintJobMemberInvalid);
        if (!hasOnlyMembers(*element, kPageMembers)) return jobError(messages::kPageUnknownMember);

        auto page = tryRead([&] {
            PageReference read;
            read.widthDots = uint32FromJsonNumber(element->getNumber("widthDots"));
            read.heightDots = uint32FromJsonNumber(element->getNumber("heightDots"));
            read.format = element->getString("format");
            read.blobIndex = uint32FromJsonNumber(element->getNumber("blobIndex"));
            return read;
        });
        if (!page) return jobError(messages::kPrintJobMemberInvalid);

        if (page->widthDots == 0 || page->heightDots == 0 || page->format != kPageFormat ||
            page->blobIndex >= blobCount || !usedBlobs.insert(page->blobIndex).second) {
            return pagesMismatch();
        }
        job.pages.push_back(std::move(*page));
    }
    // A blob that no page uses.
    if (usedBlobs.size() != blobCount) return pagesMismatch();

    return job;
}

bool hasOnlyMembers(const JsonObject& object, std::span<const std::string_view> allowedNames) {
    for (const std::string_view name : object.memberNames()) {
        bool allowed = false;
        for (const std::string_view candidate : allowedNames) {
            if (name == candidate) {
                allowed = true;
                break;
            }
        }
        if (!allowed) return false;
    }
    return true;
}

bool isCanonicalUuid(std::string_view text) {
    if (text.size() != 36) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool hyphenSlot = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphenSlot ? text[i] != '-' : !isHexDigit(text[i])) return false;
    }
    return true;
}

}  // namespace ks::protocol
