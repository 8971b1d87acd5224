// The real kestrune.exe answering printers.list and printers.capabilities
// under Wine, with CUPS and its PDF printers behind the spooler
// (scripts/setup --printer creates PDF, the default, and KSTEST-DPI).

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "app/win32/service_fixture.h"
#include "protocol/json_reader.h"
#include "protocol/utf8.h"

namespace ks::testing {
namespace {

using namespace std::chrono_literals;
using protocol::JsonDocument;

// A queue with the same driver and PPD as PDF whose default settings this
// test changes, so that PDF itself stays as other tests expect it.
constexpr wchar_t kTestQueue[] = L"KSTEST-DPI";

struct Answer {
    std::string text;  // the whole response
    std::string requestId;
};

Answer ask(client::PipeClient& client, std::string_view command, const std::string& payload = {}) {
    const std::string request = client::makeRequest(command, payload);
    const auto document = JsonDocument::parse(request);
    Answer answer{{}, document->root().getString("requestId")};
    EXPECT_TRUE(client.send(request));
    answer.text = client.receive().value_or("");
    return answer;
}

std::string capabilitiesPayload(const std::string& printerId) {
    return R"(,"printer":{"printerId":")" + printerId + R"("})";
}

// The result object's text of an ok response, as the service wrote it.
std::string resultText(const Answer& answer) {
    const std::string head = R"({"protocol":1,"requestId":")" + answer.requestId + R"(","ok":true,"result":)";
    if (answer.text.rfind(head, 0) != 0 || answer.text.back() != '}') {
        ADD_FAILURE() << "not an ok answer: " << answer.text;
        return {};
    }
    return answer.text.substr(head.size(), answer.text.size() - head.size() - 1);
}

// printerId of the listed printer called `name`.
std::string printerIdOf(client::PipeClient& client, const std::string& name) {
    const auto document = JsonDocument::parse(resultText(ask(client, "printers.list")));
    if (!document) return {};
    const auto printers = document->root().getArray("printers");
    for (std::size_t i = 0; i < printers.size(); ++i) {
        if (printers.objectAt(i).getString("displayName") == name) return printers.objectAt(i).getString("printerId");
    }
    ADD_FAILURE() << name << " is not listed: run scripts/setup --printer before Wine starts";
    return {};
}

bool isLowerHex64(const std::string& text) {
    return text.size() == 64 &&
           std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(c) || (c >= 'a' && c <= 'f'); });
}

double millimetres(double dots, double dpi) { return dots * 25.4 / dpi; }

// Writes a queue's printing preferences (the user's default DEVMODE) with
// another resolution, and puts the original back when it goes.
class PrintingPreferences {
public:
    explicit PrintingPreferences(const wchar_t* queue) : name_(queue) {
        if (!::OpenPrinterW(name_.data(), &printer_, nullptr)) return;
        const LONG size = ::DocumentPropertiesW(nullptr, printer_, name_.data(), nullptr, nullptr, 0);
        if (size < 1) return;
        original_.resize(static_cast<std::size_t>(size));
        if (::DocumentPropertiesW(nullptr, printer_, name_.data(), devmode(original_), nullptr, DM_OUT_BUFFER) !=
            IDOK) {
            original_.clear();
        }
    }
    ~PrintingPreferences() {
        if (!original_.empty()) {
            EXPECT_TRUE(write(original_)) << "the original preferences were not restored";
        }
        if (printer_ != nullptr) ::ClosePrinter(printer_);
    }
    PrintingPreferences(const PrintingPreferences&) = delete;
    PrintingPreferences& operator=(const PrintingPreferences&) = delete;

    bool readable() const { return !original_.empty(); }

    [[nodiscard]] bool setResolution(short dpi) {
        std::vector<std::byte> changed = original_;
        DEVMODEW* settings = devmode(changed);
        settings->dmPrintQuality = dpi;
        settings->dmYResolution = dpi;
        settings->dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;
        return write(changed);
    }

private:
    static DEVMODEW* devmode(std::vector<std::byte>& bytes) { return reinterpret_cast<DEVMODEW*>(bytes.data()); }

    bool write(std::vector<std::byte> bytes) {
        PRINTER_INFO_9W info{devmode(bytes)};
        return ::SetPrinterW(printer_, 9, reinterpret_cast<LPBYTE>(&info), 0) != FALSE;
    }

    std::wstring name_;
    HANDLE printer_ = nullptr;
    std::vector<std::byte> original_;
};

