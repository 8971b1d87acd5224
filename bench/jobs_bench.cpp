// jobs.print of a 4 × 6 in label over a real named pipe into an in-process
// service built from the real components, printing into the cups-pdf queue
// "PDF" under Wine. Prints, measured in one run:
// - where the time of one label goes, from the first byte sent to the
//   response received (medians over kSplitLabels labels), taken from clocks
//   around the service's injected seams: pipe I/O, capability source, PNG
//   decoder and print executor;
// - labels per second through the pipe against the same label drawn through
//   the GDI adapter alone;
// - private bytes and handles before and after those labels, whose records
//   the job manager keeps.
// Deletes the PDFs its documents produced. Prints figures only.

#include <windows.h>
// <psapi.h> needs the types of <windows.h>.
#include <psapi.h>

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "client/pipe_client.h"
#include "jobs/job_manager.h"
#include "jobs/job_preparation.h"
#include "jobs/spooler_control.h"
#include "platform/sha256.h"
#include "platform/win32/spooler_job_api.h"
#include "platform/win32/winspool_api.h"
#include "printers/printer_catalog.h"
#include "printing/mm_to_dots.h"
#include "printing/raster_print_engine.h"
#include "printing/win32/gdi_print_api.h"
#include "protocol/command_dispatcher.h"
#include "protocol/frame.h"
#include "protocol/json_reader.h"
#include "protocol/request_parser.h"
#include "protocol/win32/ansi_decoder.h"
#include "protocol/win32/named_pipe_server.h"
#include "raster/win32/png_decoder.h"
#include "support/win32/pdf_capture.h"
#include "support/win32/png_encoder.h"
#include "timed_seams.h"

namespace {

namespace fs = std::filesystem;
using ks::bench::Clock;
using ks::bench::Marks;
using ks::bench::RecordingGdi;
using ks::bench::TimedCapabilities;
using ks::bench::TimedExecutor;
using namespace std::chrono_literals;
using ks::protocol::ByteBuffer;

constexpr wchar_t kPipe[] = L"\\\\.\\pipe\\LOCAL\\Kestrune.bench.jobs";
constexpr double kLabelWidthMm = 101.6;  // 4 × 6 in
constexpr double kLabelHeightMm = 152.4;
constexpr int kSplitLabels = 20;
constexpr int kDirectWarmUps = 5;
constexpr int kMaxLabels = 1000;
constexpr int kBlockLabels = 50;
// The throughput phase ends after fewer labels (the same number both ways)
// when it has taken this long.
constexpr auto kThroughputBudget = 420s;
// Documents spooled whose PDF has not appeared yet. cups-pdf converts fewer
// documents per second than are spooled here, and CUPS refuses new jobs
// (StartDoc fails) once 500 are held, so each block waits below this.
constexpr int kMaxBacklog = 100;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "jobs_bench: %s\n", what.c_str());
    std::fflush(stderr);
    std::_Exit(1);
}

