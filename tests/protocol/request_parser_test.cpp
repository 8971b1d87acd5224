#include "protocol/request_parser.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>

#include "protocol/error_catalog.h"

namespace ks::protocol {
namespace {

using Json = nlohmann::json;

constexpr std::int64_t kNow = 1'700'000'000'000;
constexpr const char* kRequestId = "123e4567-e89b-12d3-a456-426614174000";
constexpr const char* kClientJobId = "9F1C2B3A-4D5E-6F70-8192-A3B4C5D6E7F8";
constexpr const char* kRaw = "@raw@";

Json envelope(const std::string& command) {
    return {{"protocol", 1},
            {"requestId", kRequestId},
            {"callerId", "tests"},
            {"timestampUtcMs", kNow},
            {"command", command}};
}

Json page(std::uint32_t blobIndex) {
    return {{"widthDots", 800}, {"heightDots", 1200}, {"format", "png"}, {"blobIndex", blobIndex}};
}

// A valid job command whose pages use blobs 0..pages-1 in order.
Json jobRequest(const std::string& command, std::size_t pages = 1) {
    Json request = envelope(command);
    Json& job = request["job"];
    job = {{"clientJobId", kClientJobId},
           {"name", "label"},
           {"printerId", "printer-1"},
           {"copies", 2},
           {"paper", {{"widthMm", 62.5}, {"heightMm", 100}}},
           {"device", {{"dpiX", 300}, {"dpiY", 600}, {"capabilityHash", "cafe"}}},
           {"pages", Json::array()}};
    for (std::size_t i = 0; i < pages; ++i) job["pages"].push_back(page(static_cast<std::uint32_t>(i)));
    return request;
}

// Dumps the request with the string "@raw@" replaced by raw JSON text, for
// spellings nlohmann would not produce (1.0, -0, 2^63 - 1).
std::string render(const Json& request, const std::string& raw = {}) {
    std::string text = request.dump();
    const std::string quoted = std::string("\"") + kRaw + "\"";
    if (const auto at = text.find(quoted); at != std::string::npos) text.replace(at, quoted.size(), raw);
    return text;
}

struct Rejection {
    const char* scenario;
    std::function<Json()> build;
    std::string raw;
    std::size_t blobCount;
    std::string_view code;
    std::wstring_view message;
};

void expectRejections(std::initializer_list<Rejection> cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scenario);
        const auto result = parseRequest(render(c.build(), c.raw), c.blobCount, kNow);
        ASSERT_FALSE(result.hasValue());
        EXPECT_EQ(result.error().code(), c.code);
        EXPECT_EQ(result.error().message(), c.message);
    }
}

// Builders that change one thing in a valid request.
std::function<Json()> hello(std::function<void(Json&)> change) {
    return [change] {
        Json r = envelope("system.hello");
        change(r);
        return r;
    };
}
std::function<Json()> withCommand(std::string command, std::function<void(Json&)> change) {
    return [command, change] {
        Json r = envelope(command);
        change(r);
        return r;
    };
}
std::function<Json()> print(std::function<void(Json&)> change, std::size_t pages = 1) {
    return [change, pages] {
        Json r = jobRequest("jobs.print", pages);
        change(r["job"]);
        return r;
    };
}

const std::string_view kInvalid = codes::kRequestInvalid;
const std::string_view kJob = codes::kJobInvalid;
const std::string_view kMismatch = codes::kPagesBlobsMismatch;

