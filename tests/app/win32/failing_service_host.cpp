// kestrune.exe with one more start-up step, standing for a component that
// fails late in start-up: once the service is up it waits until the test
// says so, then throws.

#include <windows.h>

#include <stdexcept>

#include "app/app_host.h"
#include "app/win32/failing_service_host.h"
#include "platform/win32/handles.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int showCommand) {
    ks::app::AppHost host{};
    host.afterStartup = [] {
        const ks::platform::UniqueHandle failNow(::OpenEventW(SYNCHRONIZE, FALSE, ks::testing::kFailingHostEventName));
        if (failNow) ::WaitForSingleObject(failNow.get(), 30'000);
        throw std::runtime_error("component failed to start");
    };
    return ks::app::runService(host, instance, showCommand);
}