double ms(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

Clock::duration median(std::vector<Clock::duration> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The service as the host builds it, with clocks at its seams, serving a
// pipe of its own.
struct BenchService {
    BenchService() {
        if (!server.start()) fail("cannot start the pipe server");
    }
    Marks marks;
    ks::platform::WinspoolApi winspool{ks::platform::systemWinspoolFunctions()};
    ks::printers::PrinterCatalog catalog{winspool};
    TimedCapabilities capabilities{catalog};
    ks::printing::GdiPrintApi gdi{capabilities, ks::printing::systemGdiPrintFunctions()};
    RecordingGdi recordingGdi{gdi};
    ks::printing::RasterPrintEngine engine{capabilities, recordingGdi};
    TimedExecutor executor{engine, marks};
    ks::platform::SpoolerJobApi spoolerJobs{ks::platform::systemSpoolerJobFunctions()};
    ks::jobs::SpoolerControl spoolerControl{catalog, spoolerJobs};
    ks::jobs::JobManager jobManager{executor, spoolerControl, ks::protocol::decodeAnsiCodePage};
    ks::jobs::JobPreparation preparation{
        capabilities, [this](std::shared_ptr<const ByteBuffer> png, std::uint32_t width, std::uint32_t height) {
            marks.decodeStart.stamp();
            auto page = ks::raster::decodePng(std::move(png), width, height);
            marks.decodeEnd.stamp();
            return page;
        }};
    ks::protocol::CommandDispatcher dispatcher{catalog, winspool, preparation, jobManager, nullptr};
    ks::protocol::NamedPipeServer server{dispatcher, ks::bench::timedPipeIo(marks), {}, kPipe};
};

// The printer as a client renders for it.
struct LabelPrinter {
    std::string printerId;
    std::string capabilityHash;
    std::uint32_t dpiX = 0;
    std::uint32_t dpiY = 0;
    double widthMm = kLabelWidthMm;
    double heightMm = kLabelHeightMm;
    bool listedPaper = false;
    std::uint32_t widthDots() const { return static_cast<std::uint32_t>(ks::printing::mmToDots(widthMm, dpiX)); }
    std::uint32_t heightDots() const { return static_cast<std::uint32_t>(ks::printing::mmToDots(heightMm, dpiY)); }
};

// One label request's clock readings, first byte sent to response received.
struct LabelTimes {
    Clock::duration total{};
    Clock::duration framing{};
    Clock::duration validation{};  // frame read to decoding, less the capability read
    Clock::duration capabilityCheck{};
    Clock::duration decodeWithDigest{};
    Clock::duration jobManager{};  // submit less the executor, with manifest and response encoding
    Clock::duration spooling{};
    Clock::duration spoolingCapabilityChecks{};
    Clock::duration reply{};
};

// The client's side: labels sent one after another on one connection.
class LabelClient {
public:
    LabelClient(BenchService& service, ks::client::PipeClient client)
        : service_(service), client_(std::move(client)) {
        refreshPrinter();
    }

    const LabelPrinter& printer() const { return printer_; }
    int refreshes() const { return refreshes_; }
    std::string labelJson(const std::string& clientJobId) const {
        return ks::client::makeRequest(
            "jobs.print",
            fmt::format(R"(,"job":{{"clientJobId":"{}","name":"label","printerId":"{}","copies":1,)"
                        R"("paper":{{"widthMm":{},"heightMm":{}}},"device":{{"dpiX":{},"dpiY":{},)"
                        R"("capabilityHash":"{}"}},"pages":[{{"widthDots":{},"heightDots":{},"format":"png",)"
                        R"("blobIndex":0}}]}})",
                        clientJobId, printer_.printerId, printer_.widthMm, printer_.heightMm, printer_.dpiX,
                        printer_.dpiY, printer_.capabilityHash, printer_.widthDots(), printer_.heightDots()));
    }

    void setLabel(ByteBuffer png) {
        blobs_.clear();
        blobs_.push_back(std::move(png));
    }

    // Prints the label under a new client job id. A refusal because the
    // printer's settings changed (the driver keeps the paper of the last
    // document as its default) is answered by reading the capabilities again
    // and sending the label once more.
    LabelTimes print() {
        for (int attempt = 0; attempt < 3; ++attempt) {
            const auto frame = ks::protocol::encodeFrame(labelJson(ks::client::newRequestId()), blobs_).value();
            service_.marks.clear();
            service_.capabilities.clear();
            const auto start = Clock::now();
            if (!client_.sendBytes(frame)) fail("cannot send a label");
            const auto answer = client_.receive();
            const auto end = Clock::now();
            if (!answer) fail("no answer to a label");
            const auto document = ks::protocol::JsonDocument::parse(*answer);
            if (!document) fail("answer is not JSON: " + *answer);
            const auto root = document->root();
            if (root.getBoolean("ok")) {
                if (root.getObject("result").getString("state") != "Queued") fail("label not queued: " + *answer);
                return timesOf(start, end);
            }
            if (root.getObject("error").getString("code") != "KSR-2007") fail("label refused: " + *answer);
            refreshPrinter();
            ++refreshes_;
        }
        fail("the printer's capabilities keep changing");
    }

    void refreshPrinter() {
        const auto list = ask(ks::client::makeRequest("printers.list"));
        const auto printers = list.root().getObject("result").getArray("printers");
        for (std::size_t i = 0; i < printers.size(); ++i) {
            if (printers.objectAt(i).getString("displayName") == "PDF") {
                printer_.printerId = printers.objectAt(i).getString("printerId");
            }
        }
        if (printer_.printerId.empty()) fail("no printer named PDF: run scripts/setup --printer");
        const auto caps = ask(ks::client::makeRequest(
            "printers.capabilities", R"(,"printer":{"printerId":")" + printer_.printerId + "\"}"));
        const auto result = caps.root().getObject("result");
        printer_.capabilityHash = result.getString("capabilityHash");
        printer_.dpiX = ks::protocol::uint32FromJsonNumber(result.getNumber("dpiX"));
        printer_.dpiY = ks::protocol::uint32FromJsonNumber(result.getNumber("dpiY"));
        // A 4 × 6 paper of the queue, when it lists one, gives the exact size.
        const auto papers = result.getArray("papers");
        for (std::size_t i = 0; i < papers.size(); ++i) {
            const double width = papers.objectAt(i).getNumber("widthMicrometers") / 1000.0;
            const double height = papers.objectAt(i).getNumber("heightMicrometers") / 1000.0;
            if (std::abs(width - kLabelWidthMm) < 1.0 && std::abs(height - kLabelHeightMm) < 1.0) {
                printer_.widthMm = width;
                printer_.heightMm = height;
                printer_.listedPaper = true;
            }
        }
    }

private:
    ks::protocol::JsonDocument ask(const std::string& request) {
        if (!client_.send(request)) fail("cannot send a request");
        const auto answer = client_.receive();
        if (!answer) fail("no answer");
        auto document = ks::protocol::JsonDocument::parse(*answer);
        if (!document || !document->root().getBoolean("ok")) fail("refused: " + *answer);
        return std::move(*document);
    }

    LabelTimes timesOf(Clock::time_point start, Clock::time_point end) const {
        const Marks& marks = service_.marks;
        LabelTimes times;
        times.total = end - start;
        times.framing = marks.lastReadDone.at() - start;
        times.capabilityCheck = service_.capabilities.first();
        times.validation = marks.decodeStart.at() - marks.lastReadDone.at() - times.capabilityCheck;
        times.decodeWithDigest = marks.decodeEnd.at() - marks.decodeStart.at();
        times.spooling = marks.printEnd.at() - marks.printStart.at();
        times.spoolingCapabilityChecks = service_.capabilities.total() - times.capabilityCheck;
        times.jobManager =
            (marks.printStart.at() - marks.decodeEnd.at()) + (marks.replyStart.at() - marks.printEnd.at());
        times.reply = end - marks.replyStart.at();
        return times;
    }

    BenchService& service_;
    ks::client::PipeClient client_;
    std::vector<ByteBuffer> blobs_;
    LabelPrinter printer_;
    int refreshes_ = 0;
};

// The same document without the service: the GDI adapter's calls alone.
class DirectPrinter {
public:
    DirectPrinter(ks::printing::IGdiPrintApi& gdi, const RecordingGdi& recorded, const ByteBuffer& png) : gdi_(gdi) {
        std::tie(ticket_, placement_) = recorded.last();
        auto page = ks::raster::decodePng(std::make_shared<const ByteBuffer>(ByteBuffer::copyOf(png.span())),
                                          placement_.pixelWidth, placement_.pixelHeight);
        if (!page) fail("cannot decode the label");
        pixels_ = page.value().pixels;
        placement_.pixels = pixels_->data();
        placement_.byteCount = pixels_->size();
    }

    Clock::duration print() {
        const auto start = Clock::now();
        const auto check = [](bool done) {
            if (!done) fail("a GDI adapter call failed");
        };
        check(gdi_.beginDocument(ticket_).hasValue());
        check(gdi_.startPage().hasValue());
        check(gdi_.drawPage(placement_).hasValue());
        check(gdi_.endPage().hasValue());
        check(gdi_.endDocument().hasValue());
        return Clock::now() - start;
    }

private:
    ks::printing::IGdiPrintApi& gdi_;
    ks::printing::PrintTicket ticket_;
    ks::printing::PagePlacement placement_;
    std::shared_ptr<const ByteBuffer> pixels_;
};

struct ProcessUsage {
    std::int64_t privateBytes = 0;
    std::int64_t handles = 0;
};

// Wine 8 leaves PrivateUsage at 0 and reports no handles at all. Windows
// documents PagefileUsage as the same commit charge, and the handles can be
// counted by asking after each handle value in turn: Wine hands out the
// lowest free value, so a long run of unused values ends the table.
std::int64_t openHandles() {
    DWORD count = 0;
    if (!::GetProcessHandleCount(::GetCurrentProcess(), &count)) fail("cannot read the process's handle count");
    if (count != 0) return count;
    std::int64_t probed = 0;
    for (std::uintptr_t value = 4, unused = 0; unused < 1024; value += 4) {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++probed;
            unused = 0;
        } else {
            ++unused;
        }
    }
    return probed;
}

