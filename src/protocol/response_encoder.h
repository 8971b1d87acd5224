#pragma once

// The wire form of every response and of every object the protocol returns.
// Layouts are fixed: members in the order written here, no whitespace.

#include <span>
#include <string>
#include <string_view>

#include "jobs/job_record.h"
#include "platform/printer_records.h"
#include "protocol/response.h"

namespace ks::protocol {

// {"protocol":1,"requestId":…,"ok":…,"result"|"error":…}
std::string encodeResponse(const ProtocolResponse& response);

// {"code":…,"message":…}
std::string errorObjectJson(std::string_view code, std::wstring_view message);

// {"protocol":1,"serverVersion":"0.1.0"}
std::string helloObjectJson();

// {"status":"Running","activePreview":…}
std::string healthObjectJson(bool activePreview);

// One printer of printers.list.
std::string printerListEntryJson(const platform::PrinterCapabilities& printer, bool isDefault);

// {"printers":[…]} from entries made by printerListEntryJson.
std::string printerListJson(std::span<const std::string> entries);

// The answer to printers.capabilities.
std::string printerCapabilitiesJson(const platform::PrinterCapabilities& printer);

std::string paperJson(const platform::PaperSize& paper);

// Whether a job status carries the `accepted` member: only answers to the
// preview commands do.
enum class AcceptedMember { Omit, Include };

std::string jobStatusJson(const jobs::JobRecord& record, AcceptedMember accepted);

// The answer to jobs.preview.prepare and jobs.preview.dismiss.
inline constexpr std::string_view kAcceptedObjectJson = R"({"accepted":true})";

std::string_view printerStatusName(platform::PrinterStatus status);
std::string_view jobStateName(jobs::JobState state);

}  // namespace ks::protocol
