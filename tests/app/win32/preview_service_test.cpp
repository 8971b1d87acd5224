// Previews asked for over the real pipe: the windows appear on the desktop of
// the real kestrune.exe and are driven from outside as a user's clicks and
// keys reach them.

#include <windows.h>

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <string>
#include <vector>

#include "app/win32/service_fixture.h"
#include "protocol/json_reader.h"
#include "support/win32/pdf_capture.h"
#include "support/win32/png_encoder.h"

namespace ks::testing {
namespace {

using namespace std::chrono_literals;
using protocol::ByteBuffer;
using protocol::JsonDocument;

constexpr wchar_t kPreviewClass[] = L"Kestrune.Preview";
constexpr wchar_t kPreparingClass[] = L"Kestrune.Preparing";
constexpr int kPreviousPage = 104;
constexpr int kNextPage = 105;
constexpr int kPageCounter = 106;
constexpr int kPaperLine = 102;
constexpr int kClose = 113;
constexpr int kOrientationLine = 119;
constexpr int kSettings = 117;
constexpr int kOrientation = 1003;

class PreviewServiceTest : public RunningServiceTest {
protected:
    void SetUp() override {
        RunningServiceTest::SetUp();
        const std::string list = ask(client::makeRequest("printers.list"));
        const auto printers = JsonDocument::parse(list);
        ASSERT_TRUE(printers) << list;
        const auto entries = printers->root().getObject("result").getArray("printers");
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries.objectAt(i).getString("displayName") == "PDF")
                printerId_ = entries.objectAt(i).getString("printerId");
        }
        ASSERT_FALSE(printerId_.empty()) << "no queue PDF: run scripts/setup --display --printer";
        const auto caps = JsonDocument::parse(
            ask(client::makeRequest("printers.capabilities", R"(,"printer":{"printerId":")" + printerId_ + "\"}")));
        const auto result = caps->root().getObject("result");
        capabilityHash_ = result.getString("capabilityHash");
        dpi_ = static_cast<int>(result.getNumber("dpiX"));
        ASSERT_EQ(dpi_, static_cast<int>(result.getNumber("dpiY")));
    }

    // One request on a connection of its own, so that the service is free
    // for the next client while its windows stay up.
    static std::string ask(const std::string& request, const std::vector<ByteBuffer>& blobs = {}) {
        auto client = connectToService(5s);
        if (!client || !client->send(request, blobs)) return {};
        return client->receive().value_or(std::string());
    }

    // A 50 × 30 mm job of `pages` pages for `command` (jobs.preview or
    // jobs.preview.complete).
    std::string preview(const std::string& command, const std::string& clientJobId, int pages) {
        const int width = static_cast<int>(std::lround(50 * dpi_ / 25.4));
        const int height = static_cast<int>(std::lround(30 * dpi_ / 25.4));
        std::string descriptors;
        std::vector<ByteBuffer> blobs;
        for (int i = 0; i < pages; ++i) {
            descriptors += fmt::format(R"({}{{"widthDots":{},"heightDots":{},"format":"png","blobIndex":{}}})",
                                       i == 0 ? "" : ",", width, height, i);
            const std::string png = encodeAsTransparentPng(pattern(width, height, i + 1));
            blobs.push_back(ByteBuffer::copyOf({reinterpret_cast<const std::uint8_t*>(png.data()), png.size()}));
        }
        return ask(client::makeRequest(
                       command, fmt::format(R"(,"job":{{"clientJobId":"{}","name":"preview","printerId":"{}",)"
                                            R"("copies":1,"paper":{{"widthMm":50,"heightMm":30}},"device":{{"dpiX":{},)"
                                            R"("dpiY":{},"capabilityHash":"{}"}},"pages":[{}]}})",
                                            clientJobId, printerId_, dpi_, dpi_, capabilityHash_, descriptors)),
                   blobs);
    }

    static std::string aboutJob(const char* command, const std::string& clientJobId) {
        return ask(client::makeRequest(command, R"(,"jobReference":{"clientJobId":")" + clientJobId + "\"}"));
    }

    static bool previewBusy() {
        return ask(client::makeRequest("system.health")).find(R"("activePreview":true)") != std::string::npos;
    }

    // A control's text in the service's window, read the way the control
    // answers WM_GETTEXT.
    static std::wstring textOf(HWND window, int controlId) {
        wchar_t text[64] = {};
        DWORD_PTR length = 0;
        ::SendMessageTimeoutW(::GetDlgItem(window, controlId), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text),
                              SMTO_ABORTIFHUNG, 5000, &length);
        return text;
    }

    static void command(HWND window, int id) {
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                              reinterpret_cast<LPARAM>(::GetDlgItem(window, id)), SMTO_ABORTIFHUNG, 5000, &result);
    }

    bool gone(HWND window) {
        return pollUntil(10s, [&] { return !::IsWindow(window); });
    }

    HWND shownPreview() { return shownWindow(kPreviewClass, L"预览 Preview"); }

    // The control of the service's window that has the keyboard focus, or
    // the window itself.
    static HWND focusIn(HWND window) {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
        return info.hwndFocus;
    }

    // A key as the keyboard delivers it: to whatever has the focus.
    static void press(HWND window, UINT key) {
        const HWND focused = focusIn(window);
        const HWND target = focused != nullptr ? focused : window;
        ::PostMessageW(target, WM_KEYDOWN, key, 0);
        ::PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    }

    // Tab, each time until the focus has moved, until control `id` has it.
    bool tabTo(HWND window, int id) {
        const HWND target = ::GetDlgItem(window, id);
        for (int presses = 0; presses < 24 && focusIn(window) != target; ++presses) {
            const HWND before = focusIn(window);
            press(window, VK_TAB);
            if (!pollUntil(10s, [&] { return focusIn(window) != before; })) return false;
        }
        return focusIn(window) == target;
    }

    std::string printerId_;
    std::string capabilityHash_;
    int dpi_ = 0;
};

