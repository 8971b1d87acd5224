#include "management/printer_info_text.h"

#include <fmt/xchar.h>

namespace ks::management {

std::wstring formatMillimetres(std::uint32_t micrometres) {
    std::wstring text = fmt::format(L"{}.{:03}", micrometres / 1000, micrometres % 1000);
    text.erase(text.find_last_not_of(L'0') + 1);
    if (text.ends_with(L'.')) text.pop_back();
    return text;
}

std::wstring queueStateText(platform::PrinterStatus status) {
    switch (status) {
        case platform::PrinterStatus::Ready: return L"就绪";
        case platform::PrinterStatus::Offline: return L"离线";
        case platform::PrinterStatus::Paused: return L"已暂停";
        case platform::PrinterStatus::PaperOut: return L"缺纸";
        case platform::PrinterStatus::Error: return L"错误";
    }
    return L"未知";
}

std::wstring paperListText(const std::vector<platform::PaperSize>& papers) {
    if (papers.empty()) return L"未提供";
    std::wstring text;
    for (const platform::PaperSize& paper : papers) {
        text += fmt::format(L"\r\n{} × {} mm（{}）", formatMillimetres(paper.widthMicrometers),
                            formatMillimetres(paper.heightMicrometers), paper.landscape ? L"横向" : L"纵向");
    }
    return text;
}

PrinterEntry buildPrinterInfoText(const platform::PrinterCapabilities& record) {
    PrinterEntry entry{record.printerId, record.name, {}};
    entry.informationText = fmt::format(
        L"名称：{}\r\n驱动：{}\r\n端口：{}\r\nDPI：{} × {}\r\n队列状态：{}\r\n物理页面：{} × {} 点\r\n"
        L"可打印区域：{} × {} 点（左：{}，上：{}）\r\n纸张：",
        record.name, record.driverName, record.portName, record.dpiX, record.dpiY, queueStateText(record.status),
        record.physicalWidthDots, record.physicalHeightDots, record.printableWidthDots, record.printableHeightDots,
        record.printableLeftDots, record.printableTopDots);
    entry.informationText += paperListText(record.papers);
    return entry;
}

}  // namespace ks::management
