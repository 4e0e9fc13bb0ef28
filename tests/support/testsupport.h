// Helpers shared by the tests: a temporary folder, whole-file reads and
// writes, and sample text in each Japanese code.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavirel::testsupport {

// 日本語の本文 in the three Japanese codes and UTF-8.
inline constexpr std::string_view kHonbunSjis =
    "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x96\x7b\x95\xb6";
inline constexpr std::string_view kHonbunEuc =
    "\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xcb\xdc\xca\xb8";
inline constexpr std::string_view kHonbunJis =
    "\x1b\x24\x42\x46\x7c\x4b\x5c\x38\x6c\x24\x4e\x4b\x5c\x4a\x38\x1b\x28\x42";
inline constexpr std::string_view kHonbunUtf8 =
    "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x81\xae\xe6\x9c\xac\xe6\x96\x87";

// A unique folder under the system temporary folder, removed with everything
// in it when the object goes.
class TempDir {
 public:
  explicit TempDir(std::string_view prefix = "tavirel-test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Writes `bytes` to the file `name` in the folder; returns its path.
  std::string Write(const std::string& name, std::string_view bytes) const;
  // The names in the folder, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::string path_;
};

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, std::string_view bytes);

}  // namespace tavirel::testsupport
