#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "printing/print_ticket.h"
#include "protocol/result.h"

namespace ks::printing {

// Where and how one page is drawn. Coordinates and sizes are device dots
// from the paper's top-left corner; the pixels are borrowed for the call.
struct PagePlacement {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint32_t width = 0;   // target size in dots
    std::uint32_t height = 0;
    std::uint32_t pixelWidth = 0;
    std::uint32_t pixelHeight = 0;
    const std::uint8_t* pixels = nullptr;  // top-down 32-bit BGRA rows, stride pixelWidth × 4
    std::size_t byteCount = 0;
};

// One GDI print document at a time on a printer chosen by a ticket: paper
// negotiation with the driver, pages drawn from 32-bit pixels, and a
// document that is always either ended or aborted. Not thread-safe; the job
// manager's print mutex serialises all use.
//
// States: Closed → beginDocument → Open → (startPage, drawPage, endPage)* →
// endDocument → Closed. abortDocument, or beginDocument again, closes from
// any state. Whatever a failing call acquired is released before it returns.
class IGdiPrintApi {
public:
    IGdiPrintApi() = default;
    IGdiPrintApi(const IGdiPrintApi&) = delete;
    IGdiPrintApi& operator=(const IGdiPrintApi&) = delete;
    virtual ~IGdiPrintApi() = default;

    // Opens the printer, negotiates the paper and starts a spooler document;
    // returns the spooler's job id. An open document is aborted first.
    virtual Result<std::uint32_t> beginDocument(const PrintTicket& ticket) = 0;

    // The warning left by the last beginDocument (a substituted paper), and
    // clears it.
    virtual std::optional<std::wstring> takeLastWarning() = 0;

    virtual Result<void> startPage() = 0;
    virtual Result<void> drawPage(const PagePlacement& placement) = 0;
    virtual Result<void> endPage() = 0;
    // Hands the document to the spooler; the document is closed afterwards
    // only when this succeeds.
    virtual Result<void> endDocument() = 0;
    // Abandons an open document; does nothing when none is open.
    virtual void abortDocument() = 0;
};

}  // namespace ks::printing
