#include "client/pipe_client.h"

#include <algorithm>
#include <random>

#include "protocol/json_reader.h"
#include "protocol/json_writer.h"

namespace ks::client {
namespace {

constexpr char kCallerId[] = "kestrune-cli";

class PipeSource final : public protocol::IByteSource {
public:
    explicit PipeSource(HANDLE pipe) : pipe_(pipe) {}
    bool readExact(void* buffer, std::size_t length) override {
        auto* bytes = static_cast<std::uint8_t*>(buffer);
        while (length > 0) {
            const auto chunk = static_cast<DWORD>(std::min<std::size_t>(length, protocol::kMaxTransferLength));
            DWORD read = 0;
            if (!::ReadFile(pipe_, bytes, chunk, &read, nullptr) || read == 0) return false;
            bytes += read;
            length -= read;
        }
        return true;
    }

private:
    HANDLE pipe_;
};

}  // namespace

std::optional<PipeClient> PipeClient::connect(std::wstring_view pipeName, std::chrono::milliseconds busyWait,
                                              DWORD& error) {
    const std::wstring name(pipeName);
    const auto deadline = std::chrono::steady_clock::now() + busyWait;
    for (;;) {
        platform::UniqueFileHandle pipe(
            ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (pipe) return PipeClient(std::move(pipe));
        error = ::GetLastError();
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (error != ERROR_PIPE_BUSY || left.count() <= 0) return std::nullopt;
        // Returns when the instance is free (or at once where the system does
        // not wait); opening again decides.
        ::WaitNamedPipeW(name.c_str(), static_cast<DWORD>(std::min<long long>(left.count(), 100)));
    }
}

bool PipeClient::send(std::string_view json, std::span<const protocol::ByteBuffer> blobs) {
    const auto frame = protocol::encodeFrame(json, blobs);
    return frame && sendBytes(frame.value());
}

bool PipeClient::sendBytes(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), protocol::kMaxTransferLength));
        DWORD written = 0;
        if (!::WriteFile(pipe_.get(), bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes = bytes.subspan(written);
    }
    return true;
}

std::optional<std::string> PipeClient::receive() {
    PipeSource source(pipe_.get());
    auto frame = protocol::readFrame(source);
    if (!frame || !frame->blobs.empty()) return std::nullopt;
    return std::move(frame->json);
}

std::string newRequestId() {
    std::random_device entropy;
    std::uniform_int_distribution<unsigned> byte(0, 255);
    unsigned char bytes[16];
    for (auto& b : bytes) b = static_cast<unsigned char>(byte(entropy));
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    static constexpr char kHex[] = "0123456789abcdef";
    std::string id;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) id += '-';
        id += kHex[bytes[i] >> 4];
        id += kHex[bytes[i] & 0x0F];
    }
    return id;
}

std::int64_t utcNowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string makeRequest(std::string_view command, std::string_view payload) {
    return completeEnvelope("{\"command\":" + protocol::escapeJsonString(command) + std::string(payload) + "}");
}

std::string completeEnvelope(std::string_view json) {
    const auto document = protocol::JsonDocument::parse(json);
    if (!document) return std::string(json);
    const auto root = document->root();
    std::string members;
    if (!root.has("protocol")) members += "\"protocol\":1,";
    if (!root.has("requestId")) members += "\"requestId\":\"" + newRequestId() + "\",";
    if (!root.has("callerId")) members += std::string("\"callerId\":\"") + kCallerId + "\",";
    if (!root.has("timestampUtcMs")) members += "\"timestampUtcMs\":" + std::to_string(utcNowMs()) + ",";
    // An empty object takes the members without their last comma.
    const std::size_t brace = json.find('{');
    const bool empty = root.memberNames().empty();
    if (empty && !members.empty()) members.pop_back();
    std::string completed(json);
    completed.insert(brace + 1, members);
    return completed;
}

}  // namespace ks::client