const std::string kJob = "0a9e1c7d-5b3f-4e2a-8c6d-9f0e1d2c3b41";
const std::string kOtherJob = "0a9e1c7d-5b3f-4e2a-8c6d-9f0e1d2c3b42";
const std::string kSettingsJob = "0a9e1c7d-5b3f-4e2a-8c6d-9f0e1d2c3b43";
const std::string kKeyboardJob = "0a9e1c7d-5b3f-4e2a-8c6d-9f0e1d2c3b44";

TEST_F(PreviewServiceTest, PrepareThenCompletePagesAndEscapeCancels) {
    EXPECT_NE(ask(client::makeRequest("jobs.preview.prepare", R"(,"jobReference":{"clientJobId":")" + kJob + "\"}"))
                  .find(R"("result":{"accepted":true})"),
              std::string::npos);
    const HWND preparing = service_.waitForWindow(kPreparingClass, L"预览 Preview", 10s);
    ASSERT_NE(preparing, nullptr) << "no preparing window";
    EXPECT_TRUE(previewBusy());

    EXPECT_NE(preview("jobs.preview.complete", kJob, 3)
                  .find(R"("result":{"accepted":true,"jobId":"ks-job-1","state":"Previewing"})"),
              std::string::npos);
    const HWND window = shownPreview();
    ASSERT_NE(window, nullptr) << "no preview window";
    EXPECT_TRUE(gone(preparing)) << "the preview replaces the preparing window";

    // The same job again restores the one window.
    EXPECT_NE(preview("jobs.preview", kJob, 3).find(R"("accepted":true)"), std::string::npos);
    EXPECT_EQ(service_.waitForWindow(kPreviewClass, nullptr, 1s), window);

    EXPECT_EQ(textOf(window, kPageCounter), L"1 / 3 页");
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(window, kPreviousPage)));
    command(window, kNextPage);
    command(window, kNextPage);
    EXPECT_EQ(textOf(window, kPageCounter), L"3 / 3 页");
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window, kPreviousPage)));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(window, kNextPage)));

    command(window, IDCANCEL);  // Escape
    EXPECT_TRUE(gone(window));
    EXPECT_NE(aboutJob("jobs.status", kJob).find(R"("state":"Cancelled")"), std::string::npos);
    EXPECT_FALSE(previewBusy());
}

TEST_F(PreviewServiceTest, CancelFromTheClientClosesTheWindow) {
    EXPECT_NE(preview("jobs.preview", kOtherJob, 1).find(R"("accepted":true)"), std::string::npos);
    const HWND window = shownPreview();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(textOf(window, kPageCounter), L"1 / 1 页");
    EXPECT_NE(aboutJob("jobs.cancel", kOtherJob).find(R"("state":"Cancelled")"), std::string::npos);
    EXPECT_TRUE(gone(window));
    EXPECT_FALSE(previewBusy());
}

TEST_F(PreviewServiceTest, SettingsDialogTurnsThePaperUpright) {
    EXPECT_NE(preview("jobs.preview", kSettingsJob, 1).find(R"("accepted":true)"), std::string::npos);
    const HWND window = shownPreview();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(textOf(window, kPaperLine), L"纸张    50 × 30 mm");
    EXPECT_EQ(textOf(window, kOrientationLine), L"方向    横向");

    // Posted: the dialog's modal loop keeps the window's thread until it closes.
    ASSERT_TRUE(::PostMessageW(window, WM_COMMAND, MAKEWPARAM(kSettings, BN_CLICKED), 0));
    const HWND dialog = service_.waitForWindow(L"#32770", L"预览设置", 10s);
    ASSERT_NE(dialog, nullptr) << "no settings dialog";
    // Found while it is still being filled, its choices would be set over.
    ASSERT_TRUE(pollUntil(10s, [&] { return ::IsWindowVisible(dialog) != FALSE; }));
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(::GetDlgItem(dialog, kOrientation), CB_SETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    ASSERT_TRUE(::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0));
    EXPECT_TRUE(gone(dialog));
    // The window rewrites its lines, orientation last, once the dialog's loop has returned.
    EXPECT_TRUE(pollUntil(10s, [&] { return textOf(window, kOrientationLine) == L"方向    纵向"; }))
        << ::testing::PrintToString(textOf(window, kOrientationLine));
    EXPECT_EQ(textOf(window, kPaperLine), L"纸张    30 × 50 mm");

    command(window, IDCANCEL);
    EXPECT_TRUE(gone(window));
}

// Keys from outside, as a user's reach the window: Enter presses the button
// the user tabbed to, and on "关闭" closes the preview rather than print.
TEST_F(PreviewServiceTest, EnterPressesTheButtonTheUserTabbedTo) {
    EXPECT_NE(preview("jobs.preview", kKeyboardJob, 3).find(R"("accepted":true)"), std::string::npos);
    const HWND window = shownPreview();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(tabTo(window, kNextPage));
    press(window, VK_RETURN);
    EXPECT_TRUE(pollUntil(10s, [&] { return textOf(window, kPageCounter) == L"2 / 3 页"; }))
        << ::testing::PrintToString(textOf(window, kPageCounter));

    ASSERT_TRUE(tabTo(window, kClose));
    press(window, VK_RETURN);
    EXPECT_TRUE(gone(window));
    EXPECT_NE(aboutJob("jobs.status", kKeyboardJob).find(R"("state":"Cancelled")"), std::string::npos);
}

}  // namespace
}  // namespace ks::testing
