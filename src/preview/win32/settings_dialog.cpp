#include "preview/win32/settings_dialog.h"

#include <fmt/xchar.h>

#include <array>
#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "app/app_icon.h"
#include "platform/win32/gdi_objects.h"
#include "preview/resolution_choices.h"
#include "preview/settings_input.h"
#include "protocol/error_text.h"
#include "protocol/win32/ansi_decoder.h"
#include "resource_ids.h"

namespace ks::preview {
namespace {

namespace id = settings_control;

constexpr const wchar_t* kCaption = L"预览设置";
constexpr const wchar_t* kCustomPaperHint = L"自定义纸张请输入 宽 × 高 mm，例如：100 × 80 mm。";
constexpr const wchar_t* kMarginHint = L"边距请输入大于等于 0 的毫米数。";
// Longest texts taken from the paper field, the range and each margin; the
// controls are limited to them, so that nothing typed is cut off unseen.
constexpr int kLongText = 127;
constexpr int kMarginText = 31;
constexpr std::array<int, 4> kMargins{id::kMarginLeft, id::kMarginTop, id::kMarginRight, id::kMarginBottom};

// One open settings dialog: what it was given, the qualities it lists and
// its icons, alive until the dialog ends.
class SettingsDialog {
public:
    explicit SettingsDialog(SettingsDialogRequest request) : request_(std::move(request)) {}

    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

private:
    void initialise();
    void setIcons();
    void fillPapers();
    void fillQualities();
    void fillPages();
    void confirm();
    [[nodiscard]] std::optional<PaperSizeMm> chosenPaper() const;
    [[nodiscard]] std::optional<double> margin(int control) const;
    [[nodiscard]] std::wstring text(int control, int longest) const;
    void inform(const std::wstring& message) const;
    void choosePageMode(int option) const { ::CheckRadioButton(dialog_, id::kAllPages, id::kPageRange, option); }
    LRESULT send(int control, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendDlgItemMessageW(dialog_, control, message, wParam, lParam);
    }

    HWND dialog_ = nullptr;
    // Set once the controls show the request: from then on a change to the
    // range text is the user's.
    bool filled_ = false;
    SettingsDialogRequest request_;
    std::vector<platform::Resolution> qualities_;
    platform::UniqueIcon bigIcon_;
    platform::UniqueIcon smallIcon_;
};

INT_PTR CALLBACK SettingsDialog::procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<SettingsDialog*>(lParam);
        self->dialog_ = dialog;
        try {
            self->initialise();
            self->filled_ = true;
        } catch (const std::exception&) {
            // A half-filled dialog would apply what it does not show.
            ::EndDialog(dialog, -1);
        }
        return TRUE;
    }
    auto* self = reinterpret_cast<SettingsDialog*>(::GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr || message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
        case id::kRangeText:
            if (HIWORD(wParam) != EN_CHANGE || !self->filled_) return FALSE;
            self->choosePageMode(id::kPageRange);
            return TRUE;
        case id::kPageList:
            if (HIWORD(wParam) != LBN_SELCHANGE) return FALSE;
            self->choosePageMode(id::kSelectedPages);
            return TRUE;
        case IDOK: try { self->confirm();
            } catch (const std::exception& exception) {
                // The session is unchanged; the user may try again or cancel.
                self->inform(protocol::exceptionText(exception.what(), protocol::decodeAnsiCodePage));
            }
            return TRUE;
        case IDCANCEL: ::EndDialog(dialog, IDCANCEL); return TRUE;
        default: return FALSE;
    }
}