class PrintersServiceTest : public RunningServiceTest {
protected:
    void SetUp() override {
        RunningServiceTest::SetUp();
        if (HasFatalFailure()) return;
        client_ = connectToService(5s);
        ASSERT_TRUE(client_);
    }

    // Ends a service this test started, the way the user does.
    static void stop(ServiceProcess& service) {
        const HWND window = service.waitForWindow(app::kTrayOwnerClassName, nullptr, 5s);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(::PostMessageW(window, WM_CLOSE, 0, 0));
        EXPECT_EQ(service.waitForExit(10s), 0u);
    }

    void stopFixtureService() {
        client_.reset();
        closeHiddenWindow();
        EXPECT_EQ(service_.waitForExit(10s), 0u);
    }

    std::optional<client::PipeClient> client_;
};

TEST_F(PrintersServiceTest, ListsThePdfPrinterAsTheOnlyDefault) {
    const std::string result = resultText(ask(*client_, "printers.list"));
    EXPECT_TRUE(std::regex_search(result, std::regex(R"re(\{"printerId":"[0-9a-f]{64}","displayName":"PDF",)re"
                                                     R"re("isDefault":true,"status":"Ready"\})re")))
        << result;

    const auto document = JsonDocument::parse(result);
    ASSERT_TRUE(document);
    const auto printers = document->root().getArray("printers");
    int defaults = 0;
    for (std::size_t i = 0; i < printers.size(); ++i) {
        EXPECT_TRUE(isLowerHex64(printers.objectAt(i).getString("printerId")));
        defaults += printers.objectAt(i).getBoolean("isDefault") ? 1 : 0;
    }
    EXPECT_EQ(defaults, 1);
}

TEST_F(PrintersServiceTest, CapabilitiesOfThePdfPrinterInWireOrder) {
    const std::string id = printerIdOf(*client_, "PDF");
    const std::string result = resultText(ask(*client_, "printers.capabilities", capabilitiesPayload(id)));

    // The papers are checked one by one, the rest as one layout.
    const std::string papersHead = R"("papers":[)";
    const auto papersStart = result.find(papersHead);
    ASSERT_NE(papersStart, std::string::npos) << result;
    const auto papersBegin = papersStart + papersHead.size();
    const auto papersEnd = result.find(']', papersBegin);
    const std::string papers = result.substr(papersBegin, papersEnd - papersBegin);
    const std::string rest = result.substr(0, papersStart) + R"("papers":[P])" + result.substr(papersEnd + 1);
    EXPECT_TRUE(std::regex_match(
        rest, std::regex(R"re(\{"printerId":")re" + id +
                         R"re(","displayName":"PDF","driverName":"PDF","portName":"CUPS:PDF","dpiX":\d+,)re"
                         R"re("dpiY":\d+,"papers":\[P\],"physicalWidthDots":\d+,"physicalHeightDots":\d+,)re"
                         R"re("printableArea":\{"leftDots":-?\d+,"topDots":-?\d+,"widthDots":\d+,)re"
                         R"re("heightDots":\d+\},"status":"Ready","capabilityHash":"[0-9a-f]{64}"\})re")))
        << rest;

    const std::regex paper(R"re(\{"id":"\d+","widthMicrometers":[1-9]\d*,"heightMicrometers":[1-9]\d*,)re"
                           R"re("orientation":"(Portrait|Landscape)"\})re");
    std::string rebuilt;
    int paperCount = 0;
    for (std::sregex_iterator it(papers.begin(), papers.end(), paper), end; it != end; ++it, ++paperCount) {
        rebuilt += (rebuilt.empty() ? "" : ",") + it->str();
    }
    EXPECT_EQ(rebuilt, papers) << "papers not in the paper layout";
    EXPECT_GT(paperCount, 0);
    // A4 (DMPAPER_A4 = 9), in the driver's rounding of 595 × 842 points.
    std::smatch a4;
    ASSERT_TRUE(std::regex_search(papers, a4,
                                  std::regex(R"re(\{"id":"9","widthMicrometers":(\d+),)re"
                                             R"re("heightMicrometers":(\d+),)re")))
        << "A4 missing";
    EXPECT_NEAR(std::stod(a4[1]), 210000, 500);
    EXPECT_NEAR(std::stod(a4[2]), 297000, 500);

    const auto document = JsonDocument::parse(result);
    ASSERT_TRUE(document);
    const auto caps = document->root();
    const auto area = caps.getObject("printableArea");
    EXPECT_GT(caps.getNumber("dpiX"), 0);
    EXPECT_GT(caps.getNumber("dpiY"), 0);
    EXPECT_GE(area.getNumber("leftDots"), 0);
    EXPECT_GE(area.getNumber("topDots"), 0);
    EXPECT_GT(area.getNumber("widthDots"), 0);
    EXPECT_GT(area.getNumber("heightDots"), 0);
    EXPECT_LE(area.getNumber("leftDots") + area.getNumber("widthDots"), caps.getNumber("physicalWidthDots"));
    EXPECT_LE(area.getNumber("topDots") + area.getNumber("heightDots"), caps.getNumber("physicalHeightDots"));
}

