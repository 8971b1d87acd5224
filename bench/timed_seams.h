#pragma once

// Decorators around the service's injected seams that take the time of each
// step of a request, for the jobs benchmark.

#include <windows.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/printer_records.h"
#include "printing/capability_source.h"
#include "printing/gdi_print_api.h"
#include "printing/print_executor.h"
#include "protocol/result.h"
#include "protocol/win32/named_pipe_server.h"
#include "raster/raster_page.h"

namespace ks::bench {

using Clock = std::chrono::steady_clock;

// A point in time one thread writes and another reads once the response
// that follows it has arrived.
class Mark {
public:
    void stamp() noexcept { ticks_.store(Clock::now().time_since_epoch().count()); }
    void stampOnce() noexcept {
        Clock::rep none = 0;
        ticks_.compare_exchange_strong(none, Clock::now().time_since_epoch().count());
    }
    void clear() noexcept { ticks_.store(0); }
    Clock::time_point at() const noexcept { return Clock::time_point(Clock::duration(ticks_.load())); }

private:
    std::atomic<Clock::rep> ticks_{0};
};

// The moments of one request inside the service, in the order they pass.
struct Marks {
    Mark lastReadDone;  // the frame's last byte read
    Mark decodeStart;
    Mark decodeEnd;
    Mark printStart;  // the executor called
    Mark printEnd;
    Mark replyStart;  // the response's first write
    void clear() noexcept {
        for (Mark* mark : {&lastReadDone, &decodeStart, &decodeEnd, &printStart, &printEnd, &replyStart}) {
            mark->clear();
        }
    }
};

// The serving thread's pipe calls with the moments the frame ends and the
// response begins. Only the serving thread calls these.
inline protocol::PipeIoFunctions timedPipeIo(Marks& marks) {
    auto reading = std::make_shared<bool>(false);
    return {
        [reading](HANDLE pipe, LPVOID buffer, DWORD length, LPDWORD done, LPOVERLAPPED overlapped) {
            *reading = true;
            return ::ReadFile(pipe, buffer, length, done, overlapped);
        },
        [&marks, reading](HANDLE pipe, LPCVOID buffer, DWORD length, LPDWORD done, LPOVERLAPPED overlapped) {
            *reading = false;
            marks.replyStart.stampOnce();
            return ::WriteFile(pipe, buffer, length, done, overlapped);
        },
        ::ConnectNamedPipe,
        ::CancelIoEx,
        [&marks, reading](HANDLE pipe, LPOVERLAPPED overlapped, LPDWORD done, BOOL wait) {
            const BOOL result = ::GetOverlappedResult(pipe, overlapped, done, wait);
            if (*reading) marks.lastReadDone.stamp();
            return result;
        },
    };
}

// The catalogue's fresh capability reads, timed: the first since clear() is
// the one job preparation makes; the engine and the GDI adapter make the
// others.
class TimedCapabilities final : public printing::ICapabilitySource {
public:
    explicit TimedCapabilities(printing::ICapabilitySource& inner) : inner_(inner) {}

    Result<platform::PrinterCapabilities> capabilities(std::string_view printerId) override {
        const auto start = Clock::now();
        auto record = inner_.capabilities(printerId);
        const Clock::rep elapsed = (Clock::now() - start).count();
        if (calls_.fetch_add(1) == 0) first_.store(elapsed);
        total_.fetch_add(elapsed);
        return record;
    }

    void clear() noexcept {
        calls_.store(0);
        first_.store(0);
        total_.store(0);
    }
    Clock::duration first() const noexcept { return Clock::duration(first_.load()); }
    Clock::duration total() const noexcept { return Clock::duration(total_.load()); }
    int calls() const noexcept { return calls_.load(); }

private:
    printing::ICapabilitySource& inner_;
    std::atomic<int> calls_{0};
    std::atomic<Clock::rep> first_{0};
    std::atomic<Clock::rep> total_{0};
};

class TimedExecutor final : public printing::IPrintExecutor {
public:
    TimedExecutor(printing::IPrintExecutor& inner, Marks& marks) : inner_(inner), marks_(marks) {}

    Result<std::uint32_t> print(const printing::PrintTicket& ticket,
                                    const raster::RasterPageList& pages) override {
        marks_.printStart.stamp();
        auto jobId = inner_.print(ticket, pages);
        marks_.printEnd.stamp();
        return jobId;
    }
    std::optional<std::wstring> takeLastWarning() override { return inner_.takeLastWarning(); }

private:
    printing::IPrintExecutor& inner_;
    Marks& marks_;
};

// Passes every call on and keeps the ticket and page placement the engine
// last used, so that the same document can be drawn without the service.
class RecordingGdi final : public printing::IGdiPrintApi {
public:
    explicit RecordingGdi(printing::IGdiPrintApi& inner) : inner_(inner) {}

    Result<std::uint32_t> beginDocument(const printing::PrintTicket& ticket) override {
        {
            const std::lock_guard lock(mutex_);
            ticket_ = ticket;
        }
        return inner_.beginDocument(ticket);
    }
    std::optional<std::wstring> takeLastWarning() override { return inner_.takeLastWarning(); }
    Result<void> startPage() override { return inner_.startPage(); }
    Result<void> drawPage(const printing::PagePlacement& placement) override {
        {
            const std::lock_guard lock(mutex_);
            placement_ = placement;
        }
        return inner_.drawPage(placement);
    }
    Result<void> endPage() override { return inner_.endPage(); }
    Result<void> endDocument() override { return inner_.endDocument(); }
    void abortDocument() override { inner_.abortDocument(); }

    // The placement's pixels belong to a job that is gone: only its geometry
    // is of use.
    std::pair<printing::PrintTicket, printing::PagePlacement> last() const {
        const std::lock_guard lock(mutex_);
        return {ticket_, placement_};
    }

private:
    printing::IGdiPrintApi& inner_;
    mutable std::mutex mutex_;
    printing::PrintTicket ticket_;
    printing::PagePlacement placement_;
};

}  // namespace ks::bench