void SettingsDialog::initialise() {
    setIcons();
    fillPapers();
    fillQualities();
    send(id::kOrientation, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"纵向"));
    send(id::kOrientation, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"横向"));
    send(id::kOrientation, CB_SETCURSEL, request_.settings.landscape == 1 ? 1 : 0);
    fillPages();
    const std::uint32_t mode = request_.settings.pageSelectionMode;
    choosePageMode(mode == 1 ? id::kSelectedPages : mode == 2 ? id::kPageRange : id::kAllPages);
    send(id::kRangeText, EM_LIMITTEXT, kLongText);
    ::SetDlgItemTextW(dialog_, id::kRangeText, request_.settings.pageRangeText.c_str());
    const PreviewSettings& settings = request_.settings;
    const std::array<double, 4> margins{settings.marginLeftMm, settings.marginTopMm, settings.marginRightMm,
                                        settings.marginBottomMm};
    for (std::size_t i = 0; i < kMargins.size(); ++i) {
        send(kMargins[i], EM_LIMITTEXT, kMarginText);
        ::SetDlgItemTextW(dialog_, kMargins[i], fmt::format(L"{:.2f}", margins[i]).c_str());
    }
}

// The product icon at the sizes the dialog's DPI asks for, else the
// system's; the system's is shared and never destroyed.
void SettingsDialog::setIcons() {
    const auto module = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(dialog_, GWLP_HINSTANCE));
    const UINT dpi = ::GetDpiForWindow(dialog_);
    bigIcon_ = app::loadAppIcon(module, ::GetSystemMetricsForDpi(SM_CXICON, dpi));
    smallIcon_ = app::loadAppIcon(module, ::GetSystemMetricsForDpi(SM_CXSMICON, dpi));
    const HICON fallback = ::LoadIconW(nullptr, IDI_APPLICATION);
    ::SendMessageW(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_ ? bigIcon_.get() : fallback));
    ::SendMessageW(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_ ? smallIcon_.get() : fallback));
}

void SettingsDialog::fillPapers() {
    const std::vector<PaperEntry>& papers = request_.papers;
    for (std::size_t i = 0; i < papers.size(); ++i) {
        const auto item = send(id::kPaper, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(papers[i].label.c_str()));
        send(id::kPaper, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(i));
    }
    send(id::kPaper, CB_LIMITTEXT, kLongText);
    const PreviewSettings& settings = request_.settings;
    if (const auto entry = findPaperEntry(papers, settings.paperWidthMm, settings.paperHeightMm)) {
        send(id::kPaper, CB_SETCURSEL, *entry);
        return;
    }
    const std::wstring custom = fmt::format(L"{:.2f} × {:.2f} mm", settings.paperWidthMm, settings.paperHeightMm);
    ::SetDlgItemTextW(dialog_, id::kPaper, custom.c_str());
}

void SettingsDialog::fillQualities() {
    ResolutionChoices choices =
        resolutionChoices(request_.resolutions, {request_.settings.dpiX, request_.settings.dpiY});
    qualities_ = std::move(choices.resolutions);
    for (std::size_t i = 0; i < qualities_.size(); ++i) {
        const std::wstring label = resolutionLabel(qualities_[i]);
        const auto item = send(id::kQuality, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label.c_str()));
        send(id::kQuality, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(i));
    }
    send(id::kQuality, CB_SETCURSEL, choices.selected);
}

void SettingsDialog::fillPages() {
    for (std::uint64_t page = 1; page <= request_.pageCount; ++page) {
        send(id::kPageList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fmt::format(L"第 {} 页", page).c_str()));
    }
    for (const std::uint64_t page : request_.settings.selectedPages) {
        if (page < request_.pageCount) send(id::kPageList, LB_SETSEL, TRUE, static_cast<LPARAM>(page));
    }
}

