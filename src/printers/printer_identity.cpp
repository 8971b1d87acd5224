#include "printers/printer_identity.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "platform/sha256.h"
#include "protocol/utf8.h"

namespace ks::printers {

// Why the character classes are pinned here instead of taken from
// iswspace/towupper: those follow the process's C locale and differ between
// C runtimes, and a printerId that changed with the locale or the machine
// would make every client's stored id go stale.
//
// White space is Unicode's White_Space set without U+0085 (NEL): the ASCII
// controls TAB to CR, the space separators and the line and paragraph
// separators. That is the set the Windows C runtime reports in the default
// C locale the service runs in, so a queue name padded with a full-width
// space (U+3000, common with Chinese input methods) still trims.
namespace {
constexpr char32_t kWhiteSpace[] = {
    0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x0020, 0x00A0, 0x1680, 0x2000, 0x2001, 0x2002, 0x2003,
    0x2004, 0x2005, 0x2006, 0x2007, 0x2008, 0x2009, 0x200A, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000,
};
}  // namespace

bool isIdentityWhiteSpace(wchar_t c) noexcept {
    return std::find(std::begin(kWhiteSpace), std::end(kWhiteSpace), static_cast<char32_t>(c)) != std::end(kWhiteSpace);
}

// Only a–z: that is what the Windows C runtime's towupper maps in the C
// locale, so ids match those of the locale-dependent mapping on the machines
// the service runs on. A full Unicode case table would change ids whenever
// the table was updated; queue names in CJK scripts have no case anyway.
wchar_t toIdentityUpper(wchar_t c) noexcept {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

std::wstring normaliseIdentityPart(std::wstring_view value) {
    const auto first = std::find_if_not(value.begin(), value.end(), isIdentityWhiteSpace);
    const auto last = std::find_if_not(value.rbegin(), std::make_reverse_iterator(first), isIdentityWhiteSpace).base();
    std::wstring normalised(first, last);
    std::transform(normalised.begin(), normalised.end(), normalised.begin(), toIdentityUpper);
    return normalised;
}

namespace {

bool isWellFormed(std::wstring_view text) noexcept {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto unit = static_cast<char32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                if (i + 1 == text.size()) return false;
                const auto next = static_cast<char32_t>(text[i + 1]);
                if (next < 0xDC00 || next > 0xDFFF) return false;
                ++i;
            } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
                return false;
            }
        } else if ((unit >= 0xD800 && unit <= 0xDFFF) || unit > 0x10FFFF) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string identityPartToUtf8(std::wstring_view value) {
    // The general converter substitutes U+FFFD; two different ill-formed
    // names must not share an id, so they are refused instead.
    if (!isWellFormed(value)) throw std::runtime_error("Unable to convert printer identity to UTF-8");
    return protocol::wideToUtf8(value);
}

std::string identityText(const platform::PrinterInfo& printer) {
    return "name=" + identityPartToUtf8(normaliseIdentityPart(printer.name)) +
           "\ndriver=" + identityPartToUtf8(normaliseIdentityPart(printer.driverName)) +
           "\nport=" + identityPartToUtf8(normaliseIdentityPart(printer.portName)) + "\n";
}

std::string printerIdOf(const platform::PrinterInfo& printer) {
    return platform::sha256HexOfText(identityText(printer));
}

std::optional<std::string> printerIdIfAny(const platform::PrinterInfo& printer) {
    // Normalising trims and changes ASCII letters only, so it neither makes
    // nor mends ill-formed text.
    if (!isWellFormed(printer.name) || !isWellFormed(printer.driverName) || !isWellFormed(printer.portName)) {
        return std::nullopt;
    }
    return printerIdOf(printer);
}

std::string capabilityText(const platform::PrinterCapabilities& capabilities) {
    const auto& c = capabilities;
    std::string text = "driver=" + identityPartToUtf8(c.driverName) + "\nport=" + identityPartToUtf8(c.portName) +
                       "\ndpiX=" + std::to_string(c.dpiX) + "\ndpiY=" + std::to_string(c.dpiY) +
                       "\nphysical=" + std::to_string(c.physicalWidthDots) + "x" +
                       std::to_string(c.physicalHeightDots) + "\nprintable=" + std::to_string(c.printableLeftDots) +
                       "," + std::to_string(c.printableTopDots) + "," + std::to_string(c.printableWidthDots) + "," +
                       std::to_string(c.printableHeightDots) + "\n";
    // Papers keep the driver's order, unsorted: a reordered paper list counts
    // as a changed printer and clients render again.
    for (const auto& paper : c.papers) {
        text += "paper=" + std::to_string(paper.paperId) + "," + std::to_string(paper.widthMicrometers) + "," +
                std::to_string(paper.heightMicrometers) + "," + (paper.landscape ? "landscape" : "portrait") + "\n";
    }
    // Resolutions are a set to the client; sorting keeps a driver that lists
    // them in another order from looking like a changed printer.
    std::vector<platform::Resolution> resolutions = c.resolutions;
    std::sort(resolutions.begin(), resolutions.end(),
              [](const auto& a, const auto& b) { return std::tie(a.dpiX, a.dpiY) < std::tie(b.dpiX, b.dpiY); });
    for (const auto& resolution : resolutions) {
        text += "resolution=" + std::to_string(resolution.dpiX) + "," + std::to_string(resolution.dpiY) + "\n";
    }
    return text;
}

std::string capabilityHashOf(const platform::PrinterCapabilities& capabilities) {
    return platform::sha256HexOfText(capabilityText(capabilities));
}

}  // namespace ks::printers
