#pragma once

#include <cstdint>
#include <string>

#include "support/win32/pdf_capture.h"

namespace ks::testing {

// `image` as an RGBA PNG made by WIC's encoder, every dot black with an
// alpha of 255 − grey: black stays black, white becomes fully transparent
// and grey 127 half-transparent black, so that only flattening onto white
// brings the image back. Throws std::runtime_error when WIC fails.
std::string encodeAsTransparentPng(const Grey& image);

}  // namespace ks::testing
