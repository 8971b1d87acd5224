#include "preview/preview_refresh.h"

#include <fmt/xchar.h>

#include "preview/preview_text.h"

namespace ks::preview {
namespace {

std::wstring statusText(const PreviewView& view, const PreviewWindowState& window) {
    if (view.settingsError) return errorText(*view.settingsError);
    if (window.windowError) return errorText(*window.windowError);
    if (window.drawingError) return errorText(*window.drawingError);
    if (view.printInFlight) return L"正在提交打印；驱动处理期间取消可能暂不可用";
    if (window.printNotice) return *window.printNotice;
    if (window.printerSelected && window.printerAvailable) return L"打印机就绪";
    return L"打印机当前不可用";
}

}  // namespace

PreviewRefresh decideRefresh(const PreviewView& view, const PreviewWindowState& window) {
    const std::uint64_t pageCount = view.pages ? view.pages->size() : 0;
    const bool idle = !view.printInFlight;
    PreviewRefresh refresh;
    refresh.pageCounter = fmt::format(L"{} / {} 页", view.pageIndex + 1, pageCount);
    const std::wstring percent = fmt::format(L"{:.0f}%", view.zoom.scale * 100);
    refresh.zoomLabel = view.zoom.fit ? L"适合窗口" : percent;
    refresh.actualSize = view.zoom.fit ? L"100%" : percent;
    refresh.previousEnabled = view.pageIndex != 0;
    refresh.nextEnabled = view.pageIndex + 1 < pageCount;
    refresh.status = statusText(view, window);
    refresh.statusIsError =
        view.settingsError.has_value() || window.windowError.has_value() || window.drawingError.has_value();
    refresh.printEnabled = window.printingEnabled && !view.settingsError && !window.windowError &&
                           window.printerSelected && window.printerAvailable && idle;
    refresh.copiesEnabled = idle;
    refresh.printerListEnabled = idle && !window.printerListEmpty;
    refresh.settingsEnabled = window.settingsEnabled && idle && window.printerSelected;
    return refresh;
}

}  // namespace ks::preview
