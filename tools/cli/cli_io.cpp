#include "cli/cli_io.h"

#include <windows.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "client/pipe_client.h"
#include "protocol/utf8.h"
#include "protocol/win32/named_pipe_server.h"

namespace ks::cli {
namespace {

void write(DWORD stream, std::string_view utf8) {
    const HANDLE handle = ::GetStdHandle(stream);
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(handle, &mode)) {
        const std::wstring text = protocol::utf8ToWide(utf8);
        ::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } else {
        ::WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    }
}

bool opensPreview(const std::string& request) {
    const auto document = protocol::JsonDocument::parse(request);
    if (!document) return false;
    try {
        const std::string command = document->root().getString("command");
        return command == "jobs.preview" || command == "jobs.preview.prepare" || command == "jobs.preview.complete";
    } catch (const protocol::JsonReadError&) {
        return false;  // the service will refuse the request
    }
}

constexpr std::string_view kUnreadableAnswer = "服务的应答格式无法识别：\n";

}  // namespace

void out(std::string_view utf8) { write(STD_OUTPUT_HANDLE, utf8); }
void err(std::string_view utf8) { write(STD_ERROR_HANDLE, utf8); }

std::optional<std::string> readFile(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::optional<std::string> roundTrip(const std::string& request, const std::vector<protocol::ByteBuffer>& blobs) {
    DWORD error = 0;
    // A busy pipe means another client is being served: wait a little.
    auto client = client::PipeClient::connect(protocol::kPipeName, std::chrono::seconds(5), error);
    if (!client) {
        err(error == ERROR_FILE_NOT_FOUND ? "岚舟服务未运行：找不到本地管道 \\\\.\\pipe\\LOCAL\\Kestrune.v1。\n"
                                          : "无法连接岚舟服务（Win32=" + std::to_string(error) + "）。\n");
        return std::nullopt;
    }
    if (opensPreview(request)) {
        // The service's preview window may only come to the front when the
        // program that asked for it lets it; otherwise Windows keeps it
        // behind with a flashing taskbar button.
        ULONG serverProcess = 0;
        if (::GetNamedPipeServerProcessId(client->handle(), &serverProcess)) ::AllowSetForegroundWindow(serverProcess);
    }
    if (!client->send(request, blobs)) {
        err("请求无法发送：请求超过消息帧大小限制，或服务已断开连接。\n");
        return std::nullopt;
    }
    auto response = client->receive();
    if (!response) err("服务未作答便关闭了连接（请求可能超过大小限制）。\n");
    return response;
}

bool answeredOk(const std::optional<protocol::JsonDocument>& document) {
    try {
        return document && document->root().getBoolean("ok");
    } catch (const protocol::JsonReadError&) {
        return false;
    }
}

int sendAndShowRaw(const std::string& request, const std::vector<protocol::ByteBuffer>& blobs) {
    const auto response = roundTrip(request, blobs);
    if (!response) return kUnreachable;
    out(*response);
    out("\n");
    return answeredOk(protocol::JsonDocument::parse(*response)) ? kAnsweredOk : kAnsweredError;
}

void reportErrorAnswer(const std::optional<protocol::JsonDocument>& document, const std::string& response) {
    if (document) {
        try {
            const auto error = document->root().getObject("error");
            err(error.getString("code") + "：" + error.getString("message") + "\n");
            return;
        } catch (const protocol::JsonReadError&) {
            // Shown raw below.
        }
    }
    err(std::string(kUnreadableAnswer) + response + "\n");
}

int sendAndShow(const std::string& request, const std::vector<protocol::ByteBuffer>& blobs, const ShowResult& show) {
    const auto response = roundTrip(request, blobs);
    if (!response) return kUnreachable;
    const auto document = protocol::JsonDocument::parse(*response);
    if (!answeredOk(document)) {
        reportErrorAnswer(document, *response);
        return kAnsweredError;
    }
    try {
        return show(document->root().getObject("result"));
    } catch (const protocol::JsonReadError&) {
        err(std::string(kUnreadableAnswer) + *response + "\n");
        return kAnsweredError;
    }
}

}  // namespace ks::cli
