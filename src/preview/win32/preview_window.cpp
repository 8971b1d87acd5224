#include "preview/win32/preview_window.h"

#include <array>
#include <limits>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/app_icon.h"
#include "platform/exception_boundary.h"
#include "platform/win32/focus_memory.h"
#include "platform/win32/object_window.h"
#include "preview/paper_list.h"
#include "preview/preview_layout.h"
#include "preview/preview_refresh.h"
#include "preview/preview_text.h"
#include "preview/preview_zoom.h"
#include "preview/win32/preview_controls.h"
#include "preview/win32/preview_messages.h"
#include "preview/win32/preview_renderer.h"
#include "preview/win32/settings_dialog.h"
#include "preview/win32/window_placement.h"
#include "protocol/error_catalog.h"
#include "protocol/error_text.h"
#include "protocol/win32/ansi_decoder.h"

namespace ks::preview {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;
// Polls for the result of a print in case its message is lost.
constexpr UINT_PTR kPrintTimer = 1;
constexpr UINT kPrintPollMs = 100;
// What an exception escaping a message's handling becomes in the status box.
constexpr protocol::ExceptionErrors kHandlerErrors{protocol::codes::kPreviewFailure, L"",
                                                   protocol::messages::kExceptionDetailMissing,
                                                   protocol::codes::kOutOfMemory, protocol::messages::kPageOutOfMemory};

// One preview window: its controls, fonts, icons, the printers it offers and
// the error it shows; the session is behind the model.
class PreviewWindow {
public:
    PreviewWindow(HWND window, std::unique_ptr<IPreviewWindowModel> model) noexcept
        : window_(window), model_(std::move(model)) {}

    // Takes the model out of the creation record.
    static std::unique_ptr<PreviewWindow> create(HWND window, const CREATESTRUCTW& creation) noexcept {
        auto* model = static_cast<std::unique_ptr<IPreviewWindowModel>*>(creation.lpCreateParams);
        if (model == nullptr || !*model) return nullptr;
        try {
            return std::make_unique<PreviewWindow>(window, std::move(*model));
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }

    // Every handler may allocate or reach code that throws: what escapes one
    // ends here and is shown in the status box.
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        return platform::exceptionBoundary([&] { return dispatch(message, wParam, lParam); },
                                           [&] { return failed(message); },
                                           [this]() noexcept { return showStatusError(kOutOfMemoryStatus); });
    }

    void destroyed() noexcept { model_->windowDestroyed(); }

private:
    LRESULT dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT failed(UINT message);
    LRESULT showStatusError(const wchar_t* text) noexcept;
    [[nodiscard]] bool buildControls();
    void setIcons();
    void createFonts();
    void selectJobPrinter(const std::string& printerId);
    void showPaperLines();
    void refresh(bool invalidate);
    void command(int id, int code);
    void changePrinter();
    void restorePrinterSelection();
    void checkPrinterReadiness();
    [[nodiscard]] Result<void> retargetTo(platform::PrinterCapabilities record);
    void print();
    void printFinished(std::uint64_t workId);
    void applyPrintResult(const Result<jobs::JobRecord>& result);
    void openSettings();
    void storeCopies(bool focusLost);
    void turnPage(bool forward);
    void zoomBy(bool in);
    void close();
    void paint();
    void printClient(HDC dc);
    void renderFinished(HRESULT result);
    void resize();
    void dpiChanged(const RECT& suggested);
    void minimumSize(MINMAXINFO& info) const;
    [[nodiscard]] LRESULT defaultButton() const;
    [[nodiscard]] double fitScaleNow(const PreviewView& view) const;
    void setText(int id, const std::wstring& text);
    void enable(int id, bool enabled);

