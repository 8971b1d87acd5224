#include "jobs/job_manifest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/sha256.h"

namespace ks::jobs {
namespace {

PreparedJob labelJob() {
    PreparedJob job;
    job.clientJobId = "订单-42";  // 9 bytes of UTF-8
    job.allowPrinterReselect = true;
    auto& ticket = job.ticket;
    ticket.printerId = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
    ticket.paperWidthMm = 50.0;
    ticket.paperHeightMm = 62.5;
    ticket.dpiX = 203;
    ticket.dpiY = 300;
    ticket.capabilityHash = "55c83fc8b715e86dec70732f97dc5683867250be57e5c174216656696d88c64e";
    ticket.copies = 2;
    // Calibration applies at print time and is no part of the content.
    ticket.offsetX = 12;
    ticket.offsetY = -7;
    job.pages = std::make_shared<const std::vector<raster::RasterPage>>(std::vector<raster::RasterPage>{
        {812, 1218, nullptr, nullptr, "ca978112ca1bbdcafac231b39a23dc4da786eff8147c4e72b9807785afee48bb"},
        {406, 609, nullptr, nullptr, "3e23e8160039594a33894f6564e1b1348bbd7a0088d42c4acb73eeaed59c009d"},
    });
    return job;
}

// Text and digest made outside this code: the same lines written with printf
// into a file and digested with sha256sum.
TEST(JobManifestTest, ManifestAndDigestByteForByte) {
    const std::string manifest = jobManifest(labelJob());
    EXPECT_EQ(manifest,
              "clientJobId=9:订单-42\n"
              "name=0:\n"
              "allowPrinterReselect=1\n"
              "printerId=64:9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08\n"
              "copies=2\n"
              "paperWidthMm=50\n"
              "paperHeightMm=62.5\n"
              "dpiX=203\n"
              "dpiY=300\n"
              "capabilityHash=64:55c83fc8b715e86dec70732f97dc5683867250be57e5c174216656696d88c64e\n"
              "offsetX=0\n"
              "offsetY=0\n"
              "pageCount=2\n"
              "page=0,width=812,height=1218,sha256=64:ca978112ca1bbdcafac231b39a23dc4da786eff8147c4e72b9807785afee48bb\n"
              "page=1,width=406,height=609,sha256=64:3e23e8160039594a33894f6564e1b1348bbd7a0088d42c4acb73eeaed59c009d\n");
    EXPECT_EQ(platform::sha256HexOfText(manifest), "464c14145de8e503c3f2d67ee6859657899f86c02784661bd8509c70123e77e8");
}

// The shortest text that reads back as the same double, so equal sizes
// always give equal manifests.
TEST(JobManifestTest, PaperSizesInShortestRoundTripForm) {
    const std::pair<double, const char*> cases[] = {
        {0.1, "0.1"}, {101.6, "101.6"}, {1.0 / 3.0, "0.3333333333333333"}, {210.00000000000003, "210.00000000000003"}};
    for (const auto& [millimetres, text] : cases) {
        PreparedJob job = labelJob();
        job.ticket.paperHeightMm = millimetres;
        EXPECT_NE(jobManifest(job).find(std::string("\npaperHeightMm=") + text + "\n"), std::string::npos) << text;
        EXPECT_EQ(std::strtod(text, nullptr), millimetres);
    }
}

}  // namespace
}  // namespace ks::jobs
