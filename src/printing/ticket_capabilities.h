#pragma once

#include "platform/printer_records.h"
#include "printing/print_ticket.h"

namespace ks::printing {

// Whether a freshly read capability record is still the printer the ticket's
// pages were rendered for: the same printer id and capability digest, and
// the ticket's resolution among the offered ones (the current resolution
// when the driver lists none).
[[nodiscard]] bool ticketMatchesCapabilities(const PrintTicket& ticket,
                                             const platform::PrinterCapabilities& capabilities);

}  // namespace ks::printing
