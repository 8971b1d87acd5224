#include "protocol/command_dispatcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_preview_host.h"
#include "fakes/fake_winspool_api.h"
#include "fakes/job_services.h"
#include "preview/preview_coordinator.h"
#include "printers/printer_catalog.h"
#include "protocol/response_encoder.h"

namespace ks::protocol {
namespace {

constexpr char kRequestId[] = "0b7f7f9e-3c1a-4d7e-9a51-2f7c0e6b8a11";

ProtocolRequest requestFor(CommandId command) {
    ProtocolRequest request;
    request.protocol = 1;
    request.requestId = kRequestId;
    request.callerId = "test";
    request.command = command;
    return request;
}

// The envelope of a successful answer to requestFor(…).
std::string okEnvelope(const std::string& result) {
    return std::string(R"({"protocol":1,"requestId":")") + kRequestId + R"(","ok":true,"result":)" + result + "}";
}

class CommandDispatcherTest : public testing::Test {
protected:
    fakes::FakeWinspoolApi spooler_;
    printers::PrinterCatalog catalog_{spooler_};
    fakes::FakeJobServices jobs_{catalog_};
    fakes::FakePreviewHost previewHost_;
    preview::PreviewCoordinator coordinator_{jobs_.manager, catalog_, previewHost_};
    CommandDispatcher dispatcher_{catalog_, spooler_, jobs_.preparation, jobs_.manager, &coordinator_};
};

TEST_F(CommandDispatcherTest, HelloAndHealthAnswerWithTheRequestId) {
    const auto hello = dispatcher_.dispatch(requestFor(CommandId::SystemHello), Blobs{});
    EXPECT_EQ(encodeResponse(hello), R"({"protocol":1,"requestId":"0b7f7f9e-3c1a-4d7e-9a51-2f7c0e6b8a11","ok":true,)"
                                     R"("result":{"protocol":1,"serverVersion":"0.1.0"}})");

    EXPECT_EQ(dispatcher_.dispatch(requestFor(CommandId::SystemHealth), Blobs{}).result,
              R"({"status":"Running","activePreview":false})");
}

TEST_F(CommandDispatcherTest, CommandsWithoutAHandlerAnswerNotImplementedWithTheRequestId) {
    // A build that cannot show previews has no preview commands either.
    CommandDispatcher withoutPreview{catalog_, spooler_, jobs_.preparation, jobs_.manager, nullptr};
    for (const auto command : {CommandId::SettingsGetCalibration, CommandId::SettingsOpenCalibration,
                               CommandId::JobsPreview, CommandId::JobsPreviewComplete, CommandId::JobsPreviewPrepare,
                               CommandId::JobsPreviewDismiss}) {
        auto request = requestFor(command);
        request.clientJobId = "a";
        const auto response = withoutPreview.dispatch(request, Blobs{});
        EXPECT_FALSE(response.ok);
        EXPECT_EQ(response.requestId, "0b7f7f9e-3c1a-4d7e-9a51-2f7c0e6b8a11");
        EXPECT_EQ(response.errorCode, "KSR-1005");
        EXPECT_EQ(response.errorMessage, L"命令尚未实现");
    }
}

// ---------------------------------------------------------------- printers

// Ids computed outside this code (printf 'name=…\ndriver=…\nport=…\n' |
// sha256sum) over the trimmed, upper-cased values.
constexpr char kOfficeLaserId[] = "8e082f8560fa3403e8bcb23a09cf81560e16617898ce3bce1157b3e87b017a07";
constexpr char kFinanceId[] = "e7974e8e74b2e906af76533a982309abf1eb4476173d8bb9cc664d3db135a5a0";
constexpr char kPdfId[] = "1a7240a9306d8db54dee805506d17f35b7a221f487e32e990c3691028161629f";

const platform::PrinterInfo kOfficeLaser{L"  office laser ", L"hp universal printing pcl 6", L"ip_192.168.1.20",
                                         platform::PrinterStatus::Paused};
const platform::PrinterInfo kFinance{L"财务部打印机", L"Canon iR-ADV C5535", L"USB001", platform::PrinterStatus::Ready};

const std::string kOfficeLaserEntry = std::string(R"({"printerId":")") + kOfficeLaserId +
                                      R"(","displayName":"  office laser ","isDefault":false,"status":"Paused"})";

ProtocolRequest capabilitiesRequest(std::string printerId) {
    auto request = requestFor(CommandId::PrintersCapabilities);
    request.printerId = std::move(printerId);
    return request;
}

TEST_F(CommandDispatcherTest, PrinterListMarksTheDefaultPrinter) {
    spooler_.printers = {kOfficeLaser, kFinance};
    spooler_.defaultName = L"财务部打印机";
    const auto response = dispatcher_.dispatch(requestFor(CommandId::PrintersList), Blobs{});
    EXPECT_EQ(encodeResponse(response),
              okEnvelope(R"({"printers":[)" + kOfficeLaserEntry + R"(,{"printerId":")" + kFinanceId +
                         R"(","displayName":"财务部打印机","isDefault":true,"status":"Ready"}]})"));
}

