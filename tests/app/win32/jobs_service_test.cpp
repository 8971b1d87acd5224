// Print jobs sent to the real kestrune.exe over its pipe, printed into the
// cups-pdf queue "PDF" and compared dot for dot. pdf_round_trip.sh runs the
// JobsPrintTest cases, rasterises their PDFs and runs JobsPdfTest (see
// pdf_capture.h).

#include <windows.h>

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/exit_dialog_layout.h"
#include "app/win32/held_print_service_host.h"
#include "app/win32/service_fixture.h"
#include "protocol/json_reader.h"
#include "support/win32/pdf_capture.h"
#include "support/win32/png_encoder.h"

namespace ks::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using protocol::ByteBuffer;
using protocol::JsonDocument;

// A paper as the queue lists it (A4 is 209.9 × 297.0 mm), in dots at the
// queue's current resolution.
struct Sheet {
    double widthMm = 0;
    double heightMm = 0;
    int widthDots = 0;
    int heightDots = 0;
};

// Millimetres in whole dots, halves away from zero.
int dots(double mm, std::uint32_t dpi) { return static_cast<int>(std::lround(mm * dpi / 25.4)); }

struct Margins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Which of `count` pixels scaled to `placed` dots the dot `dot` shows: the
// one under its centre, and the neighbour across an edge passing within
// 1/128 dot of that centre, since the rasteriser's fixed-point coordinates
// may put the centre on either side.
std::pair<int, int> sampled(int dot, int placed, int count) {
    const double centre = dot + 0.5;
    const int under = static_cast<int>(centre * count / placed);
    const int edge = static_cast<int>(std::lround(centre * count / placed));
    const bool onEdge =
        edge > 0 && edge < count && std::abs(edge * static_cast<double>(placed) / count - centre) < 1.0 / 128;
    return {under, !onEdge ? under : edge == under ? under - 1 : edge};
}

struct Fitted {
    Grey expected;
    Grey either;  // where a dot on a pixel edge may show the other pixel
};

// `sent` as it must come out on a paper of `width` × `height` dots: scaled
// uniformly to the largest size that fits between the margins (in dots) and
// centred there, on white.
Fitted fitted(const Grey& sent, int width, int height, const Margins& margins) {
    const int areaWidth = width - margins.left - margins.right;
    const int areaHeight = height - margins.top - margins.bottom;
    const double scale =
        std::min(static_cast<double>(areaWidth) / sent.width, static_cast<double>(areaHeight) / sent.height);
    const int placedWidth = static_cast<int>(std::lround(sent.width * scale));
    const int placedHeight = static_cast<int>(std::lround(sent.height * scale));
    const int left = margins.left + (areaWidth - placedWidth) / 2;
    const int top = margins.top + (areaHeight - placedHeight) / 2;
    Grey paper{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height, kWhite)};
    Fitted made{paper, paper};
    for (int y = 0; y < placedHeight; ++y) {
        const auto [row, otherRow] = sampled(y, placedHeight, sent.height);
        for (int x = 0; x < placedWidth; ++x) {
            const auto [column, otherColumn] = sampled(x, placedWidth, sent.width);
            const std::uint8_t dot = sent.at(column, row);
            std::uint8_t other = dot;
            for (const std::uint8_t neighbour :
                 {sent.at(otherColumn, row), sent.at(column, otherRow), sent.at(otherColumn, otherRow)}) {
                if (neighbour != dot) other = neighbour;
            }
            made.expected.set(left + x, top + y, dot);
            made.either.set(left + x, top + y, other);
        }
    }
    return made;
}

// The answer's result member as written: answers to separate requests
// differ only in their request ids.
std::string resultText(const std::string& answer) {
    const std::string marker = "\"ok\":true,\"result\":";
    const auto at = answer.find(marker);
    // Up to the envelope's closing brace.
    return at == std::string::npos ? answer : answer.substr(at + marker.size(), answer.size() - at - marker.size() - 1);
}