    HWND window_;
    UINT dpi_ = 96;
    std::unique_ptr<IPreviewWindowModel> model_;
    PreviewFonts fonts_;
    platform::UniqueIcon bigIcon_;
    platform::UniqueIcon smallIcon_;
    std::vector<platform::PrinterCapabilities> printers_;
    // The printer the session targets and its place in the printer list.
    std::optional<platform::PrinterCapabilities> selectedPrinter_;
    std::optional<std::size_t> selectedIndex_;
    std::optional<Error> windowError_;
    // Why the last frame was not drawn; cleared by the next one that is.
    std::optional<Error> drawingError_;
    // The print being submitted (0 = none) and what the last one left to say.
    std::uint64_t printWork_ = 0;
    std::optional<std::wstring> printNotice_;
    bool statusIsError_ = false;
    PreviewRenderer renderer_;
    platform::FocusMemory focus_;
};

LRESULT PreviewWindow::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: return buildControls() ? 0 : -1;
        case WM_SIZE: resize(); return 0;
        case WM_PAINT: paint(); return 0;
        case WM_ERASEBKGND: return 1;  // the renderer covers the whole client area
        case WM_CLOSE: close(); return 0;
        case WM_ACTIVATE:
            focus_.activated(window_, wParam);
            break;  // the default gives the window itself the focus on activation
        case WM_SETFOCUS:
            // Back on the control the user left, so that Enter after the
            // settings dialog presses "设置" again rather than print.
            focus_.focusReceived(nullptr);
            return 0;
        case WM_GETMINMAXINFO: minimumSize(*reinterpret_cast<MINMAXINFO*>(lParam)); return 0;
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item.CtlType != ODT_BUTTON) break;
            drawPreviewButton(item, fonts_, static_cast<int>(dpi_));
            return TRUE;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<LRESULT>(
                colourPreviewControl(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam), statusIsError_));
        case WM_COMMAND: command(LOWORD(wParam), HIWORD(wParam)); return 0;
        case WM_TIMER:
            if (wParam != kPrintTimer) break;
            if (printWork_ != 0) printFinished(printWork_);
            return 0;
        case kPreviewPrintResultMessage: printFinished(static_cast<std::uint64_t>(wParam)); return 0;
        case WM_DPICHANGED: dpiChanged(*reinterpret_cast<const RECT*>(lParam)); return 0;
        case WM_DISPLAYCHANGE:
            renderer_.discard();
            ::InvalidateRect(window_, nullptr, FALSE);
            return 0;
        case WM_PRINTCLIENT: printClient(reinterpret_cast<HDC>(wParam)); return 0;
        case DM_GETDEFID: return defaultButton();
        case DM_SETDEFID: return TRUE;  // the default button follows the focus instead
        default: break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

// Called inside the handler of the exception that ended `message`. A
// frame that failed is a drawing error, which leaves printing as it was; any
// other failure leaves the window's state in doubt and holds printing, as a
// window error does, until something clears it. The text is written straight
// into the status box: a refresh would ask the model again, which may fail
// the same way.
LRESULT PreviewWindow::failed(UINT message) {
    if (message == WM_CREATE) return -1;  // the window is not created
    const Error error = protocol::currentExceptionError(kHandlerErrors, protocol::decodeAnsiCodePage);
    const bool drawing = message == WM_PAINT || message == WM_PRINTCLIENT;
    (drawing ? drawingError_ : windowError_) = error;
    if (!drawing) enable(control::kPrint, false);
    return showStatusError(errorText(error).c_str());
}

LRESULT PreviewWindow::showStatusError(const wchar_t* text) noexcept {
    statusIsError_ = true;
    ::SetDlgItemTextW(window_, control::kStatus, text);
    ::InvalidateRect(::GetDlgItem(window_, control::kStatus), nullptr, TRUE);
    return 0;
}

bool PreviewWindow::buildControls() {
    dpi_ = ::GetDpiForWindow(window_);
    setIcons();
    if (!createPreviewControls(window_)) return false;
    createFonts();
    const PreviewView view = model_->view();
    setText(control::kCopies, std::to_wstring(view.copies));
    showPaperLines();
    selectJobPrinter(view.printerId);
    layOutPreviewControls(window_, static_cast<int>(dpi_));
    refresh(false);
    return true;
}

// The window's icons at the sizes its DPI asks for; the ones replaced stay
// alive until the window has let go of them.
void PreviewWindow::setIcons() {
    const auto module = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window_, GWLP_HINSTANCE));
    platform::UniqueIcon big = app::loadAppIcon(module, ::GetSystemMetricsForDpi(SM_CXICON, dpi_));
    platform::UniqueIcon small = app::loadAppIcon(module, ::GetSystemMetricsForDpi(SM_CXSMICON, dpi_));
    // The system's icon is shared and never destroyed.
    const HICON fallback = ::LoadIconW(nullptr, IDI_APPLICATION);
    ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big ? big.get() : fallback));
    ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small ? small.get() : fallback));
    bigIcon_ = std::move(big);
    smallIcon_ = std::move(small);
}