ProcessUsage processUsage() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                sizeof(counters))) {
        fail("cannot read the process's memory counters");
    }
    const SIZE_T privateBytes = counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
    return {static_cast<std::int64_t>(privateBytes), openHandles()};
}

// Deletes the PDFs of "Kestrune" documents that cups-pdf wrote since this
// object was made, once each is complete.
class PdfSweeper {
public:
    PdfSweeper() : folder_(ks::testing::pdfFolder()), before_(ks::testing::pdfsIn(folder_)) {}

    bool usable() const { return !folder_.empty(); }
    int removed() const { return removed_; }

    void sweep() {
        if (!usable()) return;
        for (const auto& pdf : ks::testing::pdfsIn(folder_)) {
            if (before_.count(pdf) != 0 || pdf.filename().wstring().find(L"Kestrune") == std::wstring::npos ||
                !complete(pdf)) {
                continue;
            }
            std::error_code error;
            if (fs::remove(pdf, error)) ++removed_;
        }
    }

    // Sweeps until no more than `backlog` of `documents` lack their PDF.
    // False when nothing new arrived for `quiet` before that.
    bool awaitBacklog(int documents, int backlog, Clock::duration quiet) {
        auto lastProgress = Clock::now();
        sweep();
        while (usable() && documents - removed_ > backlog) {
            if (Clock::now() - lastProgress > quiet) return false;
            std::this_thread::sleep_for(200ms);
            const int before = removed_;
            sweep();
            if (removed_ != before) lastProgress = Clock::now();
        }
        return true;
    }

private:
    static bool complete(const fs::path& pdf) {
        std::ifstream in(pdf, std::ios::binary | std::ios::ate);
        const auto size = static_cast<std::streamoff>(in.tellg());
        if (!in || size < 16) return false;
        in.seekg(size - 16);
        std::string tail(16, '\0');
        in.read(tail.data(), 16);
        return in && tail.find("%%EOF") != std::string::npos;
    }

