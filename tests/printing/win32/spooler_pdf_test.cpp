// Printing through the real spooler under Wine into the cups-pdf queue
// "PDF" (scripts/setup --printer): the real catalogue, GDI adapter and
// engine. spooler_pdf_test.sh runs this program twice in a scratch folder:
// SpoolerPrintTest prints and leaves each PDF beside the raster it sent
// (<case>.pdf, <case>.expected.pgm, <case>.dpi); the script rasterises the
// PDFs (<case>.pgm), and SpoolerPdfTest compares dot for dot.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/winspool_api.h"
#include "printers/printer_catalog.h"
#include "printing/mm_to_dots.h"
#include "printing/raster_print_engine.h"
#include "printing/win32/gdi_print_api.h"

namespace ks::printing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr wchar_t kQueue[] = L"PDF";
constexpr std::uint8_t kBlack = 0;
constexpr std::uint8_t kWhite = 255;
constexpr std::uint8_t kHalf = 127;  // half-transparent black, flattened onto white

// A grey image, one byte per dot.
struct Grey {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> dots;
    std::uint8_t at(int x, int y) const { return dots[static_cast<std::size_t>(y) * width + x]; }
    void set(int x, int y, std::uint8_t value) { dots[static_cast<std::size_t>(y) * width + x] = value; }
};

// The test pattern: a one-dot frame, a one-dot checkerboard, bars 1 to 10
// dots wide, a corner block, and areas that were transparent (white on
// paper) and half transparent (grey 127).
Grey pattern(int width, int height) {
    Grey image{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height, kWhite)};
    for (int x = 0; x < width; ++x) image.set(x, 0, kBlack), image.set(x, height - 1, kBlack);
    for (int y = 0; y < height; ++y) image.set(0, y, kBlack), image.set(width - 1, y, kBlack);
    for (int y = 100; y < 300; ++y) {
        for (int x = 100; x < 300; ++x) image.set(x, y, (x + y) % 2 == 0 ? kBlack : kWhite);
    }
    int x = 400;
    for (int bar = 1; bar <= 10; ++bar) {  // each followed by a gap as wide
        for (int y = 100; y < 300; ++y) {
            for (int i = 0; i < bar; ++i) image.set(x + i, y, kBlack);
        }
        x += 2 * bar;
    }
    for (int y = 400; y < 600; ++y) {
        for (int i = 0; i < 200; ++i) image.set(400 + i, y, kHalf);  // 100..300 stays white: transparent
    }
    for (int y = height - 60; y < height - 10; ++y) {
        for (int i = width - 60; i < width - 10; ++i) image.set(i, y, kBlack);
    }
    return image;
}

raster::RasterPageList pageOf(const Grey& image) {
    auto pixels = std::make_shared<protocol::ByteBuffer>(image.dots.size() * 4);
    for (std::size_t i = 0; i < image.dots.size(); ++i) {
        std::uint8_t* bgra = pixels->data() + i * 4;
        bgra[0] = bgra[1] = bgra[2] = image.dots[i];
        bgra[3] = 255;
    }
    raster::RasterPage page;
    page.width = static_cast<std::uint32_t>(image.width);
    page.height = static_cast<std::uint32_t>(image.height);
    page.pixels = std::move(pixels);
    return std::make_shared<const std::vector<raster::RasterPage>>(std::vector<raster::RasterPage>{std::move(page)});
}

void writePgm(const fs::path& path, const Grey& image) {
    std::ofstream out(path, std::ios::binary);
    out << "P5\n" << image.width << ' ' << image.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(image.dots.data()), static_cast<std::streamsize>(image.dots.size()));
}

// Skips white space and "#" comment lines between the header's fields.
std::istream& field(std::istream& in) {
    while ((in >> std::ws).peek() == '#') in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    return in;
}

std::optional<Grey> readPgm(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    Grey image;
    int depth = 0;
    if (!(in >> magic >> field >> image.width >> field >> image.height >> field >> depth) || magic != "P5" ||
        depth != 255) {
        return std::nullopt;
    }
    in.get();  // the single white-space byte before the dots
    image.dots.resize(static_cast<std::size_t>(image.width) * image.height);
    in.read(reinterpret_cast<char*>(image.dots.data()), static_cast<std::streamsize>(image.dots.size()));
    if (!in) return std::nullopt;
    return image;
}

