#include "management/printer_list.h"

#include <exception>

namespace ks::management {

PrinterList readPrinterList(printers::PrinterCatalog& catalog, const std::string& selectedPrinterId) {
    PrinterList list;
    try {
        const auto printers = catalog.listPrintersWithCapabilities();
        if (!printers) {
            list.emptyText = kPrinterListUnreadable;
            return list;
        }
        for (const auto& record : printers.value()) {
            if (record.printerId == selectedPrinterId) list.selection = list.entries.size();
            list.entries.push_back(buildPrinterInfoText(record));
        }
    } catch (const std::exception&) {
        // The catalogue is read on the UI thread: a driver or allocation
        // failure must not take the window, or the process, down with it.
        list = PrinterList{};
        list.emptyText = kPrinterListUnreadable;
        return list;
    }
    if (list.entries.empty()) list.emptyText = kNoPrintersFound;
    return list;
}

}  // namespace ks::management