TEST_F(PrintersServiceTest, CapabilitiesStayTheSameAcrossCallsAndARestart) {
    const std::string id = printerIdOf(*client_, "PDF");
    const std::string first = resultText(ask(*client_, "printers.capabilities", capabilitiesPayload(id)));
    EXPECT_EQ(resultText(ask(*client_, "printers.capabilities", capabilitiesPayload(id))), first);

    stopFixtureService();
    ServiceProcess restarted;
    auto client = connectToService(10s);
    ASSERT_TRUE(client);
    EXPECT_EQ(printerIdOf(*client, "PDF"), id);
    EXPECT_EQ(resultText(ask(*client, "printers.capabilities", capabilitiesPayload(id))), first);
    client.reset();
    stop(restarted);
}

TEST_F(PrintersServiceTest, UnknownAndUpperCaseIdsAreNotFound) {
    std::string upperCase = printerIdOf(*client_, "PDF");
    std::transform(upperCase.begin(), upperCase.end(), upperCase.begin(),
                   [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
    for (const std::string& id : {std::string(64, '0'), upperCase}) {
        const Answer answer = ask(*client_, "printers.capabilities", capabilitiesPayload(id));
        EXPECT_EQ(answer.text, R"({"protocol":1,"requestId":")" + answer.requestId +
                                   R"(","ok":false,"error":{"code":"KSR-2001","message":"找不到指定打印机"}})");
    }
}

// The default resolution is part of what a client renders for, so changing
// it must change the capabilityHash, and changing it back must restore it.
// Wine's driver reads a queue's default settings once per process, so the
// service is restarted for each setting.
TEST_F(PrintersServiceTest, DefaultResolutionIsPartOfTheCapabilityHash) {
    const std::string id = printerIdOf(*client_, protocol::wideToUtf8(kTestQueue));
    ASSERT_FALSE(id.empty());
    PrintingPreferences preferences(kTestQueue);
    ASSERT_TRUE(preferences.readable());
    stopFixtureService();

    struct Snapshot {
        double dpiX = 0, physicalWidth = 0, physicalHeight = 0;
        std::string papers, hash;
    };
    const auto capabilitiesAt = [&](short dpi) {
        Snapshot snapshot;
        EXPECT_TRUE(preferences.setResolution(dpi));
        ServiceProcess service;
        auto client = connectToService(10s);
        if (!client) {
            ADD_FAILURE() << "no service";
            return snapshot;
        }
        const std::string result = resultText(ask(*client, "printers.capabilities", capabilitiesPayload(id)));
        client.reset();
        stop(service);
        const auto document = JsonDocument::parse(result);
        if (!document) return snapshot;
        const auto caps = document->root();
        snapshot.dpiX = caps.getNumber("dpiX");
        snapshot.physicalWidth = caps.getNumber("physicalWidthDots");
        snapshot.physicalHeight = caps.getNumber("physicalHeightDots");
        const auto papersStart = result.find(R"("papers":)");
        snapshot.papers = result.substr(papersStart, result.find(R"("physicalWidthDots")") - papersStart);
        snapshot.hash = caps.getString("capabilityHash");
        return snapshot;
    };

    const Snapshot low = capabilitiesAt(300);
    const Snapshot high = capabilitiesAt(600);
    const Snapshot lowAgain = capabilitiesAt(300);
    EXPECT_EQ(low.dpiX, 300);
    EXPECT_EQ(high.dpiX, 600);
    EXPECT_NE(high.hash, low.hash);
    EXPECT_EQ(lowAgain.hash, low.hash);
    // The same paper, the same list of papers: only the resolution differs.
    EXPECT_EQ(high.papers, low.papers);
    EXPECT_NEAR(millimetres(high.physicalWidth, 600), millimetres(low.physicalWidth, 300), 0.5);
    EXPECT_NEAR(millimetres(high.physicalHeight, 600), millimetres(low.physicalHeight, 300), 0.5);
}

}  // namespace
}  // namespace ks::testing
