// POSIX implementation of the file and folder primitives. Paths arrive as
// CP932 bytes and are converted to the file system's UTF-8 here.
#include "platform/platform.h"

#include "platform/memory.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <signal.h>
#include <sys/stat.h>
#include <ctime>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <random>

namespace tavirel::platform {
namespace {

// One converter per direction and thread, opened once: opening costs more
// than converting a file name.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

enum class Direction { ToUtf8, ToCp932 };

iconv_t CachedConverter(Direction direction) {
  thread_local Converter toUtf8("UTF-8", "CP932");
  thread_local Converter toCp932("CP932", "UTF-8");
  Converter& c = direction == Direction::ToUtf8 ? toUtf8 : toCp932;
  if (!c.ok()) return reinterpret_cast<iconv_t>(-1);
  iconv(c.get(), nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  return c.get();
}

// iconv with a whole input: nullopt when any byte sequence has no counterpart
// or is incomplete. Never substitutes.
std::optional<std::string> IconvAll(Direction direction, std::string_view in) {
  if (in.empty()) return std::string();
  iconv_t cd = CachedConverter(direction);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  out.resize(in.size() * 2 + 16);
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  size_t produced = 0;
  bool ok = true;
  while (inLeft > 0) {
    char* outPtr = out.data() + produced;
    size_t outLeft = out.size() - produced;
    size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    produced = out.size() - outLeft;
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      ok = false;  // EILSEQ or EINVAL: refuse rather than guess
      break;
    }
    if (r > 0) {  // irreversible conversions were made: treat as unrepresentable
      ok = false;
      break;
    }
  }
  if (ok) {
    char* outPtr = out.data() + produced;
    size_t outLeft = out.size() - produced;
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1)) ok = false;
    produced = out.size() - outLeft;
  }
  if (!ok) return std::nullopt;
  out.resize(produced);
  return out;
}

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

// A message of this layer (written here in UTF-8) in the program's code.
std::string Message(std::string_view utf8) {
  return Utf8ToCp932(utf8).value_or(std::string(utf8));
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Length in bytes of the valid UTF-8 character at `i`, 0 when there is none.
size_t Utf8CharLength(std::string_view s, size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  size_t len = c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3
                            : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
  if (len == 0 || i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  }
  const auto c1 = static_cast<unsigned char>(len > 1 ? s[i + 1] : 0);
  if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) ||
      (c == 0xF4 && c1 > 0x8F)) {
    return 0;  // overlong forms, surrogates, beyond U+10FFFF
  }
  return len;
}

void AppendEscapes(std::string& out, std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char b : bytes) {
    const auto u = static_cast<unsigned char>(b);
    out += '%';
    out += kHex[u >> 4];
    out += kHex[u & 0x0F];
  }
}

// The message for a system error number, in Japanese.
std::string ErrnoText(int err) {
  switch (err) {
    case ENOENT: return Message("ファイルまたはフォルダが見つかりません。");
    case EACCES:
    case EPERM: return Message("アクセスが許可されていません。");
    case EISDIR: return Message("フォルダです。ファイルではありません。");
    case ENOTDIR: return Message("パスの途中がフォルダではありません。");
    case EEXIST: return Message("同じ名前のファイルがすでにあります。");
    case ENOSPC: return Message("ディスクの空き容量が足りません。");
    case EROFS: return Message("書き込みできないファイルシステムです。");
    case ENAMETOOLONG: return Message("パスが長すぎます。");
    case ENOTEMPTY: return Message("フォルダが空ではありません。");
    case EBUSY: return Message("使用中です。");
    case ELOOP: return Message("シンボリックリンクが循環しています。");
    case EIO: return Message("入出力エラーが発生しました。");
    case ENOMEM: return Message("メモリが足りません。");
    default: break;
  }
  return Message("システムエラーが発生しました（エラー番号 ") + std::to_string(err) +
         Message("）。");
}

// The UTF-8 form of a CP932 path, with a message when it has none.
std::optional<std::string> Native(std::string_view path, std::string* error) {
  auto native = NativePath(path);
  if (!native) SetError(error, Message("パスに Shift-JIS として正しくないバイトが含まれています。"));
  return native;
}

