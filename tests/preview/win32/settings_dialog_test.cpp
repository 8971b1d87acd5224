#include "preview/win32/settings_dialog.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_preview_window_model.h"
#include "preview/preview_layout.h"
#include "preview/win32/preview_window.h"

namespace ks::preview {
namespace {

namespace id = settings_control;

const std::string kPdfId(64, 'a');

std::wstring windowText(HWND window) {
    wchar_t buffer[256] = {};
    ::GetWindowTextW(window, buffer, 256);
    return buffer;
}

// The items of a combo box or, with `listBox`, a list box.
std::vector<std::wstring> items(HWND dialog, int control, bool listBox = false) {
    const UINT count = listBox ? LB_GETCOUNT : CB_GETCOUNT;
    const UINT getText = listBox ? LB_GETTEXT : CB_GETLBTEXT;
    std::vector<std::wstring> texts;
    for (LRESULT i = 0; i < ::SendDlgItemMessageW(dialog, control, count, 0, 0); ++i) {
        wchar_t buffer[256] = {};
        ::SendDlgItemMessageW(dialog, control, getText, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
        texts.emplace_back(buffer);
    }
    return texts;
}

// A message box the dialog showed: caption and the texts of its statics.
struct ShownBox {
    std::wstring caption;
    std::wstring text;
};

// Acts on the settings dialog as a user would, one step each time its modal
// loop has run out of input and waits (the owner receives WM_ENTERIDLE
// naming the dialog), so that each step sees what the one before did. Every
// step but the last must leave input queued. Message boxes send no such
// message; each is recorded when it is activated and answered with OK, which
// its own loop then takes. The dialog is cancelled if the steps leave it
// open, so that no test hangs on it.
class DialogDriver {
public:
    DialogDriver(HWND owner, std::function<void(HWND)> script)
        : DialogDriver(owner, std::vector<std::function<void(HWND)>>{std::move(script)}) {}
    DialogDriver(HWND owner, std::vector<std::function<void(HWND)>> steps) : owner_(owner), steps_(std::move(steps)) {
        active_ = this;
        ::SetWindowSubclass(owner_, ownerIdle, 1, reinterpret_cast<DWORD_PTR>(this));
        hook_ = ::SetWindowsHookExW(WH_CBT, boxActivated, nullptr, ::GetCurrentThreadId());
    }
    ~DialogDriver() {
        ::UnhookWindowsHookEx(hook_);
        ::RemoveWindowSubclass(owner_, ownerIdle, 1);
        active_ = nullptr;
    }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    bool ran() const { return dialog_ != nullptr; }
    const std::vector<ShownBox>& boxes() const { return boxes_; }

private:
    static LRESULT CALLBACK ownerIdle(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR data) {
        auto* self = reinterpret_cast<DialogDriver*>(data);
        if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX && self->next_ < self->steps_.size()) {
            self->dialog_ = reinterpret_cast<HWND>(lParam);
            self->steps_[self->next_++](self->dialog_);
            if (self->next_ == self->steps_.size() && ::IsWindowVisible(self->dialog_)) {
                ::PostMessageW(self->dialog_, WM_COMMAND, IDCANCEL, 0);
            }
            return 0;
        }
        return ::DefSubclassProc(window, message, wParam, lParam);
    }

    // A thread hook carries no context of its own: it reaches the driver of
    // the running test through active_.
    static LRESULT CALLBACK boxActivated(int code, WPARAM wParam, LPARAM lParam) {
        const auto box = reinterpret_cast<HWND>(wParam);
        if (code == HCBT_ACTIVATE && active_ != nullptr && active_->dialog_ != nullptr &&
            ::GetWindow(box, GW_OWNER) == active_->dialog_ && box != active_->lastBox_) {
            active_->lastBox_ = box;
            ShownBox shown{windowText(box), {}};
            for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
                wchar_t className[32] = {};
                ::GetClassNameW(child, className, 32);
                if (_wcsicmp(className, L"Static") == 0) shown.text += windowText(child);
            }
            active_->boxes_.push_back(shown);
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline DialogDriver* active_ = nullptr;
    HWND owner_;
    std::vector<std::function<void(HWND)>> steps_;
    std::size_t next_ = 0;
    HHOOK hook_ = nullptr;
    HWND dialog_ = nullptr;
    HWND lastBox_ = nullptr;
    std::vector<ShownBox> boxes_;
};

class SettingsDialogTest : public testing::Test {
protected:
    void SetUp() override {
        state_ = std::make_shared<fakes::FakePreviewState>();
        state_->settingsEnabled = true;
        PreviewView& view = state_->view;
        raster::RasterPage page;
        page.width = page.height = 4;
        page.pixels = std::make_shared<protocol::ByteBuffer>(64);
        view.pages = std::make_shared<const std::vector<raster::RasterPage>>(3, page);
        view.paperWidthMm = 100;
        view.paperHeightMm = 80;
        view.dpiX = view.dpiY = 300;
        view.printerId = kPdfId;
        PreviewSettings& settings = state_->settings;
        settings.paperWidthMm = 100;
        settings.paperHeightMm = 80;
        settings.dpiX = settings.dpiY = 300;
        settings.marginLeftMm = 1.5;
        settings.pageSelectionMode = 1;
        settings.selectedPages = {1, 9};
        state_->printers = std::vector<platform::PrinterCapabilities>{
            fakes::printerRecord(kPdfId, L"PDF", platform::PrinterStatus::Ready, 0)};
        platform::PrinterCapabilities record =
            fakes::printerRecord(kPdfId, L"PDF", platform::PrinterStatus::Ready, 300);
        record.papers = {{0, 62000, 29000, false}};
        record.resolutions = {{300, 300}, {600, 600}};
        state_->records = {record};
    }

    void TearDown() override {
        if (::IsWindow(window_)) ::DestroyWindow(window_);
    }

    void open(HINSTANCE instance = ::GetModuleHandleW(nullptr)) {
        ASSERT_TRUE(registerPreviewWindowClass(instance));
        window_ = createPreviewWindow(instance, nullptr, std::make_unique<fakes::FakePreviewWindowModel>(state_));
        ASSERT_NE(window_, nullptr);
    }

    void openSettings() {
        ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(control::kSettings, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(window_, control::kSettings)));
    }

    std::wstring text(int control) const { return windowText(::GetDlgItem(window_, control)); }

    std::shared_ptr<fakes::FakePreviewState> state_;
    HWND window_ = nullptr;
};

void setText(HWND dialog, int control, const wchar_t* text) { ::SetDlgItemTextW(dialog, control, text); }

// The dialog's control with the keyboard focus (a combo box for its edit field).
int focusedId(HWND dialog) {
    HWND focused = ::GetFocus();
    if (focused != nullptr && ::GetParent(focused) != dialog) focused = ::GetParent(focused);
    return ::GetDlgCtrlID(focused);
}

// Keys and characters as the keyboard delivers them, to the focused control.
void key(UINT virtualKey) {
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, virtualKey, 0);
    ::PostMessageW(::GetFocus(), WM_KEYUP, virtualKey, 0xC0000001);
}
void type(const wchar_t* text) {
    for (; *text != L'\0'; ++text) ::PostMessageW(::GetFocus(), WM_CHAR, *text, 1);
}
void press(HWND dialog, int control) {
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, control)));
}

