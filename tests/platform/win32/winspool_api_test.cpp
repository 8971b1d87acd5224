#include "platform/win32/winspool_api.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ks::platform {
namespace {

// What every clean-up call leaves in the last error, so that a message
// carrying it instead of the failing call's number stands out.
constexpr DWORD kCleanupError = 999;
const HANDLE kPrinterHandle = reinterpret_cast<HANDLE>(0x1234);
const HDC kDc = reinterpret_cast<HDC>(0x5678);

BOOL fail(DWORD error) {
    ::SetLastError(error);
    return FALSE;
}

// A clean-up call that succeeds but leaves kCleanupError behind.
BOOL succeedLeavingCleanupError() {
    ::SetLastError(kCleanupError);
    return TRUE;
}

struct SpoolerEntry {
    std::optional<std::wstring> name, driver, port;  // nullopt: a null pointer
    DWORD status = 0;
};

// The spooler and GDI as WinspoolApi sees them, scripted per test. Failures
// set the last error as Windows does; clean-up calls overwrite it.
class FakeSpooler {
public:
    WinspoolFunctions functions() {
        return {
            [this](LPWSTR buffer, LPDWORD length) { return getDefaultPrinter(buffer, length); },
            [this](DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
                return enumPrinters(flags, name, level, buffer, size, needed, returned);
            },
            [this](LPWSTR name, LPHANDLE handle, LPPRINTER_DEFAULTSW defaults) {
                openedName = name;
                openedWithDefaults = defaults != nullptr;
                if (openError) return fail(*openError);
                ++openPrinters;
                *handle = kPrinterHandle;
                return TRUE;
            },
            [this](HANDLE handle) {
                EXPECT_EQ(handle, kPrinterHandle);
                --openPrinters;
                return succeedLeavingCleanupError();
            },
            [this](HWND, HANDLE handle, LPWSTR, PDEVMODEW output, PDEVMODEW input, DWORD mode) -> LONG {
                EXPECT_EQ(handle, kPrinterHandle);
                EXPECT_EQ(input, nullptr);
                if (mode == 0) {
                    if (devmodeSize < 1) ::SetLastError(devmodeError);
                    return devmodeSize;
                }
                EXPECT_EQ(mode, static_cast<DWORD>(DM_OUT_BUFFER));
                output->dmSize = sizeof(DEVMODEW);
                output->dmOrientation = orientation;
                if (fillResult != IDOK) ::SetLastError(devmodeError);
                return fillResult;
            },
            [this](LPCWSTR driver, LPCWSTR device, LPCWSTR port, const DEVMODEW* devmode) -> HDC {
                EXPECT_STREQ(driver, L"WINSPOOL");
                EXPECT_STREQ(device, L"PDF");
                EXPECT_EQ(port, nullptr);
                dcOrientation = devmode->dmOrientation;
                if (dcError) {
                    ::SetLastError(*dcError);
                    return nullptr;
                }
                ++openDcs;
                return kDc;
            },
            [this](HDC dc) {
                EXPECT_EQ(dc, kDc);
                --openDcs;
                return succeedLeavingCleanupError();
            },
            [this](HDC dc, int index) {
                EXPECT_EQ(dc, kDc);
                deviceCapsOrder.push_back(index);
                ::SetLastError(kCleanupError);  // no error number may come from here
                return deviceCaps.at(index);
            },
            [this](LPCWSTR device, LPCWSTR port, WORD capability, LPWSTR output, const DEVMODEW* devmode) {
                return deviceCapabilities(device, port, capability, output, devmode);
            },
        };
    }

    // GetDefaultPrinterW
    std::wstring defaultName = L"PDF";
    bool defaultFillFails = false;
    std::optional<DWORD> defaultReportedLength;  // overrides the fill call's length

    // EnumPrintersW
    std::vector<SpoolerEntry> entries;
    std::optional<DWORD> sizingError, fillError;
    bool sizingFailsSilently = false;  // FALSE without touching the last error
    int enumCalls = 0;

