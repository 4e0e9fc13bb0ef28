// Addresses and the text of URLs: web addresses, percent-encoded local paths,
// and the UTF-8 test that tells the file system's names from Shift-JIS.
#pragma once

#include <string>
#include <string_view>

namespace tavirel {

// True when `bytes` is well-formed UTF-8; `hasMultiByte` tells whether any
// character took more than one byte.
bool IsValidUtf8(std::string_view bytes, bool* hasMultiByte = nullptr);
// Percent-decoding of a local path: "%" and two hexadecimal digits give one
// byte, anything else (a "+" included) is kept. Decoded bytes that form UTF-8
// (the file system's code here) are brought into the program's Shift-JIS;
// when a character has no Shift-JIS form the text is returned undecoded.
std::string DecodePercentPath(std::string_view text);
// True for an address with a scheme other than "file:" (http:, mailto:, ...).
bool IsWebAddress(std::string_view address);

}  // namespace tavirel