// The default is the queue of exactly that name: same case, same blanks.
TEST_F(CommandDispatcherTest, PrinterListComparesTheDefaultNameExactly) {
    spooler_.printers = {kOfficeLaser};
    for (const wchar_t* defaultName : {L"", L"office laser", L"  OFFICE LASER ", L"  office laser  "}) {
        spooler_.defaultName = defaultName;
        EXPECT_EQ(dispatcher_.dispatch(requestFor(CommandId::PrintersList), Blobs{}).result,
                  R"({"printers":[)" + kOfficeLaserEntry + "]}");
    }
}

TEST_F(CommandDispatcherTest, PrinterListWithoutPrintersIsAnEmptyArray) {
    spooler_.defaultName = L"PDF";
    EXPECT_EQ(encodeResponse(dispatcher_.dispatch(requestFor(CommandId::PrintersList), Blobs{})),
              okEnvelope(R"({"printers":[]})"));
}

TEST_F(CommandDispatcherTest, PrinterListPassesTheEnumerationErrorWithTheRequestId) {
    spooler_.printers = {kOfficeLaser};
    spooler_.enumerationError = Error("KSR-2003", L"无法枚举打印机 (Win32=5)");
    EXPECT_EQ(encodeResponse(dispatcher_.dispatch(requestFor(CommandId::PrintersList), Blobs{})),
              std::string(R"({"protocol":1,"requestId":")") + kRequestId +
                  R"json(","ok":false,"error":{"code":"KSR-2003","message":"无法枚举打印机 (Win32=5)"}})json");
}

TEST_F(CommandDispatcherTest, PrinterCapabilitiesAnswerWithTheFullRecord) {
    spooler_.printers = {kOfficeLaser, {L"PDF", L"PDF", L"CUPS:PDF", platform::PrinterStatus::Ready}};
    platform::PrinterCapabilities device;
    device.dpiX = device.dpiY = 300;
    device.physicalWidthDots = 2480;
    device.physicalHeightDots = 3508;
    device.printableLeftDots = -12;
    device.printableTopDots = -7;
    device.printableWidthDots = 2456;
    device.printableHeightDots = 3490;
    device.papers = {platform::PaperSize{9, 210000, 297000, true}};
    device.resolutions = {platform::Resolution{600, 600}, platform::Resolution{300, 300}};
    spooler_.setCapabilities(L"PDF", device);

    // capabilityHash: sha256sum of the capability text, resolutions sorted.
    EXPECT_EQ(encodeResponse(dispatcher_.dispatch(capabilitiesRequest(kPdfId), Blobs{})),
              okEnvelope(std::string(R"({"printerId":")") + kPdfId +
                         R"(","displayName":"PDF","driverName":"PDF","portName":"CUPS:PDF","dpiX":300,"dpiY":300,)"
                         R"("papers":[{"id":"9","widthMicrometers":210000,"heightMicrometers":297000,)"
                         R"("orientation":"Landscape"}],"physicalWidthDots":2480,"physicalHeightDots":3508,)"
                         R"("printableArea":{"leftDots":-12,"topDots":-7,"widthDots":2456,"heightDots":3490},)"
                         R"("status":"Ready",)"
                         R"("capabilityHash":"13469a22f83a797a0302a4449c33b7e59b80a057b6b9094711d03c2a44187cd1"})"));
}