TEST_F(SettingsDialogTest, ShowsTheSessionsSettingsAndAppliesWhatTheUserTyped) {
    open();
    DialogDriver driver(window_, [&](HWND dialog) {
        EXPECT_EQ(windowText(dialog), L"预览设置");
        const std::vector<std::wstring> papers = items(dialog, id::kPaper);
        ASSERT_EQ(papers.size(), 25u);
        EXPECT_EQ(papers[0], L"62.0 × 29.0 mm（驱动）");
        EXPECT_EQ(papers[1], L"A4（210 × 297 mm）");
        EXPECT_EQ(::SendDlgItemMessageW(dialog, id::kPaper, CB_GETCURSEL, 0, 0), 8);  // 标签（100 × 80 mm）
        EXPECT_EQ(items(dialog, id::kQuality), (std::vector<std::wstring>{L"300 DPI", L"600 DPI"}));
        EXPECT_EQ(::SendDlgItemMessageW(dialog, id::kQuality, CB_GETCURSEL, 0, 0), 0);
        EXPECT_EQ(items(dialog, id::kOrientation), (std::vector<std::wstring>{L"纵向", L"横向"}));
        EXPECT_EQ(::SendDlgItemMessageW(dialog, id::kOrientation, CB_GETCURSEL, 0, 0), 0);
        EXPECT_EQ(items(dialog, id::kPageList, true), (std::vector<std::wstring>{L"第 1 页", L"第 2 页", L"第 3 页"}));
        EXPECT_EQ(::SendDlgItemMessageW(dialog, id::kPageList, LB_GETSELCOUNT, 0, 0), 1);
        EXPECT_GT(::SendDlgItemMessageW(dialog, id::kPageList, LB_GETSEL, 1, 0), 0);
        EXPECT_EQ(::IsDlgButtonChecked(dialog, id::kSelectedPages), BST_CHECKED);
        EXPECT_EQ(windowText(::GetDlgItem(dialog, id::kMarginLeft)), L"1.50");
        EXPECT_EQ(windowText(::GetDlgItem(dialog, id::kMarginBottom)), L"0.00");

        // A size typed over the selected paper.
        setText(dialog, id::kPaper, L"90 × 120 mm");
        ::SendDlgItemMessageW(dialog, id::kQuality, CB_SETCURSEL, 1, 0);
        ::SendDlgItemMessageW(dialog, id::kOrientation, CB_SETCURSEL, 1, 0);
        ::SendDlgItemMessageW(dialog, id::kPageRange, BM_CLICK, 0, 0);
        setText(dialog, id::kRangeText, L"1-2");
        setText(dialog, id::kMarginTop, L"-1");
        press(dialog, IDOK);
        EXPECT_TRUE(::IsWindowVisible(dialog));
        EXPECT_TRUE(state_->applied.empty());

        setText(dialog, id::kMarginTop, L"2.5");
        press(dialog, IDOK);
        EXPECT_FALSE(::IsWindowVisible(dialog));
    });
    openSettings();
    ASSERT_TRUE(driver.ran());
    ASSERT_EQ(driver.boxes().size(), 1u);
    EXPECT_EQ(driver.boxes()[0].caption, L"预览设置");
    EXPECT_EQ(driver.boxes()[0].text, L"边距请输入大于等于 0 的毫米数。");

    ASSERT_EQ(state_->applied.size(), 1u);
    const PreviewSettings& applied = state_->applied[0];
    EXPECT_EQ(applied.paperWidthMm, 120);  // landscape: the longer side across
    EXPECT_EQ(applied.paperHeightMm, 90);
    EXPECT_EQ(applied.dpiX, 600u);
    EXPECT_EQ(applied.landscape, 1u);
    EXPECT_EQ(applied.marginLeftMm, 1.5);
    EXPECT_EQ(applied.marginTopMm, 2.5);
    EXPECT_EQ(applied.pageSelectionMode, 2u);
    EXPECT_EQ(applied.pageRangeText, L"1-2");
    EXPECT_EQ(applied.selectedPages, std::vector<std::uint64_t>{1});
    // The window shows the new settings.
    EXPECT_EQ(text(control::kPaperLine), L"纸张    120 × 90 mm");
    EXPECT_EQ(text(control::kQualityLine), L"质量    600 DPI");
    EXPECT_EQ(text(control::kOrientationLine), L"方向    横向");
    EXPECT_EQ(text(control::kStatus), L"打印机就绪");
}