// The printer as a client renders for it.
struct PdfPrinter {
    std::string printerId;
    std::string capabilityHash;
    std::uint32_t dpiX = 0;
    std::uint32_t dpiY = 0;
    Sheet a4;
    Sheet letter;
};

struct Page {
    Grey image;
    std::string png;
};

class JobsPrintTest : public RunningServiceTest {
protected:
    explicit JobsPrintTest(const wchar_t* program = L"kestrune.exe") : RunningServiceTest(program) {}

    void SetUp() override {
        RunningServiceTest::SetUp();
        ASSERT_FALSE(folder_.empty()) << "no Out line in /etc/cups/cups-pdf.conf";
        client_ = connectToService(5s);
        ASSERT_TRUE(client_);
        printer_ = pdfPrinter();
        ASSERT_FALSE(printer_.printerId.empty()) << "no queue PDF with A4: run scripts/setup --display --printer";
    }

    // The answer's text, sent on this test's connection.
    std::string ask(const std::string& request, const std::vector<ByteBuffer>& blobs = {}) {
        EXPECT_TRUE(client_->send(request, blobs));
        return client_->receive().value_or(std::string());
    }

    // The job's state as jobs.status answers it.
    std::string stateOf(const std::string& clientJobId) {
        return parsed(resultText(ask(client::makeRequest("jobs.status",
                                                         R"(,"jobReference":{"clientJobId":")" + clientJobId + "\"}"))))
            .root()
            .getString("state");
    }

    static JsonDocument parsed(const std::string& answer) {
        auto document = JsonDocument::parse(answer);
        if (!document) throw std::runtime_error("not JSON: " + answer);
        return std::move(*document);
    }

    PdfPrinter pdfPrinter() {
        PdfPrinter printer;
        const auto list = parsed(ask(client::makeRequest("printers.list")));
        const auto printers = list.root().getObject("result").getArray("printers");
        for (std::size_t i = 0; i < printers.size(); ++i) {
            if (printers.objectAt(i).getString("displayName") == "PDF") {
                printer.printerId = printers.objectAt(i).getString("printerId");
            }
        }
        const auto caps = parsed(ask(
            client::makeRequest("printers.capabilities", R"(,"printer":{"printerId":")" + printer.printerId + "\"}")));
        const auto result = caps.root().getObject("result");
        printer.capabilityHash = result.getString("capabilityHash");
        printer.dpiX = protocol::uint32FromJsonNumber(result.getNumber("dpiX"));
        printer.dpiY = protocol::uint32FromJsonNumber(result.getNumber("dpiY"));
        const auto papers = result.getArray("papers");
        for (std::size_t i = 0; i < papers.size(); ++i) {
            const std::string id = papers.objectAt(i).getString("id");
            Sheet* sheet = id == "9" ? &printer.a4 : id == "1" ? &printer.letter : nullptr;  // DMPAPER_A4, _LETTER
            if (sheet == nullptr) continue;
            sheet->widthMm = papers.objectAt(i).getNumber("widthMicrometers") / 1000.0;
            sheet->heightMm = papers.objectAt(i).getNumber("heightMicrometers") / 1000.0;
            sheet->widthDots = dots(sheet->widthMm, printer.dpiX);
            sheet->heightDots = dots(sheet->heightMm, printer.dpiY);
        }
        if (printer.a4.widthMm == 0) printer.printerId.clear();
        return printer;
    }

    // A page of the test pattern at the paper's size, told apart by `mark`.
    Page page(int mark) const { return page(mark, printer_.a4); }
    static Page page(int mark, const Sheet& paper) {
        Page made{pattern(paper.widthDots, paper.heightDots, mark), {}};
        made.png = encodeAsTransparentPng(made.image);
        return made;
    }

    // A jobs.print request for `pages`, each described by its own size.
    std::string printRequest(const std::string& clientJobId, int copies, const std::vector<std::pair<int, int>>& sizes,
                             const std::string& capabilityHash, const Sheet& paper,
                             const char* command = "jobs.print") const {
        std::string pages;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            pages += fmt::format(R"({}{{"widthDots":{},"heightDots":{},"format":"png","blobIndex":{}}})",
                                 i == 0 ? "" : ",", sizes[i].first, sizes[i].second, i);
        }
        return client::makeRequest(
            command, fmt::format(R"(,"job":{{"clientJobId":"{}","name":"test","printerId":"{}","copies":{},)"
                                 R"("paper":{{"widthMm":{},"heightMm":{}}},)"
                                 R"("device":{{"dpiX":{},"dpiY":{},"capabilityHash":"{}"}},"pages":[{}]}})",
                                 clientJobId, printer_.printerId, copies, paper.widthMm, paper.heightMm, printer_.dpiX,
                                 printer_.dpiY, capabilityHash, pages));
    }

    std::string printRequest(const std::string& clientJobId, int copies, std::size_t pageCount) const {
        return printRequest(
            clientJobId, copies,
            std::vector<std::pair<int, int>>(pageCount, {printer_.a4.widthDots, printer_.a4.heightDots}),
            printer_.capabilityHash, printer_.a4);
    }

    static std::vector<ByteBuffer> blobsOf(const std::vector<const Page*>& pages) {
        std::vector<ByteBuffer> blobs;
        for (const Page* sent : pages) {
            blobs.push_back(
                ByteBuffer::copyOf({reinterpret_cast<const std::uint8_t*>(sent->png.data()), sent->png.size()}));
        }
        return blobs;
    }

    // Takes the PDF of the job just sent out of cups-pdf's folder as
    // <name>.pdf, beside the pages it must show.
    void keepPdf(const std::string& name, const std::set<fs::path>& before, const std::vector<const Page*>& shown) {
        const auto pdf = awaitPdf(folder_, before);
        ASSERT_TRUE(pdf) << "no PDF from cups-pdf in " << folder_;
        fs::rename(*pdf, name + ".pdf");
        for (std::size_t i = 0; i < shown.size(); ++i) {
            writePgm(fmt::format("{}-{}.expected.pgm", name, i + 1), shown[i]->image);
        }
        std::ofstream(name + ".dpi") << printer_.dpiX;
    }

    // keepPdf for a one-page job whose page was scaled.
    void keepFitted(const std::string& name, const std::set<fs::path>& before, const Fitted& page) {
        const Page expected{page.expected, {}};
        keepPdf(name, before, {&expected});
        writePgm(name + "-1.either.pgm", page.either);
    }

    // The preview window of a jobs.preview of `pages` on `paper`, once it
    // offers printing.
    HWND previewWithPrinting(const std::string& clientJobId, const std::vector<const Page*>& pages,
                             const Sheet& paper) {
        const std::string answer =
            ask(printRequest(clientJobId, 1,
                             std::vector<std::pair<int, int>>(pages.size(), {paper.widthDots, paper.heightDots}),
                             printer_.capabilityHash, paper, "jobs.preview"),
                blobsOf(pages));
        EXPECT_NE(answer.find(R"("state":"Previewing")"), std::string::npos) << answer;
        const HWND window = shownWindow(L"Kestrune.Preview", L"预览 Preview");
        if (window == nullptr) return nullptr;
        const HWND button = ::GetDlgItem(window, 112);
        return pollUntil(10s, [&] { return ::IsWindowEnabled(button) != FALSE; }) ? window : nullptr;
    }

    // Opens the modal settings dialog by a posted command, lets `fill` send
    // its controls messages from outside as the user's input would, and
    // presses OK. True when the dialog took the settings and closed.
    bool changeSettings(HWND window, const std::function<void(HWND dialog)>& fill) {
        ::PostMessageW(window, WM_COMMAND, 117, 0);
        // Visible only once its initialisation has filled in the controls.
        const HWND dialog = shownWindow(L"#32770", L"预览设置");
        if (dialog == nullptr) return false;
        fill(dialog);
        ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return pollUntil(10s, [&] { return !::IsWindow(dialog); });
    }

    fs::path folder_ = pdfFolder();
    std::optional<client::PipeClient> client_;
    PdfPrinter printer_;
};