TEST_F(CommandDispatcherTest, PrinterCapabilitiesOfAnUnknownIdAnswerPrinterNotFound) {
    spooler_.printers = {kOfficeLaser};
    for (const std::string& id : {std::string(kPdfId), std::string(64, 'F'), std::string()}) {
        EXPECT_EQ(encodeResponse(dispatcher_.dispatch(capabilitiesRequest(id), Blobs{})),
                  std::string(R"({"protocol":1,"requestId":")") + kRequestId +
                      R"(","ok":false,"error":{"code":"KSR-2001","message":"找不到指定打印机"}})");
    }
}

TEST_F(CommandDispatcherTest, PrinterCapabilitiesPassTheSpoolerErrorThrough) {
    spooler_.printers = {kOfficeLaser};
    spooler_.failCapabilities(kOfficeLaser.name, Error("KSR-2005", L"无法创建设备上下文 (Win32=8)"));
    const auto response = dispatcher_.dispatch(capabilitiesRequest(kOfficeLaserId), Blobs{});
    EXPECT_FALSE(response.ok);
    EXPECT_EQ(response.requestId, kRequestId);
    EXPECT_EQ(response.errorCode, "KSR-2005");
    EXPECT_EQ(response.errorMessage, L"无法创建设备上下文 (Win32=8)");
}

// ---------------------------------------------------------------- jobs

class JobCommandsTest : public CommandDispatcherTest {
protected:
    JobCommandsTest() {
        spooler_.printers = {{L"PDF", L"PDF", L"CUPS:PDF", platform::PrinterStatus::Ready}};
        platform::PrinterCapabilities device;
        device.dpiX = device.dpiY = 203;
        device.physicalWidthDots = 400;
        device.physicalHeightDots = 240;
        spooler_.setCapabilities(L"PDF", device);
    }

    // A one-page job for the PDF printer as it is now.
    ProtocolRequest printRequest() {
        const auto printer = catalog_.capabilities(kPdfId).value();
        PrintJobRequest job;
        job.clientJobId = "9f1c2b3a-4d5e-6f70-8192-a3b4c5d6e7f8";
        job.name = "label";
        job.printerId = kPdfId;
        job.copies = 1;
        job.widthMm = 50;
        job.heightMm = 30;
        job.dpiX = job.dpiY = 203;
        job.capabilityHash = printer.capabilityHash;
        job.pages = {PageReference{400, 240, "png", 0}};
        auto request = requestFor(CommandId::JobsPrint);
        request.job = std::move(job);
        return request;
    }

    static Blobs onePng() {
        Blobs blobs;
        blobs.push_back(ByteBuffer::copyOf(std::vector<std::uint8_t>{0x89, 'P', 'N', 'G', 13, 10, 26, 10}));
        return blobs;
    }

    ProtocolResponse about(CommandId command, const std::string& clientJobId) {
        auto request = requestFor(command);
        request.clientJobId = clientJobId;
        return dispatcher_.dispatch(request, Blobs{});
    }
};

TEST_F(JobCommandsTest, PrintStatusAndCancelAnswerWithTheJobStatus) {
    const auto printed = dispatcher_.dispatch(printRequest(), onePng());
    EXPECT_EQ(encodeResponse(printed), okEnvelope(R"({"jobId":"ks-job-1","state":"Queued","windowsJobId":1})"));
    EXPECT_EQ(jobs_.executor.pagesPrinted, 1u);

    // The same job again is answered from its record, not printed again.
    EXPECT_EQ(dispatcher_.dispatch(printRequest(), onePng()).result, printed.result);
    EXPECT_EQ(jobs_.executor.documents, 1u);

    const std::string id = printRequest().job->clientJobId;
    EXPECT_EQ(about(CommandId::JobsStatus, id).result, printed.result);
    EXPECT_EQ(encodeResponse(about(CommandId::JobsCancel, id)),
              okEnvelope(R"({"jobId":"ks-job-1","state":"Cancelled","windowsJobId":1})"));
    const auto unknown = about(CommandId::JobsStatus, "00000000-0000-0000-0000-000000000000");
    EXPECT_EQ(encodeResponse(unknown),
              std::string(R"({"protocol":1,"requestId":")") + kRequestId +
                  R"(","ok":false,"error":{"code":"KSR-4001","message":"找不到指定打印任务"}})");
}

