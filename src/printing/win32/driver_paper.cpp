#include "printing/win32/driver_paper.h"

#include <fmt/xchar.h>

#include <cmath>
#include <cwchar>
#include <optional>
#include <string>

#include "printing/paper_negotiation.h"
#include "printing/win32/custom_form.h"
#include "protocol/error_catalog.h"

namespace ks::printing {
namespace {

namespace codes = protocol::codes;
namespace messages = protocol::messages;

// dmPaperWidth/dmPaperLength are signed 16-bit tenths of a millimetre: a
// side must round to at least one of them, and to at most the largest.
constexpr double kMinPaperMm = 0.1;
constexpr double kMaxPaperMm = 3276.7;
// dmPrintQuality/dmYResolution are signed 16-bit.
constexpr std::uint32_t kMaxDpi = 32767;
// DM_ORIENTATION | DM_COPIES | DM_PRINTQUALITY | DM_YRESOLUTION: what every
// request asks for besides the paper.
constexpr DWORD kJobFields = DM_ORIENTATION | DM_COPIES | DM_PRINTQUALITY | DM_YRESOLUTION;
constexpr DWORD kPaperFields = DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;

bool validSide(double mm) { return std::isfinite(mm) && mm >= kMinPaperMm && mm <= kMaxPaperMm; }

// Orientation, one copy (the engine makes the copies) and the resolution.
void setJobFields(DEVMODEW& mode, bool landscape, const PrintTicket& ticket) {
    mode.dmFields |= kJobFields;
    mode.dmOrientation = landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    mode.dmCopies = 1;
    mode.dmPrintQuality = static_cast<short>(ticket.dpiX);
    mode.dmYResolution = static_cast<short>(ticket.dpiY);
}

// The name the driver gave back, read only up to the field's end: a driver
// may fill all 32 characters without a terminator.
std::wstring formNameOf(const DEVMODEW& mode) {
    return std::wstring(mode.dmFormName, ::wcsnlen(mode.dmFormName, CCHFORMNAME));
}

class Negotiation {
public:
    Negotiation(const GdiPrintFunctions& functions, HANDLE printer, const platform::PrinterCapabilities& record,
                const PrintTicket& ticket, DriverSettings& settings)
        : functions_(functions),
          printer_(printer),
          record_(record),
          ticket_(ticket),
          settings_(settings),
          requested_{ticket.paperWidthMm, ticket.paperHeightMm, ticket.orientation == 1},
          widthTenths_(static_cast<int>(std::lround(ticket.paperWidthMm * 10.0))),
          heightTenths_(static_cast<int>(std::lround(ticket.paperHeightMm * 10.0))) {}

    Result<PaperOutcome> run() {
        const auto standard = matchStandardPaper(record_.papers, requested_);
        if (requestPaper(standard)) return PaperOutcome::Exact;
        const DEVMODEW& answer = settings_.devmode();
        const std::wstring rejection =
            fmt::format(fmt::runtime(messages::kPaperRejected), record_.name, ticket_.paperWidthMm,
                        ticket_.paperHeightMm, answer.dmPaperWidth / 10.0, answer.dmPaperLength / 10.0);
        if (!standard && !record_.papers.empty() && !isServerConnection() && requestCustomForm()) {
            return PaperOutcome::Exact;
        }
        return requestFallbackPaper(rejection);
    }

private:
    // A driver paper of the requested size, or else a custom size; accepted
    // when the driver answers IDOK and, for a custom size, echoes the size.
    bool requestPaper(const std::optional<PaperChoice>& standard) {
        DEVMODEW& mode = settings_.devmode();
        if (standard) {
            setJobFields(mode, standard->landscape, ticket_);
            mode.dmFields = (mode.dmFields | DM_PAPERSIZE) & ~(DM_PAPERLENGTH | DM_PAPERWIDTH);
            mode.dmPaperSize = static_cast<short>(standard->paperId);
            return settings_.apply();
        }
        setJobFields(mode, landscapeForExactSize(requested_), ticket_);
        mode.dmFields = (mode.dmFields & ~DM_PAPERSIZE) | DM_PAPERLENGTH | DM_PAPERWIDTH;
        mode.dmPaperSize = 0;
        mode.dmPaperWidth = static_cast<short>(widthTenths_);
        mode.dmPaperLength = static_cast<short>(heightTenths_);
        return settings_.apply() && mode.dmPaperWidth == widthTenths_ && mode.dmPaperLength == heightTenths_;
    }