const std::string kFirstJob = "6d1b4f0e-8c53-4a8e-9a0e-2b1f3c4d5e01";
const std::string kCollatedJob = "6d1b4f0e-8c53-4a8e-9a0e-2b1f3c4d5e02";
const std::string kStoppedJob = "6d1b4f0e-8c53-4a8e-9a0e-2b1f3c4d5e03";

TEST_F(JobsPrintTest, APageRepeatedCollatedCopiesAndRefusals) {
    const Page first = page(1);
    const Page second = page(2);

    auto before = pdfsIn(folder_);
    const std::string printed = resultText(ask(printRequest(kFirstJob, 1, 1), blobsOf({&first})));
    const JsonDocument answer = parsed(printed);
    const auto result = answer.root();
    EXPECT_EQ(result.getString("jobId"), "ks-job-1");
    EXPECT_EQ(result.getString("state"), "Queued");
    EXPECT_GT(result.getNumber("windowsJobId"), 0.0);
    keepPdf("single", before, {&first});

    // The same job again is answered from its record and not printed; the
    // status reports that record.
    before = pdfsIn(folder_);
    EXPECT_EQ(resultText(ask(printRequest(kFirstJob, 1, 1), blobsOf({&first}))), printed);
    EXPECT_EQ(
        resultText(ask(client::makeRequest("jobs.status", R"(,"jobReference":{"clientJobId":")" + kFirstJob + "\"}"))),
        printed);

    // Two copies of two pages: 1, 2, 1, 2. cups-pdf works through its queue
    // in order, so a PDF of the repeated job would have come first.
    const auto collated = parsed(resultText(ask(printRequest(kCollatedJob, 2, 2), blobsOf({&first, &second}))));
    EXPECT_EQ(collated.root().getString("jobId"), "ks-job-2");
    EXPECT_EQ(collated.root().getString("state"), "Queued");
    keepPdf("collated", before, {&first, &second, &first, &second});
    EXPECT_EQ(pdfsIn(folder_), before) << "the repeated job printed";

    // Refused before any page is decoded: the blobs are not even PNG.
    std::vector<ByteBuffer> junk;
    for (int i = 0; i < 3; ++i) junk.push_back(ByteBuffer::copyOf(std::vector<std::uint8_t>(16, 0x5A)));
    const std::string changed =
        printRequest("6d1b4f0e-8c53-4a8e-9a0e-2b1f3c4d5e04", 1, {{printer_.a4.widthDots, printer_.a4.heightDots}},
                     std::string(64, '0'), printer_.a4);
    junk.resize(1);
    EXPECT_NE(
        ask(changed, junk).find(R"("error":{"code":"KSR-2007","message":"打印机能力或纸张已变化，请重新生成页面"})"),
        std::string::npos);
    junk.clear();
    for (int i = 0; i < 3; ++i) junk.push_back(ByteBuffer::copyOf(std::vector<std::uint8_t>(16, 0x5A)));
    const std::string oversized =
        printRequest("6d1b4f0e-8c53-4a8e-9a0e-2b1f3c4d5e05", 1, {{8192, 4096}, {8192, 4096}, {1, 1}},
                     printer_.capabilityHash, printer_.a4);
    EXPECT_NE(ask(oversized, junk)
                  .find(R"("error":{"code":"KSR-3003","message":"页面解压总内存超过 256 MiB，请减少页数或尺寸"})"),
              std::string::npos);
}

