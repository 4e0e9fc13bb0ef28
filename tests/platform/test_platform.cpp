#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/memory.h"
#include "platform/platform.h"
#include "platform/process.h"

namespace tavirel::platform {
namespace {

namespace fs = std::filesystem;

// "日本語" in Shift-JIS and in UTF-8.
const std::string kNihongoSjis = "\x93\xFA\x96\x7B\x8C\xEA";
const std::string kNihongoUtf8 = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
// "表" in Shift-JIS: its trail byte is the backslash code.
const std::string kHyoSjis = "\x95\x5C";

TEST(CodePage, ConvertsBothWays) {
  EXPECT_EQ(Cp932ToUtf8(kNihongoSjis), kNihongoUtf8);
  EXPECT_EQ(Utf8ToCp932(kNihongoUtf8), kNihongoSjis);
  EXPECT_EQ(Cp932ToUtf8(""), std::string());
  EXPECT_EQ(Cp932ToUtf8("plain/ascii"), "plain/ascii");
}

TEST(CodePage, RefusesWhatHasNoCounterpart) {
  // A lone lead byte, and a character CP932 cannot write (U+00E9 é, U+1F600).
  EXPECT_FALSE(Cp932ToUtf8("abc\x95").has_value());
  EXPECT_FALSE(Utf8ToCp932("caf\xC3\xA9").has_value());
  EXPECT_FALSE(Utf8ToCp932("\xF0\x9F\x98\x80").has_value());
  // Broken UTF-8.
  EXPECT_FALSE(Utf8ToCp932("\xE6\x97").has_value());
}

// Names Shift-JIS cannot write travel inside the program as escapes of their
// file-system bytes; a real name with escapes of writable text keeps them.
TEST(CodePage, FileSystemNamesWithEscapes) {
  struct Case {
    std::string native;   // UTF-8 (or raw bytes) on disk
    std::string program;  // the program's form
  };
  const Case cases[] = {
      {"/a/" + kNihongoUtf8 + ".txt", "/a/" + kNihongoSjis + ".txt"},
      {"/a/\xF0\xA0\xAE\xB7\xE9\x87\x8E.txt", "/a/%F0%A0%AE%B7\x96\xEC.txt"},  // 𠮷野
      {"/a/caf\xC3\xA9 \xF0\x9F\x98\x80", "/a/caf%C3%A9 %F0%9F%98%80"},
      {"/a/\x8A\xBF\x8E\x9A.txt", "/a/%8A%BF%8E%9A.txt"},            // Shift-JIS bytes on disk
      {"/a/%E6%97%85 100%.txt", "/a/%E6%97%85 100%.txt"},              // literal percent signs
      {"/a/%41%", "/a/%41%"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProgramPathFromNative(c.native), c.program) << c.program;
    EXPECT_EQ(NativePath(c.program), c.native) << c.program;
  }
  EXPECT_FALSE(NativePath("bad\x95").has_value());
}

// Advising a buffer for huge pages never changes what it holds, whatever its
// size and alignment, and a file read into such a buffer reads whole.
TEST(LargeBuffer, ContentsUnchanged) {
  struct Case {
    size_t size;
    size_t offset;  // from the start of the allocation
  };
  const Case cases[] = {{0, 0}, {4096, 1}, {(2u << 20) - 1, 0}, {5u << 20, 3}, {9u << 20, 4096}};
  for (const Case& c : cases) {
    std::string buffer(c.size + c.offset, '\0');
    for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<char>(i * 7 + 1);
    const std::string before = buffer;
    tavirel::platform::AdviseLargeBuffer(buffer.data() + c.offset, c.size);
    EXPECT_EQ(buffer, before) << c.size;
  }
  tavirel::platform::AdviseLargeBuffer(nullptr, 8u << 20);
  std::vector<uint8_t> kinds;
  tavirel::platform::ReserveLarge(kinds, 6u << 20);
  EXPECT_GE(kinds.capacity(), size_t{6} << 20);
  EXPECT_TRUE(kinds.empty());
}

TEST(MatchesMask, WindowsWildcards) {
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"NMZ.i", "NMZ.*", true},
      {"NMZ", "NMZ.*", true},  // a trailing ".*" also takes a name without extension
      {"nmz.i", "NMZ.*", false},  // case as the file system has it
      {"a.txt", "*.txt", true},
      {"a.txt.bak", "*.txt", false},
      {"abc", "a?c", true},
      {"ac", "a?c", false},
      {"a" + kHyoSjis + "c", "a?c", true},  // one double-byte character is one "?"
      {"anything", "*", true},
      {"noext", "*.*", true},
      {"", "*", true},
      {"abc", "", false},
      {"aXbXc", "a*b*c", true},
      {"aXbX", "a*b*c", false},
  };
  for (const auto& [name, mask, expected] : cases) {
    EXPECT_EQ(MatchesMask(name, mask), expected) << name << " / " << mask;
  }
}

class PlatformFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tavirel-platform-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    base_ = dir_.string() + "/";
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  static std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path dir_;
  std::string base_;
};

TEST_F(PlatformFiles, JapanesePathsGoThroughUtf8) {
  std::string path = base_ + kNihongoSjis + ".txt";
  ASSERT_TRUE(WriteFileAtomic(path, "data"));
  EXPECT_TRUE(fs::exists(dir_ / (kNihongoUtf8 + ".txt")));
  std::string read;
  ASSERT_TRUE(ReadWholeFile(path, read));
  EXPECT_EQ(read, "data");
  EXPECT_EQ(ListFiles(dir_.string(), "*.txt"), std::vector<std::string>{kNihongoSjis + ".txt"});
  EXPECT_TRUE(FileExists(path));
  EXPECT_TRUE(DeleteFile(path));
  EXPECT_FALSE(FileExists(path));
}

TEST_F(PlatformFiles, InvalidShiftJisPathIsRefused) {
  std::string error;
  EXPECT_FALSE(WriteFileAtomic(base_ + "bad\x95", "x", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(PlatformFiles, ListFilesSkipsNamesWithoutShiftJisForm) {
  std::ofstream(dir_ / "caf\xC3\xA9.txt") << "x";
  std::ofstream(dir_ / "ok.txt") << "x";
  EXPECT_EQ(ListFiles(dir_.string(), "*.txt"), std::vector<std::string>{"ok.txt"});
}

TEST_F(PlatformFiles, AtomicWriteReplacesAndKeepsPermissions) {
  fs::path file = dir_ / "a.ini";
  std::ofstream(file) << "old";
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(WriteFileAtomic(file.string(), "new contents"));
  EXPECT_EQ(Slurp(file), "new contents");
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(PlatformFiles, AtomicWriteRefusesReadOnlyAndNonFiles) {
  fs::path file = dir_ / "ro.ini";
  std::ofstream(file) << "keep me";
  ASSERT_TRUE(SetReadOnly(file.string(), true));
  EXPECT_TRUE(IsReadOnly(file.string()));
  std::string error;
  EXPECT_FALSE(WriteFileAtomic(file.string(), "changed", &error));
  EXPECT_EQ(Slurp(file), "keep me");

  fs::create_directories(dir_ / "folder");
  EXPECT_FALSE(WriteFileAtomic((dir_ / "folder").string(), "x"));
  EXPECT_TRUE(fs::is_directory(dir_ / "folder"));
}

TEST_F(PlatformFiles, FailedWriteLeavesTheOldFile) {
  fs::path file = dir_ / "a.ini";
  std::ofstream(file) << "old";
  // The folder of the target is a regular file: the temporary file cannot be made.
  EXPECT_FALSE(WriteFileAtomic((file / "child.ini").string(), "x"));
  EXPECT_EQ(Slurp(file), "old");
  EXPECT_FALSE(WriteFileAtomic((dir_ / "missing" / "a.ini").string(), "x"));
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(PlatformFiles, AttributesAndReadOnly) {
  EXPECT_TRUE(IsReadOnly(base_ + "missing"));  // unreadable attributes count as read-only
  FileAttributes missing = GetFileAttributes(base_ + "missing");
  EXPECT_FALSE(missing.exists);
  std::ofstream(dir_ / ".hidden") << "abc";
  FileAttributes hidden = GetFileAttributes(base_ + ".hidden");
  EXPECT_TRUE(hidden.exists && hidden.regular && hidden.hidden);
  EXPECT_EQ(hidden.size, 3u);
  EXPECT_FALSE(hidden.readOnly);
  EXPECT_TRUE(DirectoryExists(dir_.string()));
  EXPECT_FALSE(FileExists(dir_.string()));
  ASSERT_TRUE(SetReadOnly(base_ + ".hidden", true));
  EXPECT_TRUE(GetFileAttributes(base_ + ".hidden").readOnly);
  ASSERT_TRUE(SetReadOnly(base_ + ".hidden", false));
  EXPECT_FALSE(IsReadOnly(base_ + ".hidden"));
}

TEST_F(PlatformFiles, ReadWholeFileFailsCleanly) {
  std::string contents = "stale";
  EXPECT_FALSE(ReadWholeFile(base_ + "missing", contents));
  EXPECT_TRUE(contents.empty());
  EXPECT_FALSE(ReadWholeFile(dir_.string(), contents));
  std::string binary("\0\xFF\x01", 3);
  std::ofstream(dir_ / "bin", std::ios::binary) << binary;
  ASSERT_TRUE(ReadWholeFile(base_ + "bin", contents));
  EXPECT_EQ(contents, binary);
}

// Only regular files within the limit are read; a FIFO without a writer, a
// link to an endless device and a file over the limit are refused at once.
TEST_F(PlatformFiles, ReadWholeFileRefusesSpecialAndLargeFiles) {
  ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dir_ / "zero");
  std::ofstream(dir_ / "ten", std::ios::binary) << "0123456789";
  const struct {
    std::string name;
    uint64_t limit;
    bool ok;
    ReadFailure failure;
  } cases[] = {
      {"fifo", DefaultMaxReadBytes, false, ReadFailure::NotRegular},
      {"zero", DefaultMaxReadBytes, false, ReadFailure::NotRegular},
      {"", DefaultMaxReadBytes, false, ReadFailure::Unreadable},  // the folder
      {"missing", DefaultMaxReadBytes, false, ReadFailure::Unreadable},
      {"ten", 9, false, ReadFailure::TooLarge},
      {"ten", 10, true, ReadFailure::None},
  };
  for (const auto& c : cases) {
    std::string contents = "stale";
    ReadFailure failure = ReadFailure::Unreadable;
    EXPECT_EQ(ReadWholeFile(base_ + c.name, contents, nullptr, c.limit, &failure), c.ok) << c.name;
    EXPECT_EQ(failure, c.failure) << c.name;
    EXPECT_EQ(contents, c.ok ? "0123456789" : "") << c.name;
  }
}

TEST_F(PlatformFiles, RemoveStaleTempFilesTakesOnlyItsOwn) {
  std::ofstream(dir_ / "s.ini") << "keep";
  for (const char* name : {".s.ini.tmp123", ".s.ini.tmp9", ".s.ini.tmp", ".s.ini.tmp12x",
                           ".t.ini.tmp1", "s.ini.tmp1", ".s.ini.tmp7.bak"}) {
    std::ofstream(dir_ / name) << "partial";
  }
  fs::create_directory(dir_ / ".s.ini.tmp55");
  fs::create_symlink(dir_ / "s.ini", dir_ / ".s.ini.tmp66");
  // Too young for a minute's limit: a save of another copy may be running.
  EXPECT_EQ(RemoveStaleTempFiles(base_ + "s.ini", 60), 0);
  EXPECT_EQ(RemoveStaleTempFiles(base_ + "s.ini", 0), 2);
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir_)) left.push_back(entry.path().filename());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{".s.ini.tmp", ".s.ini.tmp12x", ".s.ini.tmp55",
                                            ".s.ini.tmp66", ".s.ini.tmp7.bak", ".t.ini.tmp1",
                                            "s.ini", "s.ini.tmp1"}));
}

