// kestrune-cli: talks to the running service over its pipe.
//
// Exit codes: 0 the service answered ok; 1 it answered with an error;
// 2 wrong usage or an unreadable file; 3 the service could not be reached or
// closed the connection.

#include <windows.h>

#include <string>
#include <vector>

#include "app/app_messages.h"
#include "cli/cli_io.h"
#include "cli/job_commands.h"
#include "cli/printer_report.h"
#include "client/pipe_client.h"
#include "platform/win32/handles.h"
#include "protocol/json_writer.h"
#include "protocol/utf8.h"

namespace {

using namespace ks::cli;
using ks::protocol::wideToUtf8;

// Prints what `describe` makes of a result; the answer was ok.
ShowResult shown(std::string (*describe)(const ks::protocol::JsonObject&)) {
    return [describe](const ks::protocol::JsonObject& result) {
        out(describe(result));
        return static_cast<int>(kAnsweredOk);
    };
}

int usage() {
    err("用法：kestrune-cli <命令>\n"
        "  hello                         检查服务是否在运行及其版本\n"
        "  health                        服务状态\n"
        "  stop                          像用户确认退出一样结束服务\n"
        "  printers [--json]             已安装的打印机（名称、printerId、状态、默认打印机）\n"
        "  caps <printerId> [--json]     一台打印机的能力：驱动、端口、分辨率、尺寸、可打印区域、纸张\n"
        "  print [--printer <printerId> | --default] [--paper <宽>x<高> | --paper <纸张名>]\n"
        "        [--copies <份数>] [--job-id <UUID>] [--json] <页面.png>…\n"
        "                                打印按打印机分辨率渲染好的 PNG 页面；不指定纸张时使用\n"
        "                                打印机当前纸张，纸张名可为 A4、A5、A6、Letter、4x6in\n"
        "  status <clientJobId> [--json] 查询任务状态\n"
        "  cancel <clientJobId> [--json] 取消任务\n"
        "  raw <请求.json> [数据文件…]     发送一个请求（缺少的 protocol、requestId、callerId、\n"
        "                                timestampUtcMs 会自动补上），数据文件按顺序作为二进制数据\n"
        "printers、caps、print、status、cancel 输出易读的文本，加 --json 则输出服务返回的原始 JSON；\n"
        "其他命令输出 JSON。\n"
        "退出码：0 成功；1 服务返回错误；2 用法或文件错误；3 无法连接服务。\n");
    return kUsage;
}

int printers(int argc, wchar_t** argv) {
    const bool json = argc == 3 && std::wstring_view(argv[2]) == L"--json";
    if (argc != 2 && !json) return usage();
    return json ? sendAndShowRaw(ks::client::makeRequest("printers.list"), {})
                : sendAndShow(ks::client::makeRequest("printers.list"), {}, shown(describePrinterList));
}

int caps(int argc, wchar_t** argv) {
    const bool json = argc == 4 && std::wstring_view(argv[3]) == L"--json";
    if (argc != 3 && !json) return usage();
    // The id goes into the JSON text through the writer's escaping, so any
    // text the user types stays one string member.
    const std::string payload =
        R"(,"printer":{"printerId":)" + ks::protocol::escapeJsonString(wideToUtf8(argv[2])) + "}";
    const std::string request = ks::client::makeRequest("printers.capabilities", payload);
    return json ? sendAndShowRaw(request, {}) : sendAndShow(request, {}, shown(describeCapabilities));
}

// Ends the service the way the user's confirmed exit does: WM_CLOSE to its
// hidden window. Waits up to ten seconds for the process to end.
int stop() {
    const HWND window = ::FindWindowW(ks::app::kTrayOwnerClassName, nullptr);
    if (window == nullptr) {
        err("岚舟服务未运行。\n");
        return kUnreachable;
    }
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    ks::platform::UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!::PostMessageW(window, WM_CLOSE, 0, 0)) {
        err("无法通知岚舟服务退出（Win32=" + std::to_string(::GetLastError()) + "）。\n");
        return kUnreachable;
    }
    if (process && ::WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) {
        err("岚舟服务未在 10 秒内退出。\n");
        return kUnreachable;
    }
    out("岚舟服务已停止。\n");
    return kAnsweredOk;
}

int raw(int argc, wchar_t** argv) {
    if (argc < 3) return usage();
    const auto json = readFile(argv[2]);
    if (!json) {
        err("无法读取文件 " + wideToUtf8(argv[2]) + "。\n");
        return kUsage;
    }
    std::vector<ks::protocol::ByteBuffer> blobs;
    for (int i = 3; i < argc; ++i) {
        const auto bytes = readFile(argv[i]);
        if (!bytes) {
            err("无法读取文件 " + wideToUtf8(argv[i]) + "。\n");
            return kUsage;
        }
        blobs.push_back(
            ks::protocol::ByteBuffer::copyOf({reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()}));
    }
    return sendAndShowRaw(ks::client::completeEnvelope(*json), blobs);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return usage();
    if (std::wstring_view(argv[1]) == L"print" && argc < 3) return usage();
    const std::wstring command = argv[1];
    if (command == L"hello" && argc == 2) return sendAndShowRaw(ks::client::makeRequest("system.hello"), {});
    if (command == L"health" && argc == 2) return sendAndShowRaw(ks::client::makeRequest("system.health"), {});
    if (command == L"stop" && argc == 2) return stop();
    if (command == L"printers") return printers(argc, argv);
    if (command == L"caps") return caps(argc, argv);
    if (command == L"raw") return raw(argc, argv);
    if (command == L"print") return printPages(std::vector<std::wstring>(argv + 2, argv + argc));
    if (command == L"status" || command == L"cancel") {
        const bool json = argc == 4 && std::wstring_view(argv[3]) == L"--json";
        if (argc != 3 && !json) return usage();
        return command == L"status" ? jobStatus(argv[2], json) : cancelJob(argv[2], json);
    }
    return usage();
}