// The user stops the service while a job is being spooled: the document is
// finished first, and the service still ends as after a confirmed exit.
TEST_F(JobsPrintTest, StoppingWhileAJobSpoolsFinishesItsDocument) {
    const Page pages[] = {page(3), page(4), page(5)};
    const auto before = pdfsIn(folder_);
    ASSERT_TRUE(client_->send(printRequest(kStoppedJob, 1, 3), blobsOf({&pages[0], &pages[1], &pages[2]})));
    closeHiddenWindow();
    EXPECT_EQ(service_.waitForExit(60s), 0u);
    keepPdf("stopped", before, {&pages[0], &pages[1], &pages[2]});
}

// The service with documents that print until the test releases them.
class JobsExitTest : public JobsPrintTest {
protected:
    JobsExitTest() : JobsPrintTest(L"held_print_service_host.exe") {}

    platform::UniqueHandle printStarted_{::CreateEventW(nullptr, TRUE, FALSE, kHeldPrintStartedEventName)};
    platform::UniqueHandle printRelease_{::CreateEventW(nullptr, TRUE, FALSE, kHeldPrintReleaseEventName)};
};

// The user confirms exit while a document spools: the icon and the windows
// are gone at once, and the service ends only once the document is finished.
TEST_F(JobsExitTest, ExitWhileADocumentSpoolsHidesEverythingFirstAndFinishesTheJob) {
    const HWND hidden = hiddenWindow();
    ASSERT_TRUE(::PostMessageW(hidden, WM_COMMAND, app::kCommandServiceStatus, 0));
    const HWND status = shownWindow(L"Kestrune.ServiceStatus", nullptr);
    ASSERT_NE(status, nullptr);
    const Page sent = page(12);
    ASSERT_TRUE(client_->send(printRequest(kStoppedJob, 1, 1), blobsOf({&sent})));
    ASSERT_EQ(::WaitForSingleObject(printStarted_.get(), 30'000), WAIT_OBJECT_0);

    ASSERT_TRUE(::PostMessageW(hidden, WM_COMMAND, app::kCommandStopAndExit, 0));
    const HWND dialog = shownWindow(L"#32770", L"Kestrune");
    ASSERT_NE(dialog, nullptr);
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(app::kExitButtonId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, app::kExitButtonId)));
    EXPECT_TRUE(pollUntil(10s, [&] { return !trayIconPresent(hidden) && !::IsWindowVisible(status); }));
    EXPECT_FALSE(service_.waitForExit(1s)) << "the service ended before its document was finished";

    ::SetEvent(printRelease_.get());
    EXPECT_EQ(service_.waitForExit(10s), 0u);
}

