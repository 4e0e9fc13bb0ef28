#include "core/search/hitnames.h"

#include <cstdint>
#include <cstdio>

#include "core/jconv/mixedline.h"
#include "core/process/urltext.h"
#include "platform/platform.h"

namespace tavirel {
namespace {

using uchar = unsigned char;

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && Hex(text[i + 1]) >= 0 &&
        Hex(text[i + 2]) >= 0) {
      out += static_cast<char>(Hex(text[i + 1]) * 16 + Hex(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool InRange(uchar c, int low, int high) { return c >= low && c <= high; }

// Half-width kana (JIS X 0201, 0xA1..0xDF) as the second byte of their
// full-width EUC-JP form, in the order of the half-width codes.
constexpr uchar KanaLow[] = {
    0xA3, 0xD6, 0xD7, 0xA2, 0xA6, 0xF2, 0xA1, 0xA3, 0xA5, 0xA7, 0xA9, 0xE3, 0xE5, 0xE7, 0xC3,
    0xBC, 0xA2, 0xA4, 0xA6, 0xA8, 0xAA, 0xAB, 0xAD, 0xAF, 0xB1, 0xB3, 0xB5, 0xB7, 0xB9, 0xBB,
    0xBD, 0xBF, 0xC1, 0xC4, 0xC6, 0xC8, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF, 0xD2, 0xD5, 0xD8,
    0xDB, 0xDE, 0xDF, 0xE0, 0xE1, 0xE2, 0xE4, 0xE6, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEF,
    0xF3, 0xAB, 0xAC};

// mknmz: "\x8E k (\x8E [\xDE\xDF])?" becomes one full-width kana.
std::string HalfToFullKana(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size();) {
    const auto c = static_cast<uchar>(in[i]);
    if (c == 0x8E && i + 1 < in.size() && InRange(static_cast<uchar>(in[i + 1]), 0xA1, 0xDF)) {
      const int k = (static_cast<uchar>(in[i + 1]) & 0x7F);
      const bool sign = i + 3 < in.size() && static_cast<uchar>(in[i + 2]) == 0x8E &&
                        InRange(static_cast<uchar>(in[i + 3]), 0xDE, 0xDF);
      const uchar high = (k <= 0x25 || k == 0x30 || k >= 0x5E) ? 0xA1 : 0xA5;
      uchar low = KanaLow[k - 0x21];
      if (sign) {
        if (k - 0x21 == 5) {
          low = 0xDD;
        } else {
          low = static_cast<uchar>(low + (static_cast<uchar>(in[i + 3]) == 0xDF ? 2 : 1));
        }
      }
      out += static_cast<char>(high);
      out += static_cast<char>(low);
      i += sign ? 4 : 2;
    } else {
      out += in[i++];
    }
  }
  return out;
}

// Full-width symbols 0xA1A0..0xA1FE that mknmz writes as ASCII; 0 keeps them.
constexpr char SymbolAscii[] = {
    0,    0x20, 0,    0,    0x2C, 0x2E, 0,    0x3A, 0x3B, 0x3F, 0x21, 0,    0,    0x27, 0x60, 0,
    0x5E, 0,    0x5F, 0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0x2D, 0,    0x2F,
    0x5C, 0,    0,    0x7C, 0,    0,    0x60, 0x27, 0x22, 0x22, 0x28, 0x29, 0,    0,    0x5B, 0x5D,
    0x7B, 0x7D, 0x3C, 0x3E, 0,    0,    0,    0,    0,    0,    0,    0,    0x2B, 0x2D, 0,    0,
    0,    0x3D, 0,    0x3C, 0x3E, 0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    0x24, 0,    0,    0x25, 0x23, 0x26, 0x2A, 0x40, 0,    0,    0,    0,    0,    0,    0,    0};

bool IsAlnumLow(uchar c) {
  return InRange(c, 0xB0, 0xB9) || InRange(c, 0xC1, 0xDA) || InRange(c, 0xE1, 0xFA);
}

// mknmz: full-width digits and letters, and some symbols, become ASCII. The
// text is taken in EUC-JP characters (two bytes, SS2 kana, SS3 three bytes).
std::string FullToHalfAscii(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size();) {
    const auto c = static_cast<uchar>(in[i]);
    auto at = [&](size_t k) { return k < in.size() ? static_cast<uchar>(in[k]) : uchar{0}; };
    size_t len = 0;
    if (InRange(c, 0xA1, 0xFE) && InRange(at(i + 1), 0xA1, 0xFE)) {
      len = 2;
    } else if (c == 0x8E && InRange(at(i + 1), 0xA1, 0xDF)) {
      len = 2;
    } else if (c == 0x8F && InRange(at(i + 1), 0xA1, 0xFE) && InRange(at(i + 2), 0xA1, 0xFE)) {
      len = 3;
    }
    if (len == 0) {
      out += in[i++];
      continue;
    }
    const std::string_view token = in.substr(i, len);
    i += len;
    // The first 0xA3 followed by a digit or letter anywhere in the token.
    bool done = false;
    for (size_t k = 0; k + 1 < token.size() && !done; ++k) {
      if (static_cast<uchar>(token[k]) == 0xA3 && IsAlnumLow(static_cast<uchar>(token[k + 1]))) {
        out += static_cast<char>(static_cast<uchar>(token[k + 1]) & 0x7F);
        done = true;
      }
    }
    for (size_t k = 0; k + 1 < token.size() && !done; ++k) {
      if (static_cast<uchar>(token[k]) == 0xA1 && static_cast<uchar>(token[k + 1]) >= 0xA0) {
        const char ascii = SymbolAscii[static_cast<uchar>(token[k + 1]) - 0xA0];
        if (ascii != 0) out += ascii;
        done = ascii != 0;
        break;
      }
    }
    if (!done) out += token;
  }
  return out;
}

bool IsPerlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// mknmz's field rules: runs of white space become one blank, the ends are
// trimmed, at most 199 bytes are kept, and a half EUC-JP character at the end
// is dropped.
std::string StoredField(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  bool space = false;
  for (char c : in) {
    if (IsPerlSpace(c)) {
      space = true;
      continue;
    }
    if (space && !out.empty()) out += ' ';
    space = false;
    out += c;
  }
  if (out.size() > 199) out.resize(199);
  size_t high = 0;
  for (char c : out) {
    const auto u = static_cast<uchar>(c);
    if (u == 0x8E || InRange(u, 0xA1, 0xFE)) ++high;
  }
  if (!out.empty() && (static_cast<uchar>(out.back()) == 0x8F || high % 2 == 1)) {
    out.pop_back();
    if (!out.empty() && static_cast<uchar>(out.back()) == 0x8F) out.pop_back();
  }
  return out;
}

// namazu's output conversion of its stored EUC-JP text to Shift-JIS.
std::string NamazuEucToSjis(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size();) {
    const auto c = static_cast<uchar>(in[i]);
    if (c >= 0xA1 && i + 1 < in.size()) {
      const auto c2 = static_cast<uchar>(in[i + 1]);
      if (c2 >= 0xA1) {
        const int j1 = c - 0x80;
        const int j2 = c2 - 0x80;
        int s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
        int s2 = j2 + ((j1 & 1) ? 0x1F : 0x7E);
        if ((j1 & 1) && j2 >= 0x60) ++s2;
        out += static_cast<char>(s1 & 0xFF);
        out += static_cast<char>(s2 & 0xFF);
      } else {
        out += in.substr(i, 2);
      }
      i += 2;
    } else if (c == 0x8E && i + 1 < in.size()) {
      out += in[i + 1];
      i += 2;
    } else if (c == 0x8F && i + 2 < in.size()) {
      out += "\x81\xAC";  // 〓: JIS X 0212 has no Shift-JIS code
      i += 3;
    } else {
      out += in[i++];
    }
  }
  return out;
}

// Shift-JIS text for an HTML page from file-system bytes: "<", ">", "&" and
// '"' escaped, characters Shift-JIS cannot write as character references,
// bytes that are no UTF-8 as escapes.
std::string HtmlText(std::string_view native) {
  std::string out;
  for (size_t i = 0; i < native.size();) {
    const auto c = static_cast<uchar>(native[i]);
    size_t len = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (i + len > native.size()) len = 1;
    const std::string_view ch = native.substr(i, len);
    if (len == 1) {
      switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default:
          out += c < 0x80 ? std::string(ch) : platform::ProgramPathFromNative(ch);
          break;
      }
    } else if (auto sjis = platform::Utf8ToCp932(ch)) {
      out += *sjis;
    } else {
      // The code point of a valid sequence, as a character reference.
      uint32_t cp = c & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
      bool valid = true;
      for (size_t k = 1; k < len; ++k) {
        const auto t = static_cast<uchar>(ch[k]);
        valid = valid && (t & 0xC0) == 0x80;
        cp = (cp << 6) | (t & 0x3F);
      }
      if (valid) {
        char ref[16];
        std::snprintf(ref, sizeof ref, "&#x%X;", static_cast<unsigned>(cp));
        out += ref;
      } else {
        out += platform::ProgramPathFromNative(ch.substr(0, 1));
        len = 1;
      }
    }
    i += len;
  }
  return out;
}

