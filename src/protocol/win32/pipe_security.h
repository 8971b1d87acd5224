#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/win32/handles.h"

namespace ks::protocol {

// The pipe's DACL in SDDL: network logons denied; the local system account,
// the built-in administrators and the given user (a SID string) allowed.
std::wstring pipeSecurityDescriptorSddl(std::wstring_view userSid);

// The SID of the user who owns this process's token, as a string; nullopt
// when the token cannot be read.
std::optional<std::wstring> currentUserSid();

// Owns the pipe's security descriptor and the SECURITY_ATTRIBUTES pointing
// at it (not inheritable). Neither copyable nor movable: the attributes refer
// to the descriptor by address.
class PipeSecurity {
public:
    // Null when the user's SID or the descriptor cannot be made.
    static std::unique_ptr<PipeSecurity> forCurrentUser();

    PipeSecurity(const PipeSecurity&) = delete;
    PipeSecurity& operator=(const PipeSecurity&) = delete;

    SECURITY_ATTRIBUTES* attributes() noexcept { return &attributes_; }

private:
    explicit PipeSecurity(platform::UniqueLocalMemory<PSECURITY_DESCRIPTOR> descriptor) noexcept;

    platform::UniqueLocalMemory<PSECURITY_DESCRIPTOR> descriptor_;
    SECURITY_ATTRIBUTES attributes_{};
};

}  // namespace ks::protocol