    // Forms belong to the server that holds the queue; a connection's forms
    // are not ours to add.
    bool isServerConnection() const { return record_.name.rfind(L"\\\\", 0) == 0; }

    // Why a form could not be used does not reach the job: the fallback
    // paper still prints it.
    bool requestCustomForm() {
        const std::wstring formName = customFormName(widthTenths_, heightTenths_);
        if (!ensureCustomForm(functions_, printer_, record_.name, formName, widthTenths_, heightTenths_)) return false;
        if (!settings_.readDefaults()) return false;
        DEVMODEW& mode = settings_.devmode();
        mode.dmFields &= ~kPaperFields;
        mode.dmPaperSize = 0;
        mode.dmPaperWidth = 0;
        mode.dmPaperLength = 0;
        setJobFields(mode, landscapeForExactSize(requested_), ticket_);
        mode.dmFields |= DM_FORMNAME;
        std::fill(std::begin(mode.dmFormName), std::end(mode.dmFormName), L'\0');
        formName.copy(mode.dmFormName, CCHFORMNAME - 1);
        return settings_.apply() && (mode.dmFields & DM_FORMNAME) != 0 && formNameOf(mode) == formName;
    }

    Result<PaperOutcome> requestFallbackPaper(const std::wstring& rejection) {
        if (!settings_.readDefaults()) {
            return Error(codes::kDriverRejected, rejection + std::wstring(messages::kDriverDefaultPaperUnreadable));
        }
        DEVMODEW& mode = settings_.devmode();
        const auto fallback = chooseFallbackPaper(record_.papers, requested_);
        if (!fallback) {
            // No paper to choose: the driver's default paper, still with one
            // copy at the ticket's resolution.
            setJobFields(mode, requested_.landscape, ticket_);
            return PaperOutcome::Substituted;
        }
        mode.dmFields = (mode.dmFields & ~(DM_PAPERLENGTH | DM_PAPERWIDTH | DM_FORMNAME)) | DM_PAPERSIZE;
        setJobFields(mode, fallback->landscape, ticket_);
        mode.dmPaperSize = static_cast<short>(fallback->paperId);
        if (!settings_.apply()) return Error(codes::kDriverRejected, messages::kFallbackPaperRejected);
        return PaperOutcome::Substituted;
    }

    const GdiPrintFunctions& functions_;
    HANDLE printer_;
    const platform::PrinterCapabilities& record_;
    const PrintTicket& ticket_;
    DriverSettings& settings_;
    RequestedPaper requested_;
    int widthTenths_;
    int heightTenths_;
};

}  // namespace

Result<PaperOutcome> negotiatePaper(const GdiPrintFunctions& functions, HANDLE printer,
                                    const platform::PrinterCapabilities& printerRecord, const PrintTicket& ticket,
                                    DriverSettings& settings) {
    if (!validSide(ticket.paperWidthMm) || !validSide(ticket.paperHeightMm)) {
        return Error(codes::kDriverRejected, messages::kPaperOutOfDriverRange);
    }
    if (ticket.dpiX > kMaxDpi || ticket.dpiY > kMaxDpi) {
        return Error(codes::kDriverRejected, messages::kResolutionOutOfDriverRange);
    }
    return Negotiation(functions, printer, printerRecord, ticket, settings).run();
}

}  // namespace ks::printing
