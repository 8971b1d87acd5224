#include "platform/win32/diagnostic_exporter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "platform/export_path.h"
#include "platform/utf8_samples.h"

namespace ks::platform {
namespace {

namespace fs = std::filesystem;

const std::string kOldBytes = "old report\r\n";
const std::string kText = "注意：诊断\r\n【服务】\r\n程序版本：0.1.0\r\n";
const std::string kWritten = "\xEF\xBB\xBF" + kText;

void writeBytes(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

// A fresh folder under the user's temporary folder, removed at the end.
struct TemporaryFolder {
    fs::path path = fs::temp_directory_path() /
                    ("ks-export-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(serial++));
    TemporaryFolder() {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TemporaryFolder() { fs::remove_all(path); }

    std::set<std::wstring> list() const {
        std::set<std::wstring> names;
        for (const auto& entry : fs::directory_iterator(path)) names.insert(entry.path().filename().wstring());
        return names;
    }
    static inline int serial = 0;
};

enum class Fault { None, CreateRefused, CreateCollides, BomFails, TextFails, BomShort, TextShort, Flush, Close, Move };

// The real file functions, with the one named by `fault` failing; records
// what was asked so the test can follow the temporary file. A collision is
// real: another file of that name is made first.
struct FaultyFiles {
    Fault fault = Fault::None;
    std::size_t collisions = 0;  // with CreateCollides: how many names are taken
    std::vector<std::wstring> created{};
    HANDLE file = INVALID_HANDLE_VALUE;
    int writes = 0;
    int closes = 0;
    std::vector<std::wstring> deleted{};

    static BOOL failed(DWORD error) {
        ::SetLastError(error);
        return FALSE;
    }

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
                if (fault == Fault::CreateCollides && created.size() <= collisions) writeBytes(name, "someone's");
                return file = ::CreateFileW(name, access, share, security, disposition, attributes, templateFile);
            },
            [this](HANDLE handle, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) -> BOOL {
                EXPECT_EQ(handle, file);
                ++writes;
                const Fault failing = writes == 1 ? Fault::BomFails : Fault::TextFails;
                const Fault shortened = writes == 1 ? Fault::BomShort : Fault::TextShort;
                if (fault == failing) return failed(ERROR_DISK_FULL);
                return ::WriteFile(handle, data, fault == shortened ? size - 1 : size, written, overlapped);
            },
            [this](HANDLE handle) -> BOOL {
                EXPECT_EQ(handle, file);
                return fault == Fault::Flush ? failed(ERROR_IO_DEVICE) : ::FlushFileBuffers(handle);
            },
            [this](HANDLE handle) -> BOOL {
                EXPECT_EQ(handle, file);
                ++closes;
                // The handle is gone even when the close reports a failure.
                const BOOL closed = ::CloseHandle(handle);
                return fault == Fault::Close ? failed(ERROR_IO_DEVICE) : closed;
            },
            [this](LPCWSTR from, LPCWSTR to, DWORD flags) -> BOOL {
                EXPECT_EQ(from, created.back());
                EXPECT_EQ(flags, static_cast<DWORD>(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
                return fault == Fault::Move ? failed(ERROR_ACCESS_DENIED) : ::MoveFileExW(from, to, flags);
            },
            [this](LPCWSTR name) -> BOOL {
                deleted.emplace_back(name);
                return ::DeleteFileW(name);
            },
        };
    }
};

TEST(WriteFileAtomicallyTest, ReplacesTheTargetWithByteOrderMarkAndText) {
    for (const bool targetExists : {false, true}) {
        TemporaryFolder folder;
        const fs::path target = folder.path / L"Kestrune-诊断.txt";
        if (targetExists) writeBytes(target, kOldBytes + "and more than the new text holds, to be cut" + kText);
        FaultyFiles files;
        ASSERT_TRUE(writeFileAtomically(target.wstring(), kText, files.functions()));
        EXPECT_EQ(readBytes(target), kWritten);
        EXPECT_EQ(folder.list(), std::set<std::wstring>{L"Kestrune-诊断.txt"});
        ASSERT_EQ(files.created.size(), 1u);
        EXPECT_TRUE(files.created[0].starts_with(target.wstring() + L".ksd-" +
                                                 std::to_wstring(::GetCurrentProcessId()) + L"-"));
        EXPECT_TRUE(files.created[0].ends_with(L".tmp"));
        EXPECT_EQ(files.writes, 2);
        EXPECT_EQ(files.closes, 1);
        EXPECT_TRUE(files.deleted.empty());
    }
}

TEST(WriteFileAtomicallyTest, EveryFailingStepLeavesTheTargetAndNoTemporaryFile) {
    for (const Fault fault : {Fault::CreateRefused, Fault::CreateCollides, Fault::BomFails, Fault::TextFails,
                              Fault::BomShort, Fault::TextShort, Fault::Flush, Fault::Close, Fault::Move}) {
        SCOPED_TRACE(static_cast<int>(fault));
        TemporaryFolder folder;
        const fs::path target = folder.path / L"report.txt";
        writeBytes(target, kOldBytes);
        FaultyFiles files{.fault = fault, .collisions = 16};
        EXPECT_FALSE(writeFileAtomically(target.wstring(), kText, files.functions()));
        EXPECT_EQ(readBytes(target), kOldBytes);

        std::set<std::wstring> expected{L"report.txt"};
        if (fault == Fault::CreateRefused || fault == Fault::CreateCollides) {
            // Sixteen different names taken by others, whose files stay.
            EXPECT_EQ(files.created.size(), fault == Fault::CreateCollides ? 16u : 1u);
            EXPECT_TRUE(files.deleted.empty());
            if (fault == Fault::CreateCollides) {
                for (const fs::path name : files.created) expected.insert(name.filename().wstring());
                EXPECT_EQ(expected.size(), 17u);
            }
        } else {
            ASSERT_EQ(files.created.size(), 1u);
            EXPECT_EQ(files.closes, 1) << "closed exactly once";
            EXPECT_EQ(files.deleted, files.created);
        }
        EXPECT_EQ(folder.list(), expected);
    }
}

TEST(WriteFileAtomicallyTest, NamesTakenByOtherWritersAreSkipped) {
    TemporaryFolder folder;
    FaultyFiles files{.fault = Fault::CreateCollides, .collisions = 15};
    ASSERT_TRUE(writeFileAtomically((folder.path / L"report.txt").wstring(), kText, files.functions()));
    ASSERT_EQ(files.created.size(), 16u);
    EXPECT_EQ(readBytes(folder.path / L"report.txt"), kWritten);
    EXPECT_EQ(readBytes(files.created[14]), "someone's");
    EXPECT_EQ(folder.list().size(), 16u);
}

TEST(WriteFileAtomicallyTest, RefusedPathsAndTextsNeverReachTheDisk) {
    using namespace std::string_literals;
    FaultyFiles files;
    for (const std::wstring& path : {L"report.txt"s, L"..\\report.txt"s, L".."s, L"."s, L"C:\\a\\.."s, L"C:\\a\\b\0c"s,
                                     L"C:\\a\\b:stream"s, L"C:\\a\\"s, L"C:foo"s, L""s}) {
        EXPECT_FALSE(writeFileAtomically(path, kText, files.functions()));
    }
    for (const std::string& text : {""s, "a\0b"s, "bell\a"s, "\xC0\xAF"s, std::string(kMaximumExportBytes + 1, 'x')}) {
        EXPECT_FALSE(writeFileAtomically(L"C:\\report.txt", text, files.functions()));
    }
    EXPECT_TRUE(files.created.empty());
    EXPECT_TRUE(files.deleted.empty());
}

// The portable text check stands in for MultiByteToWideChar with
// MB_ERR_INVALID_CHARS; both must judge every sample alike.
TEST(ExportTextTest, AgreesWithTheSystemDecoder) {
    const auto systemAccepts = [](std::string_view text) {
        return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr,
                                     0) > 0;
    };
    for (const char* text : utf8_samples::kWellFormed) {
        EXPECT_TRUE(systemAccepts(text) && isExportableText(text)) << ::testing::PrintToString(text);
    }
    for (const char* text : utf8_samples::kIllFormed) {
        EXPECT_FALSE(systemAccepts(text) || isExportableText(text)) << ::testing::PrintToString(text);
    }
}

// A save dialog that records what it was given and answers as scripted.
struct FakeSaveDialog {
    BOOL answer = FALSE;
    DWORD extendedError = 0;
    std::wstring chosenPath{};
    int calls = 0;
    OPENFILENAMEW seen{};
    std::wstring prefilled{};
    std::wstring filter{};

    SaveDialogFunctions functions() {
        return {
            [this]() -> DWORD { return extendedError; },
            [this](LPOPENFILENAMEW dialog) -> BOOL {
                ++calls;
                seen = *dialog;
                prefilled = dialog->lpstrFile;
                std::size_t length = 0;
                while (dialog->lpstrFilter[length] != 0 || dialog->lpstrFilter[length + 1] != 0) ++length;
                filter.assign(dialog->lpstrFilter, length + 2);
                if (answer) chosenPath.copy(dialog->lpstrFile, chosenPath.size() + 1);
                return answer;
            },
        };
    }
};

TEST(DiagnosticExporterTest, AsksWithTheSaveDialogAndWritesTheChosenFile) {
    TemporaryFolder folder;
    FakeSaveDialog dialog{.answer = TRUE, .chosenPath = (folder.path / L"诊断 2026.txt").wstring()};
    const HWND owner = reinterpret_cast<HWND>(0x4321);
    EXPECT_EQ(DiagnosticExporter(dialog.functions()).Export(owner, kText), ExportResult::Exported);
    EXPECT_EQ(readBytes(dialog.chosenPath), kWritten);
    EXPECT_EQ(folder.list(), std::set<std::wstring>{L"诊断 2026.txt"});

    OPENFILENAMEW rest = dialog.seen;
    EXPECT_EQ(std::exchange(rest.lStructSize, 0), 152u);
    EXPECT_EQ(std::exchange(rest.hwndOwner, nullptr), owner);
    EXPECT_EQ(std::exchange(rest.Flags, 0), 0x200080Au);
    EXPECT_EQ(std::exchange(rest.nMaxFile, 0), 32768u);
    EXPECT_EQ(std::exchange(rest.nFilterIndex, 0), 1u);
    EXPECT_EQ(std::wstring(std::exchange(rest.lpstrTitle, nullptr)), L"导出诊断");
    EXPECT_EQ(std::wstring(std::exchange(rest.lpstrDefExt, nullptr)), L"txt");
    rest.lpstrFilter = nullptr;
    rest.lpstrFile = nullptr;
    const OPENFILENAMEW zero{};
    EXPECT_EQ(std::memcmp(&rest, &zero, sizeof(rest)), 0) << "every other member is 0";
    EXPECT_EQ(dialog.prefilled, L"Kestrune-诊断.txt");
    EXPECT_EQ(dialog.filter, std::wstring(L"文本文件 (*.txt)\0*.txt\0\0", 20));
}

TEST(DiagnosticExporterTest, OutcomesOfTheDialogAndTheWrite) {
    FakeSaveDialog closed;
    EXPECT_EQ(DiagnosticExporter(closed.functions()).Export(nullptr, kText), ExportResult::Cancelled);

    FakeSaveDialog broken{.extendedError = FNERR_BUFFERTOOSMALL};
    EXPECT_EQ(DiagnosticExporter(broken.functions()).Export(nullptr, kText), ExportResult::Failed);

    TemporaryFolder folder;
    FakeSaveDialog stream{.answer = TRUE, .chosenPath = (folder.path / L"report.txt:hidden").wstring()};
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