// A user at a shell: kestrune-cli checks the page against the paper and
// prints it.
TEST_F(JobsPrintTest, TheCommandLineClientPrintsAPageAndRefusesAWrongSize) {
    const Page sent = page(6);
    const fs::path file = fs::absolute("cli-page.png");
    std::ofstream(file, std::ios::binary) << sent.png;
    const std::wstring common =
        L"print --printer " + std::wstring(printer_.printerId.begin(), printer_.printerId.end()) + L" --paper A4 ";

    client_.reset();  // the client needs the pipe
    const auto before = pdfsIn(folder_);
    const ProgramRun printed = runBesideThisExecutable(L"kestrune-cli.exe", common + L"\"" + file.wstring() + L"\"");
    EXPECT_EQ(printed.exitCode, 0u) << printed.output;
    const auto notice = printed.output.find("如未收到结果，请运行 kestrune-cli status ");
    const auto queued = printed.output.find("任务 ks-job-1：已进入打印队列");
    EXPECT_NE(queued, std::string::npos) << printed.output;
    EXPECT_LT(notice, queued) << "the job's id is shown before the answer could be lost\n" << printed.output;
    keepPdf("cli", before, {&sent});

    const Grey small = pattern(printer_.a4.widthDots - 1, printer_.a4.heightDots, 0);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << encodeAsTransparentPng(small);
    const ProgramRun refused = runBesideThisExecutable(L"kestrune-cli.exe", common + L"\"" + file.wstring() + L"\"");
    EXPECT_EQ(refused.exitCode, 2u) << refused.output;
    EXPECT_NE(refused.output.find(fmt::format("需要 {} × {} 像素", printer_.a4.widthDots, printer_.a4.heightDots)),
              std::string::npos)
        << refused.output;
}