    fs::path folder_;
    std::set<fs::path> before_;
    int removed_ = 0;
};

ks::client::PipeClient connectOrDie() {
    DWORD error = 0;
    auto client = ks::client::PipeClient::connect(kPipe, 5s, error);
    if (!client) fail(fmt::format("cannot connect (Win32={})", error));
    return std::move(*client);
}

ByteBuffer labelPng(const LabelPrinter& printer) {
    const auto image = ks::testing::pattern(static_cast<int>(printer.widthDots()),
                                            static_cast<int>(printer.heightDots()), 4);
    const std::string png = ks::testing::encodeAsTransparentPng(image);
    return ByteBuffer::copyOf({reinterpret_cast<const std::uint8_t*>(png.data()), png.size()});
}

void printSplit(LabelClient& client, const ByteBuffer& png) {
    std::vector<LabelTimes> labels;
    for (int i = 0; i < kSplitLabels; ++i) labels.push_back(client.print());
    const auto medianOf = [&](Clock::duration LabelTimes::*part) {
        std::vector<Clock::duration> values;
        for (const auto& label : labels) values.push_back(label.*part);
        return median(values);
    };
    // Steps that no seam separates, timed here on the same bytes.
    std::vector<Clock::duration> parses, digests;
    const std::string json = client.labelJson(ks::client::newRequestId());
    for (int i = 0; i < kSplitLabels; ++i) {
        auto start = Clock::now();
        if (!ks::protocol::parseRequest(json, 1, ks::client::utcNowMs())) fail("the label request does not parse");
        parses.push_back(Clock::now() - start);
        start = Clock::now();
        if (ks::platform::sha256Hex(png.span()).size() != 64) fail("no digest");
        digests.push_back(Clock::now() - start);
    }
    const auto total = medianOf(&LabelTimes::total);
    const auto digest = median(digests);
    const auto line = [&](const char* name, Clock::duration value) {
        std::printf("  %-44s %9.3f ms %6.1f %%\n", name, ms(value), 100.0 * ms(value) / ms(total));
    };
    std::printf("jobs.print of one label, first byte sent to response received, median of %d:\n", kSplitLabels);
    line("total", total);
    line("framing (frame read over the pipe)", medianOf(&LabelTimes::framing));
    line("validation and dispatch", medianOf(&LabelTimes::validation));
    line("  of which parseRequest (in-process)", median(parses));
    line("capability check before decoding", medianOf(&LabelTimes::capabilityCheck));
    line("decode (decodePng less its digest)", medianOf(&LabelTimes::decodeWithDigest) - digest);
    line("digest (SHA-256 of the PNG, in-process)", digest);
    line("job manager (submit less executor, manifest)", medianOf(&LabelTimes::jobManager));
    line("spooling (executor print)", medianOf(&LabelTimes::spooling));
    line("  of which capability re-checks (2 reads)", medianOf(&LabelTimes::spoolingCapabilityChecks));
    line("response (first write to received)", medianOf(&LabelTimes::reply));
}

}  // namespace

