#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ks::preview {

class PreviewCoordinator;

// Registers "Kestrune.Preparing"; a class that already exists in this process
// counts as success. False with the last error set otherwise.
[[nodiscard]] bool registerPreparingWindowClass(HINSTANCE instance);

// The placeholder shown, owned by `owner`, while a preview's pages are on the
// way: "正在准备预览，请稍候…" centred in its client area. Created hidden; the
// window owns its state. When the user closes it or its 120-second timer
// fires, it ends the job's preparation through the coordinator (or cancels
// the preview that became active meanwhile) and destroys itself; the
// coordinator must outlive it. It calls `destroyed` from WM_NCDESTROY.
// Null with the last error set when the window cannot be made.
[[nodiscard]] HWND createPreparingWindow(HINSTANCE instance, HWND owner, const std::string& jobId,
                                         PreviewCoordinator& coordinator, std::function<void(HWND)> destroyed);

// Starts the window's timer, shows it and brings it forward. False when the
// timer cannot be started: a placeholder without its time limit must not be
// shown.
[[nodiscard]] bool showPreparingWindow(HWND window);

}  // namespace ks::preview
