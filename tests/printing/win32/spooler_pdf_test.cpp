// Printing through the real spooler under Wine into the cups-pdf queue
// "PDF": the real catalogue, GDI adapter and engine. pdf_round_trip.sh runs
// SpoolerPrintTest, rasterises its PDFs and runs SpoolerPdfTest, which
// compares dot for dot (see pdf_capture.h).

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/winspool_api.h"
#include "printers/printer_catalog.h"
#include "printing/mm_to_dots.h"
#include "printing/raster_print_engine.h"
#include "printing/win32/gdi_print_api.h"
#include "support/win32/pdf_capture.h"

namespace ks::printing {
namespace {

namespace fs = std::filesystem;
using ks::testing::awaitPdf;
using ks::testing::differingDots;
using ks::testing::Grey;
using ks::testing::pattern;
using ks::testing::pdfFolder;
using ks::testing::pdfsIn;
using ks::testing::readPgm;
using ks::testing::writePgm;

constexpr wchar_t kQueue[] = L"PDF";
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

class SpoolerPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(spooler_.printerId.empty()) << "no queue PDF: run scripts/setup --display --printer";
        ASSERT_FALSE(folder_.empty()) << "no Out line in /etc/cups/cups-pdf.conf";
    }

    // Prints one page of the pattern at the ticket's size and keeps the PDF
    // as <name>.pdf beside the raster sent.
    void printCase(const std::string& name, const PrintTicket& ticket, std::optional<std::wstring>& warning) {
        printImage(name, ticket,
                   pattern(mmToDots(ticket.paperWidthMm, ticket.dpiX), mmToDots(ticket.paperHeightMm, ticket.dpiY)),
                   warning);
    }

    void printImage(const std::string& name, const PrintTicket& ticket, const Grey& image,
                    std::optional<std::wstring>& warning) {
        const auto before = pdfsIn(folder_);
        const auto job = spooler_.engine.print(ticket, pageOf(image));
        ASSERT_TRUE(job) << ::testing::PrintToString(job.error().message());
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

// Pages of another shape than the area between the margins: each is scaled
// uniformly to fit and centred there. What the PDF must show is the page's
// box (x, y, width, height in dots), kept as <name>.box.
TEST_F(SpoolerPrintTest, PagesOfAnotherShapeAreFittedAndCentredBetweenTheMargins) {
    const PrintTicket a4 = spooler_.ticketFor(DMPAPER_A4);
    ASSERT_GT(a4.paperWidthMm, 0.0);
    const int width = mmToDots(a4.paperWidthMm, a4.dpiX);
    const int height = mmToDots(a4.paperHeightMm, a4.dpiY);

    // Unequal margins, a 4 : 3 page at half the area's width: doubled, on
    // the left margin, centred between top and bottom.
    const std::uint32_t right = 300 + static_cast<std::uint32_t>(width % 2);
    const int areaWidth = width - 400 - width % 2;
    const int areaHeight = height - 560;
    const Grey wide = pattern(areaWidth / 2, areaWidth * 3 / 8, 4);
    // A square page on the whole paper: as wide as the paper, centred up and down.
    const Grey square = pattern(600, 600, 5);

    struct Case {
        const char* name;
        std::array<std::uint32_t, 4> margins;  // left, top, right, bottom
        const Grey& image;
        std::array<int, 4> box;
    };
    const Case cases[] = {
        {"margins", {100, 500, right, 60}, wide, {100, 500 + (areaHeight - wide.height * 2) / 2, areaWidth, wide.height * 2}},
        {"square", {0, 0, 0, 0}, square, {0, (height - width) / 2, width, width}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Read afresh: each print leaves the queue's defaults changed.
        PrintTicket ticket = spooler_.ticketFor(DMPAPER_A4);
        ticket.marginLeft = c.margins[0];
        ticket.marginTop = c.margins[1];
        ticket.marginRight = c.margins[2];
        ticket.marginBottom = c.margins[3];
        std::optional<std::wstring> warning;
        printImage(c.name, ticket, c.image, warning);
        std::ofstream(std::string(c.name) + ".box") << c.box[0] << ' ' << c.box[1] << ' ' << c.box[2] << ' '
                                                    << c.box[3];
    }
}

class SpoolerPdfTest : public ::testing::Test {
protected:
    struct Images {
        Grey sent;
        Grey printed;
    };

    static std::optional<Images> load(const std::string& name) {
        auto sent = readPgm(name + ".expected.pgm");
        auto printed = readPgm(name + "-1.pgm");
        if (!sent || !printed) return std::nullopt;
        return Images{std::move(*sent), std::move(*printed)};
    }

    // The dots of the PDF, rasterised at the printing resolution, against
    // the dots sent, which start at (originX, originY) of the printed page.
    // The rasteriser may round the image's far edge by one dot, so its last
    // row and column are not compared; neither is what lies off the page.
    static void expectSameDots(const std::string& name, const Images& images, int originX, int originY) {
        std::string first;
        EXPECT_EQ(differingDots(images.sent, images.printed, originX, originY, first), 0) << name << ":" << first;
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

// The pattern's frame outlines each fitted page: the box of its dark dots
// is where the page landed, at the size and shape it must have.
TEST_F(SpoolerPdfTest, FittedPagesLandScaledUniformlyAndCentred) {
    for (const char* name : {"margins", "square"}) {
        SCOPED_TRACE(name);
        const auto printed = readPgm(std::string(name) + "-1.pgm");
        std::ifstream boxFile(std::string(name) + ".box");
        std::array<int, 4> box{};
        ASSERT_TRUE(printed && boxFile >> box[0] >> box[1] >> box[2] >> box[3]) << "run through pdf_round_trip.sh";
        int left = printed->width, top = printed->height, right = -1, bottom = -1;
        for (int y = 0; y < printed->height; ++y) {
            for (int x = 0; x < printed->width; ++x) {
                if (printed->at(x, y) >= 128) continue;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
        // One dot either way for the rasteriser's rounding of the edges.
        EXPECT_NEAR(left, box[0], 1);
        EXPECT_NEAR(top, box[1], 1);
        EXPECT_NEAR(right + 1 - left, box[2], 1);
        EXPECT_NEAR(bottom + 1 - top, box[3], 1);
    }
}

}  // namespace
}  // namespace ks::printing
