// Tests of base64 and "=?ISO-2022-JP?B?...?=" header word decoding.

#include "core/jconv/jconvert.h"
#include "support/mimereference.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace tavirel {
namespace {

using namespace std::string_literals;

std::string Hex(std::string_view s) {
  static const char* digits = "0123456789ABCDEF";
  std::string r;
  for (unsigned char c : s) {
    if (!r.empty()) r += ' ';
    r += digits[c >> 4];
    r += digits[c & 15];
  }
  return r;
}

// The text in a heap block of exactly its length, so that reading past the
// end is caught by the sanitizers or valgrind.
class ExactBuffer {
 public:
  explicit ExactBuffer(std::string_view text) : size_(text.size()), data_(new char[size_]) {
    std::copy(text.begin(), text.end(), data_.get());
  }
  std::string_view view() const { return {data_.get(), size_}; }

 private:
  size_t size_;
  std::unique_ptr<char[]> data_;
};

std::string Word(std::string_view bytes) {
  return "=?ISO-2022-JP?B?" + testsupport::EncodeBase64(bytes) + "?=";
}

// ---------------------------------------------------------------------------
// Base64

TEST(DecodeBase64, Table) {
  struct Case {
    const char* name;
    std::string input;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"empty", "", ""},
      {"RFC 4648 f", "Zg==", "f"},
      {"RFC 4648 fo", "Zm8=", "fo"},
      {"RFC 4648 foo", "Zm9v", "foo"},
      {"RFC 4648 foobar", "Zm9vYmFy", "foobar"},
      {"all alphabet edges", "AAAA////+/+/", "\x00\x00\x00\xFF\xFF\xFF\xFB\xFF\xBF"s},
      {"line breaks between groups", "\r\nZm9v\r\nYmFy\n\r", "foobar"},
      {"line break inside a group counts as 0", "Zm\r\n", "f`\x00"s},
      {"padded group in the middle", "Zg==Zm9v", "ffoo"},
      {"third place = with a fourth", "Zg=v", "f"},
      {"short group of three", "Zm9vYmE", "fooba"},
      {"short group of two", "Zm9vYg", "foob"},
      {"short group of one", "Zm9vY", "foo"},
      {"single byte", "Z", ""},
      {"bytes outside the alphabet count as 0", "Zm!v", "f`/"},
      {"all four pads", "====", "\x00"s},
      {"NUL and 0xFF", "\x00\xFF\x00\xFF"s, "\x00\x00\x00"s},
  };
  for (const auto& c : cases) {
    ExactBuffer buffer(c.input);
    EXPECT_EQ(Hex(DecodeBase64(buffer.view())), Hex(c.expected)) << c.name;
  }
}

TEST(DecodeBase64, RoundTripsEveryLengthAndByte) {
  std::mt19937 rng(99);
  for (size_t length = 0; length < 300; ++length) {
    std::string bytes;
    for (size_t i = 0; i < length; ++i) bytes += static_cast<char>(rng() & 0xFF);
    ASSERT_EQ(Hex(DecodeBase64(testsupport::EncodeBase64(bytes))), Hex(bytes)) << length;
    // The same without the pad characters: a short last group.
    std::string unpadded = testsupport::EncodeBase64(bytes);
    while (!unpadded.empty() && unpadded.back() == '=') unpadded.pop_back();
    ExactBuffer buffer(unpadded);
    ASSERT_EQ(Hex(DecodeBase64(buffer.view())), Hex(bytes)) << length;
  }
}

TEST(DecodeBase64, ArbitraryInputNeverOverruns) {
  std::mt19937 rng(5);
  for (int round = 0; round < 2000; ++round) {
    const size_t length = rng() % 23;
    std::string text;
    for (size_t i = 0; i < length; ++i)
      text += (rng() % 3 == 0) ? "=\r\n"[rng() % 3] : static_cast<char>(rng() & 0xFF);
    ExactBuffer buffer(text);
    ASSERT_LE(DecodeBase64(buffer.view()).size(), length);
  }
}

// ---------------------------------------------------------------------------
// Header lines

const std::string kTesuto = "\x1b$B$F$9$H\x1b(B";  // てすと in JIS

