#include "management/printer_info_text.h"

#include <gtest/gtest.h>

namespace ks::management {
namespace {

platform::PrinterCapabilities labelPrinter() {
    platform::PrinterCapabilities record;
    record.printerId = std::string(64, 'a');
    record.name = L"标签打印机 A";
    record.driverName = L"Zeta Label Driver";
    record.portName = L"USB001";
    record.dpiX = 300;
    record.dpiY = 600;
    record.physicalWidthDots = 2550;
    record.physicalHeightDots = 6600;
    record.printableLeftDots = -12;
    record.printableTopDots = 75;
    record.printableWidthDots = 2400;
    record.printableHeightDots = 6450;
    record.status = platform::PrinterStatus::PaperOut;
    record.papers = {{1, 215900, 279400, false}, {256, 50800, 30000, true}};
    return record;
}

TEST(PrinterInfoTextTest, FullTextByteForByte) {
    const PrinterEntry entry = buildPrinterInfoText(labelPrinter());
    EXPECT_EQ(entry.printerId, std::string(64, 'a'));
    EXPECT_EQ(entry.name, L"标签打印机 A");
    EXPECT_EQ(entry.informationText,
              L"名称：标签打印机 A\r\n驱动：Zeta Label Driver\r\n端口：USB001\r\nDPI：300 × 600\r\n队列状态：缺纸\r\n"
              L"物理页面：2550 × 6600 点\r\n可打印区域：2400 × 6450 点（左：-12，上：75）\r\n纸张："
              L"\r\n215.9 × 279.4 mm（纵向）\r\n50.8 × 30 mm（横向）");
}

TEST(PrinterInfoTextTest, NoPapersAndExtremeValues) {
    platform::PrinterCapabilities record = labelPrinter();
    record.papers.clear();
    record.status = static_cast<platform::PrinterStatus>(5);
    record.dpiX = 4294967295u;
    record.printableLeftDots = -2147483647 - 1;
    record.printableTopDots = 2147483647;
    EXPECT_EQ(buildPrinterInfoText(record).informationText,
              L"名称：标签打印机 A\r\n驱动：Zeta Label Driver\r\n端口：USB001\r\nDPI：4294967295 × 600\r\n"
              L"队列状态：未知\r\n物理页面：2550 × 6600 点\r\n"
              L"可打印区域：2400 × 6450 点（左：-2147483648，上：2147483647）\r\n纸张：未提供");
}

TEST(PrinterInfoTextTest, Millimetres) {
    const std::pair<std::uint32_t, const wchar_t*> cases[] = {
        {210000, L"210"},
        {215900, L"215.9"},
        {50800, L"50.8"},
        {1234, L"1.234"},
        {0, L"0"},
        {1, L"0.001"},
        {10, L"0.01"},
        {100, L"0.1"},
        {1000, L"1"},
        {100000, L"100"},
        {1010, L"1.01"},
        {4294967295u, L"4294967.295"},
        {4294967000u, L"4294967"},
    };
    for (const auto& [micrometres, text] : cases) EXPECT_EQ(formatMillimetres(micrometres), text) << micrometres;
}

TEST(PrinterInfoTextTest, QueueStates) {
    const std::pair<std::uint32_t, const wchar_t*> cases[] = {
        {0, L"就绪"}, {1, L"离线"}, {2, L"已暂停"}, {3, L"缺纸"}, {4, L"错误"}, {5, L"未知"}, {0xFFFFFFFF, L"未知"},
    };
    for (const auto& [status, text] : cases) {
        EXPECT_EQ(queueStateText(static_cast<platform::PrinterStatus>(status)), text) << status;
    }
}

}  // namespace
}  // namespace ks::management
