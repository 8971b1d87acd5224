// kestrune-cli: talks to the running service over its pipe.
//
// Exit codes: 0 the service answered ok; 1 it answered with an error;
// 2 wrong usage or an unreadable file; 3 the service could not be reached or
// closed the connection.

#include <windows.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "app/app_messages.h"
#include "cli/printer_report.h"
#include "client/pipe_client.h"
#include "protocol/json_reader.h"
#include "protocol/json_writer.h"
#include "protocol/utf8.h"
#include "protocol/win32/named_pipe_server.h"

namespace {

using ks::protocol::utf8ToWide;
using ks::protocol::wideToUtf8;

enum ExitCode { kAnsweredOk = 0, kAnsweredError = 1, kUsage = 2, kUnreachable = 3 };

// A console gets wide text; a file or pipe gets the UTF-8 bytes.
void write(DWORD stream, std::string_view utf8) {
    const HANDLE handle = ::GetStdHandle(stream);
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(handle, &mode)) {
        const std::wstring text = utf8ToWide(utf8);
        ::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } else {
        ::WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    }
}

void out(std::string_view utf8) { write(STD_OUTPUT_HANDLE, utf8); }
void err(std::string_view utf8) { write(STD_ERROR_HANDLE, utf8); }

int usage() {
    err("用法：kestrune-cli <命令>\n"
        "  hello                         检查服务是否在运行及其版本\n"
        "  health                        服务状态\n"
        "  stop                          像用户确认退出一样结束服务\n"
        "  printers [--json]             已安装的打印机（名称、printerId、状态、默认打印机）\n"
        "  caps <printerId> [--json]     一台打印机的能力：驱动、端口、分辨率、尺寸、可打印区域、纸张\n"
        "  raw <请求.json> [数据文件…]     发送一个请求（缺少的 protocol、requestId、callerId、\n"
        "                                timestampUtcMs 会自动补上），数据文件按顺序作为二进制数据\n"
        "printers 与 caps 输出易读的文本，加 --json 则输出服务返回的原始 JSON；其他命令输出 JSON。\n"
        "退出码：0 成功；1 服务返回错误；2 用法或文件错误；3 无法连接服务。\n");
    return kUsage;
}

std::optional<std::string> readFile(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Sends one request and reads its answer. nullopt, with the reason written to
// stderr, when the service cannot be reached or gives no answer.
std::optional<std::string> roundTrip(const std::string& request, const std::vector<ks::protocol::ByteBuffer>& blobs) {
    DWORD error = 0;
    // A busy pipe means another client is being served: wait a little.
    auto client = ks::client::PipeClient::connect(ks::protocol::kPipeName, std::chrono::seconds(5), error);
    if (!client) {
        err(error == ERROR_FILE_NOT_FOUND ? "岚舟服务未运行：找不到本地管道 \\\\.\\pipe\\LOCAL\\Kestrune.v1。\n"
                                          : "无法连接岚舟服务（Win32=" + std::to_string(error) + "）。\n");
        return std::nullopt;
    }
    if (!client->send(request, blobs)) {
        err("请求无法发送：请求超过消息帧大小限制，或服务已断开连接。\n");
        return std::nullopt;
    }
    auto response = client->receive();
    if (!response) err("服务未作答便关闭了连接（请求可能超过大小限制）。\n");
    return response;
}

bool answeredOk(const std::optional<ks::protocol::JsonDocument>& document) {
    try {
        return document && document->root().getBoolean("ok");
    } catch (const ks::protocol::JsonReadError&) {
        return false;
    }
}

int exchange(const std::string& request, const std::vector<ks::protocol::ByteBuffer>& blobs) {
    const auto response = roundTrip(request, blobs);
    if (!response) return kUnreachable;
    out(*response);
    out("\n");
    return answeredOk(ks::protocol::JsonDocument::parse(*response)) ? kAnsweredOk : kAnsweredError;
}

// Asks for a printer answer and shows it readably, or as the raw JSON when
// `json` is set.
int showPrinters(const std::string& request, bool json, std::string (*describe)(const ks::protocol::JsonObject&)) {
    if (json) return exchange(request, {});
    const auto response = roundTrip(request, {});
    if (!response) return kUnreachable;
    const auto document = ks::protocol::JsonDocument::parse(*response);
    try {
        if (!answeredOk(document)) {
            const auto error = document->root().getObject("error");
            err(error.getString("code") + "：" + error.getString("message") + "\n");
            return kAnsweredError;
        }
        out(describe(document->root().getObject("result")));
        return kAnsweredOk;
    } catch (const ks::protocol::JsonReadError&) {
        err("服务的应答格式无法识别：\n" + *response + "\n");
        return kAnsweredError;
    }
}

int printers(int argc, wchar_t** argv) {
    const bool json = argc == 3 && std::wstring_view(argv[2]) == L"--json";
    if (argc != 2 && !json) return usage();
    return showPrinters(ks::client::makeRequest("printers.list"), json, ks::cli::describePrinterList);
}

int caps(int argc, wchar_t** argv) {
    const bool json = argc == 4 && std::wstring_view(argv[3]) == L"--json";
    if (argc != 3 && !json) return usage();
    // The id goes into the JSON text through the writer's escaping, so any
    // text the user types stays one string member.
    const std::string payload =
        R"(,"printer":{"printerId":)" + ks::protocol::escapeJsonString(wideToUtf8(argv[2])) + "}";
    return showPrinters(ks::client::makeRequest("printers.capabilities", payload), json, ks::cli::describeCapabilities);
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
    return exchange(ks::client::completeEnvelope(*json), blobs);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return usage();
    const std::wstring command = argv[1];
    if (command == L"hello" && argc == 2) return exchange(ks::client::makeRequest("system.hello"), {});
    if (command == L"health" && argc == 2) return exchange(ks::client::makeRequest("system.health"), {});
    if (command == L"stop" && argc == 2) return stop();
    if (command == L"printers") return printers(argc, argv);
    if (command == L"caps") return caps(argc, argv);
    if (command == L"raw") return raw(argc, argv);
    return usage();
}
