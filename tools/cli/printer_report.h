#pragma once

// Readable Chinese text of the printer answers, for kestrune-cli. Both take
// the `result` object of an ok response and throw JsonReadError when it lacks
// a member or holds one of another type.

#include <string>

#include "protocol/json_reader.h"

namespace ks::cli {

// printers.list: each printer with its name, printerId and status, the
// default one marked.
std::string describePrinterList(const protocol::JsonObject& result);

// printers.capabilities: driver, port, resolution, physical size and
// printable area in dots and millimetres, the papers and the capabilityHash.
std::string describeCapabilities(const protocol::JsonObject& result);

}  // namespace ks::cli
