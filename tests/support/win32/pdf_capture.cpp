#include "support/win32/pdf_capture.h"

#include <chrono>
#include <fstream>
#include <limits>
#include <sstream>
#include <thread>

namespace ks::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Skips white space and "#" comment lines between the header's fields.
std::istream& field(std::istream& in) {
    while ((in >> std::ws).peek() == '#') in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    return in;
}

bool complete(const fs::path& pdf) {
    std::ifstream in(pdf, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str().find("%%EOF") != std::string::npos;
}

}  // namespace

Grey pattern(int width, int height, int mark) {
    Grey image{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height, kWhite)};
    for (int x = 0; x < width; ++x) image.set(x, 0, kBlack), image.set(x, height - 1, kBlack);
    for (int y = 0; y < height; ++y) image.set(0, y, kBlack), image.set(width - 1, y, kBlack);
    for (int y = 100; y < 300; ++y) {
        for (int x = 100; x < 300; ++x) image.set(x, y, (x + y) % 2 == 0 ? kBlack : kWhite);
    }
    int x = 400;
    for (int bar = 1; bar <= 10; ++bar) {  // each followed by a gap as wide
        for (int y = 100; y < 300; ++y) {
            for (int i = 0; i < bar; ++i) image.set(x + i, y, kBlack);
        }
        x += 2 * bar;
    }
    for (int y = 400; y < 600; ++y) {
        for (int i = 0; i < 200; ++i) image.set(400 + i, y, kHalf);  // 100..300 stays white: transparent
    }
    for (int y = height - 60; y < height - 10; ++y) {
        for (int i = width - 60; i < width - 10; ++i) image.set(i, y, kBlack);
    }
    for (int block = 0; block < mark; ++block) {
        for (int y = 20; y < 60; ++y) {
            for (int left = 700 + 60 * block, i = 0; i < 40; ++i) image.set(left + i, y, kBlack);
        }
    }
    return image;
}

void writePgm(const fs::path& path, const Grey& image) {
    std::ofstream out(path, std::ios::binary);
    out << "P5\n" << image.width << ' ' << image.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(image.dots.data()), static_cast<std::streamsize>(image.dots.size()));
}

std::optional<Grey> readPgm(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    Grey image;
    int depth = 0;
    if (!(in >> magic >> field >> image.width >> field >> image.height >> field >> depth) || magic != "P5" ||
        depth != 255) {
        return std::nullopt;
    }
    in.get();  // the single white-space byte before the dots
    image.dots.resize(static_cast<std::size_t>(image.width) * image.height);
    in.read(reinterpret_cast<char*>(image.dots.data()), static_cast<std::streamsize>(image.dots.size()));
    if (!in) return std::nullopt;
    return image;
}

fs::path pdfFolder() {
    std::ifstream conf(fs::path(L"Z:\\etc\\cups\\cups-pdf.conf"));
    std::string line;
    while (std::getline(conf, line)) {
        if (line.rfind("Out ", 0) != 0) continue;
        const auto end = line.find_last_not_of(" \t\r");
        return fs::path(L"Z:\\") / fs::path(line.substr(4, end - 3)).relative_path();
    }
    return {};
}

std::set<fs::path> pdfsIn(const fs::path& folder) {
    std::set<fs::path> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".pdf") found.insert(entry.path());
    }
    return found;
}

std::optional<fs::path> awaitPdf(const fs::path& folder, const std::set<fs::path>& before) {
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (std::chrono::steady_clock::now() < deadline) {
        for (const auto& pdf : pdfsIn(folder)) {
            if (before.count(pdf) == 0 && pdf.filename().wstring().find(L"Kestrune") != std::wstring::npos &&
                complete(pdf)) {
                return pdf;
            }
        }
        std::this_thread::sleep_for(100ms);
    }
    return std::nullopt;
}

int differingDots(const Grey& sent, const Grey& printed, int originX, int originY, std::string& firstDifferences,
                  const Grey* either) {
    int differences = 0;
    std::ostringstream first;
    for (int y = 0; y < std::min(sent.height - 1, printed.height - originY); ++y) {
        for (int x = 0; x < std::min(sent.width - 1, printed.width - originX); ++x) {
            const std::uint8_t dot = printed.at(originX + x, originY + y);
            if (dot == sent.at(x, y) || (either != nullptr && dot == either->at(x, y))) continue;
            if (++differences <= 5)
                first << " (" << x << ',' << y << "): " << int{dot} << " for " << int{sent.at(x, y)};
        }
    }
    firstDifferences = first.str();
    return differences;
}

}  // namespace ks::testing