std::string HtmlEscaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

std::string ReadableHtmlResult(std::string_view page) {
  static constexpr std::string_view Open = "<a href=\"";
  std::string out;
  out.reserve(page.size() + page.size() / 8);
  size_t copied = 0;
  for (size_t at = page.find(Open); at != std::string_view::npos; at = page.find(Open, at + 1)) {
    const size_t hrefBegin = at + Open.size();
    const size_t hrefEnd = page.find('"', hrefBegin);
    if (hrefEnd == std::string_view::npos || page.substr(hrefEnd, 2) != "\">") continue;
    const size_t textBegin = hrefEnd + 2;
    const size_t textEnd = page.find("</a>", textBegin);
    if (textEnd == std::string_view::npos) break;
    const std::string_view href = page.substr(hrefBegin, hrefEnd - hrefBegin);
    const std::string_view text = page.substr(textBegin, textEnd - textBegin);
    if (IsWebAddress(href) || href.find('%') == std::string_view::npos) continue;
    std::string shown;
    if (text == href) {
      shown = HtmlText(PercentDecode(href));
    } else {
      const std::string name = FileNameOfAddress(href);
      if (!name.empty() && text == HtmlEscaped(NamazuTitleForFileName(name))) shown = HtmlText(name);
    }
    if (shown.empty() || shown == text) continue;
    out.append(page.substr(copied, textBegin - copied));
    out += shown;
    copied = textEnd;
  }
  if (copied == 0) return std::string(page);
  out.append(page.substr(copied));
  return out;
}

