#include "cli/printer_report.h"

#include <fmt/format.h>

#include <cstdint>

namespace ks::cli {
namespace {

using protocol::JsonObject;

std::string statusText(const std::string& status) {
    if (status == "Ready") return "就绪";
    if (status == "Offline") return "脱机";
    if (status == "Paused") return "已暂停";
    if (status == "PaperOut") return "缺纸";
    if (status == "Error") return "错误";
    return "未知（" + status + "）";
}

std::int64_t integer(const JsonObject& object, const char* name) {
    return protocol::int64FromJsonNumber(object.getNumber(name));
}

double millimetres(std::int64_t dots, std::int64_t dpi) {
    return dpi > 0 ? static_cast<double>(dots) * 25.4 / static_cast<double>(dpi) : 0.0;
}

}  // namespace

std::string describePrinterList(const JsonObject& result) {
    const protocol::JsonArray printers = result.getArray("printers");
    if (printers.size() == 0) return "没有已安装的打印机。\n";
    std::string text = fmt::format("共 {} 台打印机（* 为默认打印机）：\n", printers.size());
    for (std::size_t i = 0; i < printers.size(); ++i) {
        const JsonObject printer = printers.objectAt(i);
        text += fmt::format("{} {}\n", printer.getBoolean("isDefault") ? "*" : " ", printer.getString("displayName"));
        text += fmt::format("    printerId：{}\n", printer.getString("printerId"));
        text += fmt::format("    状态：{}\n", statusText(printer.getString("status")));
    }
    return text;
}

std::string describeCapabilities(const JsonObject& result) {
    const std::int64_t dpiX = integer(result, "dpiX");
    const std::int64_t dpiY = integer(result, "dpiY");
    const std::int64_t width = integer(result, "physicalWidthDots");
    const std::int64_t height = integer(result, "physicalHeightDots");
    const JsonObject area = result.getObject("printableArea");
    const std::int64_t left = integer(area, "leftDots");
    const std::int64_t top = integer(area, "topDots");
    const std::int64_t areaWidth = integer(area, "widthDots");
    const std::int64_t areaHeight = integer(area, "heightDots");

    std::string text;
    text += fmt::format("打印机：{}\n", result.getString("displayName"));
    text += fmt::format("printerId：{}\n", result.getString("printerId"));
    text += fmt::format("驱动：{}\n", result.getString("driverName"));
    text += fmt::format("端口：{}\n", result.getString("portName"));
    text += fmt::format("状态：{}\n", statusText(result.getString("status")));
    // The answer carries only the default resolution, not the driver's list.
    text += fmt::format("分辨率（默认设置）：{} × {} DPI\n", dpiX, dpiY);
    text += fmt::format("物理尺寸：{} × {} 点（{:.1f} × {:.1f} mm）\n", width, height, millimetres(width, dpiX),
                        millimetres(height, dpiY));
    text += fmt::format("可打印区域：左 {}、上 {} 点起 {} × {} 点（左 {:.1f}、上 {:.1f} mm 起 {:.1f} × {:.1f} mm）\n",
                        left, top, areaWidth, areaHeight, millimetres(left, dpiX), millimetres(top, dpiY),
                        millimetres(areaWidth, dpiX), millimetres(areaHeight, dpiY));

    const protocol::JsonArray papers = result.getArray("papers");
    if (papers.size() == 0) {
        text += "纸张：驱动未报告\n";
    } else {
        text += fmt::format("纸张（{} 种）：\n", papers.size());
        text += "    编号      宽 × 高 (mm)          方向\n";
        for (std::size_t i = 0; i < papers.size(); ++i) {
            const JsonObject paper = papers.objectAt(i);
            const std::string size =
                fmt::format("{:.1f} × {:.1f}", static_cast<double>(integer(paper, "widthMicrometers")) / 1000.0,
                            static_cast<double>(integer(paper, "heightMicrometers")) / 1000.0);
            // {fmt} pads UTF-8 by display width, so "×" counts as one column.
            text += fmt::format("    {:<8}  {:<20}  {}\n", paper.getString("id"), size,
                                paper.getString("orientation") == "Landscape" ? "横向" : "纵向");
        }
    }
    text += fmt::format("capabilityHash：{}\n", result.getString("capabilityHash"));
    return text;
}

}  // namespace ks::cli