    // OpenPrinterW, DocumentPropertiesW, CreateDCW
    std::optional<DWORD> openError, dcError;
    LONG devmodeSize = static_cast<LONG>(sizeof(DEVMODEW)) + 64;
    LONG fillResult = IDOK;
    DWORD devmodeError = 0;
    short orientation = DMORIENT_PORTRAIT;

    // GetDeviceCaps: A4 at 300 dpi with quarter-inch margins.
    std::map<int, int> deviceCaps{{LOGPIXELSX, 300}, {LOGPIXELSY, 300}, {PHYSICALWIDTH, 2480}, {PHYSICALHEIGHT, 3508},
                                  {HORZRES, 2330},   {VERTRES, 3358},   {PHYSICALOFFSETX, 75}, {PHYSICALOFFSETY, 75}};

    // DeviceCapabilitiesW: the counts of the fill calls can be made to differ.
    std::vector<WORD> paperIds{DMPAPER_A4, DMPAPER_LETTER};
    std::vector<POINT> paperSizes{{2100, 2970}, {2159, 2794}};
    std::optional<int> paperIdsFilled, paperSizesFilled;
    std::vector<std::pair<LONG, LONG>> resolutions{{150, 150}, {600, 600}};
    std::optional<int> resolutionCount, resolutionsFilled;

    // What the adapter did.
    std::wstring openedName;
    bool openedWithDefaults = true;
    short dcOrientation = -1;
    std::vector<int> deviceCapsOrder;
    int openPrinters = 0, openDcs = 0;

private:
    BOOL getDefaultPrinter(LPWSTR buffer, LPDWORD length) {
        const DWORD needed = defaultName.empty() ? 0 : static_cast<DWORD>(defaultName.size() + 1);
        if (buffer == nullptr) {
            *length = needed;
            return fail(needed == 0 ? ERROR_FILE_NOT_FOUND : ERROR_INSUFFICIENT_BUFFER);
        }
        if (defaultFillFails) return fail(ERROR_FILE_NOT_FOUND);
        std::memcpy(buffer, defaultName.c_str(), needed * sizeof(wchar_t));
        *length = defaultReportedLength.value_or(needed);
        return TRUE;
    }

    BOOL enumPrinters(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                      LPDWORD returned) {
        ++enumCalls;
        EXPECT_EQ(flags, static_cast<DWORD>(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS));
        EXPECT_EQ(name, nullptr);
        EXPECT_EQ(level, 2u);
        std::size_t bytes = entries.size() * sizeof(PRINTER_INFO_2W);
        for (const auto& entry : entries) {
            for (const auto* text : {&entry.name, &entry.driver, &entry.port}) {
                if (*text) bytes += (text->value().size() + 1) * sizeof(wchar_t);
            }
        }
        *needed = static_cast<DWORD>(bytes);
        if (buffer == nullptr) {
            if (sizingFailsSilently) return FALSE;
            if (sizingError) return fail(*sizingError);
            return bytes == 0 ? TRUE : fail(ERROR_INSUFFICIENT_BUFFER);
        }
        if (fillError) return fail(*fillError);
        if (size < bytes) return fail(ERROR_INSUFFICIENT_BUFFER);
        auto* infos = reinterpret_cast<PRINTER_INFO_2W*>(buffer);
        auto* strings = reinterpret_cast<wchar_t*>(infos + entries.size());
        const auto place = [&](const std::optional<std::wstring>& text) -> LPWSTR {
            if (!text) return nullptr;
            wchar_t* start = strings;
            std::memcpy(start, text->c_str(), (text->size() + 1) * sizeof(wchar_t));
            strings += text->size() + 1;
            return start;
        };
        for (std::size_t i = 0; i < entries.size(); ++i) {
            infos[i] = PRINTER_INFO_2W{};
            infos[i].pPrinterName = place(entries[i].name);
            infos[i].pDriverName = place(entries[i].driver);
            infos[i].pPortName = place(entries[i].port);
            infos[i].Status = entries[i].status;
        }
        *returned = static_cast<DWORD>(entries.size());
        return TRUE;
    }

