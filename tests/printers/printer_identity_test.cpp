#include "printers/printer_identity.h"

#include <gtest/gtest.h>

#include "printers/known_digests.h"

#include <clocale>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

namespace ks::printers {
namespace {

using platform::PaperSize;
using platform::PrinterCapabilities;
using platform::PrinterInfo;
using platform::PrinterStatus;
using platform::Resolution;

// Expected digests were computed outside this code, for example
//   printf 'name=PDF\ndriver=PDF\nport=CUPS:PDF\n' | sha256sum
using known::kOfficeLaserId;
using known::kPdfId;
// name=BüRO DRUCKER 打印机 / driver=KONICA MINOLTA C300I / port=WSD-7B1C
constexpr char kBueroId[] = "8df6ba4a86af2745b9ec225c9cfaba4cb2ce1567e4e6512e383b652ca1fc7684";

// ---------------------------------------------------------------- identity

struct NormaliseCase {
    const char* label;
    std::wstring input;
    std::wstring expected;
};

TEST(PrinterIdentityTest, NormalisationTrimsTheFixedWhiteSpaceSetAndUpperCasesAsciiOnly) {
    const std::vector<NormaliseCase> cases = {
        {"Empty", L"", L""},
        {"AllWhiteSpace", L" \t\u00A0\u3000\r\n", L""},
        {"AsciiBlanksAndCase", L"  office laser\t", L"OFFICE LASER"},
        {"InteriorBlanksKept", L"a \u3000 b", L"A \u3000 B"},
        {"IdeographicSpaceTrimmed", L"\u3000打印机\u3000", L"打印机"},
        {"NonAsciiLettersKeepTheirCase", L"\u00e4rger \u00df \u03b1 \u0436 \uff41",
         L"\u00e4RGER \u00df \u03b1 \u0436 \uff41"},
        // Format characters and C1/C0 controls outside the set are part of
        // the name.
        {"ZeroWidthSpaceKept", L"\u200Bpdf\u200B", L"\u200BPDF\u200B"},
        {"ByteOrderMarkKept", L"\uFEFFpdf", L"\uFEFFPDF"},
        {"NextLineKept", L"\u0085pdf\u0085", L"\u0085PDF\u0085"},
        {"InformationSeparatorKept", L"\x1Cpdf\x1F", L"\x1CPDF\x1F"},
        {"MongolianVowelSeparatorKept", L"\u180Epdf", L"\u180EPDF"},
        {"AsciiBoundaries", L"@az[`{AZ", L"@AZ[`{AZ"},
    };
    for (const auto& [label, input, expected] : cases) {
        SCOPED_TRACE(label);
        EXPECT_EQ(normaliseIdentityPart(input), expected);
    }
}

TEST(PrinterIdentityTest, WhiteSpaceIsExactlyTheFixedSet) {
    const std::vector<char32_t> expected = {0x09,   0x0A,   0x0B,   0x0C,   0x0D,   0x20,   0xA0,   0x1680,
                                            0x2000, 0x2001, 0x2002, 0x2003, 0x2004, 0x2005, 0x2006, 0x2007,
                                            0x2008, 0x2009, 0x200A, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000};
    std::vector<char32_t> found;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        if (isIdentityWhiteSpace(static_cast<wchar_t>(c))) found.push_back(c);
    }
    EXPECT_EQ(found, expected);
}

TEST(PrinterIdentityTest, UpperCaseChangesOnlyAsciiLowerCaseLetters) {
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        const auto in = static_cast<wchar_t>(c);
        const wchar_t expected = c >= U'a' && c <= U'z' ? static_cast<wchar_t>(c - 0x20) : in;
        ASSERT_EQ(toIdentityUpper(in), expected) << std::hex << static_cast<unsigned>(c);
    }
}

TEST(PrinterIdentityTest, IdentityTextAndIdOfATrimmedUpperCasePrinter) {
    const PrinterInfo printer{L"OFFICE LASER", L"HP UNIVERSAL PRINTING PCL 6", L"IP_192.168.1.20",
                              PrinterStatus::Ready};
    EXPECT_EQ(identityText(printer), "name=OFFICE LASER\ndriver=HP UNIVERSAL PRINTING PCL 6\nport=IP_192.168.1.20\n");
    EXPECT_EQ(printerIdOf(printer), kOfficeLaserId);
    EXPECT_EQ(printerIdOf({L"PDF", L"PDF", L"CUPS:PDF", PrinterStatus::Ready}), kPdfId);
}

