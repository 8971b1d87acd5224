#pragma once

namespace ks::testing {

// Events of held_print_service_host.exe, created by the test that starts it:
// the host sets the first when a document starts printing and finishes the
// document only once the test sets the second.
inline constexpr wchar_t kHeldPrintStartedEventName[] = L"Local\\Kestrune.test.printStarted";
inline constexpr wchar_t kHeldPrintReleaseEventName[] = L"Local\\Kestrune.test.printRelease";

}  // namespace ks::testing
