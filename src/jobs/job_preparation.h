#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "jobs/prepared_job.h"
#include "printing/capability_source.h"
#include "protocol/frame.h"
#include "protocol/request.h"
#include "protocol/result.h"
#include "raster/raster_page.h"

namespace ks::jobs {

// Decodes one page's PNG to a page of exactly expectedWidth × expectedHeight
// pixels; raster::decodePng on Windows. The page keeps `png` as its PNG
// bytes. Fails with the decoder's KSR-3003 or KSR-3004 error; may throw
// std::bad_alloc.
using PngDecoder = std::function<Result<raster::RasterPage>(std::shared_ptr<const protocol::ByteBuffer> png,
                                                            std::uint32_t expectedWidth,
                                                            std::uint32_t expectedHeight)>;

// Turns a validated job request and its frame's blobs into a prepared job.
// Runs on the calling thread (the pipe thread or the preview thread) without
// locks; the capability source and decoder it was given must allow that.
class JobPreparation {
public:
    // The capability source is borrowed and must outlive this object.
    JobPreparation(printing::ICapabilitySource& capabilities, PngDecoder decodePng) noexcept;

    JobPreparation(const JobPreparation&) = delete;
    JobPreparation& operator=(const JobPreparation&) = delete;

    // In this order, stopping at the first failure:
    // - KSR-3003 when a page has a zero dimension or the pages' decoded total
    //   exceeds 256 MiB, before anything else is asked or allocated;
    // - the capability source's error for the ticket's printer, or KSR-2007
    //   when its printer id, resolution or capability digest differ from the
    //   request's;
    // - KSR-3002 unless pages and blobs pair up one to one: as many pages as
    //   blobs (and not none), each in "png" format naming its own blob;
    // - the first decoder error, pages decoded in order;
    // - KSR-3003 when memory runs out on the way.
    // The blobs are taken over: each page's PNG bytes are its blob itself,
    // never a copy. Nothing is kept after a failure.
    [[nodiscard]] Result<PreparedJob> prepareJob(const protocol::PrintJobRequest& request, protocol::Blobs blobs);

private:
    Result<PreparedJob> prepare(const protocol::PrintJobRequest& request, protocol::Blobs& blobs);

    printing::ICapabilitySource& capabilities_;
    PngDecoder decodePng_;
};

}  // namespace ks::jobs