void PreviewWindow::createFonts() {
    dpi_ = ::GetDpiForWindow(window_);
    // The fonts being replaced stay alive until the controls have switched.
    const PreviewFonts previous = std::exchange(fonts_, createPreviewFonts(static_cast<int>(dpi_)));
    applyPreviewFonts(window_, fonts_, static_cast<int>(dpi_));
}

void PreviewWindow::selectJobPrinter(const std::string& printerId) {
    Result<std::vector<platform::PrinterCapabilities>> listed = model_->listPrinters();
    if (!listed) {
        windowError_ = listed.error();
        return;
    }
    printers_ = std::move(listed).value();
    const HWND list = ::GetDlgItem(window_, control::kPrinterList);
    for (const platform::PrinterCapabilities& printer : printers_) {
        ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(printer.name.c_str()));
    }
    std::size_t index = 0;
    while (index < printers_.size() && printers_[index].printerId != printerId) ++index;
    if (index == printers_.size()) {
        windowError_ = Error(protocol::codes::kPrinterNotFound, protocol::messages::kPrinterNotFound);
        return;
    }
    ::SendMessageW(list, CB_SETCURSEL, index, 0);
    selectedIndex_ = index;
    selectedPrinter_ = printers_[index];
    // The list's records carry no resolutions or papers: the session is
    // re-targeted to the printer's full record.
    Result<platform::PrinterCapabilities> record = model_->printerCapabilities(printerId);
    if (!record) {
        windowError_ = record.error();
        return;
    }
    if (Result<void> retargeted = retargetTo(std::move(record).value()); !retargeted) windowError_ = retargeted.error();
}

// Re-targets the session to `record`, a printer's full capabilities; on
// success it becomes the selected printer and the paper lines follow (the
// resolution may have changed).
Result<void> PreviewWindow::retargetTo(platform::PrinterCapabilities record) {
    if (Result<void> retargeted = model_->retarget(record); !retargeted) return retargeted;
    selectedPrinter_ = std::move(record);
    showPaperLines();
    return {};
}

void PreviewWindow::showPaperLines() {
    const PaperInfoLines lines = paperInfoLines(model_->view());
    setText(control::kPaperLine, lines.paper);
    setText(control::kQualityLine, lines.quality);
    setText(control::kOrientationLine, lines.orientation);
}

void PreviewWindow::refresh(bool invalidate) {
    PreviewView view = model_->view();
    view.printInFlight = printWork_ != 0;
    PreviewWindowState state;
    state.windowError = windowError_;
    state.drawingError = drawingError_;
    state.printNotice = printNotice_;
    state.printerListEmpty = printers_.empty();
    state.printerSelected = selectedPrinter_.has_value();
    state.printerAvailable = selectedPrinter_ && selectedPrinter_->status == platform::PrinterStatus::Ready;
    state.printingEnabled = model_->printingEnabled();
    state.settingsEnabled = model_->settingsEnabled();
    const PreviewRefresh shown = decideRefresh(view, state);

    setText(control::kPageCounter, shown.pageCounter);
    setText(control::kZoomLabel, shown.zoomLabel);
    setText(control::kActualSize, shown.actualSize);
    enable(control::kPreviousPage, shown.previousEnabled);
    enable(control::kNextPage, shown.nextEnabled);

    RECT client{};
    ::GetClientRect(window_, &client);
    const platform::LayoutRect status =
        rectOf(layoutPreviewWindow(client.right, client.bottom, static_cast<int>(dpi_)), control::kStatus);
    const HWND statusBox = ::GetDlgItem(window_, control::kStatus);
    ::SetWindowPos(statusBox, nullptr, status.x, status.y, status.width, status.height, SWP_NOZORDER | SWP_NOACTIVATE);
    statusIsError_ = shown.statusIsError;
    setText(control::kStatus, shown.status);
    ::InvalidateRect(statusBox, nullptr, TRUE);  // the colour may change with the same text

    enable(control::kPrint, shown.printEnabled);
    enable(control::kCopies, shown.copiesEnabled);
    enable(control::kCopiesSpinner, shown.copiesEnabled);
    enable(control::kPrinterList, shown.printerListEnabled);
    enable(control::kSettings, shown.settingsEnabled);
    if (invalidate) ::InvalidateRect(window_, nullptr, FALSE);
}

