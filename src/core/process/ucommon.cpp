#include "core/process/ucommon.h"

#include <algorithm>

#include "platform/platform.h"

namespace tavirel {
namespace {

char Separator(PathStyle style) { return style == PathStyle::Windows ? '\\' : '/'; }

// Position of the last single-byte `ch` that is not the trail byte of a
// double-byte character, or npos.
size_t LastSingleByte(std::string_view s, char ch) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < s.size(); i += SjisCharLength(s, i)) {
    if (s[i] == ch) found = i;
  }
  return found;
}

// Replaces every single-byte `from` by `to`, leaving double-byte characters alone.
void ReplaceSingleBytes(std::string& s, char from, char to) {
  for (size_t i = 0; i < s.size(); i += SjisCharLength(s, i)) {
    if (s[i] == from) s[i] = to;
  }
}

// True when the last byte of `s` is the trail byte of a double-byte character.
bool EndsWithTrailByte(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    size_t len = SjisCharLength(s, i);
    if (i + len == s.size()) return len == 2;
    i += len;
  }
  return false;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

}  // namespace

std::string AsciiLowerSjis(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); i += SjisCharLength(out, i)) {
    if (out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
  }
  return out;
}

bool SameTextSjis(std::string_view a, std::string_view b) {
  return a.size() == b.size() && AsciiLowerSjis(a) == AsciiLowerSjis(b);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameTextSjis(text.substr(0, prefix.size()), prefix);
}

