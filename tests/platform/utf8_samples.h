#pragma once

// UTF-8 samples shared by the portable text check's tests and the test that
// holds it against MultiByteToWideChar with MB_ERR_INVALID_CHARS.
namespace ks::platform::utf8_samples {

inline const char* const kWellFormed[] = {
    "a\tb\r\nc\x7F",
    "\xE8\xAF\x8A\xE6\x96\xAD",  // 诊断
    "\xC2\x80",                  // U+0080, the first two-byte value
    "\xDF\xBF",                  // U+07FF
    "\xE0\xA0\x80",              // U+0800, the first three-byte value
    "\xED\x9F\xBF",              // U+D7FF, just below the surrogates
    "\xEE\x80\x80",              // U+E000, just above them
    "\xEF\xBF\xBF",              // U+FFFF
    "\xF0\x90\x80\x80",          // U+10000, the first four-byte value
    "\xF0\x9F\x96\xA8",          // U+1F5A8
    "\xF4\x8F\xBF\xBF",          // U+10FFFF, the last value
};

inline const char* const kIllFormed[] = {
    "\x80",                      // stray continuation byte
    "a\xBF",                     // stray continuation byte after ASCII
    "\xC0\xAF",                  // overlong '/'
    "\xC1\xBF",                  // overlong two-byte form
    "\xE0\x80\xAF",              // overlong three-byte form
    "\xE0\x9F\xBF",              // overlong U+07FF
    "\xF0\x8F\xBF\xBF",          // overlong U+FFFF
    "\xED\xA0\x80",              // U+D800, a high surrogate
    "\xED\xBF\xBF",              // U+DFFF, a low surrogate
    "\xED\xA0\xBD\xED\xB2\xA9",  // a surrogate pair as two three-byte forms
    "\xF4\x90\x80\x80",          // U+110000
    "\xF5\x80\x80\x80",          // lead byte beyond U+10FFFF
    "\xF8\x88\x80\x80\x80",      // five-byte form
    "\xFE",                      // never valid
    "\xFF",                      // never valid
    "\xE8\xAF",                  // truncated at the end
    "\xE8\xAFx",                 // truncated before ASCII
    "\xC3",                      // truncated two-byte form
};

}  // namespace ks::platform::utf8_samples