TEST(RequestParserTest, AcceptsJobAndKeepsEveryField) {
    Json request = jobRequest("jobs.preview", 3);
    request["job"]["allowPrinterReselect"] = true;
    // Pages may name the blobs in any order; the page order is kept.
    request["job"]["pages"][0]["blobIndex"] = 2;
    request["job"]["pages"][2]["blobIndex"] = 0;
    const auto result = parseRequest(render(request), 3, kNow);
    ASSERT_TRUE(result.hasValue()) << testing::PrintToString(result.error().message());
    const ProtocolRequest& parsed = result.value();
    EXPECT_EQ(parsed.protocol, 1u);
    EXPECT_EQ(parsed.requestId, kRequestId);
    EXPECT_EQ(parsed.callerId, "tests");
    EXPECT_EQ(parsed.timestampUtcMs, kNow);
    EXPECT_EQ(parsed.command, CommandId::JobsPreview);
    ASSERT_TRUE(parsed.job.has_value());
    const PrintJobRequest& job = *parsed.job;
    EXPECT_EQ(job.clientJobId, kClientJobId);
    EXPECT_EQ(job.name, "label");
    EXPECT_EQ(job.printerId, "printer-1");
    EXPECT_EQ(job.copies, 2u);
    EXPECT_EQ(job.widthMm, 62.5);
    EXPECT_EQ(job.heightMm, 100.0);
    EXPECT_EQ(job.dpiX, 300u);
    EXPECT_EQ(job.dpiY, 600u);
    EXPECT_EQ(job.capabilityHash, "cafe");
    EXPECT_TRUE(job.allowPrinterReselect);
    ASSERT_EQ(job.pages.size(), 3u);
    EXPECT_EQ(job.pages[0], (PageReference{800, 1200, "png", 2}));
    EXPECT_EQ(job.pages[1].blobIndex, 1u);
    EXPECT_EQ(job.pages[2].blobIndex, 0u);
}

