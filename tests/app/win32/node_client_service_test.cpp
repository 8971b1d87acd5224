// The Node.js client (clients/node) against the real kestrune.exe: Windows
// Node.js runs the steps of clients/node/e2e/service_steps.js one process at
// a time, the pages it prints land in the cups-pdf queue "PDF", and
// pdf_round_trip.sh rasterises them for NodeClientPdfTest to compare dot for
// dot with the pages the client drew (see pdf_capture.h).

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "app/win32/service_fixture.h"
#include "platform/win32/handles.h"
#include "support/win32/pdf_capture.h"

namespace ks::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Set by tests/CMakeLists.txt: node.exe as scripts/node-tools installs it, and
// the client's folder.
std::wstring fromEnvironment(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

struct StepRun {
    std::optional<DWORD> exitCode;
    std::string output;
};

// Runs `node service_steps.js <step>` in the current folder. Its output goes
// to a file: Windows Node.js under Wine fails to write to a pipe (EBADF).
StepRun runStep(const std::wstring& node, const std::wstring& client, const std::string& step) {
    const fs::path log = "node-" + step + ".log";
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    StepRun run;
    {
        platform::UniqueFileHandle output(::CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                        &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!output) return run;
        std::wstring commandLine = L"\"" + node + L"\" \"" + client + L"\\e2e\\service_steps.js\" " +
                                   std::wstring(step.begin(), step.end());
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = output.get();
        PROCESS_INFORMATION info{};
        if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                              &info)) {
            run.output = "node.exe did not start (Win32=" + std::to_string(::GetLastError()) + ")";
            return run;
        }
        const platform::UniqueHandle process(info.hProcess);
        const platform::UniqueHandle thread(info.hThread);
        // The busy step alone waits 2 s on purpose; printing takes a few.
        if (::WaitForSingleObject(process.get(), 180'000) != WAIT_OBJECT_0) {
            ::TerminateProcess(process.get(), 99);
        } else {
            DWORD code = 0;
            ::GetExitCodeProcess(process.get(), &code);
            run.exitCode = code;
        }
    }
    std::ifstream in(log, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    run.output = text.str();
    return run;
}

class NodeClientPrintTest : public RunningServiceTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(node_)) << "no node.exe at KS_NODE_EXE: run scripts/node-tools";
        ASSERT_FALSE(client_.empty()) << "KS_NODE_CLIENT names no folder";
        ASSERT_FALSE(folder_.empty()) << "no Out line in /etc/cups/cups-pdf.conf";
        RunningServiceTest::SetUp();
    }

    void step(const std::string& name) {
        const StepRun run = runStep(node_, client_, name);
        ASSERT_TRUE(run.exitCode) << "step " << name << " did not end: " << run.output;
        ASSERT_EQ(*run.exitCode, 0u) << "step " << name << ":\n" << run.output;
    }

    // Takes the PDF of the job just printed out of cups-pdf's folder as
    // <name>.pdf, beside the page the step drew.
    void keepPdf(const std::string& name, const std::set<fs::path>& before) {
        const auto pdf = awaitPdf(folder_, before);
        ASSERT_TRUE(pdf) << "no PDF from cups-pdf in " << folder_;
        fs::rename(*pdf, name + ".pdf");
    }

    std::wstring node_ = fromEnvironment(L"KS_NODE_EXE");
    std::wstring client_ = fromEnvironment(L"KS_NODE_CLIENT");
    fs::path folder_ = pdfFolder();
};

TEST_F(NodeClientPrintTest, PrintsResubmitsCancelsAndWaitsForABusyPipe) {
    auto before = pdfsIn(folder_);
    ASSERT_NO_FATAL_FAILURE(step("print"));
    ASSERT_NO_FATAL_FAILURE(keepPdf("node-first", before));

    // The repeated job is answered from its record. cups-pdf works through
    // its queue in order, so a PDF of it would come before the second job's.
    before = pdfsIn(folder_);
    ASSERT_NO_FATAL_FAILURE(step("again"));
    ASSERT_NO_FATAL_FAILURE(keepPdf("node-second", before));
    EXPECT_EQ(pdfsIn(folder_), before) << "the repeated job printed";

    ASSERT_NO_FATAL_FAILURE(step("cancel"));
    ASSERT_NO_FATAL_FAILURE(step("busy"));
}

TEST(NodeClientPdfTest, EveryPageMatchesDotForDot) {
    for (const std::string name : {"node-first", "node-second"}) {
        SCOPED_TRACE(name);
        const auto sent = readPgm(name + "-1.expected.pgm");
        const auto printed = readPgm(name + "-1.pgm");
        ASSERT_TRUE(sent && printed) << "run through pdf_round_trip.sh";
        EXPECT_NEAR(printed->width, sent->width, 1);
        EXPECT_NEAR(printed->height, sent->height, 1);
        // Wine's PostScript puts the origin at the paper's bottom-left corner.
        const int originY = std::max(0, printed->height - sent->height);
        std::string first;
        EXPECT_EQ(differingDots(*sent, *printed, 0, originY, first), 0) << first;
        EXPECT_FALSE(fs::exists(name + "-2.pgm")) << name << " has more pages";
    }
}

}  // namespace
}  // namespace ks::testing
