#include "platform/win32/diagnostic_exporter.h"

#include <fmt/xchar.h>

#include <atomic>
#include <cwchar>
#include <vector>

#include "platform/export_path.h"
#include "platform/scope_exit.h"
#include "platform/win32/gdi_handles.h"

namespace ks::platform {
namespace {

constexpr int kMaximumNameAttempts = 16;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr DWORD kFileNameCapacity = 32'768;
constexpr DWORD kSaveDialogFlags = OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_DONTADDTORECENT;
// One filter pair; the literal's own terminator makes the closing double NUL.
constexpr wchar_t kSaveDialogFilter[] = L"文本文件 (*.txt)\0*.txt\0";

// Shared by every writer in the process, so that two exports never build the
// same temporary name.
std::atomic<std::uint64_t> temporaryNameCounter{0};

using FileOwner = UniqueClosedBy<HANDLE, decltype(::CloseHandle)>;

// The exportable-text check bounds every text to 1 MiB, well within DWORD.
bool writeAll(const ExportFileFunctions& files, HANDLE file, std::string_view bytes) {
    DWORD written = 0;
    const auto size = static_cast<DWORD>(bytes.size());
    return files.writeFile(file, bytes.data(), size, &written, nullptr) && written == size;
}

// A new temporary file beside `target` (its name in `temporary`), or
// INVALID_HANDLE_VALUE. Names taken by other files are skipped.
HANDLE createTemporaryFile(const std::wstring& target, const ExportFileFunctions& files, std::wstring& temporary) {
    for (int attempt = 0; attempt < kMaximumNameAttempts; ++attempt) {
        temporary =
            fmt::format(L"{}.ksd-{}-{}.tmp", target, ::GetCurrentProcessId(), temporaryNameCounter.fetch_add(1));
        const HANDLE file =
            files.createFile(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

ExportFileFunctions systemExportFileFunctions() {
    return {::CreateFileW, ::WriteFile, ::FlushFileBuffers, ::CloseHandle, ::MoveFileExW, ::DeleteFileW};
}

bool writeFileAtomically(const std::wstring& target, std::string_view utf8Text, const ExportFileFunctions& files) {
    if (!isExportableText(utf8Text) || !isAcceptableExportPath(target)) return false;
    std::wstring temporary;
    const HANDLE created = createTemporaryFile(target, files, temporary);
    if (created == INVALID_HANDLE_VALUE) return false;
    FileOwner file(created, files.closeHandle);
    ScopeExit removeTemporary([&] {
        file.reset();
        static_cast<void>(files.deleteFile(temporary.c_str()));
    });
    if (!writeAll(files, file.get(), kByteOrderMark) || !writeAll(files, file.get(), utf8Text) ||
        !files.flushFileBuffers(file.get())) {
        return false;
    }
    // Closed here, not by the owner: a close that fails may have lost data,
    // and the handle is gone either way.
    if (!files.closeHandle(file.release())) return false;
    if (!files.moveFileEx(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return false;
    }
    removeTemporary.release();
    return true;
}

bool writeFileAtomically(const std::wstring& target, std::string_view utf8Text) {
    return writeFileAtomically(target, utf8Text, systemExportFileFunctions());
}

SaveDialogFunctions systemSaveDialogFunctions() { return {::CommDlgExtendedError, ::GetSaveFileNameW}; }

ExportResult DiagnosticExporter::Export(HWND owner, std::string_view utf8Text) {
    if (!isExportableText(utf8Text)) return ExportResult::Failed;
    std::vector<wchar_t> fileName(kFileNameCapacity, L'\0');
    constexpr std::wstring_view kSuggestedName = L"Kestrune-诊断.txt";
    kSuggestedName.copy(fileName.data(), kSuggestedName.size());

    OPENFILENAMEW dialog{};
    static_assert(sizeof(OPENFILENAMEW) == 152);
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kSaveDialogFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = fileName.data();
    dialog.nMaxFile = kFileNameCapacity;
    dialog.lpstrTitle = L"导出诊断";
    dialog.Flags = kSaveDialogFlags;
    dialog.lpstrDefExt = L"txt";
    if (!functions_.getSaveFileName(&dialog)) {
        return functions_.commDlgExtendedError() != 0 ? ExportResult::Failed : ExportResult::Cancelled;
    }
    const std::wstring chosen(fileName.data(), ::wcsnlen(fileName.data(), fileName.size()));
    return writeFileAtomically(chosen, utf8Text) ? ExportResult::Exported : ExportResult::Failed;
}

}  // namespace ks::platform
