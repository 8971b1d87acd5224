#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "management/printer_info_text.h"
#include "printers/printer_catalog.h"

namespace ks::management {

// The printer settings window's list after a refresh: the entries in the
// catalogue's order and the one to select, or the text that stands in for
// them when there is nothing to list.
struct PrinterList {
    std::vector<PrinterEntry> entries;
    std::size_t selection = 0;         // meaningful only with entries
    std::wstring emptyText;            // set exactly when entries is empty
};

// Lists the catalogue's printers. The entry whose printer id equals
// `selectedPrinterId` byte for byte is selected, else the first. A catalogue
// error, or an exception while listing, gives the catalogue-error text and
// no partial list.
[[nodiscard]] PrinterList readPrinterList(printers::PrinterCatalog& catalog, const std::string& selectedPrinterId);

}  // namespace ks::management
