// Raster printing into the cups-pdf queue "PDF" under Wine: the time per page
// through the real catalogue, GDI adapter and engine, split into the time
// spent inside the spooler and GDI calls (every injected function is wrapped
// with a clock) and the time spent in our own code around them. Prints
// figures only; cups-pdf's conversion afterwards runs outside this process
// and is not counted.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/winspool_api.h"
#include "printers/printer_catalog.h"
#include "printing/mm_to_dots.h"
#include "printing/raster_print_engine.h"
#include "printing/win32/gdi_print_api.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDocuments = 5;
constexpr std::uint32_t kPagesPerDocument = 4;

// Replaces a function object by one that adds its running time to `total`.
template <typename Result, typename... Args>
void timed(std::function<Result(Args...)>& function, Clock::duration& total) {
    function = [inner = std::move(function), &total](Args... args) -> Result {
        const auto start = Clock::now();
        Result result = inner(args...);
        total += Clock::now() - start;
        return result;
    };
}

template <typename Table, typename... Members>
void timeAll(Table& table, Clock::duration& total, Members Table::*... members) {
    (timed(table.*members, total), ...);
}

double ms(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

// One A4 page at the ticket's resolution: a grey ramp, so that no driver
// can shortcut a blank page.
ks::raster::RasterPageList pages(std::uint32_t width, std::uint32_t height) {
    auto pixels = std::make_shared<ks::protocol::ByteBuffer>(std::size_t{width} * height * 4);
    for (std::size_t i = 0; i < pixels->size(); i += 4) {
        const auto grey = static_cast<std::uint8_t>((i / 4) % width * 255 / width);
        pixels->data()[i] = pixels->data()[i + 1] = pixels->data()[i + 2] = grey;
        pixels->data()[i + 3] = 255;
    }
    ks::raster::RasterPage page;
    page.width = width;
    page.height = height;
    page.pixels = std::move(pixels);
    return std::make_shared<const std::vector<ks::raster::RasterPage>>(std::vector<ks::raster::RasterPage>{page});
}

}  // namespace

int main() {
    Clock::duration inside{};
    auto spooler = ks::platform::systemWinspoolFunctions();
    using W = ks::platform::WinspoolFunctions;
    timeAll(spooler, inside, &W::getDefaultPrinter, &W::enumPrinters, &W::openPrinter, &W::closePrinter,
            &W::documentProperties, &W::createDC, &W::deleteDC, &W::getDeviceCaps, &W::deviceCapabilities);
    auto gdiFunctions = ks::printing::systemGdiPrintFunctions();
    using G = ks::printing::GdiPrintFunctions;
    timeAll(gdiFunctions, inside, &G::openPrinter, &G::documentProperties, &G::getForm, &G::addForm, &G::createDC,
            &G::getDeviceCaps, &G::startDoc, &G::startPage, &G::stretchDIBits, &G::endPage, &G::endDoc, &G::abortDoc,
            &G::deleteDC, &G::closePrinter);

    ks::platform::WinspoolApi winspool(std::move(spooler));
    ks::printers::PrinterCatalog catalog(winspool);
    ks::printing::GdiPrintApi gdi(catalog, std::move(gdiFunctions));
    ks::printing::RasterPrintEngine engine(catalog, gdi);

    const auto printers = catalog.listPrinters();
    std::string printerId;
    if (printers) {
        for (const auto& printer : printers.value()) {
            if (printer.name == L"PDF") printerId = printer.printerId;
        }
    }
    const auto record = catalog.capabilities(printerId);
    if (!record) {
        std::fprintf(stderr, "no printer named PDF: run scripts/setup --printer\n");
        return 1;
    }
    ks::printing::PrintTicket ticket;
    ticket.printerId = printerId;
    ticket.capabilityHash = record.value().capabilityHash;
    ticket.dpiX = record.value().dpiX;
    ticket.dpiY = record.value().dpiY;
    ticket.copies = kPagesPerDocument;
    for (const auto& paper : record.value().papers) {
        if (paper.paperId == DMPAPER_A4) {
            ticket.paperWidthMm = paper.widthMicrometers / 1000.0;
            ticket.paperHeightMm = paper.heightMicrometers / 1000.0;
        }
    }
    const auto width = static_cast<std::uint32_t>(ks::printing::mmToDots(ticket.paperWidthMm, ticket.dpiX));
    const auto height = static_cast<std::uint32_t>(ks::printing::mmToDots(ticket.paperHeightMm, ticket.dpiY));
    const auto page = pages(width, height);
    std::printf(
        "A4 %.1f x %.1f mm at %u x %u dpi: %u x %u dots (%.1f MiB of pixels per page), %d documents of %u pages\n",
        ticket.paperWidthMm, ticket.paperHeightMm, ticket.dpiX, ticket.dpiY, width, height,
        width * 4.0 * height / (1 << 20), kDocuments, kPagesPerDocument);

    std::vector<double> totalPerPage, insidePerPage;
    for (int document = 0; document < kDocuments; ++document) {
        inside = {};
        const auto start = Clock::now();
        const auto job = engine.print(ticket, page);
        const auto total = Clock::now() - start;
        if (!job) {
            std::fprintf(stderr, "printing failed\n");
            return 1;
        }
        totalPerPage.push_back(ms(total) / kPagesPerDocument);
        insidePerPage.push_back(ms(inside) / kPagesPerDocument);
    }
    // The first document pays for loading the driver; the figures are the
    // median of the rest.
    const auto median = [](std::vector<double> values) {
        values.erase(values.begin());
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    const double total = median(totalPerPage);
    const double inCalls = median(insidePerPage);
    std::printf("  first document          %9.1f ms per page\n", totalPerPage.front());
    std::printf("  per page (median)       %9.1f ms\n", total);
    std::printf("    inside spooler/GDI    %9.1f ms\n", inCalls);
    std::printf("    our code              %9.1f ms\n", total - inCalls);
    return 0;
}
