#pragma once

// What every kestrune-cli command shares: its output streams, one request
// and answer over the pipe, and the exit codes.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/frame.h"
#include "protocol/json_reader.h"

namespace ks::cli {

enum ExitCode { kAnsweredOk = 0, kAnsweredError = 1, kUsage = 2, kUnreachable = 3 };

// A console gets wide text; a file or pipe gets the UTF-8 bytes.
void out(std::string_view utf8);
void err(std::string_view utf8);

// Sends one request and reads its answer. nullopt, with the reason written to
// stderr, when the service cannot be reached or gives no answer.
std::optional<std::string> roundTrip(const std::string& request, const std::vector<protocol::ByteBuffer>& blobs);

// The answer's "ok" member; false for anything that is not an answer.
bool answeredOk(const std::optional<protocol::JsonDocument>& document);

// Writes an answer that is not ok to stderr: "code：message", or the raw
// answer when it is not JSON or holds no readable error.
void reportErrorAnswer(const std::optional<protocol::JsonDocument>& document, const std::string& response);

// Sends the request and prints the raw answer.
int sendAndShowRaw(const std::string& request, const std::vector<protocol::ByteBuffer>& blobs);

// Sends the request and hands the result of a successful answer to `show`,
// which prints it and returns the exit code; an error answer is printed as
// "code：message" on stderr.
using ShowResult = std::function<int(const protocol::JsonObject& result)>;
int sendAndShow(const std::string& request, const std::vector<protocol::ByteBuffer>& blobs, const ShowResult& show);

// The whole file, or nullopt when it cannot be read.
std::optional<std::string> readFile(const std::wstring& path);

}  // namespace ks::cli