// A control's text in the service's window, as the control answers WM_GETTEXT.
std::wstring textOf(HWND window, int controlId) {
    wchar_t text[128] = {};
    DWORD_PTR length = 0;
    ::SendMessageTimeoutW(::GetDlgItem(window, controlId), WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text),
                          SMTO_ABORTIFHUNG, 5000, &length);
    return text;
}

LRESULT sendTo(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(::GetDlgItem(dialog, id), message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

void click(HWND button) {
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
}

const std::string kPreviewedJob = "6d1b4f0e-8c53-4a8e-9a0e-2b1f3c4d5e06";
constexpr int kPrintButton = 112;
constexpr int kStatusBox = 114;
constexpr wchar_t kQueuedStatus[] = L"已提交到 Windows 打印队列；可调整设置后继续打印";

// A user previews a two-page job and presses "打印" twice: each press is a
// job of its own, both print the pages as sent, and closing the window
// afterwards cancels neither.
TEST_F(JobsPrintTest, PrintingFromThePreviewTwiceAndClosing) {
    const Page pages[] = {page(7), page(8)};
    const HWND window = previewWithPrinting(kPreviewedJob, {&pages[0], &pages[1]}, printer_.a4);
    ASSERT_NE(window, nullptr) << "no preview window offering to print";
    const HWND button = ::GetDlgItem(window, kPrintButton);

    for (const auto& [name, clientJobId] :
         {std::pair{"preview-first", kPreviewedJob}, std::pair{"preview-second", kPreviewedJob + "-preview-2"}}) {
        SCOPED_TRACE(name);
        const auto before = pdfsIn(folder_);
        click(button);
        keepPdf(name, before, {&pages[0], &pages[1]});
        EXPECT_TRUE(pollUntil(10s, [&] { return textOf(window, kStatusBox) == kQueuedStatus; }));
        EXPECT_EQ(stateOf(clientJobId), "Queued");
        EXPECT_TRUE(pollUntil(10s, [&] { return ::IsWindowEnabled(button) != FALSE; }));
    }

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(pollUntil(10s, [&] { return !::IsWindow(window); }));
    EXPECT_EQ(stateOf(kPreviewedJob), "Queued");
    EXPECT_EQ(stateOf(kPreviewedJob + "-preview-2"), "Queued");
    EXPECT_EQ(ask(client::makeRequest("system.health")).find(R"("activePreview":true)"), std::string::npos);
}

const std::string kClientPrintedJob = "6d1b4f0e-8c53-4a8e-9a0e-2b1f3c4d5e0b";
const std::string kNextPreviewJob = "6d1b4f0e-8c53-4a8e-9a0e-2b1f3c4d5e0c";
constexpr int kCloseButton = 113;

// A client prints the job it shows in the preview: the preview closes
// (whether the user's 关闭 or the service's own close comes first), the
// printed job stays queued, and the next preview opens.
TEST_F(JobsPrintTest, AClientPrintingThePreviewedJobClosesThePreviewAndKeepsTheJob) {
    const Page shown = page(11);
    const HWND window = previewWithPrinting(kClientPrintedJob, {&shown}, printer_.a4);
    ASSERT_NE(window, nullptr) << "no preview window offering to print";
    const auto before = pdfsIn(folder_);
    const std::string answer = ask(printRequest(kClientPrintedJob, 1, 1), blobsOf({&shown}));
    EXPECT_NE(answer.find(R"("state":"Queued")"), std::string::npos) << answer;
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(kCloseButton, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(window, kCloseButton)));
    EXPECT_TRUE(pollUntil(10s, [&] { return !::IsWindow(window); }));
    keepPdf("client-printed", before, {&shown});
    EXPECT_EQ(stateOf(kClientPrintedJob), "Queued");

    const HWND next = previewWithPrinting(kNextPreviewJob, {&shown}, printer_.a4);
    ASSERT_NE(next, nullptr) << "the next preview was refused";
    ::PostMessageW(next, WM_CLOSE, 0, 0);
    EXPECT_TRUE(pollUntil(10s, [&] { return !::IsWindow(next); }));
    EXPECT_EQ(stateOf(kNextPreviewJob), "Cancelled");
}

const std::string kRangeJob = "6d1b4f0e-8c53-4a8e-9a0e-2b1f3c4d5e07";
const std::string kQualityJob = "6d1b4f0e-8c53-4a8e-9a0e-2b1f3c4d5e08";

// The user sets the page range to "2" in the settings dialog: only the
// second page is printed.
TEST_F(JobsPrintTest, PrintingAPageRangeChosenInThePreviewSettings) {
    const Page pages[] = {page(1), page(9)};
    const HWND window = previewWithPrinting(kRangeJob, {&pages[0], &pages[1]}, printer_.a4);
    ASSERT_NE(window, nullptr) << "no preview window offering to print";
    ASSERT_TRUE(changeSettings(window, [](HWND dialog) {
        sendTo(dialog, 1004, BM_SETCHECK, BST_UNCHECKED, 0);
        sendTo(dialog, 1006, BM_SETCHECK, BST_CHECKED, 0);
        sendTo(dialog, 1008, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"2"));
    })) << "the dialog refused the range";

    const auto before = pdfsIn(folder_);
    click(::GetDlgItem(window, kPrintButton));
    keepPdf("preview-range", before, {&pages[1]});
    EXPECT_TRUE(pollUntil(10s, [&] { return textOf(window, kStatusBox) == kQueuedStatus; }));
}