void SettingsDialog::confirm() {
    PreviewSettings settings = request_.settings;
    const std::optional<PaperSizeMm> paper = chosenPaper();
    if (!paper) {
        inform(kCustomPaperHint);
        return;
    }
    // Without a quality chosen there is nothing to apply; the dialog stays.
    const LRESULT quality = send(id::kQuality, CB_GETCURSEL);
    if (quality < 0) return;
    const auto qualityIndex =
        static_cast<std::size_t>(send(id::kQuality, CB_GETITEMDATA, static_cast<WPARAM>(quality)));
    if (qualityIndex >= qualities_.size()) return;
    const platform::Resolution resolution = qualities_[qualityIndex];
    settings.dpiX = resolution.dpiX;
    settings.dpiY = resolution.dpiY;
    const bool landscape = send(id::kOrientation, CB_GETCURSEL) == 1;
    settings.landscape = landscape ? 1 : 0;
    const PaperSizeMm oriented = orientPaper(*paper, landscape);
    settings.paperWidthMm = oriented.widthMm;
    settings.paperHeightMm = oriented.heightMm;

    std::array<double, 4> margins{};
    for (std::size_t i = 0; i < kMargins.size(); ++i) {
        const std::optional<double> value = margin(kMargins[i]);
        if (!value) {
            inform(kMarginHint);
            return;
        }
        margins[i] = *value;
    }
    settings.marginLeftMm = margins[0];
    settings.marginTopMm = margins[1];
    settings.marginRightMm = margins[2];
    settings.marginBottomMm = margins[3];

    const LRESULT selectedCount = send(id::kPageList, LB_GETSELCOUNT);
    std::vector<int> selected(selectedCount > 0 ? static_cast<std::size_t>(selectedCount) : 0);
    if (!selected.empty()) {
        const LRESULT got =
            send(id::kPageList, LB_GETSELITEMS, selected.size(), reinterpret_cast<LPARAM>(selected.data()));
        selected.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    settings.selectedPages.assign(selected.begin(), selected.end());
    settings.pageSelectionMode = ::IsDlgButtonChecked(dialog_, id::kSelectedPages) == BST_CHECKED ? 1
                                 : ::IsDlgButtonChecked(dialog_, id::kPageRange) == BST_CHECKED   ? 2
                                                                                                  : 0;
    settings.pageRangeText = text(id::kRangeText, kLongText);

    if (Result<void> applied = request_.apply(settings); !applied) {
        inform(std::wstring(applied.error().message()));
        return;
    }
    ::EndDialog(dialog_, IDOK);
}

// The listed paper that is selected, else the size typed into the field.
// Text typed over a selection counts as typed, whether or not the combo box
// dropped its selection on the edit.
std::optional<PaperSizeMm> SettingsDialog::chosenPaper() const {
    const std::wstring typed = text(id::kPaper, kLongText);
    const LRESULT item = send(id::kPaper, CB_GETCURSEL);
    if (item >= 0) {
        const auto index = static_cast<std::size_t>(send(id::kPaper, CB_GETITEMDATA, static_cast<WPARAM>(item)));
        if (index < request_.papers.size() && request_.papers[index].label == typed) {
            return PaperSizeMm{request_.papers[index].widthMm, request_.papers[index].heightMm};
        }
    }
    return parseCustomPaperSize(typed);
}

std::optional<double> SettingsDialog::margin(int control) const { return parseMargin(text(control, kMarginText)); }

std::wstring SettingsDialog::text(int control, int longest) const {
    std::wstring buffer(static_cast<std::size_t>(longest) + 1, L'\0');
    buffer.resize(static_cast<std::size_t>(::GetDlgItemTextW(dialog_, control, buffer.data(), longest + 1)));
    return buffer;
}

void SettingsDialog::inform(const std::wstring& message) const {
    ::MessageBoxW(dialog_, message.c_str(), kCaption, MB_OK | MB_ICONINFORMATION);
}

}  // namespace

INT_PTR showSettingsDialog(HINSTANCE instance, HWND owner, SettingsDialogRequest request) {
    SettingsDialog dialog(std::move(request));
    return ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PREVIEW_SETTINGS), owner, SettingsDialog::procedure,
                             reinterpret_cast<LPARAM>(&dialog));
}

}  // namespace ks::preview