TEST_F(JobCommandsTest, APreparationErrorIsTheAnswerAndNothingPrints) {
    auto request = printRequest();
    request.job->capabilityHash = std::string(64, '0');
    const auto response = dispatcher_.dispatch(request, onePng());
    EXPECT_EQ(response.requestId, kRequestId);
    EXPECT_EQ(response.errorCode, "KSR-2007");
    EXPECT_EQ(response.errorMessage, L"打印机能力或纸张已变化，请重新生成页面");
    EXPECT_EQ(jobs_.executor.documents, 0u);
}

// ---------------------------------------------------------------- preview

TEST_F(JobCommandsTest, PrepareThenCompleteAnswerAcceptedAndAJobStatusWithAccepted) {
    const std::string id = printRequest().job->clientJobId;
    EXPECT_EQ(encodeResponse(about(CommandId::JobsPreviewPrepare, id)), okEnvelope(R"({"accepted":true})"));
    EXPECT_EQ(dispatcher_.dispatch(requestFor(CommandId::SystemHealth), Blobs{}).result,
              R"({"status":"Running","activePreview":true})");

    auto complete = printRequest();
    complete.command = CommandId::JobsPreviewComplete;
    EXPECT_EQ(encodeResponse(dispatcher_.dispatch(complete, onePng())),
              okEnvelope(R"({"accepted":true,"jobId":"ks-job-1","state":"Previewing"})"));
    EXPECT_EQ(previewHost_.calls, (std::vector<std::string>{"preparing " + id, "show " + id}));

    // Cancelling the previewed job goes through the preview, which closes
    // its window.
    EXPECT_EQ(encodeResponse(about(CommandId::JobsCancel, id)),
              okEnvelope(R"({"jobId":"ks-job-1","state":"Cancelled"})"));
    EXPECT_EQ(previewHost_.calls.back(), "close " + id);
    EXPECT_EQ(dispatcher_.dispatch(requestFor(CommandId::SystemHealth), Blobs{}).result,
              R"({"status":"Running","activePreview":false})");
    EXPECT_EQ(jobs_.executor.documents, 0u);
}

TEST_F(JobCommandsTest, PreviewOfAPrintedJobAnswersItsStatusWithAcceptedFalse) {
    ASSERT_TRUE(dispatcher_.dispatch(printRequest(), onePng()).ok);
    auto preview = printRequest();
    preview.command = CommandId::JobsPreview;
    EXPECT_EQ(encodeResponse(dispatcher_.dispatch(preview, onePng())),
              okEnvelope(R"({"accepted":false,"jobId":"ks-job-1","state":"Queued","windowsJobId":1})"));
    EXPECT_TRUE(previewHost_.calls.empty());
}

TEST_F(JobCommandsTest, DismissAnswersAcceptedOnceAndPreviewErrorsKeepTheRequestId) {
    EXPECT_EQ(about(CommandId::JobsPreviewPrepare, "a").result, R"({"accepted":true})");
    EXPECT_EQ(encodeResponse(about(CommandId::JobsPreviewDismiss, "a")), okEnvelope(R"({"accepted":true})"));
    EXPECT_EQ(previewHost_.calls.back(), "close a");
    EXPECT_EQ(encodeResponse(about(CommandId::JobsPreviewDismiss, "a")),
              std::string(R"({"protocol":1,"requestId":")") + kRequestId +
                  R"(","ok":false,"error":{"code":"KSR-4005","message":"预览准备已结束或已取消"}})");

    auto complete = printRequest();
    complete.command = CommandId::JobsPreviewComplete;
    const auto late = dispatcher_.dispatch(complete, onePng());
    EXPECT_EQ(late.requestId, kRequestId);
    EXPECT_EQ(late.errorCode, "KSR-4005");
    EXPECT_EQ(late.errorMessage, L"预览准备已取消");
}

}  // namespace
}  // namespace ks::protocol