// Tab visits each of the page controls; the arrow keys move between the
// three options only, never into the list or the range box.
TEST_F(SettingsDialogTest, TabReachesTheListAndTheRangeBoxAndArrowsStayAmongTheOptions) {
    state_->settings.pageSelectionMode = 0;
    open();
    std::vector<int> focus;
    const auto step = [&](UINT virtualKey) {
        return [&focus, virtualKey](HWND dialog) {
            focus.push_back(focusedId(dialog));
            key(virtualKey);
        };
    };
    DialogDriver driver(window_, {step(VK_TAB), step(VK_TAB), step(VK_TAB), step(VK_DOWN), step(VK_DOWN), step(VK_DOWN),
                                  step(VK_TAB), step(VK_TAB), step(VK_TAB), step(VK_ESCAPE)});
    openSettings();
    ASSERT_TRUE(driver.ran());
    EXPECT_EQ(focus, (std::vector<int>{id::kPaper, id::kQuality, id::kOrientation, id::kAllPages, id::kSelectedPages,
                                       id::kPageRange, id::kAllPages, id::kPageList, id::kRangeText, id::kMarginLeft}));
    EXPECT_TRUE(state_->applied.empty());
}

// Typing a range or choosing pages in the list, with the keyboard alone,
// chooses the matching option; Enter then applies it.
TEST_F(SettingsDialogTest, TypedRangeOrChosenPagesSelectTheirOption) {
    struct Case {
        std::uint32_t startMode;
        int tabs;  // from the paper field to the list (4) or the range box (5)
        std::function<void()> input;
        std::uint32_t mode;
        std::vector<std::uint64_t> selected;
        std::wstring range;
    };
    const Case cases[] = {
        {0, 5, [] { type(L"2-3"); }, 2, {}, L"2-3"},
        {1, 5, [] { type(L"1"); }, 2, {1}, L"1"},
        // Down from the list's first item chooses the second page.
        {0, 4, [] { key(VK_DOWN); }, 1, {1}, L""},
        {2, 4, [] { key(VK_DOWN); }, 1, {1}, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "from mode " << c.startMode << " with " << c.tabs << " tabs");
        state_->applied.clear();
        state_->settings.pageSelectionMode = c.startMode;
        state_->settings.selectedPages =
            c.startMode == 1 ? std::vector<std::uint64_t>{1} : std::vector<std::uint64_t>{};
        state_->settings.pageRangeText.clear();
        open();
        int reached = 0;
        std::vector<std::function<void(HWND)>> steps(static_cast<std::size_t>(c.tabs), [](HWND) { key(VK_TAB); });
        steps.push_back([&](HWND dialog) {
            reached = focusedId(dialog);
            c.input();
        });
        steps.push_back([](HWND) { key(VK_RETURN); });
        DialogDriver driver(window_, steps);
        openSettings();
        ASSERT_TRUE(driver.ran());
        EXPECT_EQ(reached, c.tabs == 4 ? id::kPageList : id::kRangeText);
        EXPECT_TRUE(driver.boxes().empty());
        ASSERT_EQ(state_->applied.size(), 1u);
        EXPECT_EQ(state_->applied[0].pageSelectionMode, c.mode);
        EXPECT_EQ(state_->applied[0].selectedPages, c.selected);
        EXPECT_EQ(state_->applied[0].pageRangeText, c.range);
        ::DestroyWindow(window_);
    }
}

