#include "protocol/response_encoder.h"

#include "protocol/json_writer.h"
#include "protocol/utf8.h"

namespace ks::protocol {
namespace {

constexpr std::int64_t kProtocolVersion = 1;
constexpr std::string_view kServerVersion = "0.1.0";

}  // namespace

std::string encodeResponse(const ProtocolResponse& response) {
    JsonObjectWriter writer;
    writer.addNumber("protocol", kProtocolVersion)
        .addString("requestId", response.requestId)
        .addBool("ok", response.ok);
    if (response.ok) {
        writer.addRaw("result", response.result);
    } else {
        writer.addRaw("error", errorObjectJson(response.errorCode, response.errorMessage));
    }
    return writer.finish();
}

std::string errorObjectJson(std::string_view code, std::wstring_view message) {
    return JsonObjectWriter().addString("code", code).addString("message", wideToUtf8(message)).finish();
}

std::string helloObjectJson() {
    return JsonObjectWriter()
        .addNumber("protocol", kProtocolVersion)
        .addString("serverVersion", kServerVersion)
        .finish();
}

std::string healthObjectJson(bool activePreview) {
    return JsonObjectWriter().addString("status", "Running").addBool("activePreview", activePreview).finish();
}

std::string printerListEntryJson(const platform::PrinterCapabilities& printer, bool isDefault) {
    return JsonObjectWriter()
        .addString("printerId", printer.printerId)
        .addString("displayName", wideToUtf8(printer.name))
        .addBool("isDefault", isDefault)
        .addString("status", printerStatusName(printer.status))
        .finish();
}

std::string printerListJson(std::span<const std::string> entries) {
    return JsonObjectWriter().addRaw("printers", jsonArray(entries)).finish();
}

std::string paperJson(const platform::PaperSize& paper) {
    return JsonObjectWriter()
        .addString("id", std::to_string(paper.paperId))
        .addNumber("widthMicrometers", paper.widthMicrometers)
        .addNumber("heightMicrometers", paper.heightMicrometers)
        .addString("orientation", paper.landscape ? "Landscape" : "Portrait")
        .finish();
}

std::string printerCapabilitiesJson(const platform::PrinterCapabilities& printer) {
    std::vector<std::string> papers;
    papers.reserve(printer.papers.size());
    for (const auto& paper : printer.papers) papers.push_back(paperJson(paper));
    const std::string printableArea = JsonObjectWriter()
                                          .addNumber("leftDots", printer.printableLeftDots)
                                          .addNumber("topDots", printer.printableTopDots)
                                          .addNumber("widthDots", printer.printableWidthDots)
                                          .addNumber("heightDots", printer.printableHeightDots)
                                          .finish();
    return JsonObjectWriter()
        .addString("printerId", printer.printerId)
        .addString("displayName", wideToUtf8(printer.name))
        .addString("driverName", wideToUtf8(printer.driverName))
        .addString("portName", wideToUtf8(printer.portName))
        .addNumber("dpiX", printer.dpiX)
        .addNumber("dpiY", printer.dpiY)
        .addRaw("papers", jsonArray(papers))
        .addNumber("physicalWidthDots", printer.physicalWidthDots)
        .addNumber("physicalHeightDots", printer.physicalHeightDots)
        .addRaw("printableArea", printableArea)
        .addString("status", printerStatusName(printer.status))
        .addString("capabilityHash", printer.capabilityHash)
        .finish();
}

std::string jobStatusJson(const jobs::JobRecord& record, AcceptedMember accepted) {
    JsonObjectWriter writer;
    if (accepted == AcceptedMember::Include) writer.addBool("accepted", record.state == jobs::JobState::Previewing);
    writer.addString("jobId", record.jobId).addString("state", jobStateName(record.state));
    if (record.windowsJobId != 0) writer.addNumber("windowsJobId", record.windowsJobId);
    if (record.error) writer.addRaw("error", errorObjectJson(record.error->code(), record.error->message()));
    if (record.warning) writer.addString("warning", wideToUtf8(*record.warning));
    return writer.finish();
}

std::string_view printerStatusName(platform::PrinterStatus status) {
    switch (status) {
        case platform::PrinterStatus::Ready: return "Ready";
        case platform::PrinterStatus::Offline: return "Offline";
        case platform::PrinterStatus::Paused: return "Paused";
        case platform::PrinterStatus::PaperOut: return "PaperOut";
        case platform::PrinterStatus::Error: return "Error";
    }
    return "Unknown";
}

std::string_view jobStateName(jobs::JobState state) {
    switch (state) {
        case jobs::JobState::Created: return "Created";
        case jobs::JobState::Previewing: return "Previewing";
        case jobs::JobState::Validating: return "Validating";
        case jobs::JobState::Spooling: return "Spooling";
        case jobs::JobState::Queued: return "Queued";
        case jobs::JobState::Printing: return "Printing";
        case jobs::JobState::Completed: return "Completed";
        case jobs::JobState::Failed: return "Failed";
        case jobs::JobState::Cancelled: return "Cancelled";
    }
    return "Unknown";
}

}  // namespace ks::protocol
