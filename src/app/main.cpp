#include <windows.h>

#include "app/app_host.h"
#include "preview/win32/session_preview_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int showCommand) {
    ks::app::AppHost host{};
    host.previewWindows = ks::preview::makeSessionPreviewWindow;
    return ks::app::runService(host, instance, showCommand);
}