TEST_F(PlatformFiles, PrivateFolderIsOursAlone) {
  const std::string folder = CreatePrivateFolder(base_, "run-");
  ASSERT_FALSE(folder.empty());
  struct stat st {};
  ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(folder.rfind(base_ + "run-", 0), 0u) << folder;
  EXPECT_NE(CreatePrivateFolder(base_, "run-"), folder);  // a new one each time
  std::ofstream(folder + "/result.txt") << "hits";
  fs::create_symlink("/etc/hostname", folder + "/link");
  EXPECT_TRUE(RemovePrivateFolder(folder));
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_TRUE(fs::exists("/etc/hostname"));
  EXPECT_TRUE(CreatePrivateFolder(base_ + "missing/", "run-").empty());
}

TEST_F(PlatformFiles, CreateFoldersWithParents) {
  std::string deep = base_ + "a/" + kNihongoSjis + "/c";
  EXPECT_TRUE(CreateFolders(deep));
  EXPECT_TRUE(fs::is_directory(dir_ / "a" / kNihongoUtf8 / "c"));
  EXPECT_TRUE(CreateFolders(deep));  // already there
  std::ofstream(dir_ / "file") << "x";
  EXPECT_FALSE(CreateFolders(base_ + "file/sub"));
}

TEST_F(PlatformFiles, CurrentFolderRoundTrip) {
  std::string before = CurrentFolder();
  ASSERT_FALSE(before.empty());
  ASSERT_TRUE(CreateFolders(base_ + kNihongoSjis));
  ASSERT_TRUE(SetCurrentFolder(base_ + kNihongoSjis));
  EXPECT_EQ(CurrentFolder(), CanonicalPath(base_ + kNihongoSjis));
  ASSERT_TRUE(SetCurrentFolder(before));
  EXPECT_FALSE(SetCurrentFolder(base_ + "missing"));
}