TEST(RequestParserTest, EachCommandFillsOnlyItsPayload) {
    struct Case {
        const char* command;
        CommandId id;
        const char* member;
        Json payload;
        std::size_t blobs;
    };
    const Json jobPayload = jobRequest("jobs.print")["job"];
    const Json reference = {{"clientJobId", "any-form"}};
    const Case cases[] = {
        {"system.hello", CommandId::SystemHello, nullptr, {}, 0},
        {"system.health", CommandId::SystemHealth, nullptr, {}, 0},
        {"printers.list", CommandId::PrintersList, nullptr, {}, 0},
        {"printers.capabilities", CommandId::PrintersCapabilities, "printer", {{"printerId", "p"}}, 0},
        {"jobs.preview", CommandId::JobsPreview, "job", jobPayload, 1},
        {"jobs.print", CommandId::JobsPrint, "job", jobPayload, 1},
        {"jobs.status", CommandId::JobsStatus, "jobReference", reference, 0},
        {"jobs.cancel", CommandId::JobsCancel, "jobReference", reference, 0},
        {"settings.getCalibration", CommandId::SettingsGetCalibration, nullptr, {}, 0},
        {"settings.openCalibration", CommandId::SettingsOpenCalibration, nullptr, {}, 0},
        {"jobs.preview.prepare", CommandId::JobsPreviewPrepare, "jobReference", reference, 0},
        {"jobs.preview.complete", CommandId::JobsPreviewComplete, "job", jobPayload, 1},
        {"jobs.preview.dismiss", CommandId::JobsPreviewDismiss, "jobReference", reference, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        Json request = envelope(c.command);
        if (c.member) request[c.member] = c.payload;
        const auto result = parseRequest(render(request), c.blobs, kNow);
        ASSERT_TRUE(result.hasValue());
        EXPECT_EQ(result.value().command, c.id);
        const std::string member = c.member ? c.member : "";
        EXPECT_EQ(result.value().job.has_value(), member == "job");
        EXPECT_EQ(result.value().printerId, member == "printer" ? std::optional<std::string>("p") : std::nullopt);
        EXPECT_EQ(result.value().clientJobId,
                  member == "jobReference" ? std::optional<std::string>("any-form") : std::nullopt);
        if (member == "job") {
            EXPECT_FALSE(result.value().job->allowPrinterReselect);
        }
    }
}

TEST(RequestParserTest, AcceptedEdges) {
    struct Case {
        const char* scenario;
        Json request;
        std::string raw;
        std::size_t blobs;
    };
    const auto set = [](Json request, const Json::json_pointer& at, Json value) {
        request[at] = std::move(value);
        return request;
    };
    const Json helloRequest = envelope("system.hello");
    const Json printRequest = jobRequest("jobs.print");
    const Case cases[] = {
        {"protocol 1.0", set(helloRequest, "/protocol"_json_pointer, kRaw), "1.0", 0},
        {"upper-case request id", set(helloRequest, "/requestId"_json_pointer, "123E4567-E89B-12D3-A456-42661417400A"),
         "", 0},
        {"timestamp 300000 ahead", set(helloRequest, "/timestampUtcMs"_json_pointer, kNow + 300'000), "", 0},
        {"timestamp 300000 behind", set(helloRequest, "/timestampUtcMs"_json_pointer, kNow - 300'000), "", 0},
        {"copies 1", set(printRequest, "/job/copies"_json_pointer, 1), "", 1},
        {"copies 999", set(printRequest, "/job/copies"_json_pointer, 999), "", 1},
        {"tiny fractional paper", set(printRequest, "/job/paper/widthMm"_json_pointer, 1e-300), "", 1},
        {"largest dots", set(printRequest, "/job/pages/0/widthDots"_json_pointer, 4294967295u), "", 1},
        {"blob index -0", set(printRequest, "/job/pages/0/blobIndex"_json_pointer, kRaw), "-0", 1},
        {"200 pages", jobRequest("jobs.print", 200), "", 200},
        {"reselect false in preview.complete",
         set(jobRequest("jobs.preview.complete"), "/job/allowPrinterReselect"_json_pointer, false), "", 1},
        {"ill-formed UTF-8 in callerId", set(helloRequest, "/callerId"_json_pointer, kRaw), "\"a\xFF\"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scenario);
        const auto result = parseRequest(render(c.request, c.raw), c.blobs, kNow);
        EXPECT_TRUE(result.hasValue()) << testing::PrintToString(result ? std::wstring() : result.error().message());
    }
    const auto replaced = parseRequest(render(set(helloRequest, "/callerId"_json_pointer, kRaw), "\"a\xFF\""), 0, kNow);
    ASSERT_TRUE(replaced.hasValue());
    EXPECT_EQ(replaced.value().callerId, "a\xEF\xBF\xBD");
}

TEST(RequestParserTest, RejectsInvalidJsonText) {
    const std::string valid = render(envelope("system.hello"));
    for (const std::string& text :
         {std::string(), std::string("[]"), std::string("1"), std::string("{}"), valid + "x", valid + "{}",
          valid + std::string(1, '\0'), valid + std::string("\0{}", 3), std::string(1 << 20, '['),
          std::string(1 << 20, 'x'), valid.substr(0, valid.size() - 1) + ",\"x\":" + std::string(100000, '[') + "}"}) {
        SCOPED_TRACE(text.substr(0, 40));
        const auto result = parseRequest(text, 0, kNow);
        ASSERT_FALSE(result.hasValue());
        EXPECT_EQ(result.error(), Error(kInvalid, messages::kJsonInvalid));
    }
}

TEST(RequestParserTest, RejectsEnvelopeInOrder) {
    const auto setTo = [](const char* name, Json value) { return [name, value](Json& r) { r[name] = value; }; };
    const auto drop = [](const char* name) { return [name](Json& r) { r.erase(name); }; };
    expectRejections({
        {"protocol as string", hello(setTo("protocol", "1")), "", 0, kInvalid, messages::kJsonInvalid},
        {"protocol missing", hello(drop("protocol")), "", 0, kInvalid, messages::kJsonInvalid},
        {"protocol negative", hello(setTo("protocol", -1)), "", 0, kInvalid, messages::kJsonInvalid},
        {"protocol fractional", hello(setTo("protocol", 1.5)), "", 0, kInvalid, messages::kJsonInvalid},
        {"protocol 2^32", hello(setTo("protocol", 4294967296u)), "", 0, kInvalid, messages::kJsonInvalid},
        {"requestId number", hello(setTo("requestId", 1)), "", 0, kInvalid, messages::kJsonInvalid},
        {"callerId null", hello(setTo("callerId", nullptr)), "", 0, kInvalid, messages::kJsonInvalid},
        {"timestamp string", hello(setTo("timestampUtcMs", "1")), "", 0, kInvalid, messages::kJsonInvalid},
        {"timestamp fractional", hello(setTo("timestampUtcMs", 0.5)), "", 0, kInvalid, messages::kJsonInvalid},
        {"command missing", hello(drop("command")), "", 0, kInvalid, messages::kJsonInvalid},
        {"protocol 2", hello(setTo("protocol", 2)), "", 0, codes::kProtocolUnsupported, messages::kProtocolUnsupported},
        {"protocol 0", hello(setTo("protocol", 0)), "", 0, codes::kProtocolUnsupported, messages::kProtocolUnsupported},
        {"unknown command with protocol 2", hello([](Json& r) {
             r["protocol"] = 2;
             r["command"] = "nope";
         }),
         "", 0, codes::kProtocolUnsupported, messages::kProtocolUnsupported},
        {"command case", hello(setTo("command", "System.hello")), "", 0, codes::kCommandUnsupported,
         messages::kCommandUnsupported},
        {"unknown command before bad request id", hello([](Json& r) {
             r["command"] = "jobs";
             r["requestId"] = "";
         }),
         "", 0, codes::kCommandUnsupported, messages::kCommandUnsupported},
        {"request id in braces", hello(setTo("requestId", "{123e4567-e89b-12d3-a456-426614174000}")), "", 0, kInvalid,
         messages::kEnvelopeInvalid},
        {"request id without hyphens", hello(setTo("requestId", "123e4567e89b12d3a456426614174000")), "", 0, kInvalid,
         messages::kEnvelopeInvalid},
        {"callerId empty", hello(setTo("callerId", "")), "", 0, kInvalid, messages::kEnvelopeInvalid},
        {"timestamp 300001 ahead", hello(setTo("timestampUtcMs", kNow + 300'001)), "", 0, kInvalid,
         messages::kEnvelopeInvalid},
        {"timestamp 300001 behind", hello(setTo("timestampUtcMs", kNow - 300'001)), "", 0, kInvalid,
         messages::kEnvelopeInvalid},
        {"bad request id before unknown member", hello([](Json& r) {
             r["requestId"] = "x";
             r["printer"] = Json::object();
         }),
         "", 1, kInvalid, messages::kEnvelopeInvalid},
        {"hello with printer", hello(setTo("printer", {{"printerId", "p"}})), "", 0, kInvalid,
         messages::kUnknownMember},
        {"member name case", hello(setTo("Protocol", 1)), "", 0, kInvalid, messages::kUnknownMember},
        {"job member on printers.capabilities",
         withCommand("printers.capabilities",
                     [](Json& r) {
                         r["printer"] = {{"printerId", "p"}};
                         r["job"] = 1;
                     }),
         "", 0, kInvalid, messages::kUnknownMember},
        {"unknown member before blobs", hello(setTo("x", 1)), "", 1, kInvalid, messages::kUnknownMember},
        {"jobs.status with one blob", withCommand("jobs.status", setTo("jobReference", {{"clientJobId", "j"}})), "", 1,
         kInvalid, messages::kBlobsNotAccepted},
        {"hello with one blob", hello([](Json&) {}), "", 1, kInvalid, messages::kBlobsNotAccepted},
    });
}

TEST(RequestParserTest, TimestampsNearTheInt64LimitsAreRejectedWithoutOverflow) {
    const Json request = hello([](Json& r) { r["timestampUtcMs"] = kRaw; })();
    struct Case {
        std::string timestamp;
        std::int64_t now;
        std::wstring_view message;  // empty when accepted
    };
    const std::int64_t min = std::numeric_limits<std::int64_t>::min();
    const std::int64_t max = std::numeric_limits<std::int64_t>::max();
    const Case cases[] = {
        {"-9223372036854775808", kNow, messages::kEnvelopeInvalid},
        {"-9223372036854775808", max, messages::kEnvelopeInvalid},
        {"9223372036854774784", kNow, messages::kEnvelopeInvalid},  // largest double below 2^63
        {"9223372036854774784", min, messages::kEnvelopeInvalid},
        {"9223372036854774784", max, {}},
        {"-9223372036854775808", min, {}},
        {"-9223372036854775808", min + 300'000, {}},
        {"-9223372036854775808", min + 300'001, messages::kEnvelopeInvalid},
        // These round to 2^63 or below -2^63 as doubles and break the int64 rule.
        {"9223372036854775807", kNow, messages::kJsonInvalid},
        {"9223372036854775808", kNow, messages::kJsonInvalid},
        {"-9223372036854777856", kNow, messages::kJsonInvalid},
        {"1e300", kNow, messages::kJsonInvalid},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.timestamp + " at " + std::to_string(c.now));
        const auto result = parseRequest(render(request, c.timestamp), 0, c.now);
        if (c.message.empty()) {
            EXPECT_TRUE(result.hasValue());
        } else {
            ASSERT_FALSE(result.hasValue());
            EXPECT_EQ(result.error(), Error(kInvalid, c.message));
        }
    }
}

TEST(RequestParserTest, RejectsPrinterAndJobReferencePayloads) {
    const auto caps = [](Json printer) {
        return withCommand("printers.capabilities", [printer](Json& r) { r["printer"] = printer; });
    };
    const auto status = [](Json reference) {
        return withCommand("jobs.cancel", [reference](Json& r) { r["jobReference"] = reference; });
    };
    expectRejections({
        {"no printer", withCommand("printers.capabilities", [](Json&) {}), "", 0, kInvalid, messages::kPrinterMissing},
        {"printer not an object", caps("p"), "", 0, kInvalid, messages::kJsonInvalid},
        {"printer extra member", caps({{"printerId", "p"}, {"x", 1}}), "", 0, kInvalid,
         messages::kPrinterRequestUnknownMember},
        {"printer empty object", caps(Json::object()), "", 0, kInvalid, messages::kPrinterRequestMemberInvalid},
        {"printerId number", caps({{"printerId", 1}}), "", 0, kInvalid, messages::kPrinterRequestMemberInvalid},
        {"printerId empty", caps({{"printerId", ""}}), "", 0, kInvalid, messages::kPrinterRequestParameterInvalid},
        {"no job reference", withCommand("jobs.preview.dismiss", [](Json&) {}), "", 0, kInvalid,
         messages::kJobReferenceMissing},
        {"job reference array", status(Json::array()), "", 0, kInvalid, messages::kJsonInvalid},
        {"job reference extra member", status({{"clientJobId", "j"}, {"printerId", "p"}}), "", 0, kInvalid,
         messages::kJobReferenceUnknownMember},
        {"clientJobId bool", status({{"clientJobId", true}}), "", 0, kInvalid, messages::kJobReferenceMemberInvalid},
        {"clientJobId empty", status({{"clientJobId", ""}}), "", 0, kInvalid, messages::kJobReferenceParameterInvalid},
    });
}

TEST(RequestParserTest, RejectsJobPayload) {
    const auto setTo = [](const char* pointer, Json value) {
        return [at = Json::json_pointer(pointer), value](Json& job) { job[at] = value; };
    };
    const auto drop = [](const char* name) { return [name](Json& job) { job.erase(name); }; };
    expectRejections({
        {"no job", withCommand("jobs.print", [](Json&) {}), "", 0, kJob, messages::kPrintJobMissing},
        {"job not an object", withCommand("jobs.print", [](Json& r) { r["job"] = "job"; }), "", 0, kInvalid,
         messages::kJsonInvalid},
        {"extra job member", print(setTo("/x", 1)), "", 1, kJob, messages::kPrintJobUnknownMember},
        {"reselect in jobs.print", print(setTo("/allowPrinterReselect", true)), "", 1, kJob,
         messages::kPrintJobUnknownMember},
        {"name missing", print(drop("name")), "", 1, kJob, messages::kPrintJobMemberInvalid},
        {"pages missing", print(drop("pages")), "", 1, kJob, messages::kPrintJobMemberInvalid},
        {"copies 2.5", print(setTo("/copies", 2.5)), "", 1, kJob, messages::kPrintJobMemberInvalid},
        {"copies -1", print(setTo("/copies", -1)), "", 1, kJob, messages::kPrintJobMemberInvalid},
        {"copies string", print(setTo("/copies", "2")), "", 1, kJob, messages::kPrintJobMemberInvalid},
        {"paper array", print(setTo("/paper", Json::array())), "", 1, kJob, messages::kPrintJobMemberInvalid},
        {"pages object", print(setTo("/pages", Json::object())), "", 1, kJob, messages::kPrintJobMemberInvalid},
        {"paper extra member", print(setTo("/paper/x", 1)), "", 1, kJob, messages::kPrintJobStructureInvalid},
        {"device extra before missing dpi", print([](Json& job) {
             job["device"]["x"] = 1;
             job["device"].erase("dpiX");
         }),
         "", 1, kJob, messages::kPrintJobStructureInvalid},
        {"widthMm string", print(setTo("/paper/widthMm", "62")), "", 1, kJob, messages::kPrintJobMemberInvalid},
        {"dpiY fractional", print(setTo("/device/dpiY", 0.5)), "", 1, kJob, messages::kPrintJobMemberInvalid},
        {"capabilityHash missing", print([](Json& job) { job["device"].erase("capabilityHash"); }), "", 1, kJob,
         messages::kPrintJobMemberInvalid},
        {"clientJobId not uuid", print(setTo("/clientJobId", "job-1")), "", 1, kJob,
         messages::kPrintJobParameterInvalid},
        {"name empty", print(setTo("/name", "")), "", 1, kJob, messages::kPrintJobParameterInvalid},
        {"printerId empty", print(setTo("/printerId", "")), "", 1, kJob, messages::kPrintJobParameterInvalid},
        {"copies 0", print(setTo("/copies", 0)), "", 1, kJob, messages::kPrintJobParameterInvalid},
        {"copies 1000", print(setTo("/copies", 1000)), "", 1, kJob, messages::kPrintJobParameterInvalid},
        {"widthMm 0", print(setTo("/paper/widthMm", 0)), "", 1, kJob, messages::kPrintJobParameterInvalid},
        {"heightMm negative", print(setTo("/paper/heightMm", -0.1)), "", 1, kJob, messages::kPrintJobParameterInvalid},
        // Numbers beyond the double range arrive as infinity and meet the
        // member's own rule.
        {"widthMm 1e999", print(setTo("/paper/widthMm", kRaw)), "1e999", 1, kJob, messages::kPrintJobParameterInvalid},
        {"heightMm -1e999", print(setTo("/paper/heightMm", kRaw)), "-1e999", 1, kJob,
         messages::kPrintJobParameterInvalid},
        {"copies 1e999", print(setTo("/copies", kRaw)), "1e999", 1, kJob, messages::kPrintJobMemberInvalid},
        {"dpiX 0", print(setTo("/device/dpiX", 0)), "", 1, kJob, messages::kPrintJobParameterInvalid},
        {"dpiY 0", print(setTo("/device/dpiY", 0)), "", 1, kJob, messages::kPrintJobParameterInvalid},
        {"capabilityHash empty", print(setTo("/device/capabilityHash", "")), "", 1, kJob,
         messages::kPrintJobParameterInvalid},
        {"no pages", print([](Json&) {}, 0), "", 0, kJob, messages::kPrintJobParameterInvalid},
        {"201 pages", print([](Json&) {}, 201), "", 201, kJob, messages::kPrintJobParameterInvalid},
        {"range before pages", print([](Json& job) {
             job["copies"] = 0;
             job["pages"][0] = 1;
         }),
         "", 1, kJob, messages::kPrintJobParameterInvalid},
    });
}

TEST(RequestParserTest, RejectsPagesThatDoNotMapOntoBlobs) {
    const auto setTo = [](const char* pointer, Json value) {
        return [at = Json::json_pointer(pointer), value](Json& job) { job[at] = value; };
    };
    expectRejections({
        {"page not an object", print(setTo("/pages/0", 0)), "", 1, kJob, messages::kPrintJobMemberInvalid},
        {"page extra member", print(setTo("/pages/0/dpi", 1)), "", 1, kJob, messages::kPageUnknownMember},
        {"format number", print(setTo("/pages/0/format", 1)), "", 1, kJob, messages::kPrintJobMemberInvalid},
        {"blobIndex negative", print(setTo("/pages/0/blobIndex", -1)), "", 1, kJob, messages::kPrintJobMemberInvalid},
        {"heightDots 2^32", print(setTo("/pages/0/heightDots", 4294967296u)), "", 1, kJob,
         messages::kPrintJobMemberInvalid},
        {"widthDots 0", print(setTo("/pages/0/widthDots", 0)), "", 1, kMismatch, messages::kPagesBlobsMismatch},
        {"heightDots 0", print(setTo("/pages/0/heightDots", 0)), "", 1, kMismatch, messages::kPagesBlobsMismatch},
        {"format PNG", print(setTo("/pages/0/format", "PNG")), "", 1, kMismatch, messages::kPagesBlobsMismatch},
        {"format png with NUL", print(setTo("/pages/0/format", std::string("png\0", 4))), "", 1, kMismatch,
         messages::kPagesBlobsMismatch},
        {"blob index equals count", print(setTo("/pages/0/blobIndex", 1)), "", 1, kMismatch,
         messages::kPagesBlobsMismatch},
        {"no blobs", print([](Json&) {}), "", 0, kMismatch, messages::kPagesBlobsMismatch},
        {"two pages share blob 0", print(setTo("/pages/1/blobIndex", 0), 2), "", 2, kMismatch,
         messages::kPagesBlobsMismatch},
        {"one page, two blobs", print([](Json&) {}), "", 2, kMismatch, messages::kPagesBlobsMismatch},
        {"200 pages, 201 blobs", print([](Json&) {}, 200), "", 201, kMismatch, messages::kPagesBlobsMismatch},
        {"first bad page wins",
         print(
             [](Json& job) {
                 job["pages"][0]["format"] = "jpg";
                 job["pages"][1]["x"] = 1;
             },
             2),
         "", 2, kMismatch, messages::kPagesBlobsMismatch},
        {"unknown member on first page wins",
         print(
             [](Json& job) {
                 job["pages"][0]["x"] = 1;
                 job["pages"][1]["format"] = "jpg";
             },
             2),
         "", 2, kJob, messages::kPageUnknownMember},
    });
}

TEST(RequestParserTest, ReselectIsBooleanAndOnlyForPreviewCommands) {
    Json preview = jobRequest("jobs.preview");
    preview["job"]["allowPrinterReselect"] = "true";
    const auto result = parseRequest(render(preview), 1, kNow);
    ASSERT_FALSE(result.hasValue());
    EXPECT_EQ(result.error(), Error(kJob, messages::kPrintJobMemberInvalid));

    // parsePrintJob decides by its flag alone.
    Json job = jobRequest("jobs.print")["job"];
    job["allowPrinterReselect"] = true;
    const auto document = JsonDocument::parse(job.dump());
    ASSERT_TRUE(document.has_value());
    EXPECT_TRUE(parsePrintJob(document->root(), 1, true).value().allowPrinterReselect);
    EXPECT_EQ(parsePrintJob(document->root(), 1, false).error(), Error(kJob, messages::kPrintJobUnknownMember));
}

TEST(RequestParserTest, HasOnlyMembersComparesBytes) {
    const auto document = JsonDocument::parse(R"({"a":1,"b\u0000":2})");
    ASSERT_TRUE(document.has_value());
    const std::string_view exact[] = {"a", std::string_view("b\0", 2)};
    const std::string_view truncated[] = {"a", "b"};
    const std::string_view upper[] = {"A", std::string_view("b\0", 2)};
    EXPECT_TRUE(hasOnlyMembers(document->root(), exact));
    EXPECT_FALSE(hasOnlyMembers(document->root(), truncated));
    EXPECT_FALSE(hasOnlyMembers(document->root(), upper));
    const auto empty = JsonDocument::parse("{}");
    EXPECT_TRUE(hasOnlyMembers(empty->root(), {}));
}

TEST(RequestParserTest, CanonicalUuid) {
    for (const char* text : {"123e4567-e89b-12d3-a456-426614174000", "ABCDEF01-2345-6789-ABCD-EF0123456789",
                             "00000000-0000-0000-0000-000000000000"}) {
        EXPECT_TRUE(isCanonicalUuid(text)) << text;
    }
    for (const char* text : {"", "{123e4567-e89b-12d3-a456-426614174000}", " 123e4567-e89b-12d3-a456-426614174000",
                             "123e4567-e89b-12d3-a456-42661417400", "123e4567-e89b-12d3-a456-4266141740000",
                             "123e4567e-89b-12d3-a456-426614174000", "123e4567-e89b-12d3-a456-42661417400g",
                             "123e4567-e89b-12d3-a456_426614174000", "123e4567-e89b-12d3-a456-42661417400\xEF"}) {
        EXPECT_FALSE(isCanonicalUuid(text)) << text;
    }
}

}  // namespace
}  // namespace ks::protocol