std::string_view TrimBlanks(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

std::vector<std::string> ParseIndexDirectoryList(std::string_view input) {
  std::vector<std::string> entries;
  std::vector<std::string> seen;  // tokens as written, lower-cased
  std::string text(input);
  bool quoted = false;
  size_t tokenStart = 0;

  auto addToken = [&](std::string token, bool closeOpenQuote) {
    if (token.empty()) return;
    std::string key = AsciiLowerSjis(token);
    if (std::find(seen.begin(), seen.end(), key) != seen.end()) return;
    seen.push_back(std::move(key));
    if (closeOpenQuote && token.front() == '"') token += '"';
    // A token of quotes alone names no folder.
    std::string entry = StripQuotes(token);
    if (!entry.empty()) entries.push_back(std::move(entry));
  };

  // A lead byte takes the byte after it only when that is a trail byte: a
  // blank or a quote never is, so a lone lead byte (typed by hand in the
  // settings file) cannot hide the quote that ends a name, and every name
  // that comes out joins and parses back unchanged.
  size_t i = 0;
  while (i < text.size()) {
    size_t len = SjisPairLength(text, i);
    if (len == 2) {
      i += 2;
      continue;
    }
    char c = text[i];
    if (c == ' ' && !quoted) {
      addToken(text.substr(tokenStart, i - tokenStart), false);
      tokenStart = i + 1;
    } else if (c == '"') {
      if (i + 1 == text.size()) {
        quoted = !quoted;
      } else if (text[i + 1] != '"') {
        quoted = !quoted;
        // A closing quote always ends a token.
        if (!quoted && text[i + 1] != ' ') text.insert(i + 1, 1, ' ');
      } else {
        // A doubled quote stands for one quote; the state stays as it is.
        text.erase(i + 1, 1);
      }
    }
    ++i;
  }
  if (!text.empty() && tokenStart < text.size()) {
    addToken(text.substr(tokenStart), quoted);
  }
  return entries;
}

// Each name in double quotes with its inner quotes doubled. A doubled quote
// reads as one literal quote wherever it stands, also right after an opening
// quote, so a name that begins with quotes writes those as doubled quotes in
// front of the opening quote (the parse keeps them in the token, and the
// first of them stands in for the opening quote that StripQuotes removes). A
// name of quotes alone gets two more pairs, one for each quote StripQuotes
// removes.
std::string JoinQuotedDirectories(const std::vector<std::string>& directories) {
  std::string joined;
  for (const std::string& directory : directories) {
    const size_t leading = std::min(directory.find_first_not_of('"'), directory.size());
    joined += ' ';
    if (leading > 0 && leading == directory.size()) {
      joined.append(2 * (leading + 2), '"');
      continue;
    }
    joined.append(2 * leading, '"');
    joined += '"';
    for (char c : std::string_view(directory).substr(leading)) {
      joined += c;
      if (c == '"') joined += '"';
    }
    joined += '"';
  }
  if (!joined.empty()) joined.erase(0, 1);
  return joined;
}

std::string StripQuotes(std::string_view text) {
  if (!text.empty() && text.front() == '"') text.remove_prefix(1);
  if (!text.empty() && text.back() == '"') text.remove_suffix(1);
  return std::string(text);
}

std::string UrlToLocalPath(std::string_view uri, PathStyle style) {
  for (std::string_view scheme : {"http://", "ftp://", "gopher://", "telnet://"}) {
    if (StartsWithNoCase(uri, scheme)) return std::string(uri);
  }
  if (StartsWithNoCase(uri, "file://")) uri.remove_prefix(7);
  std::string path(uri);
  if (style == PathStyle::Posix) return path;
  ReplaceSingleBytes(path, '/', '\\');
  ReplaceSingleBytes(path, '|', ':');
  if (!path.empty() && path.front() == '\\') path.erase(0, 1);
  return path;
}

std::string LocalPathToUrl(std::string_view path, PathStyle style) {
  if (style == PathStyle::Posix) return std::string(path);
  std::string url = "/" + std::string(path);
  size_t colon = url.find(':');
  if (colon != std::string::npos) {
    for (size_t i = 0; i < colon; ++i) {
      if (url[i] >= 'a' && url[i] <= 'z') url[i] = static_cast<char>(url[i] - 'a' + 'A');
    }
    ReplaceSingleBytes(url, ':', '|');
  }
  ReplaceSingleBytes(url, '\\', '/');
  return url;
}

std::string ExpandProgramRelativePath(std::string_view path, std::string_view programFolder,
                                      PathStyle style) {
  if (path.empty() || path.front() != '.') return std::string(path);
  return AddTrailingBackslash(programFolder, style) + std::string(path);
}

std::string ExpandDriveConstant(std::string_view path,
                                const std::vector<std::string>& driveConstantList) {
  if (path.empty()) return std::string(path);
  size_t close = path.find('}');
  size_t open = path.find('{');
  if (open == std::string_view::npos || close == std::string_view::npos || open > close) {
    return std::string(path);
  }
  std::string prefix = std::string(path.substr(open, close - open + 1)) + " => ";
  for (const std::string& line : driveConstantList) {
    if (line.compare(0, prefix.size(), prefix) != 0) continue;
    std::string_view drive = std::string_view(line).substr(prefix.size());
    size_t volume = drive.find("    [");
    if (volume != std::string_view::npos) drive = drive.substr(0, volume);
    return std::string(drive) + std::string(path.substr(close + 1));
  }
  return std::string(path);
}

std::string AddTrailingBackslash(std::string_view path, PathStyle style) {
  std::string out(path);
  if (out.empty()) return out;
  char sep = Separator(style);
  if (out.back() != sep || (style == PathStyle::Windows && EndsWithTrailByte(out))) out += sep;
  return out;
}

std::string StripTrailingBackslash(std::string_view path, PathStyle style) {
  std::string out(path);
  char sep = Separator(style);
  if (out.empty() || out.back() != sep) return out;
  if (style == PathStyle::Windows) {
    if (EndsWithTrailByte(out)) return out;
    // A drive root keeps a separator that cannot be taken for an escape.
    if (out.size() == 3 && out[1] == ':') {
      out[2] = '/';
      return out;
    }
  } else if (out == "/") {
    return out;
  }
  out.pop_back();
  return out;
}

std::string StripFragment(std::string_view path, PathStyle style) {
  size_t lastSep = style == PathStyle::Windows ? LastSingleByte(path, '\\') : path.rfind('/');
  size_t hash = LastSingleByte(path, '#');
  if (hash == std::string_view::npos) return std::string(path);
  if (lastSep != std::string_view::npos && hash < lastSep) return std::string(path);
  return std::string(path.substr(0, hash));
}

int LastPos(std::string_view text, std::string_view part) {
  if (part.empty() || part.size() > text.size()) return 0;
  size_t pos = text.rfind(part);
  return pos == std::string_view::npos ? 0 : static_cast<int>(pos) + 1;
}

std::string URLDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%') {
      int high = i + 1 < text.size() ? HexDigitValue(text[i + 1]) : 0;
      int low = i + 2 < text.size() ? HexDigitValue(text[i + 2]) : 0;
      out += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      out += text[i];
    }
  }
  std::replace(out.begin(), out.end(), '+', ' ');
  return out;
}

