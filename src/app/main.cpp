#include <windows.h>

#include "app/app_host.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int showCommand) {
    ks::app::AppHost host{};
    return ks::app::runService(host, instance, showCommand);
}