std::optional<std::string> FromNative(std::string_view native) {
  return IsAscii(native) ? std::optional<std::string>(std::string(native)) : Utf8ToCp932(native);
}

// The folder part of a UTF-8 path ("." when it has none).
std::string NativeFolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view data) {
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) {
  return IconvAll(Direction::ToUtf8, cp932);
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
  return IconvAll(Direction::ToCp932, utf8);
}

std::optional<std::string> NativePath(std::string_view path) {
  if (IsAscii(path) && path.find('%') == std::string_view::npos) return std::string(path);
  std::string out;
  out.reserve(path.size() * 3 / 2);
  size_t i = 0;
  while (i < path.size()) {
    // The CP932 text up to the next escape run.
    size_t next = i;
    while (next < path.size() &&
           !(path[next] == '%' && next + 2 < path.size() && HexDigit(path[next + 1]) >= 0 &&
             HexDigit(path[next + 2]) >= 0)) {
      // '%' is never the trail byte of a double-byte character.
      ++next;
    }
    if (next > i) {
      std::string_view text = path.substr(i, next - i);
      auto converted = IsAscii(text) ? std::optional<std::string>(std::string(text))
                                     : Cp932ToUtf8(text);
      if (!converted) return std::nullopt;
      out += *converted;
      i = next;
      continue;
    }
    // A run of escapes: file-system bytes only when they are not CP932 text.
    std::string bytes;
    size_t end = i;
    while (end + 2 < path.size() && path[end] == '%' && HexDigit(path[end + 1]) >= 0 &&
           HexDigit(path[end + 2]) >= 0) {
      bytes += static_cast<char>(HexDigit(path[end + 1]) * 16 + HexDigit(path[end + 2]));
      end += 3;
    }
    bool escape = false;
    for (char b : bytes) escape = escape || static_cast<unsigned char>(b) >= 0x80;
    if (escape && Utf8ToCp932(bytes)) escape = false;
    out += escape ? bytes : std::string(path.substr(i, end - i));
    i = end;
  }
  return out;
}

std::string ProgramPathFromNative(std::string_view native) {
  if (IsAscii(native)) return std::string(native);
  if (auto whole = Utf8ToCp932(native)) return *whole;
  std::string out;
  out.reserve(native.size() * 2);
  size_t i = 0;
  while (i < native.size()) {
    const size_t len = Utf8CharLength(native, i);
    if (len == 0) {
      AppendEscapes(out, native.substr(i, 1));
      ++i;
      continue;
    }
    std::string_view ch = native.substr(i, len);
    if (len == 1) {
      out += ch;
    } else if (auto sjis = Utf8ToCp932(ch)) {
      out += *sjis;
    } else {
      AppendEscapes(out, ch);
    }
    i += len;
  }
  return out;
}

FileAttributes GetFileAttributes(std::string_view path) {
  FileAttributes attributes;
  auto native = Native(path, nullptr);
  if (!native || native->empty()) return attributes;
  struct stat st {};
  if (::stat(native->c_str(), &st) != 0) return attributes;
  attributes.exists = true;
  attributes.directory = S_ISDIR(st.st_mode);
  attributes.regular = S_ISREG(st.st_mode);
  attributes.readOnly = (st.st_mode & S_IWUSR) == 0;
  std::string_view name(*native);
  while (name.size() > 1 && name.back() == '/') name.remove_suffix(1);
  size_t slash = name.find_last_of('/');
  std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
  attributes.hidden = base.size() > 1 && base[0] == '.' && base != "..";
  attributes.size = static_cast<uint64_t>(st.st_size);
  return attributes;
}

bool FileExists(std::string_view path) {
  FileAttributes a = GetFileAttributes(path);
  return a.exists && !a.directory;
}

bool DirectoryExists(std::string_view path) { return GetFileAttributes(path).directory; }

bool IsReadOnly(std::string_view path) {
  FileAttributes a = GetFileAttributes(path);
  return !a.exists || a.readOnly;
}