int main() {
    PdfSweeper pdfs;
    if (!pdfs.usable()) std::printf("no Out line in /etc/cups/cups-pdf.conf: PDFs are not removed\n");
    BenchService service;
    LabelClient client(service, connectOrDie());
    const auto firstHash = client.printer().capabilityHash;
    const ByteBuffer png = labelPng(client.printer());
    client.setLabel(ByteBuffer::copyOf(png.span()));
    int documents = 0;

    // The first label loads the driver and leaves its paper as the queue's
    // default, which changes the capability digest.
    client.print();
    client.refreshPrinter();
    client.print();
    documents += 2;
    const auto& printer = client.printer();
    std::printf("label %.1f x %.1f mm (%s) at %u x %u dpi: %u x %u dots, PNG of %zu bytes\n", printer.widthMm,
                printer.heightMm, printer.listedPaper ? "a paper of the queue" : "not among the queue's papers",
                printer.dpiX, printer.dpiY, printer.widthDots(), printer.heightDots(), png.size());
    std::printf("capability digest changed after the first label: %s\n",
                printer.capabilityHash != firstHash ? "yes" : "no");

    printSplit(client, png);
    documents += kSplitLabels;

    DirectPrinter direct(service.gdi, service.recordingGdi, png);
    std::vector<Clock::duration> directTimes;
    for (int i = 0; i < kDirectWarmUps; ++i) directTimes.push_back(direct.print());
    documents += kDirectWarmUps;
    std::printf("GDI adapter calls alone, median of %d after the service's labels: %.1f ms\n", kDirectWarmUps,
                ms(median(directTimes)));

    // Blocks through the pipe and straight to the adapter alternate, so both
    // see the same spells of a busy machine; memory is counted across the
    // pipe's blocks only. Waiting for cups-pdf is not counted.
    Clock::duration throughPipe{}, throughAdapter{};
    ProcessUsage pipeGrowth, adapterGrowth;
    const ProcessUsage atStart = processUsage();
    const auto runBlock = [](const auto& printOne, Clock::duration& elapsed, ProcessUsage& growth) {
        const ProcessUsage before = processUsage();
        const auto start = Clock::now();
        for (int i = 0; i < kBlockLabels; ++i) printOne();
        elapsed += Clock::now() - start;
        const ProcessUsage after = processUsage();
        growth.privateBytes += after.privateBytes - before.privateBytes;
        growth.handles += after.handles - before.handles;
    };
    const auto phaseStart = Clock::now();
    int labels = 0;
    for (int block = 0; labels < kMaxLabels && Clock::now() - phaseStart < kThroughputBudget; ++block) {
        if (!pdfs.awaitBacklog(documents, kMaxBacklog, 60s)) fail("cups-pdf stopped writing PDFs");
        const auto pipeBlock = [&] { runBlock([&] { client.print(); }, throughPipe, pipeGrowth); };
        const auto adapterBlock = [&] { runBlock([&] { direct.print(); }, throughAdapter, adapterGrowth); };
        if (block % 2 == 0) {
            pipeBlock();
            adapterBlock();
        } else {
            adapterBlock();
            pipeBlock();
        }
        documents += 2 * kBlockLabels;
        labels += kBlockLabels;
    }
    const ProcessUsage atEnd = processUsage();

    const double pipeRate = labels / std::chrono::duration<double>(throughPipe).count();
    const double adapterRate = labels / std::chrono::duration<double>(throughAdapter).count();
    std::printf("%d labels each way (distinct clientJobIds), in alternating blocks of %d%s:\n", labels,
                kBlockLabels, labels < kMaxLabels ? ", fewer than 1000 to keep the run short" : "");
    std::printf("  through the pipe and the service:   %7.2f labels/s (%.1f ms each)\n", pipeRate,
                1000.0 / pipeRate);
    std::printf("  GDI adapter calls alone:            %7.2f labels/s (%.1f ms each)\n", adapterRate,
                1000.0 / adapterRate);
    std::printf("  ratio service / adapter alone:      %7.1f %% (goal >= 90 %%)\n", 100.0 * pipeRate / adapterRate);
    std::printf("  capability digest re-read after KSR-2007: %d times\n", client.refreshes());
    std::printf("process usage (private bytes, handles):\n");
    std::printf("  before / after all blocks:          %.1f MiB, %lld / %.1f MiB, %lld\n",
                atStart.privateBytes / 1048576.0, static_cast<long long>(atStart.handles),
                atEnd.privateBytes / 1048576.0, static_cast<long long>(atEnd.handles));
    std::printf("  growth over the pipe's blocks:      %+.1f KiB, %+lld handles; %.0f bytes per record\n",
                pipeGrowth.privateBytes / 1024.0, static_cast<long long>(pipeGrowth.handles),
                static_cast<double>(pipeGrowth.privateBytes) / labels);
    std::printf("  growth over the adapter's blocks:   %+.1f KiB, %+lld handles\n",
                adapterGrowth.privateBytes / 1024.0, static_cast<long long>(adapterGrowth.handles));
    std::fflush(stdout);

    const bool drained = pdfs.awaitBacklog(documents, 0, 30s);
    std::printf("PDFs removed: %d of %d documents spooled%s\n", pdfs.removed(), documents,
                drained ? "" : " (cups-pdf wrote no more within 30 s)");
    return 0;
}
