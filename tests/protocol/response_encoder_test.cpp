#include "protocol/response_encoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ks::protocol {
namespace {

using jobs::JobRecord;
using jobs::JobState;
using platform::PrinterCapabilities;
using platform::PrinterStatus;

const std::string kPrinterId(64, 'a');
const std::string kHash(64, 'b');

PrinterCapabilities samplePrinter() {
    PrinterCapabilities printer;
    printer.printerId = kPrinterId;
    printer.name = L"标签 \"Z\"\t1";
    printer.driverName = L"ZDesigner";
    printer.portName = L"USB001";
    printer.dpiX = 203;
    printer.dpiY = 203;
    printer.papers = {{9, 210000, 297000, false}, {256, 100000, 150000, false}};
    printer.physicalWidthDots = 1678;
    printer.physicalHeightDots = 2373;
    printer.printableLeftDots = -12;
    printer.printableTopDots = 0;
    printer.printableWidthDots = 1600;
    printer.printableHeightDots = 2300;
    printer.status = PrinterStatus::PaperOut;
    printer.capabilityHash = kHash;
    return printer;
}

TEST(ResponseEncoderTest, EnvelopeAroundResultAndError) {
    EXPECT_EQ(encodeResponse(successResponse("id-1", helloObjectJson())),
              R"({"protocol":1,"requestId":"id-1","ok":true,"result":{"protocol":1,"serverVersion":"0.1.0"}})");
    EXPECT_EQ(encodeResponse(errorResponse("", Error("KSR-1001", L"JSON 请求无效"))),
              R"({"protocol":1,"requestId":"","ok":false,"error":{"code":"KSR-1001","message":"JSON 请求无效"}})");
}

TEST(ResponseEncoderTest, HealthAndAcceptedObjects) {
    EXPECT_EQ(healthObjectJson(true), R"({"status":"Running","activePreview":true})");
    EXPECT_EQ(healthObjectJson(false), R"({"status":"Running","activePreview":false})");
    EXPECT_EQ(kAcceptedObjectJson, R"({"accepted":true})");
}

TEST(ResponseEncoderTest, PrinterListEscapesNamesAndOmitsCapabilities) {
    const std::vector<std::string> entries{printerListEntryJson(samplePrinter(), true)};
    EXPECT_EQ(printerListJson(entries),
              R"({"printers":[{"printerId":")" + kPrinterId +
                  R"(","displayName":"标签 \"Z\"\t1","isDefault":true,"status":"PaperOut"}]})");
    EXPECT_EQ(printerListJson({}), R"({"printers":[]})");
}

TEST(ResponseEncoderTest, CapabilitiesFormInMemberOrder) {
    EXPECT_EQ(printerCapabilitiesJson(samplePrinter()),
              R"({"printerId":")" + kPrinterId +
                  R"(","displayName":"标签 \"Z\"\t1","driverName":"ZDesigner","portName":"USB001",)"
                  R"("dpiX":203,"dpiY":203,"papers":[)"
                  R"({"id":"9","widthMicrometers":210000,"heightMicrometers":297000,"orientation":"Portrait"},)"
                  R"({"id":"256","widthMicrometers":100000,"heightMicrometers":150000,"orientation":"Portrait"}],)"
                  R"("physicalWidthDots":1678,"physicalHeightDots":2373,)"
                  R"("printableArea":{"leftDots":-12,"topDots":0,"widthDots":1600,"heightDots":2300},)"
                  R"("status":"PaperOut","capabilityHash":")" +
                  kHash + R"("})");
}

TEST(ResponseEncoderTest, PaperOrientationAndLargestPaperId) {
    EXPECT_EQ(paperJson({65535, 1, 2, true}),
              R"({"id":"65535","widthMicrometers":1,"heightMicrometers":2,"orientation":"Landscape"})");
}

TEST(ResponseEncoderTest, StatusNamesIncludingUnknownValues) {
    EXPECT_EQ(printerStatusName(PrinterStatus::Ready), "Ready");
    EXPECT_EQ(printerStatusName(PrinterStatus::Offline), "Offline");
    EXPECT_EQ(printerStatusName(PrinterStatus::Paused), "Paused");
    EXPECT_EQ(printerStatusName(PrinterStatus::Error), "Error");
    EXPECT_EQ(printerStatusName(static_cast<PrinterStatus>(5)), "Unknown");
    const char* const names[] = {"Created",  "Previewing", "Validating", "Spooling",  "Queued",
                                 "Printing", "Completed",  "Failed",     "Cancelled", "Unknown"};
    for (std::uint32_t value = 0; value < 10; ++value) {
        EXPECT_EQ(jobStateName(static_cast<JobState>(value)), names[value]) << value;
    }
}

TEST(ResponseEncoderTest, JobStatusOptionalMembers) {
    JobRecord record;
    record.jobId = "ks-job-7";
    record.state = JobState::Previewing;
    // windowsJobId 0 is left out entirely; `accepted` only when asked for.
    EXPECT_EQ(jobStatusJson(record, AcceptedMember::Omit), R"({"jobId":"ks-job-7","state":"Previewing"})");
    EXPECT_EQ(jobStatusJson(record, AcceptedMember::Include),
              R"({"accepted":true,"jobId":"ks-job-7","state":"Previewing"})");

    record.state = JobState::Failed;
    record.windowsJobId = 4294967295u;
    record.error = Error("KSR-4003", L"打印任务提交失败");
    record.warning = L"纸张已替换";
    EXPECT_EQ(jobStatusJson(record, AcceptedMember::Include),
              R"({"accepted":false,"jobId":"ks-job-7","state":"Failed","windowsJobId":4294967295,)"
              R"("error":{"code":"KSR-4003","message":"打印任务提交失败"},"warning":"纸张已替换"})");
}

}  // namespace
}  // namespace ks::protocol
