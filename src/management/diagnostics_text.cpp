#include "management/diagnostics_text.h"

#include <fmt/xchar.h>

#include "management/latest_job_line.h"
#include "management/printer_info_text.h"
#include "protocol/utf8.h"

namespace ks::management {
namespace {

std::wstring_view architectureName(std::uint32_t architecture) {
    switch (architecture) {
        case 0: return L"x86";
        case 1: return L"x64";
        case 2: return L"ARM64";
        default: return L"未知";
    }
}

std::wstring_view errorCategoryText(std::uint32_t category) {
    switch (category) {
        case 0: return L"无";
        case 1: return L"协议";
        case 2: return L"打印机";
        case 3: return L"页面";
        case 4: return L"任务";
        default: return L"未知，请检查打印机或联系管理员后重试";
    }
}

void appendPrinter(std::wstring& text, const PrinterDiagnostics& printer) {
    text +=
        fmt::format(L"名称：{}\r\n驱动：{}\r\n端口：{}\r\nDPI：{} × {}\r\n队列状态：{}\r\n纸张：", printer.name,
                    printer.driverName, printer.portName, printer.dpiX, printer.dpiY, queueStateText(printer.status));
    text += paperListText(printer.papers);
    text += L"\r\n能力哈希：" + protocol::utf8ToWide(printer.capabilityHash) + L"\r\n";
}

}  // namespace

PrinterDiagnostics toPrinterDiagnostics(const platform::PrinterCapabilities& record) {
    return {record.name, record.driverName, record.portName, record.dpiX,
            record.dpiY, record.papers,     record.status,   record.capabilityHash};
}

std::wstring buildDiagnosticsText(const DiagnosticsSnapshot& snapshot) {
    std::wstring text =
        L"注意：诊断包含打印机、驱动和端口信息，请仅提供给可信支持人员。\r\n\r\n【服务】\r\n程序版本：0.1.0\r\n";
    if (const auto& version = snapshot.windowsVersion) {
        text += fmt::format(L"Windows：{}.{} Build {}（{}）\r\n", version->major, version->minor, version->build,
                            architectureName(version->architecture));
    } else {
        text += L"无法读取 Windows 版本，请检查系统环境后点击“刷新”或联系管理员。\r\n";
    }
    text += fmt::format(L"Named Pipe：{}\r\n当前预览：{}\r\n\r\n【打印机】\r\n",
                        snapshot.serviceRunning ? L"运行中" : L"已停止", snapshot.previewBusy ? L"有" : L"无");
    if (!snapshot.printersRead) {
        text += kPrinterListUnreadable;
        text += L"\r\n";
    } else if (snapshot.printers.empty()) {
        text += kNoPrintersFound;
        text += L"\r\n";
    }
    for (const PrinterDiagnostics& printer : snapshot.printers) appendPrinter(text, printer);
    text += L"\r\n【最近任务】\r\n" + formatLatestJobLine(snapshot.latestJob) + L"\r\n";
    if (const auto& latest = snapshot.latestJob) {
        if (latest->windowsJobId != 0) text += fmt::format(L"Windows Job ID：{}\r\n", latest->windowsJobId);
        text += fmt::format(L"错误类别：{}\r\n", errorCategoryText(latest->errorClass));
    }
    return text;
}

}  // namespace ks::management