void PreviewWindow::command(int id, int code) {
    switch (id) {
        case IDCANCEL:
        case control::kClose: close(); return;
        case IDOK:
        case control::kPrint: print(); return;
        case control::kPrinterList:
            if (code == CBN_SELCHANGE) {
                changePrinter();
            } else {
                refresh(false);
            }
            return;
        case control::kCopies:
            if (code == EN_CHANGE || code == EN_KILLFOCUS) storeCopies(code == EN_KILLFOCUS);
            return;
        case control::kPreviousPage: turnPage(false); return;
        case control::kNextPage: turnPage(true); return;
        case control::kFitToWindow:
            model_->setZoom({true, 1.0});
            refresh(true);
            return;
        case control::kActualSize:
            model_->setZoom({false, 1.0});
            refresh(true);
            return;
        case control::kZoomOut: zoomBy(false); return;
        case control::kZoomIn: zoomBy(true); return;
        case control::kStatus: return;
        case control::kSettings: openSettings(); return;
        default: refresh(false); return;
    }
}

void PreviewWindow::changePrinter() {
    const LRESULT chosen = ::SendDlgItemMessageW(window_, control::kPrinterList, CB_GETCURSEL, 0, 0);
    if (chosen < 0 || static_cast<std::size_t>(chosen) >= printers_.size()) {
        refresh(true);
        return;
    }
    const auto index = static_cast<std::size_t>(chosen);
    Result<platform::PrinterCapabilities> record = model_->printerCapabilities(printers_[index].printerId);
    const Result<void> retargeted = record ? retargetTo(std::move(record).value()) : Result<void>(record.error());
    if (!retargeted) {
        // The session still targets the previous printer, and so does the list.
        windowError_ = retargeted.error();
        restorePrinterSelection();
        refresh(true);
        return;
    }
    selectedIndex_ = index;
    windowError_.reset();
    printNotice_.reset();
    refresh(true);
}

void PreviewWindow::restorePrinterSelection() {
    const WPARAM index = selectedIndex_ ? *selectedIndex_ : static_cast<WPARAM>(-1);
    ::SendDlgItemMessageW(window_, control::kPrinterList, CB_SETCURSEL, index, 0);
}

// Reads the selected printer afresh before the settings dialog opens and
// after a print: a printer that went away loses the selection, one that
// changed re-targets the session, and the status box says whether it is ready.
void PreviewWindow::checkPrinterReadiness() {
    if (!selectedPrinter_) return;
    Result<platform::PrinterCapabilities> record = model_->printerCapabilities(selectedPrinter_->printerId);
    if (!record) {
        selectedPrinter_.reset();
        selectedIndex_.reset();
        restorePrinterSelection();
        windowError_ = record.error();
        return;
    }
    if (Result<void> retargeted = retargetTo(std::move(record).value()); !retargeted) {
        windowError_ = retargeted.error();
        return;
    }
    if (selectedPrinter_->status != platform::PrinterStatus::Ready) {
        windowError_ = Error(protocol::codes::kPrinterNotReady, protocol::messages::kPrinterNotReady);
    } else if (windowError_ && windowError_->code() == protocol::codes::kPrinterNotReady) {
        windowError_.reset();
    }
}

void PreviewWindow::print() {
    const bool ready = selectedPrinter_ && selectedPrinter_->status == platform::PrinterStatus::Ready;
    if (model_->view().settingsError || windowError_ || !ready || printWork_ != 0 || !model_->printingEnabled()) {
        refresh(false);
        return;
    }
    printNotice_.reset();
    std::array<wchar_t, 16> text{};
    ::GetDlgItemTextW(window_, control::kCopies, text.data(), static_cast<int>(text.size()));
    model_->setCopies(copiesOnFocusLost(text.data()));
    if (::SetTimer(window_, kPrintTimer, kPrintPollMs, nullptr) == 0) {
        windowError_ = Error(protocol::codes::kPreviewFailure, protocol::messages::kPrintCompletionUnmonitored);
        refresh(false);
        return;
    }
    Result<std::uint64_t> started = model_->startPrint();
    if (started) {
        printWork_ = started.value();
    } else {
        ::KillTimer(window_, kPrintTimer);
        windowError_ = std::move(started).error();
    }
    refresh(false);
}

// From the print's message or the timer: nothing happens until the print
// has its result.
void PreviewWindow::printFinished(std::uint64_t workId) {
    const std::optional<Result<jobs::JobRecord>> result = model_->takePrintResult(workId);
    if (!result) return;
    if (printWork_ == workId) {
        ::KillTimer(window_, kPrintTimer);
        printWork_ = 0;
    }
    applyPrintResult(*result);
}