TEST(DecodeMimeHeader, Table) {
  struct Case {
    const char* name;
    std::string line;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"empty", "", ""},
      {"no encoded word", "Subject: hello =? world ?=", "Subject: hello =? world ?="},
      {"one word", "=?ISO-2022-JP?B?GyRCJEYkOSRIGyhC?=", kTesuto},
      {"lower-case prefix", "=?iso-2022-jp?b?GyRCJEYkOSRIGyhC?=", kTesuto},
      {"mixed-case prefix", "=?Iso-2022-Jp?b?GyRCJEYkOSRIGyhC?=", kTesuto},
      {"text around the word", "Subject: Re: =?ISO-2022-JP?B?GyRCJEYkOSRIGyhC?= (1)",
       "Subject: Re: " + kTesuto + " (1)"},
      {"two words and a space", Word("\x1b$B$F\x1b(B") + " " + Word("\x1b$B$9\x1b(B"),
       "\x1b$B$F\x1b(B \x1b$B$9\x1b(B"},
      {"two adjacent words", Word("ab") + Word("cd"), "abcd"},
      {"no closing ?=", "=?ISO-2022-JP?B?abc", "abc"},
      {"no closing, text before", "To: =?ISO-2022-JP?B?abc", "To: abc"},
      {"empty encoded text", "x=?ISO-2022-JP?B?" "?=y", "xy"},
      {"?= before the word is not its end", "?= " + Word("foo"), "?= foo"},
      {"base64 keeps its case", "=?iso-2022-jp?b?Zm9v?=", "foo"},
      {"other charset untouched", "=?Shift_JIS?B?gqA=?=", "=?Shift_JIS?B?gqA=?="},
      {"Q encoding untouched", "=?ISO-2022-JP?Q?=1B=24B?=", "=?ISO-2022-JP?Q?=1B=24B?="},
      // Decoded bytes are searched again: a prefix they bring in is decoded
      // too, also one made of text before the word and the decoded bytes.
      {"nested word", Word(Word(Word("foo"))), "foo"},
      {"prefix across the edge", "=?ISO-2022-JP" + Word("?B?Zm9v?="), "foo"},
      {"prefix across the edge with text", "a=?ISO-2022" + Word("-JP?B?Zm9v?=") + "b",
       "afoob"},
      // The search copy holds the decoded bytes as they are, so a lower-case
      // prefix among them is not recognised.
      {"decoded lower-case prefix stays", Word("=?iso-2022-jp?b?Zm9v?="),
       "=?iso-2022-jp?b?Zm9v?="},
      {"invalid base64 still inserted", "=?ISO-2022-JP?B?!!!!?=", "\x00\x00\x00"s},
  };
  for (const auto& c : cases) {
    ExactBuffer buffer(c.line);
    EXPECT_EQ(Hex(DecodeMimeHeader(buffer.view())), Hex(c.expected)) << c.name;
  }
}

TEST(DecodeMimeHeader, DecodedWordConvertsToShiftJis) {
  const std::string decoded = DecodeMimeHeader("Subject: =?ISO-2022-JP?B?GyRCJEYkOSRIGyhC?=");
  EXPECT_EQ(Hex(ConvertKanjiCode(decoded, kcSjis)),
            Hex("Subject: \x82\xC4\x82\xB7\x82\xC6" /* てすと */));
}

TEST(DecodeMimeHeader, LongLinesWithManyWords) {
  std::string line, expected;
  for (int i = 0; i < 5000; ++i) {
    line += Word("\x1b$B$F\x1b(B") + " ";
    expected += "\x1b$B$F\x1b(B ";
  }
  EXPECT_TRUE(DecodeMimeHeader(line) == expected);
  // Only prefixes, none closed: each round removes one.
  std::string prefixes;
  for (int i = 0; i < 5000; ++i) prefixes += "=?ISO-2022-JP?B?x";
  EXPECT_EQ(DecodeMimeHeader(prefixes), std::string(5000, 'x'));
}

TEST(DecodeMimeHeader, ArbitraryLinesNeverGrow) {
  const std::vector<std::string> pieces = {"=?ISO-2022-JP?B?", "=?iso-2022-jp?b?", "?=", "=?",
                                           "ISO-2022-JP", "?B?", "GyRC", "Zm9v", "=",
                                           "\r\n", "\x00"s, "\xFF", " ", "!",
                                           // base64 of "=?ISO-2022-JP?B?" and of "?="
                                           "PT9JU08tMjAyMi1KUD9CPw==", "Pz0="};
  std::mt19937 rng(31);
  for (int round = 0; round < 3000; ++round) {
    std::string line;
    const int count = rng() % 12;
    for (int i = 0; i < count; ++i) line += pieces[rng() % pieces.size()];
    ExactBuffer buffer(line);
    const std::string decoded = DecodeMimeHeader(buffer.view());
    ASSERT_LE(decoded.size(), line.size()) << line;
    ASSERT_EQ(Hex(decoded), Hex(testsupport::ReferenceDecodeMimeHeader(line))) << line;
  }
}

}  // namespace
}  // namespace tavirel
