#pragma once

#include <windows.h>

#include <functional>

namespace ks::printing {

// The spooler and GDI calls GdiPrintApi makes, replaceable so that paper
// negotiation, error numbers and handle lifetimes can be driven by fakes.
// Each has the exact signature of the Windows function it stands for. The
// last error is read with ::GetLastError right after each call, so a fake
// reports failure the way Windows does: ::SetLastError.
struct GdiPrintFunctions {
    std::function<decltype(::OpenPrinterW)> openPrinter;
    std::function<decltype(::DocumentPropertiesW)> documentProperties;
    std::function<decltype(::GetFormW)> getForm;
    std::function<decltype(::AddFormW)> addForm;
    std::function<decltype(::CreateDCW)> createDC;
    std::function<decltype(::GetDeviceCaps)> getDeviceCaps;
    std::function<decltype(::StartDocW)> startDoc;
    std::function<decltype(::StartPage)> startPage;
    std::function<decltype(::StretchDIBits)> stretchDIBits;
    std::function<decltype(::EndPage)> endPage;
    std::function<decltype(::EndDoc)> endDoc;
    std::function<decltype(::AbortDoc)> abortDoc;
    std::function<decltype(::DeleteDC)> deleteDC;
    std::function<decltype(::ClosePrinter)> closePrinter;
};

// The real functions of winspool and gdi32.
[[nodiscard]] GdiPrintFunctions systemGdiPrintFunctions();

}  // namespace ks::printing