void PreviewWindow::applyPrintResult(const Result<jobs::JobRecord>& result) {
    if (!result) {
        windowError_ = result.error();
        refresh(false);
        checkPrinterReadiness();
        refresh(false);
        return;
    }
    const jobs::JobRecord& record = result.value();
    if (record.state == jobs::JobState::Failed) {
        windowError_ = record.error ? *record.error
                                    : Error(protocol::codes::kSubmissionFailed, protocol::messages::kSubmissionFailed);
        refresh(false);
        checkPrinterReadiness();
        refresh(false);
        return;
    }
    windowError_.reset();
    checkPrinterReadiness();
    const bool ready = selectedPrinter_ && selectedPrinter_->status == platform::PrinterStatus::Ready;
    if (!record.error) {
        if (record.warning) {
            printNotice_ = *record.warning;
        } else if (ready) {
            printNotice_ = std::wstring(kPrintQueuedText);
        }
    }
    refresh(false);
}

// The settings dialog works on the printer as it is now: the readiness
// check runs first, and a printer that went away leaves nothing to set.
void PreviewWindow::openSettings() {
    if (!model_->settingsEnabled() || !selectedPrinter_ || printWork_ != 0) {
        refresh(false);
        return;
    }
    checkPrinterReadiness();
    if (!selectedPrinter_) {
        refresh(true);
        return;
    }
    const PreviewView view = model_->view();
    SettingsDialogRequest request;
    request.settings = model_->settings();
    request.papers = buildPaperList(selectedPrinter_->papers);
    request.resolutions = selectedPrinter_->resolutions;
    request.pageCount = view.pages ? view.pages->size() : 0;
    request.apply = [this](const PreviewSettings& settings) { return model_->applySettings(settings); };
    const auto module = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window_, GWLP_HINSTANCE));
    const HWND window = window_;
    const INT_PTR result = showSettingsDialog(module, window_, std::move(request));
    // The dialog's loop also runs the window's messages: a close from the
    // client may have destroyed the window, and this object with it.
    if (!::IsWindow(window)) return;
    if (result == IDOK) {
        showPaperLines();
        windowError_.reset();
    } else if (result != IDCANCEL) {
        windowError_ = Error(protocol::codes::kPreviewFailure, protocol::messages::kPreviewSettingsFailed);
    }
    refresh(true);
}

void PreviewWindow::storeCopies(bool focusLost) {
    std::array<wchar_t, 16> text{};
    ::GetDlgItemTextW(window_, control::kCopies, text.data(), static_cast<int>(text.size()));
    if (!focusLost) {
        if (const std::optional<std::uint32_t> copies = parseCopies(text.data())) model_->setCopies(*copies);
        return;
    }
    const std::uint32_t copies = copiesOnFocusLost(text.data());
    model_->setCopies(copies);
    setText(control::kCopies, std::to_wstring(copies));
}

void PreviewWindow::turnPage(bool forward) {
    const PreviewView view = model_->view();
    const std::uint64_t count = view.pages ? view.pages->size() : 0;
    if (forward && view.pageIndex + 1 < count) model_->setPageIndex(view.pageIndex + 1);
    if (!forward && view.pageIndex != 0) model_->setPageIndex(view.pageIndex - 1);
    const HWND pressed = ::GetDlgItem(window_, forward ? control::kNextPage : control::kPreviousPage);
    const bool focused = ::GetFocus() == pressed;
    refresh(true);
    // A focused button that reached the first or last page is disabled and
    // loses the focus, after which Enter would print: the keyboard user
    // pages on with the other one instead.
    if (focused && !::IsWindowEnabled(pressed)) {
        ::SetFocus(::GetDlgItem(window_, forward ? control::kPreviousPage : control::kNextPage));
    }
}

void PreviewWindow::zoomBy(bool in) {
    const PreviewView view = model_->view();
    const double fit = fitScaleNow(view);
    model_->setZoom(in ? zoomedIn(view.zoom, fit) : zoomedOut(view.zoom, fit));
    refresh(true);
}

// The fit scale for the current client area; not a number when the paper
// cannot be converted to dots, which the model then refuses to store.
double PreviewWindow::fitScaleNow(const PreviewView& view) const {
    RECT client{};
    ::GetClientRect(window_, &client);
    try {
        return fitScale(client.right, client.bottom, static_cast<int>(dpi_), paperDots(view));
    } catch (const std::invalid_argument&) {
        return std::numeric_limits<double>::quiet_NaN();
    } catch (const std::overflow_error&) {
        return std::numeric_limits<double>::quiet_NaN();
    }
}