std::string ShownFileName(std::string_view native) {
  const std::string name = platform::ProgramPathFromNative(native);
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    const auto u = static_cast<uchar>(c);
    if (u < 0x20 || u == 0x7F) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", u);
      out += hex;
    } else {
      out += c;  // never a trail byte: trail bytes are 0x40 and above
    }
  }
  return out;
}

std::string DecodeHitAddress(std::string_view address) {
  if (IsWebAddress(address) || address.find('%') == std::string_view::npos) {
    return std::string(address);
  }
  return ShownFileName(PercentDecode(address));
}

std::string FileNameOfAddress(std::string_view address) {
  if (IsWebAddress(address)) return {};
  const size_t slash = address.find_last_of('/');
  const std::string_view last =
      slash == std::string_view::npos ? address : address.substr(slash + 1);
  return PercentDecode(last);
}

std::string NamazuTitleForFileName(std::string_view fileSystemName) {
  return NamazuEucToSjis(StoredField(FullToHalfAscii(HalfToFullKana(fileSystemName))));
}

std::string ReadableIndexLines(std::string bytes) {
  const std::string_view all(bytes);
  std::string out;
  size_t copied = 0;
  for (size_t begin = 0; begin < all.size();) {
    size_t end = all.find('\n', begin);
    if (end == std::string_view::npos) end = all.size();
    const std::string_view line = all.substr(begin, end - begin);
    // The hits begin with their number ("1. "); nothing after that is touched.
    size_t digits = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
    if (digits > 0 && line.substr(digits, 2) == ". ") break;
    if (!line.empty() && line.front() == '(') {
      std::string readable = MixedLineToSjis(line, kcSjis);
      if (readable != line) {
        out.append(all.substr(copied, begin - copied));
        out += readable;
        copied = end;
      }
    }
    begin = end + 1;
  }
  if (copied == 0) return bytes;
  out.append(all.substr(copied));
  return out;
}

}  // namespace tavirel