    int deviceCapabilities(LPCWSTR device, LPCWSTR port, WORD capability, LPWSTR output, const DEVMODEW* devmode) {
        EXPECT_STREQ(device, L"PDF");
        EXPECT_STREQ(port, L"CUPS:PDF");
        EXPECT_EQ(devmode->dmOrientation, orientation) << "not the driver's default DEVMODE";
        ::SetLastError(kCleanupError);
        switch (capability) {
            case DC_PAPERS:
                if (output == nullptr) return static_cast<int>(paperIds.size());
                std::memcpy(output, paperIds.data(), paperIds.size() * sizeof(WORD));
                return paperIdsFilled.value_or(static_cast<int>(paperIds.size()));
            case DC_PAPERSIZE:
                std::memcpy(output, paperSizes.data(), paperSizes.size() * sizeof(POINT));
                return paperSizesFilled.value_or(static_cast<int>(paperSizes.size()));
            case DC_ENUMRESOLUTIONS: {
                if (output == nullptr) return resolutionCount.value_or(static_cast<int>(resolutions.size()));
                auto* pairs = reinterpret_cast<LONG*>(output);
                for (const auto& [x, y] : resolutions) {
                    *pairs++ = x;
                    *pairs++ = y;
                }
                return resolutionsFilled.value_or(static_cast<int>(resolutions.size()));
            }
            default: ADD_FAILURE() << "unexpected capability " << capability; return -1;
        }
    }
};

const PrinterInfo kPdf{L"PDF", L"PDF", L"CUPS:PDF", PrinterStatus::Paused};

class WinspoolApiTest : public ::testing::Test {
protected:
    // Every path releases what it opened.
    void TearDown() override {
        EXPECT_EQ(spooler_.openPrinters, 0) << "printer handle not closed";
        EXPECT_EQ(spooler_.openDcs, 0) << "device context not deleted";
    }

    Result<PrinterCapabilities> query() {
        WinspoolApi api(spooler_.functions());
        return api.queryCapabilities(kPdf);
    }

    std::vector<PaperSize> papers() {
        auto result = query();
        EXPECT_TRUE(result);
        return result ? result.value().papers : std::vector<PaperSize>{};
    }

    std::vector<Resolution> resolutions() {
        auto result = query();
        EXPECT_TRUE(result);
        return result ? result.value().resolutions : std::vector<Resolution>{};
    }

