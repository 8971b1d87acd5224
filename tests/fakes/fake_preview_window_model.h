#pragma once

#include <cmath>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/printer_records.h"
#include "preview/preview_window_model.h"
#include "protocol/result.h"

namespace ks::fakes {

// A printer record with the members the preview window reads.
inline platform::PrinterCapabilities printerRecord(const std::string& id, const wchar_t* name,
                                                   platform::PrinterStatus status, std::uint32_t dpi) {
    platform::PrinterCapabilities record;
    record.printerId = id;
    record.name = name;
    record.status = status;
    record.dpiX = dpi;
    record.dpiY = dpi;
    return record;
}

// What a fake preview model shows and answers, and what was asked of it. The
// window owns and destroys its model, so the test keeps this part.
struct FakePreviewState {
    preview::PreviewView view;
    Result<std::vector<platform::PrinterCapabilities>> printers = std::vector<platform::PrinterCapabilities>{};
    // Full records by printer id; an id without one answers KSR-2001.
    std::vector<platform::PrinterCapabilities> records;
    Result<void> retargetResult;
    Result<void> userCloseResult;
    preview::PreviewSettings settings;
    Result<void> applyResult;
    bool printingEnabled = false;
    bool settingsEnabled = false;

    // view() throws std::bad_alloc while set, as a session short of memory would.
    bool viewThrows = false;

    std::vector<std::string> retargetedTo;
    // Thrown by printerCapabilities when set, as a failing catalogue would.
    std::optional<std::string> capabilitiesThrow;
    // What startPrint answers, and the results takePrintResult hands out
    // by work id (each once).
    Result<std::uint64_t> startAnswer = std::uint64_t{1};
    std::vector<std::pair<std::uint64_t, Result<jobs::JobRecord>>> printResults;
    int printsStarted = 0;
    // Every settings the dialog applied, refused ones too.
    std::vector<preview::PreviewSettings> applied;
    int userCloseCalls = 0;
    int destroyedCalls = 0;
};

class FakePreviewWindowModel final : public preview::IPreviewWindowModel {
public:
    explicit FakePreviewWindowModel(std::shared_ptr<FakePreviewState> state) : state_(std::move(state)) {}

    preview::PreviewView view() const override {
        if (state_->viewThrows) throw std::bad_alloc();
        return state_->view;
    }

    void setPageIndex(std::uint64_t index) override {
        if (index < state_->view.pages->size()) state_->view.pageIndex = index;
    }

    void setZoom(preview::PreviewZoom zoom) override {
        if (std::isfinite(zoom.scale) && zoom.scale > 0) state_->view.zoom = zoom;
    }

    void setCopies(std::uint32_t copies) override { state_->view.copies = copies; }

    Result<std::vector<platform::PrinterCapabilities>> listPrinters() override { return state_->printers; }

    Result<platform::PrinterCapabilities> printerCapabilities(std::string_view printerId) override {
        if (state_->capabilitiesThrow) throw std::runtime_error(*state_->capabilitiesThrow);
        for (const platform::PrinterCapabilities& record : state_->records) {
            if (record.printerId == printerId) return record;
        }
        return Error("KSR-2001", L"找不到指定打印机");
    }

    // Success takes the printer's id and resolution, as the session does.
    Result<void> retarget(const platform::PrinterCapabilities& printer) override {
        state_->retargetedTo.push_back(printer.printerId);
        if (!state_->retargetResult) return state_->retargetResult;
        state_->view.printerId = printer.printerId;
        state_->view.dpiX = printer.dpiX;
        state_->view.dpiY = printer.dpiY;
        return {};
    }

    preview::PreviewSettings settings() const override { return state_->settings; }

    // Success takes the paper, resolution and orientation into the view, as
    // the session does.
    Result<void> applySettings(const preview::PreviewSettings& settings) override {
        state_->applied.push_back(settings);
        if (!state_->applyResult) return state_->applyResult;
        state_->settings = settings;
        state_->view.paperWidthMm = settings.paperWidthMm;
        state_->view.paperHeightMm = settings.paperHeightMm;
        state_->view.dpiX = settings.dpiX;
        state_->view.dpiY = settings.dpiY;
        state_->view.landscape = settings.landscape == 1;
        return {};
    }

    bool printingEnabled() const override { return state_->printingEnabled; }
    bool settingsEnabled() const override { return state_->settingsEnabled; }

    Result<std::uint64_t> startPrint() override {
        ++state_->printsStarted;
        return state_->startAnswer;
    }

    std::optional<Result<jobs::JobRecord>> takePrintResult(std::uint64_t workId) override {
        auto& results = state_->printResults;
        for (auto entry = results.begin(); entry != results.end(); ++entry) {
            if (entry->first != workId) continue;
            Result<jobs::JobRecord> result = std::move(entry->second);
            results.erase(entry);
            return result;
        }
        return std::nullopt;
    }

    Result<void> userClose() override {
        ++state_->userCloseCalls;
        return state_->userCloseResult;
    }

    void windowDestroyed() noexcept override { ++state_->destroyedCalls; }

private:
    std::shared_ptr<FakePreviewState> state_;
};

}  // namespace ks::fakes