// Closed, the dialog leaves the keyboard focus on "设置", where the user
// opened it: Enter then opens it again rather than print.
TEST_F(SettingsDialogTest, ClosingTheDialogGivesTheFocusBackToTheSettingsButton) {
    state_->printingEnabled = true;
    open();
    ::ShowWindow(window_, SW_SHOW);
    ::SetForegroundWindow(window_);
    const HWND settings = ::GetDlgItem(window_, control::kSettings);
    ::SetFocus(settings);
    DialogDriver driver(window_, [](HWND) { key(VK_ESCAPE); });
    openSettings();
    ASSERT_TRUE(driver.ran());
    const ULONGLONG end = ::GetTickCount64() + 5000;
    MSG message{};
    while (::GetFocus() != settings && ::GetTickCount64() < end) {
        if (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
    EXPECT_EQ(::GetFocus(), settings);
    EXPECT_EQ(::SendMessageW(window_, DM_GETDEFID, 0, 0), MAKELONG(control::kSettings, DC_HASDEFID));
}

TEST_F(SettingsDialogTest, RefusedInputKeepsTheDialogOpenAndCancelChangesNothing) {
    state_->applyResult = Error("KSR-3001", L"边距过大，页面内没有可打印区域");
    state_->settings.paperWidthMm = 123.456;  // in no list: shown as typed
    open();
    DialogDriver driver(window_, [&](HWND dialog) {
        EXPECT_EQ(::SendDlgItemMessageW(dialog, id::kPaper, CB_GETCURSEL, 0, 0), CB_ERR);
        EXPECT_EQ(windowText(::GetDlgItem(dialog, id::kPaper)), L"123.46 × 80.00 mm");
        setText(dialog, id::kPaper, L"100 × 80 cm");
        press(dialog, IDOK);
        setText(dialog, id::kPaper, L"100 × 80 mm");
        press(dialog, IDOK);
        EXPECT_TRUE(::IsWindowVisible(dialog));
        press(dialog, IDCANCEL);
        EXPECT_FALSE(::IsWindowVisible(dialog));
    });
    openSettings();
    ASSERT_TRUE(driver.ran());
    ASSERT_EQ(driver.boxes().size(), 2u);
    EXPECT_EQ(driver.boxes()[0].text, L"自定义纸张请输入 宽 × 高 mm，例如：100 × 80 mm。");
    EXPECT_EQ(driver.boxes()[1].text, L"边距过大，页面内没有可打印区域");
    EXPECT_EQ(driver.boxes()[1].caption, L"预览设置");
    // The portrait default puts the typed 100 × 80 upright.
    ASSERT_EQ(state_->applied.size(), 1u);
    EXPECT_EQ(state_->applied[0].paperWidthMm, 80);
    EXPECT_EQ(state_->applied[0].paperHeightMm, 100);
    EXPECT_EQ(text(control::kPaperLine), L"纸张    100 × 80 mm");
    EXPECT_EQ(text(control::kStatus), L"打印机就绪");
}

TEST_F(SettingsDialogTest, APrinterThatWentAwayOpensNoDialog) {
    open();
    // The printer went away: the readiness check drops it and no dialog opens.
    state_->records.clear();
    DialogDriver driver(window_, [](HWND) {});
    openSettings();
    EXPECT_FALSE(driver.ran());
    EXPECT_EQ(text(control::kStatus), L"KSR-2001：找不到指定打印机");
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(window_, control::kSettings)));
}

TEST_F(SettingsDialogTest, ADialogThatCannotBeShownBecomesTheWindowsError) {
    // A module without the dialog's resource.
    open(::GetModuleHandleW(L"kernel32.dll"));
    openSettings();
    EXPECT_EQ(text(control::kStatus), L"KSR-4007：无法打开预览设置窗口");
    EXPECT_TRUE(state_->applied.empty());
}

}  // namespace
}  // namespace ks::preview