    FakeSpooler spooler_;
};

// --- status ---------------------------------------------------------------

TEST(PrinterStatusFromSpoolerTest, FirstMatchingRuleWins) {
    const struct {
        DWORD bits;
        PrinterStatus expected;
    } cases[] = {
        {0, PrinterStatus::Ready},
        {PRINTER_STATUS_BUSY | PRINTER_STATUS_PRINTING, PrinterStatus::Ready},
        {PRINTER_STATUS_OFFLINE, PrinterStatus::Offline},
        {PRINTER_STATUS_OFFLINE | PRINTER_STATUS_PAUSED, PrinterStatus::Offline},
        {PRINTER_STATUS_OFFLINE | PRINTER_STATUS_ERROR, PrinterStatus::Offline},
        {PRINTER_STATUS_PAUSED, PrinterStatus::Paused},
        {PRINTER_STATUS_PAUSED | PRINTER_STATUS_PAPER_OUT, PrinterStatus::Paused},
        {PRINTER_STATUS_PAPER_OUT, PrinterStatus::PaperOut},
        {PRINTER_STATUS_PAPER_OUT | PRINTER_STATUS_DOOR_OPEN, PrinterStatus::PaperOut},
        {0x2, PrinterStatus::Error},
        {0x1000, PrinterStatus::Error},
        {0x100000, PrinterStatus::Error},
        {0x400000, PrinterStatus::Error},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(printerStatusFromSpooler(c.bits), c.expected) << std::hex << "status 0x" << c.bits;
    }
}

// --- default printer ------------------------------------------------------

TEST_F(WinspoolApiTest, DefaultPrinterNameWithoutTerminatorOrEmpty) {
    WinspoolApi api(spooler_.functions());
    EXPECT_EQ(api.defaultPrinterName(), L"PDF");
    spooler_.defaultFillFails = true;
    EXPECT_EQ(api.defaultPrinterName(), L"");
    spooler_.defaultFillFails = false;
    spooler_.defaultReportedLength = 0;
    EXPECT_EQ(api.defaultPrinterName(), L"");
    spooler_.defaultName.clear();  // no default printer at all
    EXPECT_EQ(api.defaultPrinterName(), L"");
}

// --- enumeration ----------------------------------------------------------

TEST_F(WinspoolApiTest, EnumerationKeepsSpoolerOrderDuplicatesAndStatus) {
    spooler_.entries = {
        {L"Zebra", L"ZDesigner", L"USB001", PRINTER_STATUS_PAPER_OUT},
        {L"PDF", L"PDF", L"CUPS:PDF", 0},
        {L"Zebra", L"ZDesigner", L"USB001", PRINTER_STATUS_OFFLINE | PRINTER_STATUS_PAUSED},
    };
    WinspoolApi api(spooler_.functions());
    auto printers = api.enumeratePrinters();
    ASSERT_TRUE(printers);
    const std::vector<PrinterInfo> expected{
        {L"Zebra", L"ZDesigner", L"USB001", PrinterStatus::PaperOut},
        {L"PDF", L"PDF", L"CUPS:PDF", PrinterStatus::Ready},
        {L"Zebra", L"ZDesigner", L"USB001", PrinterStatus::Offline},
    };
    EXPECT_EQ(printers.value(), expected);
}

TEST_F(WinspoolApiTest, EntriesWithoutNameDriverOrPortAreLeftOut) {
    spooler_.entries = {
        {std::nullopt, L"D", L"P"}, {L"", L"D", L"P"},          {L"A", L"D", L"P"}, {L"N", std::nullopt, L"P"},
        {L"N", L"", L"P"},          {L"N", L"D", std::nullopt}, {L"N", L"D", L""},  {L"B", L"D", L"P"},
    };
    WinspoolApi api(spooler_.functions());
    auto printers = api.enumeratePrinters();
    ASSERT_TRUE(printers);
    ASSERT_EQ(printers.value().size(), 2u);
    EXPECT_EQ(printers.value()[0].name, L"A");
    EXPECT_EQ(printers.value()[1].name, L"B");
}

TEST_F(WinspoolApiTest, NothingToListNeedsNoSecondCall) {
    WinspoolApi api(spooler_.functions());
    auto printers = api.enumeratePrinters();
    ASSERT_TRUE(printers);
    EXPECT_TRUE(printers.value().empty());
    EXPECT_EQ(spooler_.enumCalls, 1);
}

TEST_F(WinspoolApiTest, EnumerationFailuresCarryTheFailingCallsNumber) {
    spooler_.entries = {{L"PDF", L"PDF", L"CUPS:PDF"}};
    const struct {
        const char* scenario;
        std::optional<DWORD> sizingError, fillError;
        bool silent;
        const wchar_t* message;
    } cases[] = {
        {"access denied while sizing", ERROR_ACCESS_DENIED, std::nullopt, false, L"无法枚举打印机 (Win32=5)"},
        {"sizing fails without an error", std::nullopt, std::nullopt, true, L"无法枚举打印机 (Win32=0)"},
        {"the fill call fails", std::nullopt, RPC_S_SERVER_UNAVAILABLE, false, L"无法枚举打印机 (Win32=1722)"},
    };
    for (const auto& c : cases) {
        spooler_.sizingError = c.sizingError;
        spooler_.fillError = c.fillError;
        spooler_.sizingFailsSilently = c.silent;
        ::SetLastError(kCleanupError);  // stale, must not leak into the message
        WinspoolApi api(spooler_.functions());
        auto printers = api.enumeratePrinters();
        ASSERT_FALSE(printers) << c.scenario;
        EXPECT_EQ(printers.error(), Error("KSR-2003", c.message)) << c.scenario;
    }
}

// --- capabilities ---------------------------------------------------------

TEST_F(WinspoolApiTest, CapabilitiesOfTheDefaultSettings) {
    spooler_.deviceCaps[PHYSICALOFFSETY] = -3;  // offsets are reported unchecked
    auto result = query();
    ASSERT_TRUE(result);
    const PrinterCapabilities& caps = result.value();
    EXPECT_EQ(spooler_.openedName, L"PDF");
    EXPECT_FALSE(spooler_.openedWithDefaults);
    EXPECT_EQ(spooler_.deviceCapsOrder, (std::vector<int>{LOGPIXELSX, LOGPIXELSY, PHYSICALWIDTH, PHYSICALHEIGHT,
                                                          HORZRES, VERTRES, PHYSICALOFFSETX, PHYSICALOFFSETY}));
    PrinterCapabilities expected;
    expected.name = L"PDF";
    expected.driverName = L"PDF";
    expected.portName = L"CUPS:PDF";
    expected.dpiX = expected.dpiY = 300;
    expected.papers = {{DMPAPER_A4, 210000, 297000, false}, {DMPAPER_LETTER, 215900, 279400, false}};
    expected.physicalWidthDots = 2480;
    expected.physicalHeightDots = 3508;
    expected.printableLeftDots = 75;
    expected.printableTopDots = -3;
    expected.printableWidthDots = 2330;
    expected.printableHeightDots = 3358;
    expected.status = PrinterStatus::Paused;
    expected.resolutions = {{150, 150}, {600, 600}, {300, 300}};
    EXPECT_EQ(caps, expected);
}

TEST_F(WinspoolApiTest, LandscapeDefaultMarksEveryPaper) {
    spooler_.orientation = DMORIENT_LANDSCAPE;
    const auto list = papers();
    EXPECT_EQ(spooler_.dcOrientation, DMORIENT_LANDSCAPE) << "the DC must use the driver's DEVMODE";
    ASSERT_EQ(list.size(), 2u);
    for (const auto& paper : list) EXPECT_TRUE(paper.landscape) << paper.paperId;
}

TEST_F(WinspoolApiTest, PapersWithoutAPositiveSizeAreSkipped) {
    // 258: beyond the 32-bit micrometre range, driver garbage rather than paper.
    spooler_.paperIds = {DMPAPER_A4, 256, DMPAPER_A5, 257, 258, DMPAPER_LETTER};
    spooler_.paperSizes = {{2100, 2970}, {0, 1000}, {1480, 2100}, {1000, -5}, {1000, 42949673}, {2159, 2794}};
    const auto list = papers();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].paperId, DMPAPER_A4);
    EXPECT_EQ(list[1], (PaperSize{DMPAPER_A5, 148000, 210000, false}));
    EXPECT_EQ(list[2].paperId, DMPAPER_LETTER);
}

