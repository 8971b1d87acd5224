#pragma once

namespace ks::testing {

// The event failing_service_host.exe waits for before its last start-up
// step throws; created by the test that starts it.
inline constexpr wchar_t kFailingHostEventName[] = L"Local\\Kestrune.test.failNow";

}  // namespace ks::testing
