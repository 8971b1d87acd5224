#include "management/management_layout.h"

#include <algorithm>
#include <array>

namespace ks::management {

using platform::LayoutRect;
using platform::scaleForDpi;

const WindowKindTraits& traitsOf(WindowKind kind) {
    static const std::array<WindowKindTraits, kWindowKindCount> traits{{
        {L"Kestrune.ServiceStatus", L"Kestrune 服务状态", {680, 500, true}, {560, 500, true}, L"刷新状态", true},
        {L"Kestrune.PrinterSettings", L"Kestrune 打印机设置", {560, 390, false}, {0, 0, false}, L"刷新", false},
        {L"Kestrune.Diagnostics", L"Kestrune 诊断", {560, 390, false}, {460, 320, false}, L"刷新", false},
    }};
    return traits[static_cast<std::size_t>(kind)];
}

LayoutMetrics layoutMetrics(int clientWidth, int clientHeight, int dpi) {
    LayoutMetrics metrics;
    metrics.margin = scaleForDpi(20, dpi);
    metrics.button = scaleForDpi(32, dpi);
    metrics.gap = scaleForDpi(12, dpi);
    metrics.innerWidth = std::max(clientWidth - 2 * metrics.margin, 0);
    metrics.buttonTop = std::max(metrics.margin, clientHeight - metrics.button - metrics.margin);
    return metrics;
}

StatusLayout statusLayout(int clientWidth, int clientHeight, int dpi) {
    const LayoutMetrics m = layoutMetrics(clientWidth, clientHeight, dpi);
    const int panelHeight = m.buttonTop - m.gap;
    return {
        {0, 0, clientWidth, panelHeight < 1 ? 0 : panelHeight},
        {clientWidth - scaleForDpi(144, dpi), m.buttonTop, scaleForDpi(116, dpi), m.button},
    };
}

PrinterSettingsLayout printerSettingsLayout(int clientWidth, int clientHeight, int dpi) {
    const LayoutMetrics m = layoutMetrics(clientWidth, clientHeight, dpi);
    const int informationTop = 2 * m.margin + m.button;
    return {
        {m.margin, m.margin, m.innerWidth, scaleForDpi(240, dpi)},
        {m.margin, informationTop, m.innerWidth, std::max(m.buttonTop - m.margin - informationTop, 0)},
        {m.margin, m.buttonTop, scaleForDpi(90, dpi), m.button},
        {m.margin + scaleForDpi(110, dpi), m.buttonTop, scaleForDpi(280, dpi), m.button},
    };
}

int diagnosticsLabelMeasureWidth(int clientWidth, int dpi) {
    return std::max(layoutMetrics(clientWidth, 0, dpi).innerWidth, 1);
}

DiagnosticsLayout diagnosticsLayout(int clientWidth, int clientHeight, int dpi, int labelTextHeight) {
    const LayoutMetrics m = layoutMetrics(clientWidth, clientHeight, dpi);
    DiagnosticsLayout layout;
    int bottomLimit = m.buttonTop - m.margin;
    if (labelTextHeight > 0) {
        const int labelHeight = std::max(labelTextHeight, scaleForDpi(22, dpi));
        layout.label = {m.margin, m.buttonTop - m.margin - labelHeight, m.innerWidth, labelHeight};
        layout.labelVisible = true;
        bottomLimit = layout.label.y - m.margin;
    }
    layout.report = {m.margin, m.margin, m.innerWidth, std::max(bottomLimit - m.margin, 0)};
    layout.refresh = {m.margin, m.buttonTop, scaleForDpi(90, dpi), m.button};
    layout.exportButton = {m.margin + scaleForDpi(110, dpi), m.buttonTop, scaleForDpi(130, dpi), m.button};
    return layout;
}

}  // namespace ks::management