TEST_F(WinspoolApiTest, UntrustworthyPaperListsYieldNoPapers) {
    const struct {
        const char* scenario;
        std::vector<WORD> ids;
        std::optional<int> idsFilled, sizesFilled;
    } cases[] = {
        {"no papers", {}, std::nullopt, std::nullopt},
        {"fewer ids than counted", {DMPAPER_A4, DMPAPER_LETTER}, 1, std::nullopt},
        {"fewer sizes than ids", {DMPAPER_A4, DMPAPER_LETTER}, std::nullopt, 1},
        {"paper size query fails", {DMPAPER_A4, DMPAPER_LETTER}, std::nullopt, -1},
    };
    for (const auto& c : cases) {
        spooler_.paperIds = c.ids;
        spooler_.paperIdsFilled = c.idsFilled;
        spooler_.paperSizesFilled = c.sizesFilled;
        EXPECT_TRUE(papers().empty()) << c.scenario;
    }
}

TEST_F(WinspoolApiTest, WithoutDriverResolutionsOnlyTheCurrentOne) {
    const struct {
        const char* scenario;
        std::optional<int> count, filled;
    } cases[] = {
        {"none listed", 0, std::nullopt},
        {"query fails", -1, std::nullopt},
        {"fill returns another count", std::nullopt, 1},
    };
    for (const auto& c : cases) {
        spooler_.resolutionCount = c.count;
        spooler_.resolutionsFilled = c.filled;
        EXPECT_EQ(resolutions(), (std::vector<Resolution>{{300, 300}})) << c.scenario;
    }
}