TEST(PlatformPaths, ProgramAndTempFolder) {
  std::string program = ProgramPath();
  EXPECT_TRUE(FileExists(program)) << program;
  EXPECT_NE(program.find("test_platform"), std::string::npos);
  std::string temp = TempFolder();
  EXPECT_TRUE(DirectoryExists(temp));
  EXPECT_TRUE(temp == "/" || temp.back() != '/');
  EXPECT_EQ(CanonicalPath("/definitely/not/here"), "");
}

// A detached program outlives its starter and is seen running until it ends;
// one that cannot be started reports why and gives no process.
TEST(DetachedStart, RunsUntilItEndsAndReportsFailures) {
  const std::string sleep = FindProgram("sleep");
  ASSERT_FALSE(sleep.empty());
  int error = -1;
  long pid = StartDetached({sleep, "30"}, &error);
  ASSERT_GT(pid, 0);
  EXPECT_EQ(error, 0);
  EXPECT_TRUE(IsProcessRunning(pid));
  ASSERT_EQ(::kill(static_cast<pid_t>(pid), SIGKILL), 0);
  bool ended = false;
  for (int i = 0; i < 200 && !ended; ++i) {
    ended = !IsProcessRunning(pid);
    if (!ended) ::usleep(10000);
  }
  EXPECT_TRUE(ended);

  EXPECT_EQ(StartDetached({"/definitely/not/here"}, &error), 0);
  EXPECT_EQ(error, ENOENT);
  EXPECT_EQ(StartDetached({}, &error), 0);
  EXPECT_TRUE(FindProgram("definitely-not-a-program-here").empty());
}


// The locale check agrees with what a started program finds under the
// LANG it is given: `locale` complains exactly when the locale is missing.
// ja_JP.SJIS is there or not depending on the machine; the two must agree
// either way.
TEST(ConsoleLocaleCheck, AgreesWithTheStartedProgram) {
  const std::string localeProgram = FindProgram("locale");
  ASSERT_FALSE(localeProgram.empty());
  const struct {
    std::string name;
    int available;  // -1: depends on the machine
  } cases[] = {{"C", 1}, {"POSIX", 1}, {"xx_XX.NOSUCH", 0}, {"ja_JP.NOSUCHCODE", 0},
               {"ja_JP.SJIS", -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetConsoleLocale(c.name);
    EXPECT_EQ(ConsoleLocale(), c.name);
    const bool available = LocaleAvailable(ConsoleLocale());
    if (c.available >= 0) {
      EXPECT_EQ(available, c.available == 1);
    }
    const char* base[] = {"PATH=/usr/bin:/bin", "LC_ALL=C", nullptr};
    const std::vector<std::string> environment = ConsoleEnvironment(base);
    EXPECT_NE(std::find(environment.begin(), environment.end(), "LANG=" + c.name),
              environment.end());
    ChildProcess child;
    ProcessStartInfo info;
    info.arguments = {localeProgram};
    info.captureOutput = true;
    ASSERT_TRUE(child.Start(info).started);
    std::string output;
    while (child.ReadOutput(output, 5000) == ReadStatus::Data) {
    }
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(output.find("Cannot set") == std::string::npos, available) << output;
  }
  SetConsoleLocale("");
  EXPECT_EQ(ConsoleLocale(), "ja_JP.SJIS");
}
}  // namespace
}  // namespace tavirel::platform
