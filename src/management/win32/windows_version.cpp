#include "management/win32/windows_version.h"

#include <windows.h>

// Exported by ntdll (and libntdll.a) but declared in no mingw-w64 header.
extern "C" __declspec(dllimport) LONG WINAPI RtlGetVersion(OSVERSIONINFOW* versionInformation);

namespace ks::management {
namespace {

std::uint32_t architectureOf(WORD processorArchitecture) {
    switch (processorArchitecture) {
        case PROCESSOR_ARCHITECTURE_INTEL: return 0;
        case PROCESSOR_ARCHITECTURE_AMD64: return 1;
        case PROCESSOR_ARCHITECTURE_ARM64: return 2;
        default: return 3;
    }
}

}  // namespace

std::optional<WindowsVersion> queryWindowsVersion() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    static_assert(sizeof(OSVERSIONINFOW) == 276);
    if (RtlGetVersion(&version) < 0) return std::nullopt;
    SYSTEM_INFO system{};
    ::GetNativeSystemInfo(&system);
    return WindowsVersion{version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber,
                          architectureOf(system.wProcessorArchitecture)};
}

}  // namespace ks::management
