#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "printing/win32/gdi_print_functions.h"

namespace ks::testing {

// A printer driver and its queue as GdiPrintApi sees them through its
// function table. The driver keeps a paper table (tenths of a millimetre),
// may accept or refuse custom sizes and forms, may lie, and computes the
// device page of a DC from the DEVMODE it was made with. Any call can be
// made to fail at its n-th use with a chosen last error; clean-up calls leave
// kCleanupError behind so that a message carrying it stands out.
class FakePrintDriver {
public:
    static constexpr DWORD kCleanupError = 999;
    static constexpr short kDefaultPaper = DMPAPER_A4;

    std::wstring queue = L"LABEL";
    std::map<short, SIZE> papers{{DMPAPER_A4, {2100, 2970}}, {301, {1000, 1500}}, {302, {1500, 1000}}};
    LONG devmodeSize = sizeof(DEVMODEW) + 300;  // the public part and private bytes
    std::optional<WORD> driverExtraAnswer;      // a dmDriverExtra that lies about the size
    bool acceptsCustomSize = true;
    bool customSizeEchoed = true;  // false: IDOK, but the answer holds the default paper
    bool acceptsForms = true;
    bool addFormIsStub = false;  // TRUE without the form ever appearing
    std::map<std::wstring, SIZEL> forms;  // thousandths of a millimetre
    std::map<short, short> paperAnswers;  // IDOK, but this paper instead
    int dpi = 203;
    std::map<int, int> capsOverride;  // GetDeviceCaps answers that ignore the DEVMODE
    int marginDots = 0;               // unprintable border on each side
    int jobId = 7;

    // Makes the `occurrence`-th call of `call` fail with `error`. Names are
    // the Windows names; DocumentPropertiesW is named with its mode, e.g.
    // "DocumentPropertiesW(10)".
    void failAt(const std::string& call, DWORD error, int occurrence = 1) { failures_[call] = {occurrence, error}; }

    printing::GdiPrintFunctions functions() {
        return {
            [this](LPWSTR name, LPHANDLE handle, LPPRINTER_DEFAULTSW defaults) {
                const bool admin = defaults != nullptr && defaults->DesiredAccess == PRINTER_ACCESS_ADMINISTER;
                if (failing(admin ? "OpenPrinterW(admin)" : "OpenPrinterW")) return FALSE;
                EXPECT_EQ(std::wstring(name), queue);
                *handle = admin ? adminHandle() : printerHandle();
                ++(admin ? openAdminHandles : openPrinters);
                return TRUE;
            },
            [this](HWND, HANDLE printer, LPWSTR name, PDEVMODEW output, PDEVMODEW input, DWORD mode) {
                return documentProperties(printer, name, output, input, mode);
            },
            [this](HANDLE printer, LPWSTR name, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
                EXPECT_EQ(printer, printerHandle());
                EXPECT_EQ(level, 1u);
                if (failing(buffer == nullptr ? "GetFormW" : "GetFormW(read)")) return FALSE;
                const auto form = forms.find(name);
                if (form == forms.end()) return static_cast<BOOL>(fail(ERROR_FILE_NOT_FOUND));
                *needed = sizeof(FORM_INFO_1W) + static_cast<DWORD>((form->first.size() + 1) * sizeof(wchar_t));
                if (buffer == nullptr || size < *needed) return static_cast<BOOL>(fail(ERROR_INSUFFICIENT_BUFFER));
                auto* info = reinterpret_cast<FORM_INFO_1W*>(buffer);
                auto* text = reinterpret_cast<wchar_t*>(info + 1);
                std::memcpy(text, form->first.c_str(), (form->first.size() + 1) * sizeof(wchar_t));
                *info = FORM_INFO_1W{FORM_USER, text, form->second, RECTL{0, 0, form->second.cx, form->second.cy}};
                return TRUE;
            },
            [this](HANDLE printer, DWORD level, LPBYTE buffer) {
                EXPECT_EQ(printer, adminHandle()) << "forms are added through the administrative handle";
                EXPECT_EQ(level, 1u);
                const auto& form = *reinterpret_cast<const FORM_INFO_1W*>(buffer);
                added.push_back(form);
                addedNames.emplace_back(form.pName);
                if (failing("AddFormW")) return FALSE;
                if (!addFormIsStub) forms[form.pName] = form.Size;
                return TRUE;
            },
            [this](LPCWSTR driver, LPCWSTR device, LPCWSTR port, const DEVMODEW* mode) -> HDC {
                EXPECT_STREQ(driver, L"WINSPOOL");
                EXPECT_EQ(std::wstring(device), queue);
                EXPECT_EQ(port, nullptr);
                dcMode = *mode;
                if (failing("CreateDCW")) return nullptr;
                ++openDcs;
                return dcHandle();
            },
            [this](HDC dc, int index) {
                EXPECT_EQ(dc, dcHandle());
                ::SetLastError(kCleanupError);
                return deviceCaps(index);
            },
            [this](HDC dc, const DOCINFOW* info) {
                EXPECT_EQ(dc, dcHandle());
                documentName = info->lpszDocName;
                EXPECT_EQ(info->lpszOutput, nullptr);
                EXPECT_EQ(info->lpszDatatype, nullptr);
                if (failing("StartDocW")) return SP_ERROR;
                ++openDocuments;
                return jobId;
            },
            [this](HDC) { return failing("StartPage") ? 0 : 1; },
            [this](HDC, int x, int y, int width, int height, int srcX, int srcY, int srcWidth, int srcHeight,
                   const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
                drawn.push_back({x, y, width, height, srcX, srcY, srcWidth, srcHeight, bits, info->bmiHeader, usage,
                                 rop});
                return failing("StretchDIBits") ? 0 : srcHeight;
            },
            [this](HDC) { return failing("EndPage") ? 0 : 1; },
            [this](HDC) {
                if (failing("EndDoc")) return 0;
                --openDocuments;
                return 1;
            },
            [this](HDC) {
                ++aborts;
                --openDocuments;
                ::SetLastError(kCleanupError);
                return 0;  // as under Wine
            },
            [this](HDC dc) {
                EXPECT_EQ(dc, dcHandle());
                EXPECT_GT(openPrinters, 0) << "the DC goes before its printer";
                --openDcs;
                ::SetLastError(kCleanupError);
                return TRUE;
            },
            [this](HANDLE printer) {
                --(printer == adminHandle() ? openAdminHandles : openPrinters);
                ::SetLastError(kCleanupError);
                return TRUE;
            },
        };
    }