TEST(PrinterIdentityTest, BlanksCaseAndStatusDoNotChangeTheId) {
    const std::vector<PrinterInfo> sameQueue = {
        {L"  office laser ", L"hp universal printing pcl 6", L"ip_192.168.1.20", PrinterStatus::Ready},
        {L"\u3000Office Laser\t", L" HP Universal Printing PCL 6 ", L"IP_192.168.1.20\r\n", PrinterStatus::Offline},
        {L"OFFICE LASER", L"HP UNIVERSAL PRINTING PCL 6", L"IP_192.168.1.20", static_cast<PrinterStatus>(77)},
    };
    for (const auto& printer : sameQueue) EXPECT_EQ(printerIdOf(printer), kOfficeLaserId);
}

TEST(PrinterIdentityTest, RenamingOrMovingAQueueChangesItsId) {
    const PrinterInfo base{L"PDF", L"PDF", L"CUPS:PDF", PrinterStatus::Ready};
    const std::vector<PrinterInfo> others = {
        {L"PDF2", L"PDF", L"CUPS:PDF", PrinterStatus::Ready},
        {L"PDF", L"PDF 2", L"CUPS:PDF", PrinterStatus::Ready},
        {L"PDF", L"PDF", L"FILE:", PrinterStatus::Ready},
        // Each value keeps its field: moving text between them is a change.
        {L"PDF", L"PDFCUPS:PDF", L"", PrinterStatus::Ready},
    };
    for (const auto& other : others) EXPECT_NE(printerIdOf(other), printerIdOf(base));
}

TEST(PrinterIdentityTest, AllWhiteSpaceValueBecomesEmpty) {
    EXPECT_EQ(identityText({L"Label", L" \u3000 ", L"USB001", PrinterStatus::Ready}),
              "name=LABEL\ndriver=\nport=USB001\n");
    EXPECT_EQ(printerIdOf({L"Label", L" \u3000 ", L"USB001", PrinterStatus::Ready}),
              "aac845a4925f38754fe9415a61148b070267097c7a531f40bc94e32205e933da");
}

// The id must not follow the process locale: under a locale whose towupper
// maps ü to Ü, a locale-dependent mapping would give another id.
TEST(PrinterIdentityTest, NonAsciiNameGivesTheSameIdUnderEveryLocale) {
    const PrinterInfo printer{L" B\u00fcro Drucker \u6253\u5370\u673a\u3000", L"Konica Minolta C300i", L"WSD-7B1C",
                              PrinterStatus::Ready};
    EXPECT_EQ(identityText(printer),
              "name=B\xC3\xBCRO DRUCKER \xE6\x89\x93\xE5\x8D\xB0\xE6\x9C\xBA\ndriver=KONICA MINOLTA C300I\n"
              "port=WSD-7B1C\n");
    EXPECT_EQ(printerIdOf(printer), kBueroId);

    const std::string previous = std::setlocale(LC_ALL, nullptr);
    int switched = 0;
    for (const char* locale :
         {"C.UTF-8", "en_US.UTF-8", "de_DE.UTF-8", "German_Germany.1252", "English_United States.1252", ".1252"}) {
        if (std::setlocale(LC_ALL, locale) == nullptr) continue;
        ++switched;
        EXPECT_EQ(printerIdOf(printer), kBueroId) << locale;
    }
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_GT(switched, 0) << "no other locale could be set";
}

// ---------------------------------------------------------------- UTF-8

TEST(PrinterIdentityTest, WellFormedTextConvertsIncludingSupplementaryCharacters) {
    EXPECT_EQ(identityPartToUtf8(L""), "");
    EXPECT_EQ(identityPartToUtf8(L"\u6253\u5370 \U0001F5A8"), "\xE6\x89\x93\xE5\x8D\xB0 \xF0\x9F\x96\xA8");
}

std::vector<std::wstring> illFormedTexts() {
    std::vector<std::wstring> texts = {
        std::wstring(1, static_cast<wchar_t>(0xD800)),
        L"pdf" + std::wstring(1, static_cast<wchar_t>(0xDFFF)),
    };
    if constexpr (sizeof(wchar_t) == 2) {
        // A high surrogate at the end, one followed by a non-surrogate, and a
        // pair in the wrong order.
        texts.push_back(L"pdf" + std::wstring(1, static_cast<wchar_t>(0xDBFF)));
        texts.push_back(std::wstring{static_cast<wchar_t>(0xD83D), L'a'});
        texts.push_back(std::wstring{static_cast<wchar_t>(0xDDA8), static_cast<wchar_t>(0xD83D)});
    } else {
        texts.push_back(std::wstring(1, static_cast<wchar_t>(0x110000)));
    }
    return texts;
}

TEST(PrinterIdentityTest, IllFormedWideTextIsRefusedEverywhereItIsConverted) {
    const auto expectRefused = [](const auto& convert) {
        try {
            convert();
            FAIL() << "no exception";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Unable to convert printer identity to UTF-8");
        }
    };
    for (const auto& text : illFormedTexts()) {
        expectRefused([&] { (void)identityPartToUtf8(text); });
        expectRefused([&] { (void)printerIdOf({L"PDF", L"PDF", text, PrinterStatus::Ready}); });
        PrinterCapabilities capabilities;
        capabilities.driverName = text;
        expectRefused([&] { (void)capabilityHashOf(capabilities); });
    }
}

