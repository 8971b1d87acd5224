#include "printing/win32/gdi_print_functions.h"

namespace ks::printing {

GdiPrintFunctions systemGdiPrintFunctions() {
    return {::OpenPrinterW, ::DocumentPropertiesW, ::GetFormW, ::AddFormW, ::CreateDCW,
            ::GetDeviceCaps, ::StartDocW,         ::StartPage, ::StretchDIBits, ::EndPage,
            ::EndDoc,       ::AbortDoc,           ::DeleteDC,  ::ClosePrinter};
}

}  // namespace ks::printing
