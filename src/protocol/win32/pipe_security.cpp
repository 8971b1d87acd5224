#include "protocol/win32/pipe_security.h"

#include <sddl.h>

#include <vector>

namespace ks::protocol {

std::wstring pipeSecurityDescriptorSddl(std::wstring_view userSid) {
    std::wstring sddl = L"D:(D;;GA;;;NU)(A;;GA;;;SY)(A;;GA;;;BA)(A;;GA;;;";
    sddl += userSid;
    sddl += L")";
    return sddl;
}

std::optional<std::wstring> currentUserSid() {
    platform::UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::nullopt;

    DWORD size = 0;
    if (::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return std::nullopt;
    }
    std::vector<std::byte> buffer(size);
    if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return std::nullopt;
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());

    platform::UniqueLocalMemory<LPWSTR> sidText;
    if (!::ConvertSidToStringSidW(user->User.Sid, sidText.put())) return std::nullopt;
    return std::wstring(sidText.get());
}

std::unique_ptr<PipeSecurity> PipeSecurity::forCurrentUser() {
    const auto sid = currentUserSid();
    if (!sid) return nullptr;
    platform::UniqueLocalMemory<PSECURITY_DESCRIPTOR> descriptor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(pipeSecurityDescriptorSddl(*sid).c_str(),
                                                                SDDL_REVISION_1, descriptor.put(), nullptr)) {
        return nullptr;
    }
    return std::unique_ptr<PipeSecurity>(new PipeSecurity(std::move(descriptor)));
}

PipeSecurity::PipeSecurity(platform::UniqueLocalMemory<PSECURITY_DESCRIPTOR> descriptor) noexcept
    : descriptor_(std::move(descriptor)) {
    attributes_.nLength = sizeof(attributes_);
    attributes_.lpSecurityDescriptor = descriptor_.get();
    attributes_.bInheritHandle = FALSE;
}

}  // namespace ks::protocol
