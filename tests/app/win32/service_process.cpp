#include "app/win32/service_process.h"

#include "protocol/win32/named_pipe_server.h"

namespace ks::testing {
namespace {

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t className[256] = {};
    wchar_t title[256] = {};
    ::GetClassNameW(window, className, 256);
    ::GetWindowTextW(window, title, 256);
    if (owner == search->processId && std::wstring(className) == search->className &&
        (search->title == nullptr || std::wstring(title) == search->title)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::wstring besideThisExecutable(const wchar_t* fileName) {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.resize(folder.find_last_of(L"\\/") + 1);
    return folder + fileName;
}

ServiceProcess::ServiceProcess(const wchar_t* program) {
    std::wstring commandLine = L"\"" + besideThisExecutable(program) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        ::CloseHandle(info.hThread);
        process_.reset(info.hProcess);
        processId_ = info.dwProcessId;
    }
}

ServiceProcess::~ServiceProcess() {
    if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_.get(), 99);
        ::WaitForSingleObject(process_.get(), 5000);
    }
}

std::optional<DWORD> ServiceProcess::waitForExit(std::chrono::milliseconds timeout) {
    if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process_.get(), &code);
    return code;
}

HWND ServiceProcess::waitForWindow(const wchar_t* className, const wchar_t* title,
                                   std::chrono::milliseconds timeout) const {
    return pollUntil(timeout, [&] {
        WindowSearch search{processId_, className, title, nullptr};
        ::EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found;
    });
}

ProgramRun runBesideThisExecutable(const wchar_t* program, const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    platform::UniqueHandle readEnd;
    platform::UniqueHandle writeEnd;
    ProgramRun run;
    if (!::CreatePipe(readEnd.put(), writeEnd.put(), &inheritable, 0)) return run;
    ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    std::wstring commandLine = L"\"" + besideThisExecutable(program) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writeEnd.get();
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        return run;
    }
    const platform::UniqueHandle process(info.hProcess);
    const platform::UniqueHandle thread(info.hThread);
    writeEnd.reset();  // the child holds the only write end: reading ends when it does
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(readEnd.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        run.output.append(buffer, read);
    if (::WaitForSingleObject(process.get(), 60'000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 99);
        return run;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    run.exitCode = code;
    return run;
}

std::optional<client::PipeClient> connectToService(std::chrono::milliseconds timeout) {
    return pollUntil(timeout, [] {
        DWORD error = 0;
        return client::PipeClient::connect(protocol::kPipeName, std::chrono::seconds(2), error);
    });
}

}  // namespace ks::testing
