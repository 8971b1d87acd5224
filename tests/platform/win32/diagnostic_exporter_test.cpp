#include "platform/win32/diagnostic_exporter.h"

#include <gtest/gtest.h>

#include <fmt/xchar.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/export_path.h"
#include "platform/utf8_samples.h"

namespace ks::platform {
namespace {

const std::string kOldBytes = "old report\r\n";
const std::string kText = "注意：诊断\r\n【服务】\r\n程序版本：0.1.0\r\n";

// A fresh folder under the user's temporary folder, removed with whatever it
// holds at the end.
class TemporaryFolder {
public:
    TemporaryFolder() {
        wchar_t base[MAX_PATH + 1] = {};
        EXPECT_NE(::GetTempPathW(MAX_PATH + 1, base), 0u);
        static int serial = 0;
        path_ = fmt::format(L"{}ks-export-{}-{}", base, ::GetCurrentProcessId(), ++serial);
        EXPECT_TRUE(::CreateDirectoryW(path_.c_str(), nullptr)) << ::GetLastError();
    }
    ~TemporaryFolder() {
        for (const std::wstring& name : list()) ::DeleteFileW((path_ + L"\\" + name).c_str());
        ::RemoveDirectoryW(path_.c_str());
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    std::wstring file(std::wstring_view name) const { return path_ + L"\\" + std::wstring(name); }

    std::set<std::wstring> list() const {
        std::set<std::wstring> names;
        WIN32_FIND_DATAW found{};
        const HANDLE search = ::FindFirstFileW((path_ + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") names.insert(name);
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
        return names;
    }

private:
    std::wstring path_;
};

void writeBytes(const std::wstring& path, std::string_view bytes) {
    const HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ::CloseHandle(file);
}

std::string readBytes(const std::wstring& path) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes(4096, '\0');
    DWORD read = 0;
    EXPECT_TRUE(::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr));
    ::CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

enum class Fault {
    None,
    CreateRefused,
    CreateCollidesEveryTime,
    CreateCollidesFifteenTimes,
    ByteOrderMarkWriteFails,
    TextWriteFails,
    ByteOrderMarkWriteShort,
    TextWriteShort,
    FlushFails,
    CloseFails,
    MoveFails,
};

// The real file functions, one of which fails as told; records what was
// asked so the test can check the temporary file's life.
struct FaultyFiles {
    Fault fault = Fault::None;
    std::vector<std::wstring> created;  // every name CreateFileW was asked for
    HANDLE file = INVALID_HANDLE_VALUE;
    int writes = 0;
    int closes = 0;
    std::vector<std::wstring> deleted;

    ExportFileFunctions functions() {
        return {
            [this](LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                   DWORD attributes, HANDLE templateFile) -> HANDLE {
                created.emplace_back(name);
                EXPECT_EQ(access, static_cast<DWORD>(GENERIC_WRITE));
                EXPECT_EQ(share, 0u);
                EXPECT_EQ(disposition, static_cast<DWORD>(CREATE_NEW));
                if (fault == Fault::CreateRefused) {
                    ::SetLastError(ERROR_ACCESS_DENIED);
                    return INVALID_HANDLE_VALUE;
                }
                // Another writer got there first: a real file of that name.
                if (fault == Fault::CreateCollidesEveryTime ||
                    (fault == Fault::CreateCollidesFifteenTimes && created.size() <= 15)) {
                    writeBytes(name, "someone else's");
                }
                file = ::CreateFileW(name, access, share, security, disposition, attributes, templateFile);
                return file;
            },
            [this](HANDLE handle, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) -> BOOL {
                EXPECT_EQ(handle, file);
                ++writes;
                const bool failing = (fault == Fault::ByteOrderMarkWriteFails && writes == 1) ||
                                     (fault == Fault::TextWriteFails && writes == 2);
                if (failing) {
                    ::SetLastError(ERROR_DISK_FULL);
                    return FALSE;
                }
                const bool shortWrite = (fault == Fault::ByteOrderMarkWriteShort && writes == 1) ||
                                        (fault == Fault::TextWriteShort && writes == 2);
                return ::WriteFile(handle, data, shortWrite ? size - 1 : size, written, overlapped);
            },
            [this](HANDLE handle) -> BOOL {
                EXPECT_EQ(handle, file);
                if (fault == Fault::FlushFails) {
                    ::SetLastError(ERROR_IO_DEVICE);
                    return FALSE;
                }
                return ::FlushFileBuffers(handle);
            },
            [this](HANDLE handle) -> BOOL {
                EXPECT_EQ(handle, file);
                ++closes;
                // The handle is gone even when the close reports a failure.
                const BOOL closed = ::CloseHandle(handle);
                if (fault == Fault::CloseFails) {
                    ::SetLastError(ERROR_IO_DEVICE);
                    return FALSE;
                }
                return closed;
            },
            [this](LPCWSTR from, LPCWSTR to, DWORD flags) -> BOOL {
                EXPECT_EQ(from, created.back());
                EXPECT_EQ(flags, static_cast<DWORD>(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
                if (fault == Fault::MoveFails) {
                    ::SetLastError(ERROR_ACCESS_DENIED);
                    return FALSE;
                }
                return ::MoveFileExW(from, to, flags);
            },
            [this](LPCWSTR name) -> BOOL {
                deleted.emplace_back(name);
                return ::DeleteFileW(name);
            },
        };
    }
};

std::wstring fileNameOf(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

TEST(WriteFileAtomicallyTest, ReplacesTheTargetWithByteOrderMarkAndText) {
    for (const bool targetExists : {false, true}) {
        SCOPED_TRACE(targetExists ? "existing target" : "new target");
        TemporaryFolder folder;
        const std::wstring target = folder.file(L"Kestrune-诊断.txt");
        if (targetExists) writeBytes(target, kOldBytes + "longer than the new text, to see it truncated" + kText);
        FaultyFiles files;
        ASSERT_TRUE(writeFileAtomically(target, kText, files.functions()));
        EXPECT_EQ(readBytes(target), "\xEF\xBB\xBF" + kText);
        EXPECT_EQ(folder.list(), std::set<std::wstring>{L"Kestrune-诊断.txt"});
        ASSERT_EQ(files.created.size(), 1u);
        EXPECT_TRUE(files.created[0].starts_with(fmt::format(L"{}.ksd-{}-", target, ::GetCurrentProcessId())));
        EXPECT_TRUE(files.created[0].ends_with(L".tmp"));
        EXPECT_EQ(files.writes, 2);
        EXPECT_EQ(files.closes, 1);
        EXPECT_TRUE(files.deleted.empty());
    }
}

TEST(WriteFileAtomicallyTest, EveryFailingStepLeavesTheTargetAndNoTemporaryFile) {
    const Fault faults[] = {Fault::CreateRefused,
                            Fault::CreateCollidesEveryTime,
                            Fault::ByteOrderMarkWriteFails,
                            Fault::TextWriteFails,
                            Fault::ByteOrderMarkWriteShort,
                            Fault::TextWriteShort,
                            Fault::FlushFails,
                            Fault::CloseFails,
                            Fault::MoveFails};
    for (const Fault fault : faults) {
        SCOPED_TRACE(static_cast<int>(fault));
        TemporaryFolder folder;
        const std::wstring target = folder.file(L"report.txt");
        writeBytes(target, kOldBytes);
        FaultyFiles files;
        files.fault = fault;
        EXPECT_FALSE(writeFileAtomically(target, kText, files.functions()));
        EXPECT_EQ(readBytes(target), kOldBytes);

        std::set<std::wstring> expected{L"report.txt"};
        if (fault == Fault::CreateRefused) {
            EXPECT_EQ(files.created.size(), 1u);
            EXPECT_TRUE(files.deleted.empty());
        } else if (fault == Fault::CreateCollidesEveryTime) {
            // Sixteen names, all different; the other writers' files stay.
            EXPECT_EQ(files.created.size(), 16u);
            for (const std::wstring& name : files.created) expected.insert(fileNameOf(name));
            EXPECT_EQ(expected.size(), 17u);
            EXPECT_TRUE(files.deleted.empty()) << "never someone else's file";
        } else {
            ASSERT_EQ(files.created.size(), 1u);
            EXPECT_EQ(files.closes, 1) << "closed exactly once";
            EXPECT_EQ(files.deleted, std::vector<std::wstring>{files.created[0]});
        }
        EXPECT_EQ(folder.list(), expected);
    }
}

TEST(WriteFileAtomicallyTest, ANameTakenByAnotherWriterIsSkipped) {
    TemporaryFolder folder;
    const std::wstring target = folder.file(L"report.txt");
    FaultyFiles files;
    files.fault = Fault::CreateCollidesFifteenTimes;
    ASSERT_TRUE(writeFileAtomically(target, kText, files.functions()));
    EXPECT_EQ(files.created.size(), 16u);
    EXPECT_EQ(readBytes(target), "\xEF\xBB\xBF" + kText);
    std::set<std::wstring> expected{L"report.txt"};
    for (std::size_t i = 0; i < 15; ++i) {
        expected.insert(fileNameOf(files.created[i]));
        EXPECT_EQ(readBytes(files.created[i]), "someone else's");
    }
    EXPECT_EQ(folder.list(), expected);
}

// Functions that fail the test when called at all.
ExportFileFunctions untouchableFiles() {
    return {
        [](LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) -> HANDLE {
            ADD_FAILURE() << "CreateFileW";
            return INVALID_HANDLE_VALUE;
        },
        [](HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) -> BOOL {
            ADD_FAILURE() << "WriteFile";
            return FALSE;
        },
        [](HANDLE) -> BOOL {
            ADD_FAILURE() << "FlushFileBuffers";
            return FALSE;
        },
        [](HANDLE) -> BOOL {
            ADD_FAILURE() << "CloseHandle";
            return FALSE;
        },
        [](LPCWSTR, LPCWSTR, DWORD) -> BOOL {
            ADD_FAILURE() << "MoveFileExW";
            return FALSE;
        },
        [](LPCWSTR) -> BOOL {
            ADD_FAILURE() << "DeleteFileW";
            return FALSE;
        },
    };
}

TEST(WriteFileAtomicallyTest, RefusedPathsAndTextsNeverReachTheDisk) {
    using namespace std::string_literals;
    for (const std::wstring& path : {L"report.txt"s, L"..\\report.txt"s, L".."s, L"."s, L"C:\\a\\.."s, L"C:\\a\\b\0c"s,
                                     L"C:\\a\\b:stream"s, L"C:\\a\\"s, L"C:foo"s, L""s}) {
        EXPECT_FALSE(writeFileAtomically(path, kText, untouchableFiles()));
    }
    for (const std::string& text : {""s, "a\0b"s, "bell\a"s, "\xC0\xAF"s, std::string(kMaximumExportBytes + 1, 'x')}) {
        EXPECT_FALSE(writeFileAtomically(L"C:\\report.txt", text, untouchableFiles()));
    }
}

// The portable text check stands in for MultiByteToWideChar with
// MB_ERR_INVALID_CHARS; both must judge every sample alike.
TEST(ExportTextTest, AgreesWithTheSystemDecoder) {
    const auto systemAccepts = [](std::string_view text) {
        return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr,
                                     0) > 0;
    };
    for (const char* text : utf8_samples::kWellFormed) {
        EXPECT_TRUE(systemAccepts(text)) << ::testing::PrintToString(text);
        EXPECT_TRUE(isExportableText(text)) << ::testing::PrintToString(text);
    }
    for (const char* text : utf8_samples::kIllFormed) {
        EXPECT_FALSE(systemAccepts(text)) << ::testing::PrintToString(text);
        EXPECT_FALSE(isExportableText(text)) << ::testing::PrintToString(text);
    }
}

// A save dialog that records what it was given and answers as scripted.
struct FakeSaveDialog {
    BOOL answer = FALSE;
    DWORD extendedError = 0;
    std::wstring chosenPath;
    int calls = 0;
    OPENFILENAMEW seen{};
    std::wstring prefilled;
    std::vector<wchar_t> filter;

    SaveDialogFunctions functions() {
        return {
            [this]() -> DWORD { return extendedError; },
            [this](LPOPENFILENAMEW dialog) -> BOOL {
                ++calls;
                seen = *dialog;
                prefilled = dialog->lpstrFile;
                std::size_t length = 0;
                while (dialog->lpstrFilter[length] != 0 || dialog->lpstrFilter[length + 1] != 0) ++length;
                filter.assign(dialog->lpstrFilter, dialog->lpstrFilter + length + 2);
                if (answer) chosenPath.copy(dialog->lpstrFile, chosenPath.size() + 1);
                return answer;
            },
        };
    }
};

TEST(DiagnosticExporterTest, AsksWithTheSaveDialogAndWritesTheChosenFile) {
    TemporaryFolder folder;
    FakeSaveDialog dialog;
    dialog.answer = TRUE;
    dialog.chosenPath = folder.file(L"诊断 2026.txt");
    const HWND owner = reinterpret_cast<HWND>(0x4321);
    EXPECT_EQ(DiagnosticExporter(dialog.functions()).Export(owner, kText), ExportResult::Exported);
    EXPECT_EQ(readBytes(dialog.chosenPath), "\xEF\xBB\xBF" + kText);
    EXPECT_EQ(folder.list(), std::set<std::wstring>{L"诊断 2026.txt"});

    const OPENFILENAMEW& seen = dialog.seen;
    EXPECT_EQ(seen.lStructSize, 152u);
    EXPECT_EQ(seen.hwndOwner, owner);
    EXPECT_EQ(seen.Flags, 0x200080Au);
    EXPECT_EQ(dialog.prefilled, L"Kestrune-诊断.txt");
    EXPECT_EQ(seen.nMaxFile, 32768u);
    constexpr wchar_t kFilter[] = L"文本文件 (*.txt)\0*.txt\0";  // and the literal's own NUL
    EXPECT_EQ(dialog.filter, std::vector<wchar_t>(std::begin(kFilter), std::end(kFilter)));
    EXPECT_EQ(seen.nFilterIndex, 1u);
    EXPECT_EQ(std::wstring(seen.lpstrTitle), L"导出诊断");
    EXPECT_EQ(std::wstring(seen.lpstrDefExt), L"txt");
    EXPECT_EQ(seen.hInstance, nullptr);
    EXPECT_EQ(seen.lpstrCustomFilter, nullptr);
    EXPECT_EQ(seen.nMaxCustFilter, 0u);
    EXPECT_EQ(seen.lpstrFileTitle, nullptr);
    EXPECT_EQ(seen.nMaxFileTitle, 0u);
    EXPECT_EQ(seen.lpstrInitialDir, nullptr);
    EXPECT_EQ(seen.nFileOffset, 0u);
    EXPECT_EQ(seen.nFileExtension, 0u);
    EXPECT_EQ(seen.lCustData, 0);
    EXPECT_EQ(seen.lpfnHook, nullptr);
    EXPECT_EQ(seen.lpTemplateName, nullptr);
    EXPECT_EQ(seen.pvReserved, nullptr);
    EXPECT_EQ(seen.dwReserved, 0u);
    EXPECT_EQ(seen.FlagsEx, 0u);
}

TEST(DiagnosticExporterTest, OutcomesOfTheDialogAndTheWrite) {
    FakeSaveDialog closed;
    EXPECT_EQ(DiagnosticExporter(closed.functions()).Export(nullptr, kText), ExportResult::Cancelled);

    FakeSaveDialog broken;
    broken.extendedError = FNERR_BUFFERTOOSMALL;
    EXPECT_EQ(DiagnosticExporter(broken.functions()).Export(nullptr, kText), ExportResult::Failed);

    TemporaryFolder folder;
    FakeSaveDialog stream;
    stream.answer = TRUE;
    stream.chosenPath = folder.file(L"report.txt:hidden");
    EXPECT_EQ(DiagnosticExporter(stream.functions()).Export(nullptr, kText), ExportResult::Failed);
    EXPECT_TRUE(folder.list().empty());

    FakeSaveDialog unused;
    for (const std::string_view text :
         {std::string_view(), std::string_view("a\0b", 3), std::string_view("\xED\xA0\x80")}) {
        EXPECT_EQ(DiagnosticExporter(unused.functions()).Export(nullptr, text), ExportResult::Failed);
    }
    EXPECT_EQ(unused.calls, 0) << "no dialog for a text that cannot be exported";
}

}  // namespace
}  // namespace ks::platform
