#pragma once

#include <windows.h>

#include "platform/printer_records.h"
#include "printing/print_ticket.h"
#include "printing/win32/driver_settings.h"
#include "printing/win32/gdi_print_functions.h"
#include "protocol/result.h"

namespace ks::printing {

// How the paper was settled with the driver.
enum class PaperOutcome {
    Exact,        // a paper of the requested size: a driver paper, a custom size or a custom form
    Substituted,  // the best-fitting paper the driver offers; the page may have to be reduced
};

// Settles the paper and resolution of `ticket` with the driver of the open
// printer, in order of preference: the driver's own paper of that size, a
// custom size, a custom form registered on the queue (never on a connection
// to another server), and last the driver paper that holds most of the page.
// Leaves the accepted DEVMODE in `settings`. KSR-2009 when the size or
// resolution is beyond what a DEVMODE can say or the driver refuses even the
// fallback paper.
[[nodiscard]] Result<PaperOutcome> negotiatePaper(const GdiPrintFunctions& functions, HANDLE printer,
                                                  const platform::PrinterCapabilities& printerRecord,
                                                  const PrintTicket& ticket, DriverSettings& settings);

}  // namespace ks::printing