    struct Draw {
        int x, y, width, height, srcX, srcY, srcWidth, srcHeight;
        const void* bits;
        BITMAPINFOHEADER header;
        UINT usage;
        DWORD rop;
    };

    // What the adapter did.
    std::vector<std::string> calls;
    std::vector<DEVMODEW> requests;  // every DEVMODE handed in with mode 10
    DEVMODEW dcMode{};
    std::vector<FORM_INFO_1W> added;
    std::vector<std::wstring> addedNames;
    std::wstring documentName;
    std::vector<Draw> drawn;
    int openPrinters = 0, openAdminHandles = 0, openDcs = 0, openDocuments = 0, aborts = 0;
    bool privateBytesCameBack = true;

    bool nothingOpen() const { return openPrinters == 0 && openAdminHandles == 0 && openDcs == 0; }

    // The paper a DEVMODE describes, in tenths and the way round it is used.
    SIZE pageOf(const DEVMODEW& mode) const {
        SIZE size = papers.at(kDefaultPaper);
        if ((mode.dmFields & DM_FORMNAME) != 0) {
            const SIZEL form = forms.at(mode.dmFormName);
            size = {form.cx / 100, form.cy / 100};
        } else if ((mode.dmFields & DM_PAPERSIZE) != 0 && papers.count(mode.dmPaperSize) != 0) {
            size = papers.at(mode.dmPaperSize);
        } else if ((mode.dmFields & DM_PAPERWIDTH) != 0) {
            size = {mode.dmPaperWidth, mode.dmPaperLength};
        }
        if (mode.dmOrientation == DMORIENT_LANDSCAPE) std::swap(size.cx, size.cy);
        return size;
    }

private:
    static HANDLE printerHandle() { return reinterpret_cast<HANDLE>(0x1001); }
    static HANDLE adminHandle() { return reinterpret_cast<HANDLE>(0x1002); }
    static HDC dcHandle() { return reinterpret_cast<HDC>(0x2001); }
    static constexpr std::byte kPrivate{0x5A};

    static int fail(DWORD error) {
        ::SetLastError(error);
        return 0;
    }