std::string ParentFolder(std::string_view path, PathStyle style) {
  const char separator = style == PathStyle::Windows ? '\\' : '/';
  // Scanned by characters, so that a trail byte is never taken for the separator.
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < path.size(); i += SjisCharLength(path, i)) {
    if (path[i] == separator) last = i;
  }
  if (last == std::string_view::npos) return {};
  if (style == PathStyle::Posix && last == 0) return "/";
  if (style == PathStyle::Windows && last == 2 && path.size() > 1 && path[1] == ':') {
    return std::string(path.substr(0, 3));
  }
  return std::string(path.substr(0, last));
}

std::string ProgramFolder() {
  const std::string path = platform::ProgramPath();
  std::string folder = ParentFolder(path, NativePathStyle);
  return folder.empty() ? platform::CurrentFolder() : folder;
}

bool IsReadOnlyFile(const std::string& path) { return platform::IsReadOnly(path); }

std::vector<std::string> FindFiles(const std::string& folder, const std::string& mask,
                                   std::vector<std::string> list) {
  for (std::string& name : platform::ListFiles(folder, mask)) list.push_back(folder + name);
  return list;
}

void DeleteFiles(const std::string& folder, const std::string& mask) {
  std::string dir = folder;
  if (!dir.empty() && dir.front() == '"') {
    dir.erase(0, 1);
    if (!dir.empty()) dir.pop_back();
  }
  dir = AddTrailingBackslash(dir, NativePathStyle);
  for (const std::string& file : FindFiles(dir, mask, {})) platform::DeleteFile(file);
}

std::string FileRefusedMessage(platform::ReadFailure failure, uint64_t maxBytes,
                               std::string_view path) {
  std::string message;
  if (failure == platform::ReadFailure::NotRegular) {
    // 通常のファイルではないため読み込めません。
    message = "\x92\xca\x8f\xed\x82\xcc\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xc5\x82\xcd"
              "\x82\xc8\x82\xa2\x82\xbd\x82\xdf\x93\xc7\x82\xdd\x8d\x9e\x82\xdf\x82\xdc"
              "\x82\xb9\x82\xf1\x81\x42";
  } else if (failure == platform::ReadFailure::TooLarge) {
    // ファイルが大きすぎるため読み込めません。上限は N バイトです。
    message = "\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xaa\x91\xe5\x82\xab\x82\xb7\x82\xac"
              "\x82\xe9\x82\xbd\x82\xdf\x93\xc7\x82\xdd\x8d\x9e\x82\xdf\x82\xdc\x82\xb9"
              "\x82\xf1\x81\x42\x8f\xe3\x8c\xc0\x82\xcd ";
    message += std::to_string(maxBytes);
    message += " \x83\x6f\x83\x43\x83\x67\x82\xc5\x82\xb7\x81\x42";
  } else {
    return message;
  }
  message += "\r\n";
  message += path;
  return message;
}

}  // namespace tavirel
