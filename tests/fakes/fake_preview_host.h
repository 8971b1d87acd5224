#pragma once

#include <memory>
#include <string>
#include <vector>

#include "jobs/prepared_job.h"
#include "preview/preview_host.h"
#include "preview/preview_session.h"
#include "protocol/frame.h"

namespace ks::fakes {

// A preview host that answers as scripted and records what it was asked, as
// "show <id>", "preparing <id>" and "close <id>". Single-threaded.
class FakePreviewHost final : public preview::IPreviewHost {
public:
    Result<bool> ShowPreview(std::shared_ptr<preview::PreviewSession> session) override {
        calls.push_back("show " + session->clientJobId());
        shown.push_back(std::move(session));
        return showAnswer;
    }
    Result<bool> ShowPreparing(const std::string& jobId) override {
        calls.push_back("preparing " + jobId);
        return preparingAnswer;
    }
    Result<bool> ClosePreview(const std::string& jobId) override {
        calls.push_back("close " + jobId);
        return closeAnswer;
    }

    Result<bool> showAnswer = true;
    Result<bool> preparingAnswer = true;
    Result<bool> closeAnswer = true;
    std::vector<std::string> calls;
    std::vector<std::shared_ptr<preview::PreviewSession>> shown;
};

// A decoded job of `pageCount` blank 4 × 2 pages on 50 × 30 mm at 203 DPI;
// `contentHash` stands for the digest of its pages.
inline jobs::PreparedJob preparedJob(const std::string& clientJobId, std::size_t pageCount = 1,
                                     const std::string& contentHash = std::string(64, 'a')) {
    auto pages = std::make_shared<std::vector<raster::RasterPage>>(pageCount);
    for (auto& page : *pages) {
        page.width = 4;
        page.height = 2;
        page.pixels = std::make_shared<const protocol::ByteBuffer>(std::size_t{4 * 2 * 4});
    }
    jobs::PreparedJob job;
    job.pages = std::move(pages);
    job.clientJobId = clientJobId;
    job.name = "label";
    job.contentHash = contentHash;
    job.ticket.printerId = std::string(64, 'p');
    job.ticket.paperWidthMm = 50;
    job.ticket.paperHeightMm = 30;
    job.ticket.dpiX = job.ticket.dpiY = 203;
    job.ticket.copies = 1;
    return job;
}

}  // namespace ks::fakes