    static LONG refuse() {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }

    bool failing(const std::string& call) {
        calls.push_back(call);
        const auto failure = failures_.find(call);
        if (failure == failures_.end() || --failure->second.first != 0) return false;
        ::SetLastError(failure->second.second);
        return true;
    }

    void writeDefaults(DEVMODEW& mode) const {
        auto* bytes = reinterpret_cast<std::byte*>(&mode);
        std::fill(bytes + sizeof(DEVMODEW), bytes + devmodeSize, kPrivate);
        mode = DEVMODEW{};
        mode.dmSize = sizeof(DEVMODEW);
        mode.dmDriverExtra = driverExtraAnswer.value_or(static_cast<WORD>(devmodeSize - sizeof(DEVMODEW)));
        mode.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_PRINTQUALITY | DM_YRESOLUTION;
        mode.dmOrientation = DMORIENT_PORTRAIT;
        mode.dmPaperSize = kDefaultPaper;
        mode.dmCopies = 3;  // a user preference that must not multiply the engine's copies
        mode.dmPrintQuality = static_cast<short>(dpi);
        mode.dmYResolution = static_cast<short>(dpi);
    }

    LONG documentProperties(HANDLE printer, LPWSTR name, DEVMODEW* output, const DEVMODEW* input, DWORD mode) {
        EXPECT_EQ(printer, printerHandle());
        EXPECT_EQ(std::wstring(name), queue);
        if (failing("DocumentPropertiesW(" + std::to_string(mode) + ")")) return mode == 0 ? 0 : -1;
        if (mode == 0) return devmodeSize;
        if (mode == DM_OUT_BUFFER) {
            writeDefaults(*output);
            return IDOK;
        }
        EXPECT_EQ(mode, static_cast<DWORD>(DM_IN_BUFFER | DM_OUT_BUFFER));
        requests.push_back(*input);
        const auto* privateBytes = reinterpret_cast<const std::byte*>(input) + sizeof(DEVMODEW);
        privateBytesCameBack =
            privateBytesCameBack && std::all_of(privateBytes, privateBytes + devmodeSize - sizeof(DEVMODEW),
                                                [](std::byte b) { return b == kPrivate; });
        std::memcpy(output, input, static_cast<std::size_t>(devmodeSize));
        return validate(*output);
    }

    LONG validate(DEVMODEW& mode) {
        if ((mode.dmFields & DM_FORMNAME) != 0) {
            if (!acceptsForms || forms.count(mode.dmFormName) == 0) {
                mode.dmFields &= ~DM_FORMNAME;  // quietly back to the default paper
                mode.dmFields |= DM_PAPERSIZE;
                mode.dmPaperSize = kDefaultPaper;
            }
            return IDOK;
        }
        if ((mode.dmFields & DM_PAPERSIZE) != 0) {
            if (papers.count(mode.dmPaperSize) == 0) return refuse();
            if (const auto lie = paperAnswers.find(mode.dmPaperSize); lie != paperAnswers.end()) {
                mode.dmPaperSize = lie->second;
            }
            return IDOK;
        }
        if (!acceptsCustomSize) return refuse();
        if (!customSizeEchoed) {
            mode.dmPaperWidth = static_cast<short>(papers.at(kDefaultPaper).cx);
            mode.dmPaperLength = static_cast<short>(papers.at(kDefaultPaper).cy);
        }
        return IDOK;
    }

    int dots(LONG tenths) const { return static_cast<int>(std::lround(tenths * dpi / 254.0)); }

    int deviceCaps(int index) const {
        if (const auto found = capsOverride.find(index); found != capsOverride.end()) return found->second;
        const SIZE page = pageOf(dcMode);
        switch (index) {
            case LOGPIXELSX:
            case LOGPIXELSY: return dpi;
            case PHYSICALWIDTH: return dots(page.cx);
            case PHYSICALHEIGHT: return dots(page.cy);
            case PHYSICALOFFSETX:
            case PHYSICALOFFSETY: return marginDots;
            case HORZRES: return dots(page.cx) - 2 * marginDots;
            case VERTRES: return dots(page.cy) - 2 * marginDots;
            default: ADD_FAILURE() << "unexpected GetDeviceCaps " << index; return 0;
        }
    }

    std::map<std::string, std::pair<int, DWORD>> failures_;
};

}  // namespace ks::testing
