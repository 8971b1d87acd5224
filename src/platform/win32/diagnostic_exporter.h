#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace ks::platform {

enum class ExportResult : std::uint32_t {
    Cancelled = 0,
    Exported = 1,
    Failed = 2,
};

// Saves the diagnostics report to a file the user chooses.
class IDiagnosticExporter {
public:
    IDiagnosticExporter() = default;
    IDiagnosticExporter(const IDiagnosticExporter&) = delete;
    IDiagnosticExporter& operator=(const IDiagnosticExporter&) = delete;
    virtual ~IDiagnosticExporter() = default;

    // Asks for a file name with the common save dialog owned by `owner` and
    // writes `utf8Text` there with a byte order mark, replacing an existing
    // file in one step. Returns after the dialog and the write finished (the
    // calling thread keeps dispatching messages meanwhile). Cancelled when
    // the user closed the dialog; Failed when the text is not exportable
    // (checked before any dialog), the dialog failed or the write failed.
    // UI thread only.
    [[nodiscard]] virtual ExportResult Export(HWND owner, std::string_view utf8Text) = 0;
};

// The file functions writeFileAtomically calls.
struct ExportFileFunctions {
    std::function<decltype(::CreateFileW)> createFile;
    std::function<decltype(::WriteFile)> writeFile;
    std::function<decltype(::FlushFileBuffers)> flushFileBuffers;
    std::function<decltype(::CloseHandle)> closeHandle;
    std::function<decltype(::MoveFileExW)> moveFileEx;
    std::function<decltype(::DeleteFileW)> deleteFile;
};

ExportFileFunctions systemExportFileFunctions();

// Writes EF BB BF and `utf8Text` to a new temporary file beside `target`,
// flushes and closes it, then moves it over `target`. False, with the
// temporary file deleted and `target` untouched, on any failure; false
// without touching the disk when the text is not exportable or the path not
// acceptable (see export_path.h). Any thread may call.
[[nodiscard]] bool writeFileAtomically(const std::wstring& target, std::string_view utf8Text,
                                       const ExportFileFunctions& files);
[[nodiscard]] bool writeFileAtomically(const std::wstring& target, std::string_view utf8Text);

// The dialog functions DiagnosticExporter calls.
struct SaveDialogFunctions {
    std::function<decltype(::CommDlgExtendedError)> commDlgExtendedError;
    std::function<decltype(::GetSaveFileNameW)> getSaveFileName;
};

SaveDialogFunctions systemSaveDialogFunctions();

class DiagnosticExporter final : public IDiagnosticExporter {
public:
    explicit DiagnosticExporter(SaveDialogFunctions functions) : functions_(std::move(functions)) {}

    [[nodiscard]] ExportResult Export(HWND owner, std::string_view utf8Text) override;

private:
    SaveDialogFunctions functions_;
};

}  // namespace ks::platform