// 600 DPI chosen for pages rendered at the printer's 300: the page keeps
// its physical size, each of its dots printed as 2 × 2.
TEST_F(JobsPrintTest, PrintingAtTwiceTheRenderedResolution) {
    ASSERT_EQ(printer_.dpiX, 300u) << "the case assumes the queue's 300 DPI";
    const Page sent = page(2);
    const HWND window = previewWithPrinting(kQualityJob, {&sent}, printer_.a4);
    ASSERT_NE(window, nullptr) << "no preview window offering to print";
    ASSERT_TRUE(changeSettings(window, [](HWND dialog) {
        const LRESULT item =
            sendTo(dialog, 1002, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"600 DPI"));
        ASSERT_GE(item, 0) << "600 DPI not offered";
        sendTo(dialog, 1002, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }));

    const auto before = pdfsIn(folder_);
    click(::GetDlgItem(window, kPrintButton));
    const auto pdf = awaitPdf(folder_, before);
    ASSERT_TRUE(pdf) << "no PDF from cups-pdf in " << folder_;
    fs::rename(*pdf, "preview-600.pdf");
    Grey doubled{sent.image.width * 2, sent.image.height * 2, {}};
    doubled.dots.resize(static_cast<std::size_t>(doubled.width) * doubled.height);
    for (int y = 0; y < doubled.height; ++y) {
        for (int x = 0; x < doubled.width; ++x) doubled.set(x, y, sent.image.at(x / 2, y / 2));
    }
    writePgm("preview-600-1.expected.pgm", doubled);
    std::ofstream("preview-600.dpi") << 600;
}

const std::string kMarginsJob = "6d1b4f0e-8c53-4a8e-9a0e-2b1f3c4d5e09";
const std::string kLandscapeJob = "6d1b4f0e-8c53-4a8e-9a0e-2b1f3c4d5e0a";