bool SetReadOnly(std::string_view path, bool readOnly, std::string* error) {
  auto native = Native(path, error);
  if (!native) return false;
  struct stat st {};
  if (::stat(native->c_str(), &st) != 0) {
    SetError(error, ErrnoText(errno));
    return false;
  }
  mode_t mode = st.st_mode & 07777;
  mode = readOnly ? (mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
  if (::chmod(native->c_str(), mode) != 0) {
    SetError(error, ErrnoText(errno));
    return false;
  }
  return true;
}

bool ReadWholeFile(std::string_view path, std::string& contents, std::string* error,
                   uint64_t maxBytes, ReadFailure* failure) {
  contents.clear();
  auto fail = [&](ReadFailure why, std::string text) {
    if (failure) *failure = why;
    SetError(error, std::move(text));
    contents.clear();
    return false;
  };
  if (failure) *failure = ReadFailure::None;
  auto native = NativePath(path);
  if (!native) return fail(ReadFailure::Unreadable, Message("パスに Shift-JIS として正しくないバイトが含まれています。"));
  // O_NONBLOCK: opening a FIFO must not wait for a writer. O_NOCTTY: a
  // terminal never becomes ours by being opened.
  int fd = ::open(native->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return fail(ReadFailure::Unreadable, ErrnoText(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    return fail(ReadFailure::Unreadable, ErrnoText(err));
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fd);
    return fail(ReadFailure::Unreadable, ErrnoText(EISDIR));
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return fail(ReadFailure::NotRegular, Message("通常のファイルではありません。"));
  }
  if (static_cast<uint64_t>(st.st_size) > maxBytes) {
    ::close(fd);
    return fail(ReadFailure::TooLarge, Message("ファイルが大きすぎます。"));
  }
  // A regular file never blocks; the flag only mattered for the open.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  ReserveLarge(contents, static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      return fail(ReadFailure::Unreadable, ErrnoText(err));
    }
    if (n == 0) break;
    if (contents.size() + static_cast<size_t>(n) > maxBytes) {
      ::close(fd);
      return fail(ReadFailure::TooLarge, Message("ファイルが大きすぎます。"));
    }
    contents.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

bool ReadFileTail(std::string_view path, size_t maxBytes, std::string& contents,
                  std::string* error) {
  contents.clear();
  auto native = Native(path, error);
  if (!native) return false;
  // O_NONBLOCK: a FIFO in the place of a log must not make the open wait.
  int fd = ::open(native->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    SetError(error, ErrnoText(errno));
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    SetError(error, ErrnoText(err));
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    SetError(error, S_ISDIR(st.st_mode) ? ErrnoText(EISDIR) : Message("通常のファイルではありません。"));
    return false;
  }
  const auto size = static_cast<uint64_t>(st.st_size);
  const uint64_t from = size > maxBytes ? size - maxBytes : 0;
  contents.resize(static_cast<size_t>(size - from));
  size_t done = 0;
  while (done < contents.size()) {
    const ssize_t n = ::pread(fd, contents.data() + done, contents.size() - done,
                              static_cast<off_t>(from + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetError(error, ErrnoText(errno));
      ::close(fd);
      contents.clear();
      return false;
    }
    if (n == 0) break;  // the file shrank meanwhile
    done += static_cast<size_t>(n);
  }
  contents.resize(done);
  ::close(fd);
  return true;
}

bool WriteFileAtomic(std::string_view path, std::string_view contents, std::string* error) {
  auto native = Native(path, error);
  if (!native) return false;
  if (native->empty()) {
    SetError(error, Message("ファイル名がありません。"));
    return false;
  }
  mode_t mode = 0644;
  struct stat st {};
  if (::stat(native->c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      SetError(error, Message("通常のファイルではありません。"));
      return false;
    }
    if ((st.st_mode & S_IWUSR) == 0) {
      SetError(error, Message("読み取り専用のファイルです。"));
      return false;
    }
    mode = st.st_mode & 07777;
  } else if (errno != ENOENT) {
    SetError(error, ErrnoText(errno));
    return false;
  }

  // A temporary file beside the target, so that the rename stays on one file system.
  std::string folder = NativeFolderOf(*native);
  std::string base = native->substr(native->find_last_of('/') == std::string::npos
                                        ? 0 : native->find_last_of('/') + 1);
  std::random_device rd;
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temp = folder + "/." + base + ".tmp" + std::to_string(rd() % 1000000000u);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    SetError(error, ErrnoText(errno));
    return false;
  }
  bool ok = WriteAll(fd, contents) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  int savedErrno = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (ok && ::rename(temp.c_str(), native->c_str()) != 0) {
    ok = false;
    savedErrno = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    SetError(error, ErrnoText(savedErrno));
    return false;
  }
  // Make the rename itself durable.
  int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return true;
}

bool DeleteFile(std::string_view path, std::string* error) {
  auto native = Native(path, error);
  if (!native) return false;
  if (::unlink(native->c_str()) != 0) {
    SetError(error, ErrnoText(errno));
    return false;
  }
  return true;
}

bool CanCreateFilesIn(std::string_view path) {
  auto native = Native(path, nullptr);
  if (!native || native->empty()) return false;
  struct stat st {};
  if (::stat(native->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return ::access(native->c_str(), W_OK | X_OK) == 0;
}

int RemoveStaleTempFiles(std::string_view path, int minAgeSeconds) {
  auto native = Native(path, nullptr);
  if (!native || native->empty()) return 0;
  const std::string folder = NativeFolderOf(*native);
  const size_t slash = native->find_last_of('/');
  const std::string stem =
      "." + native->substr(slash == std::string::npos ? 0 : slash + 1) + ".tmp";
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return 0;
  const time_t now = ::time(nullptr);
  int removed = 0;
  while (dirent* entry = ::readdir(dir.get())) {
    std::string_view name(entry->d_name);
    if (name.size() <= stem.size() || name.substr(0, stem.size()) != stem) continue;
    std::string_view digits = name.substr(stem.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    const std::string full = folder + "/" + entry->d_name;
    struct stat st {};
    // lstat: a symbolic link of that name is not ours and is left alone.
    if (::lstat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
      continue;
    if (now - st.st_mtime < minAgeSeconds) continue;
    if (::unlink(full.c_str()) == 0) ++removed;
  }
  return removed;
}

std::string CreatePrivateFolder(std::string_view parent, std::string_view prefix,
                                std::string* error) {
  auto nativeParent = Native(parent, error);
  auto nativePrefix = Native(prefix, error);
  if (!nativeParent || !nativePrefix) return std::string();
  std::string pattern = nativeParent->empty() ? "." : *nativeParent;
  while (pattern.size() > 1 && pattern.back() == '/') pattern.pop_back();
  if (pattern != "/") pattern += '/';
  pattern += *nativePrefix + "XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {  // mkdtemp makes it with mode 0700
    SetError(error, ErrnoText(errno));
    return std::string();
  }
  auto result = FromNative(pattern);
  if (!result) {
    ::rmdir(pattern.c_str());
    SetError(error, Message("フォルダ名に Shift-JIS として正しくないバイトが含まれています。"));
    return std::string();
  }
  return *result;
}

bool RemovePrivateFolder(std::string_view path) {
  auto native = Native(path, nullptr);
  if (!native || native->empty()) return false;
  struct stat st {};
  if (::lstat(native->c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return false;
  if (std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(native->c_str()), ::closedir); dir) {
    while (dirent* entry = ::readdir(dir.get())) {
      std::string_view name(entry->d_name);
      if (name == "." || name == "..") continue;
      const std::string full = *native + "/" + entry->d_name;
      struct stat entrySt {};
      if (::lstat(full.c_str(), &entrySt) == 0 && !S_ISDIR(entrySt.st_mode)) ::unlink(full.c_str());
    }
  }
  return ::rmdir(native->c_str()) == 0;
}

bool CreateFolders(std::string_view path, std::string* error) {
  auto native = Native(path, error);
  if (!native) return false;
  if (native->empty()) {
    SetError(error, Message("フォルダ名がありません。"));
    return false;
  }
  std::string current;
  size_t pos = 0;
  const std::string& p = *native;
  while (pos <= p.size()) {
    size_t slash = p.find('/', pos);
    if (slash == std::string::npos) slash = p.size();
    current = p.substr(0, slash);
    pos = slash + 1;
    if (current.empty()) continue;  // the root
    if (::mkdir(current.c_str(), 0777) != 0 && errno != EEXIST) {
      SetError(error, ErrnoText(errno));
      return false;
    }
  }
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    SetError(error, Message("フォルダではありません。"));
    return false;
  }
  return true;
}

bool MatchesMask(std::string_view name, std::string_view mask) {
  // Iterative wildcard match with one back-track point; "?" takes one
  // character, a Shift-JIS double-byte character counting as one.
  auto charLen = [](std::string_view s, size_t i) -> size_t {
    unsigned char c = static_cast<unsigned char>(s[i]);
    bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    return (lead && i + 1 < s.size()) ? 2 : 1;
  };
  size_t n = 0, m = 0;
  size_t starMask = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (m < mask.size() && mask[m] == '?') {
      n += charLen(name, n);
      ++m;
    } else if (m < mask.size() && mask[m] == name[n]) {
      ++n;
      ++m;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      starName += charLen(name, starName);
      n = starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  // Windows treats "*.*" as every name, also names without a dot.
  if (m < mask.size() && mask.substr(m) == ".*") m = mask.size();
  return m == mask.size();
}

std::vector<std::string> ListFiles(std::string_view folder, std::string_view mask) {
  std::vector<std::string> names;
  auto native = Native(folder, nullptr);
  if (!native) return names;
  std::string dirPath = native->empty() ? "." : *native;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(dirPath.c_str()), ::closedir);
  if (!dir) return names;
  if (dirPath.back() != '/') dirPath += '/';
  while (dirent* entry = ::readdir(dir.get())) {
    std::string_view entryName(entry->d_name);
    if (entryName.empty() || entryName[0] == '.') continue;  // hidden, "." and ".."
    struct stat st {};
    if (::stat((dirPath + entry->d_name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    auto name = FromNative(entryName);
    if (!name) continue;
    if (MatchesMask(*name, mask)) names.push_back(std::move(*name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string CurrentFolder() {
  std::string buffer(PATH_MAX, '\0');
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) return std::string();
  buffer.resize(std::strlen(buffer.c_str()));
  return FromNative(buffer).value_or(std::string());
}

bool SetCurrentFolder(std::string_view path, std::string* error) {
  auto native = Native(path, error);
  if (!native) return false;
  if (::chdir(native->c_str()) != 0) {
    SetError(error, ErrnoText(errno));
    return false;
  }
  return true;
}

std::string TempFolder() {
  // The same rule as the toolkit's temporary path: TMPDIR, else /tmp.
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = (tmp && *tmp) ? tmp : "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return FromNative(folder).value_or("/tmp");
}

std::string ProgramPath() {
  std::string buffer(PATH_MAX, '\0');
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return std::string();
  buffer.resize(static_cast<size_t>(n));
  return FromNative(buffer).value_or(std::string());
}

std::string CanonicalPath(std::string_view path) {
  auto native = Native(path, nullptr);
  if (!native || native->empty()) return std::string();
  std::unique_ptr<char, void (*)(void*)> resolved(::realpath(native->c_str(), nullptr), std::free);
  if (!resolved) return std::string();
  return FromNative(resolved.get()).value_or(std::string());
}

namespace {

int endRequestWriteEnd = -1;

void OnEndRequest(int) {
  const int saved = errno;
  const char byte = 1;
  // A full pipe already holds a request; nothing is lost by dropping this one.
  [[maybe_unused]] ssize_t n = ::write(endRequestWriteEnd, &byte, 1);
  errno = saved;
}

}  // namespace

int WatchEndRequests() {
  static const int readEnd = [] {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
    endRequestWriteEnd = fds[1];
    struct sigaction action {};
    action.sa_handler = OnEndRequest;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(sig, &action, nullptr);
    return fds[0];
  }();
  return readEnd;
}

}  // namespace tavirel::platform