// ---------------------------------------------------------------- capabilities

// name=… is not part of the text; the hashes below were computed from the
// texts these tests spell out.
PrinterCapabilities pdfCapabilities() {
    PrinterCapabilities c;
    c.name = L"PDF";
    c.driverName = L"PDF";
    c.portName = L"CUPS:PDF";
    c.dpiX = 300;
    c.dpiY = 600;
    c.physicalWidthDots = 2480;
    c.physicalHeightDots = 7016;
    c.printableLeftDots = -12;
    c.printableTopDots = -7;
    c.printableWidthDots = 2456;
    c.printableHeightDots = 6990;
    c.papers = {PaperSize{9, 210000, 297000, false}, PaperSize{1, 215900, 279400, false}};
    c.resolutions = {Resolution{600, 300}, Resolution{300, 600}, Resolution{300, 300}};
    return c;
}

constexpr char kPdfCapabilityHash[] = "13073981cd06817cb5fbf08fa1c51aacc8cbd276659ccbc8d719ce6ac84adf29";

TEST(CapabilityTextTest, TextLayoutWithSignedOffsetsAndSortedResolutions) {
    EXPECT_EQ(capabilityText(pdfCapabilities()),
              "driver=PDF\nport=CUPS:PDF\ndpiX=300\ndpiY=600\nphysical=2480x7016\nprintable=-12,-7,2456,6990\n"
              "paper=9,210000,297000,portrait\npaper=1,215900,279400,portrait\n"
              "resolution=300,300\nresolution=300,600\nresolution=600,300\n");
    EXPECT_EQ(capabilityHashOf(pdfCapabilities()), kPdfCapabilityHash);
}

TEST(CapabilityTextTest, UnsignedValuesAreNeverWrittenNegative) {
    PrinterCapabilities c;
    c.dpiX = 0xFFFFFFFF;
    c.physicalWidthDots = 0x80000000;
    c.printableLeftDots = INT32_MIN;
    c.printableHeightDots = 0xFFFFFFFF;
    c.papers = {PaperSize{0xFFFF, 0xFFFFFFFF, 1, true}};
    c.resolutions = {Resolution{0xFFFFFFFF, 1}, Resolution{2, 0x80000000}};
    EXPECT_EQ(capabilityText(c),
              "driver=\nport=\ndpiX=4294967295\ndpiY=0\nphysical=2147483648x0\nprintable=-2147483648,0,0,4294967295\n"
              "paper=65535,4294967295,1,landscape\nresolution=2,2147483648\nresolution=4294967295,1\n");
}

TEST(CapabilityTextTest, ResolutionOrderDoesNotMatterButPaperOrderDoes) {
    auto reorderedResolutions = pdfCapabilities();
    reorderedResolutions.resolutions = {Resolution{300, 300}, Resolution{600, 300}, Resolution{300, 600}};
    EXPECT_EQ(capabilityHashOf(reorderedResolutions), kPdfCapabilityHash);

    auto reorderedPapers = pdfCapabilities();
    std::swap(reorderedPapers.papers[0], reorderedPapers.papers[1]);
    EXPECT_EQ(capabilityHashOf(reorderedPapers), "c3c64271fcd7664ad002f66f60edf682a5f5edb875964b2ddff93854e86aa4ea");
}

TEST(CapabilityTextTest, LandscapeFlagIsPartOfEveryPaper) {
    auto landscape = pdfCapabilities();
    for (auto& paper : landscape.papers) paper.landscape = true;
    EXPECT_EQ(capabilityHashOf(landscape), "4637c9a5900fdf415a03c8fa4cb749eb84a8a2ea119c21bce92a4ca5436597ab");
}

TEST(CapabilityTextTest, NameStatusAndFilledDigestsAreNotPartOfTheText) {
    auto other = pdfCapabilities();
    other.name = L"Another name";
    other.status = PrinterStatus::PaperOut;
    other.printerId = kPdfId;
    other.capabilityHash = kPdfCapabilityHash;
    EXPECT_EQ(capabilityHashOf(other), kPdfCapabilityHash);
}

TEST(CapabilityTextTest, DriverAndPortAreTakenAsTheyAre) {
    auto padded = pdfCapabilities();
    padded.driverName = L" pdf ";
    padded.portName = L"cups:pdf";
    EXPECT_EQ(capabilityText(padded).substr(0, 25), "driver= pdf \nport=cups:pd");
    EXPECT_NE(capabilityHashOf(padded), kPdfCapabilityHash);
}

}  // namespace
}  // namespace ks::printers
