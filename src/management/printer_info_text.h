#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/printer_records.h"

namespace ks::management {

// Shown instead of printer details by the printer settings window and the
// diagnostics report.
inline constexpr std::wstring_view kPrinterListUnreadable =
    L"无法读取打印机列表或能力，请检查打印机连接、驱动及 Windows 打印服务后点击“刷新”重试。";
inline constexpr std::wstring_view kNoPrintersFound = L"未发现打印机，请在 Windows 中安装或连接打印机后点击“刷新”。";

// One row of the printer settings window.
struct PrinterEntry {
    std::string printerId;  // the catalogue's printer id, UTF-8
    std::wstring name;      // queue name, shown in the list and handed to the properties dialog
    std::wstring informationText;
};

// The printer's identity and the multi-line text describing its driver, port,
// resolution, queue state, page geometry and papers.
[[nodiscard]] PrinterEntry buildPrinterInfoText(const platform::PrinterCapabilities& record);

// Micrometres as millimetres with up to three decimals and no trailing zeros:
// 215900 → "215.9", 210000 → "210", 0 → "0".
[[nodiscard]] std::wstring formatMillimetres(std::uint32_t micrometres);

// "就绪", "离线", "已暂停", "缺纸", "错误", or "未知" for any other value.
[[nodiscard]] std::wstring queueStateText(platform::PrinterStatus status);

// The paper lines shared with the diagnostics report: "未提供" without papers,
// else one "\r\n{w} × {h} mm（纵向|横向）" per paper, in the record's order.
[[nodiscard]] std::wstring paperListText(const std::vector<platform::PaperSize>& papers);

}  // namespace ks::management