void PreviewWindow::close() {
    Result<void> closed = model_->userClose();
    if (closed) {
        ::DestroyWindow(window_);  // deletes this object
        return;
    }
    windowError_ = std::move(closed).error();
    refresh(false);
}

void PreviewWindow::paint() {
    const platform::PaintScope scope(window_);
    RECT client{};
    ::GetClientRect(window_, &client);
    renderFinished(renderer_.render(scope.dc(), client, dpi_, model_->view()));
}

// Device resources are made for the given DC and dropped again, so that the
// next paint binds to the window's own DC afresh.
void PreviewWindow::printClient(HDC dc) {
    RECT client{};
    ::GetClientRect(window_, &client);
    renderer_.discard();
    renderFinished(renderer_.render(dc, client, dpi_, model_->view()));
    renderer_.discard();
}

// A frame that failed says so in the status box until one is drawn again;
// the renderer has already tried once more on a lost device, so nothing is
// repainted from here. What prints is the job, not the frame: a drawing
// error never holds printing.
void PreviewWindow::renderFinished(HRESULT result) {
    if (SUCCEEDED(result)) {
        if (!drawingError_) return;
        drawingError_.reset();
    } else {
        drawingError_ = drawingError(static_cast<std::uint32_t>(result));
    }
    refresh(false);
}

// The render target is bound to the paint DC at each paint, so a new size
// needs only the controls moved and the window painted again.
void PreviewWindow::resize() {
    layOutPreviewControls(window_, static_cast<int>(dpi_));
    ::InvalidateRect(window_, nullptr, FALSE);
}

void PreviewWindow::dpiChanged(const RECT& suggested) {
    createFonts();
    setIcons();
    renderer_.discard();
    ::SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    layOutPreviewControls(window_, static_cast<int>(dpi_));
    ::InvalidateRect(window_, nullptr, FALSE);
}

// No larger than the work area of the window's monitor allows, so that a
// short screen still shows the whole window.
void PreviewWindow::minimumSize(MINMAXINFO& info) const {
    const ClientSize available = clientSizeIn(workAreaOf(window_), WS_OVERLAPPEDWINDOW, WS_EX_CONTROLPARENT, dpi_);
    const ClientSize client = minimumClientSize(static_cast<int>(dpi_), available);
    RECT frame{0, 0, client.width, client.height};
    ::AdjustWindowRectExForDpi(&frame, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT, dpi_);
    info.ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
}

// DC_HASDEFID in the high word: Enter presses the focused push button, and
// the print button when no push button has the focus.
LRESULT PreviewWindow::defaultButton() const {
    const HWND focused = ::GetFocus();
    const int id = focused != nullptr && ::GetParent(focused) == window_ ? ::GetDlgCtrlID(focused) : 0;
    return MAKELONG(defaultButtonFor(id), DC_HASDEFID);
}

// Sets a control's text only when it differs, so that unchanged controls do
// not flicker, and repaints owner-drawn captions.
void PreviewWindow::setText(int id, const std::wstring& text) {
    const HWND control = ::GetDlgItem(window_, id);
    std::wstring current(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    current.resize(static_cast<std::size_t>(::GetWindowTextW(control, current.data(), static_cast<int>(current.size()))));
    if (current == text) return;
    ::SetWindowTextW(control, text.c_str());
    ::InvalidateRect(control, nullptr, FALSE);
}

void PreviewWindow::enable(int id, bool enabled) { ::EnableWindow(::GetDlgItem(window_, id), enabled ? TRUE : FALSE); }

}  // namespace

bool registerPreviewWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = platform::objectWindowProc<PreviewWindow>;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = kPreviewWindowClassName;
    return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND createPreviewWindow(HINSTANCE instance, HWND owner, std::unique_ptr<IPreviewWindowModel> model) {
    const UINT ownerDpi = owner != nullptr ? ::GetDpiForWindow(owner) : 0;
    const int dpi = static_cast<int>(ownerDpi != 0 ? ownerDpi : ::GetDpiForSystem());
    // The window takes the model out of `model` while it is being created.
    const HWND window =
        ::CreateWindowExW(kExStyle, kPreviewWindowClassName, L"预览 Preview", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                          platform::scaleForDpi(kOpeningWindowSize.width, dpi),
                          platform::scaleForDpi(kOpeningWindowSize.height, dpi), owner, nullptr, instance, &model);
    if (window != nullptr) placePreviewWindow(window);
    return window;
}

}  // namespace ks::preview