// Margins of 20, 10, 0 and 30 mm (left, top, right, bottom): the page is
// reduced uniformly into the area between them and centred there.
TEST_F(JobsPrintTest, PrintingBetweenMarginsChosenInThePreviewSettings) {
    const Page sent = page(3);
    const HWND window = previewWithPrinting(kMarginsJob, {&sent}, printer_.a4);
    ASSERT_NE(window, nullptr) << "no preview window offering to print";
    ASSERT_TRUE(changeSettings(window, [](HWND dialog) {
        for (const auto& [id, mm] :
             {std::pair{1009, L"20"}, std::pair{1010, L"10"}, std::pair{1011, L"0"}, std::pair{1012, L"30"}}) {
            sendTo(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(mm));
        }
    })) << "the dialog refused the margins";

    const auto before = pdfsIn(folder_);
    click(::GetDlgItem(window, kPrintButton));
    const Margins margins{dots(20, printer_.dpiX), dots(10, printer_.dpiY), 0, dots(30, printer_.dpiY)};
    keepFitted("preview-margins", before, fitted(sent.image, printer_.a4.widthDots, printer_.a4.heightDots, margins));
}

// A Letter job turned to "横向": the portrait page is printed on landscape
// Letter, reduced uniformly to the paper's height (not squeezed) and centred.
TEST_F(JobsPrintTest, PrintingALetterJobTurnedToLandscape) {
    ASSERT_NEAR(printer_.letter.widthMm, 215.9, 0.1) << "the queue does not offer Letter";
    ASSERT_NEAR(printer_.letter.heightMm, 279.4, 0.1);
    const Page sent = page(4, printer_.letter);
    const HWND window = previewWithPrinting(kLandscapeJob, {&sent}, printer_.letter);
    ASSERT_NE(window, nullptr) << "no preview window offering to print";
    ASSERT_TRUE(changeSettings(window, [](HWND dialog) { sendTo(dialog, 1003, CB_SETCURSEL, 1, 0); }));

    const auto before = pdfsIn(folder_);
    click(::GetDlgItem(window, kPrintButton));
    // Compared wider than high: cups-pdf keeps Letter's portrait media box
    // and turns the page by /Rotate 90, which Ghostscript honours.
    keepFitted("preview-landscape", before,
               fitted(sent.image, dots(printer_.letter.heightMm, printer_.dpiX),
                      dots(printer_.letter.widthMm, printer_.dpiY), {}));
}

// The printed pages, rasterised by the script, against those sent.
TEST(JobsPdfTest, EveryPageMatchesDotForDotInOrder) {
    for (const auto& [name, pageCount] :
         {std::pair{"single", 1}, std::pair{"collated", 4}, std::pair{"stopped", 3}, std::pair{"cli", 1},
          std::pair{"preview-first", 2}, std::pair{"preview-second", 2}, std::pair{"preview-range", 1},
          std::pair{"preview-600", 1}, std::pair{"preview-margins", 1}, std::pair{"preview-landscape", 1}}) {
        for (int page = 1; page <= pageCount; ++page) {
            SCOPED_TRACE(fmt::format("{} page {}", name, page));
            const auto sent = readPgm(fmt::format("{}-{}.expected.pgm", name, page));
            const auto printed = readPgm(fmt::format("{}-{}.pgm", name, page));
            ASSERT_TRUE(sent && printed) << "run through pdf_round_trip.sh";
            EXPECT_NEAR(printed->width, sent->width, 1);
            EXPECT_NEAR(printed->height, sent->height, 1);
            // Wine's PostScript puts the origin at the paper's bottom-left
            // corner: where the PDF's page is a row taller (A4 at 600 DPI is
            // 7015.7 dots), the page sits one row lower.
            const int originY = std::max(0, printed->height - sent->height);
            const auto either = readPgm(fmt::format("{}-{}.either.pgm", name, page));
            std::string first;
            EXPECT_EQ(differingDots(*sent, *printed, 0, originY, first, either ? &*either : nullptr), 0) << first;
        }
        EXPECT_FALSE(fs::exists(fmt::format("{}-{}.pgm", name, pageCount + 1))) << name << " has more pages";
    }
}

}  // namespace
}  // namespace ks::testing
