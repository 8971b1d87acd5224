#include "platform/win32/spooler_job_api.h"

#include <gtest/gtest.h>

#include <string>

namespace ks::platform {
namespace {

// A queue that opens or not, accepts the cancel or not, and counts handles.
struct FakeQueue {
    DWORD openError = 0;
    DWORD setJobError = 0;
    int open = 0;
    std::wstring openedName;
    DWORD jobId = 0;
    DWORD command = 0;
    const auto handle() { return reinterpret_cast<HANDLE>(0x51); }

    SpoolerJobFunctions functions() {
        return {
            [this](LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW) -> BOOL {
                openedName = name;
                if (openError != 0) {
                    ::SetLastError(openError);
                    return FALSE;
                }
                ++open;
                *printer = handle();
                return TRUE;
            },
            [this](HANDLE, DWORD job, DWORD level, LPBYTE info, DWORD control) -> BOOL {
                EXPECT_EQ(level, 0u);
                EXPECT_EQ(info, nullptr);
                jobId = job;
                command = control;
                if (setJobError != 0) {
                    ::SetLastError(setJobError);
                    return FALSE;
                }
                return TRUE;
            },
            [this](HANDLE printer) -> BOOL {
                EXPECT_EQ(printer, handle());
                --open;
                return TRUE;
            },
        };
    }
};

TEST(SpoolerJobApiTest, CancelsTheJobOnTheNamedQueueAndClosesIt) {
    FakeQueue queue;
    SpoolerJobApi api(queue.functions());
    EXPECT_TRUE(api.cancel(L"Label Printer", 42).value());
    EXPECT_EQ(queue.openedName, L"Label Printer");
    EXPECT_EQ(queue.jobId, 42u);
    EXPECT_EQ(queue.command, static_cast<DWORD>(JOB_CONTROL_CANCEL));
    EXPECT_EQ(queue.open, 0);
}

TEST(SpoolerJobApiTest, FailuresCarryTheirWin32Number) {
    FakeQueue unopenable;
    unopenable.openError = ERROR_INVALID_PRINTER_NAME;
    EXPECT_EQ(SpoolerJobApi(unopenable.functions()).cancel(L"Gone", 1).error(),
              Error("KSR-4008", L"无法打开打印机以取消任务，请检查打印机连接与权限 (Win32=1801)"));

    FakeQueue refusing;
    refusing.setJobError = ERROR_INVALID_PARAMETER;
    EXPECT_EQ(SpoolerJobApi(refusing.functions()).cancel(L"PDF", 9).error(),
              Error("KSR-4009", L"Windows 队列未接受取消请求，请检查任务状态与权限 (Win32=87)"));
    EXPECT_EQ(refusing.open, 0) << "closed after a refusal too";
}

}  // namespace
}  // namespace ks::platform