// Where cups-pdf writes: the Out line of its configuration, which
// scripts/setup points at the worktree's build/pdf.
fs::path pdfFolder() {
    std::ifstream conf(fs::path(L"Z:\\etc\\cups\\cups-pdf.conf"));
    std::string line;
    while (std::getline(conf, line)) {
        if (line.rfind("Out ", 0) != 0) continue;
        const auto end = line.find_last_not_of(" \t\r");
        return fs::path(L"Z:\\") / fs::path(line.substr(4, end - 3)).relative_path();
    }
    return {};
}

std::set<fs::path> pdfsIn(const fs::path& folder) {
    std::set<fs::path> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".pdf") found.insert(entry.path());
    }
    return found;
}

bool complete(const fs::path& pdf) {
    std::ifstream in(pdf, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str().find("%%EOF") != std::string::npos;
}

// The PDF that cups-pdf writes for our job: a new file named after the
// document ("Kestrune") that is complete. cups-pdf needs 0.2–3 s.
std::optional<fs::path> awaitPdf(const fs::path& folder, const std::set<fs::path>& before) {
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (std::chrono::steady_clock::now() < deadline) {
        for (const auto& pdf : pdfsIn(folder)) {
            if (before.count(pdf) == 0 && pdf.filename().wstring().find(L"Kestrune") != std::wstring::npos &&
                complete(pdf)) {
                return pdf;
            }
        }
        std::this_thread::sleep_for(100ms);
    }
    return std::nullopt;
}

class Spooler {
public:
    Spooler() {
        const auto printers = catalog.listPrinters();
        if (!printers) return;
        for (const auto& printer : printers.value()) {
            if (printer.name == kQueue) {
                printerId = printer.printerId;
                break;
            }
        }
    }

    // A ticket for one of the queue's papers, from capabilities read just
    // now: Wine's driver takes every DEVMODE handed to DocumentPropertiesW
    // as the process's new default, so after a job on Letter the queue
    // reports Letter (and another capability digest) until the process ends.
    PrintTicket ticketFor(std::uint16_t paperId) {
        auto found = catalog.capabilities(printerId);
        if (found) record = std::move(found).value();
        PrintTicket ticket;
        ticket.printerId = record.printerId;
        ticket.capabilityHash = record.capabilityHash;
        ticket.dpiX = record.dpiX;
        ticket.dpiY = record.dpiY;
        for (const auto& paper : record.papers) {
            if (paper.paperId == paperId) {
                ticket.paperWidthMm = paper.widthMicrometers / 1000.0;
                ticket.paperHeightMm = paper.heightMicrometers / 1000.0;
            }
        }
        return ticket;
    }

    platform::WinspoolApi winspool{platform::systemWinspoolFunctions()};
    printers::PrinterCatalog catalog{winspool};
    GdiPrintApi gdi{catalog, systemGdiPrintFunctions()};
    RasterPrintEngine engine{catalog, gdi};
    std::string printerId;
    platform::PrinterCapabilities record;
};

class SpoolerPrintTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(spooler_.printerId.empty()) << "no queue PDF: run scripts/setup --display --printer";
        ASSERT_FALSE(folder_.empty()) << "no Out line in /etc/cups/cups-pdf.conf";
    }

    // Prints one page of the pattern at the ticket's size and keeps the PDF
    // as <name>.pdf beside the raster sent.
    void printCase(const std::string& name, const PrintTicket& ticket, std::optional<std::wstring>& warning) {
        const Grey image = pattern(mmToDots(ticket.paperWidthMm, ticket.dpiX), mmToDots(ticket.paperHeightMm, ticket.dpiY));
        const auto before = pdfsIn(folder_);
        const auto job = spooler_.engine.print(ticket, pageOf(image));
        ASSERT_TRUE(job) << testing::PrintToString(job.error().message());
        // Wine numbers documents per process from 1; the number says nothing
        // about the CUPS job or the PDF's name.
        EXPECT_GT(job.value(), lastJob_);
        lastJob_ = job.value();
        warning = spooler_.engine.takeLastWarning();
        const auto pdf = awaitPdf(folder_, before);
        ASSERT_TRUE(pdf) << "no PDF from cups-pdf in " << folder_;
        fs::rename(*pdf, name + ".pdf");
        writePgm(name + ".expected.pgm", image);
        std::ofstream(name + ".dpi") << ticket.dpiX;
    }

    Spooler spooler_;
    fs::path folder_ = pdfFolder();
    inline static std::uint32_t lastJob_ = 0;
};