TEST_F(WinspoolApiTest, DriverResolutionsKeepTheirOrderWithoutASecondCurrent) {
    spooler_.resolutions = {{1200, 1200}, {0, 300}, {300, 300}, {150, -1}, {300, 600}};
    EXPECT_EQ(resolutions(), (std::vector<Resolution>{{1200, 1200}, {300, 300}, {300, 600}}));
}

TEST_F(WinspoolApiTest, EachFailingStepReportsItsOwnCodeAndNumber) {
    const struct {
        const char* scenario;
        void (*script)(FakeSpooler&);
        Error expected;
    } cases[] = {
        {"open", [](FakeSpooler& s) { s.openError = ERROR_INVALID_PRINTER_NAME; },
         Error("KSR-2002", L"无法打开打印机 (Win32=1801)")},
        {"DEVMODE size 0",
         [](FakeSpooler& s) {
             s.devmodeSize = 0;
             s.devmodeError = ERROR_NOT_SUPPORTED;
         },
         Error("KSR-2004", L"无法读取打印机 DEVMODE (Win32=50)")},
        {"DEVMODE size negative",
         [](FakeSpooler& s) {
             s.devmodeSize = -1;
             s.devmodeError = ERROR_INVALID_HANDLE;
         },
         Error("KSR-2004", L"无法读取打印机 DEVMODE (Win32=6)")},
        {"DEVMODE fill not IDOK",
         [](FakeSpooler& s) {
             s.fillResult = IDCANCEL;
             s.devmodeError = ERROR_OUTOFMEMORY;
         },
         Error("KSR-2004", L"无法读取打印机 DEVMODE (Win32=14)")},
        {"CreateDCW", [](FakeSpooler& s) { s.dcError = ERROR_INVALID_PARAMETER; },
         Error("KSR-2005", L"无法创建设备上下文 (Win32=87)")},
    };
    for (const auto& c : cases) {
        FakeSpooler spooler;
        c.script(spooler);
        {
            WinspoolApi api(spooler.functions());
            auto result = api.queryCapabilities(kPdf);
            ASSERT_FALSE(result) << c.scenario;
            EXPECT_EQ(result.error(), c.expected) << c.scenario;
        }
        EXPECT_EQ(spooler.openPrinters, 0) << c.scenario;
        EXPECT_EQ(spooler.openDcs, 0) << c.scenario;
    }
}

TEST_F(WinspoolApiTest, AnyCheckedDeviceValueBelowOneIsInvalid) {
    for (const int index : {LOGPIXELSX, LOGPIXELSY, PHYSICALWIDTH, PHYSICALHEIGHT, HORZRES, VERTRES}) {
        for (const int value : {0, -1}) {
            FakeSpooler spooler;
            spooler.deviceCaps[index] = value;
            {
                WinspoolApi api(spooler.functions());
                auto result = api.queryCapabilities(kPdf);
                ASSERT_FALSE(result) << index;
                EXPECT_EQ(result.error(), Error("KSR-2006", L"打印机返回了无效的设备能力")) << index;
            }
            EXPECT_EQ(spooler.openDcs, 0) << index;
            EXPECT_EQ(spooler.openPrinters, 0) << index;
        }
    }
}

// --- owners ---------------------------------------------------------------

TEST(UniqueClosedByTest, MoveAssignmentClosesTheReplacedValueOnly) {
    std::vector<HDC> deleted;
    const std::function<decltype(::DeleteDC)> deleteDC = [&](HDC dc) {
        deleted.push_back(dc);
        return TRUE;
    };
    const HDC first = reinterpret_cast<HDC>(1), second = reinterpret_cast<HDC>(2);
    {
        DeviceContextOwner owner(first, deleteDC);
        DeviceContextOwner other(second, deleteDC);
        owner = std::move(other);
        EXPECT_EQ(deleted, std::vector<HDC>{first});
        EXPECT_FALSE(other);
        EXPECT_EQ(owner.get(), second);
    }
    EXPECT_EQ(deleted, (std::vector<HDC>{first, second}));

    DeviceContextOwner released(first, deleteDC);
    EXPECT_EQ(released.release(), first);
    released.reset();
    EXPECT_EQ(deleted.size(), 2u);
}

}  // namespace
}  // namespace ks::platform
