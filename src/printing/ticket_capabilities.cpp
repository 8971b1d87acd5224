#include "printing/ticket_capabilities.h"

#include <algorithm>

namespace ks::printing {

bool ticketMatchesCapabilities(const PrintTicket& ticket, const platform::PrinterCapabilities& capabilities) {
    if (capabilities.printerId != ticket.printerId || capabilities.capabilityHash != ticket.capabilityHash) {
        return false;
    }
    const platform::Resolution wanted{ticket.dpiX, ticket.dpiY};
    if (capabilities.resolutions.empty()) {
        return wanted == platform::Resolution{capabilities.dpiX, capabilities.dpiY};
    }
    return std::find(capabilities.resolutions.begin(), capabilities.resolutions.end(), wanted) !=
           capabilities.resolutions.end();
}

}  // namespace ks::printing