TEST_F(SpoolerPrintTest, LetterAndA4AtThePrintersResolution) {
    for (const auto& [name, paper] : {std::pair{"letter", DMPAPER_LETTER}, std::pair{"a4", DMPAPER_A4}}) {
        SCOPED_TRACE(name);
        const PrintTicket ticket = spooler_.ticketFor(static_cast<std::uint16_t>(paper));
        ASSERT_GT(ticket.paperWidthMm, 0.0) << "the queue does not list the paper";
        std::optional<std::wstring> warning;
        printCase(name, ticket, warning);
        EXPECT_EQ(warning, std::nullopt) << "the listed paper must print one dot per dot";
    }
}

// 100 × 150 mm is not among the queue's papers. Wine's driver answers the
// custom size with IDOK, echoes it, and its DC reports 100 × 150 mm, so the
// job counts as printed on its exact paper: it is spooled without a warning.
// The custom size never reaches the PDF, though: cups-pdf writes the page on
// the queue's current default paper (A4 here), with the label one dot per
// dot in a corner, as SpoolerPdfTest checks.
TEST_F(SpoolerPrintTest, UnlistedLabelIsSpooledAsACustomSize) {
    PrintTicket ticket = spooler_.ticketFor(DMPAPER_A4);
    ticket.paperWidthMm = 100.0;
    ticket.paperHeightMm = 150.0;
    std::optional<std::wstring> warning;
    printCase("label", ticket, warning);
    EXPECT_EQ(warning, std::nullopt);
}

class SpoolerPdfTest : public testing::Test {
protected:
    struct Images {
        Grey sent;
        Grey printed;
    };

    static std::optional<Images> load(const std::string& name) {
        auto sent = readPgm(name + ".expected.pgm");
        auto printed = readPgm(name + ".pgm");
        if (!sent || !printed) return std::nullopt;
        return Images{std::move(*sent), std::move(*printed)};
    }

    // The dots of the PDF, rasterised at the printing resolution, against
    // the dots sent, which start at (originX, originY) of the printed page.
    // The rasteriser may round the image's far edge by one dot, so its last
    // row and column are not compared; neither is what lies off the page.
    static void expectSameDots(const std::string& name, const Images& images, int originX, int originY) {
        const Grey& sent = images.sent;
        const Grey& printed = images.printed;
        int differences = 0;
        std::ostringstream first;
        for (int y = 0; y < std::min(sent.height - 1, printed.height - originY); ++y) {
            for (int x = 0; x < std::min(sent.width - 1, printed.width - originX); ++x) {
                const std::uint8_t dot = printed.at(originX + x, originY + y);
                if (dot == sent.at(x, y)) continue;
                if (++differences <= 5) first << " (" << x << ',' << y << "): " << int{dot} << " for " << int{sent.at(x, y)};
            }
        }
        EXPECT_EQ(differences, 0) << name << ":" << first.str();
    }
};

TEST_F(SpoolerPdfTest, LetterAndA4MatchDotForDot) {
    for (const char* name : {"letter", "a4"}) {
        const auto images = load(name);
        ASSERT_TRUE(images) << name << ": run through spooler_pdf_test.sh";
        EXPECT_NEAR(images->printed.width, images->sent.width, 1) << name;
        EXPECT_NEAR(images->printed.height, images->sent.height, 1) << name;
        expectSameDots(name, *images, 0, 0);
    }
}

// Wine's PostScript puts the page's origin at the bottom-left corner of the
// paper, and the paper it actually printed on is taller than the 150 mm page
// it was told about: the label lands one dot per dot in the bottom-left
// corner, one dot lower than the page's edge.
TEST_F(SpoolerPdfTest, LabelLandsOneDotPerDotInTheDefaultPapersBottomCorner) {
    const auto images = load("label");
    ASSERT_TRUE(images) << "label: run through spooler_pdf_test.sh";
    ASSERT_GT(images->printed.height, images->sent.height);
    expectSameDots("label", *images, 0, images->printed.height - images->sent.height + 1);
}

}  // namespace
}  // namespace ks::printing
