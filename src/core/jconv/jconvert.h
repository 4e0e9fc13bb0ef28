// Japanese code detection and conversion between JIS (ISO-2022-JP), EUC-JP and
// Shift-JIS, and decoding of "=?ISO-2022-JP?B?...?=" words in mail headers.
// Every function works on byte strings and has no state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tavirel {

enum TKanjiCode : int { kcAscii = 0, kcNonText = 1, kcJisNew = 2, kcJisOld = 3,
                        kcEuc = 4, kcSjis = 5, kcEucOrSjis = 6 };

// How many leading bytes are examined for control bytes before the scan.
inline constexpr int TextCheckLength = 512;

TKanjiCode DetectKanjiCode(std::string_view text);
std::string ConvertKanjiCode(std::string_view text, TKanjiCode target);

// Malformed input never makes a converter read past the end of the text. A
// two-byte character cut off by the end loses its lone 8-bit lead byte (a
// 7-bit byte left alone in an unclosed JIS run is copied); an escape sequence
// cut off by the end writes nothing.
std::string JisToEuc(std::string_view text);   std::string EucToJis(std::string_view text);
std::string JisToSjis(std::string_view text);  std::string EucToSjis(std::string_view text);
std::string SjisToJis(std::string_view text);  std::string SjisToEuc(std::string_view text);

// One two-byte character; the result holds the two bytes of the other code.
struct TBytePair { uint8_t first = 0; uint8_t second = 0; };
TBytePair JisToSjisPair(uint8_t j1, uint8_t j2);
TBytePair SjisToJisPair(uint8_t s1, uint8_t s2);

// Half-width katakana to a JIS X 0208 character, a following voiced or
// semi-voiced mark merged where a full-width kana exists. `position` is a
// 0-based byte index: for EUC it points at the 0x8E, for Shift-JIS at the kana
// byte; it is moved past everything consumed.
TBytePair EucHalfKanaToJis(std::string_view text, size_t& position);
TBytePair SjisHalfKanaToJis(std::string_view text, size_t& position);

std::string DecodeMimeHeader(std::string_view line);
// Bytes outside the base64 alphabet count as 0; a last group of two or three
// bytes gives the one or two bytes it determines, a last single byte nothing.
std::string DecodeBase64(std::string_view text);

}  // namespace tavirel
