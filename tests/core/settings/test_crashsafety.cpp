// Every file the program writes is either the old file or the new one, also
// when the writing process is killed (SIGKILL) at any point of the write.
//
// Each writer of the table runs in a child process that is killed after a
// random delay spread over the time one write takes; the file is then
// compared with the old and the new bytes. A writer that the program gains
// is one more row.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/indexer/cmdlist.h"
#include "core/search/mainview.h"
#include "core/settings/settings.h"
#include "platform/platform.h"
#include "support/testsupport.h"

namespace tavirel {
namespace {

using namespace testsupport;
using Clock = std::chrono::steady_clock;

struct Writer {
  const char* name;
  std::string oldText;                                // the file before the write
  std::function<void(const std::string& path)> write;  // writes the new file
};

// A settings file near the size limit: a long formula history and a section
// the program does not know, which every save carries along.
std::string LargeSettingsText() {
  std::string text = "[Search]\r\nFormulaHistoryCount=200\r\n";
  for (int i = 1; i <= 200; ++i) {
    text += "History" + std::to_string(i) + "=" + std::string(1500, static_cast<char>('a' + i % 26)) +
            "\r\n";
  }
  text += "[Notes]\r\n";
  for (int i = 0; i < 3000; ++i) text += "note" + std::to_string(i) + "=" + std::string(150, 'n') + "\r\n";
  return text;
}

std::vector<Writer> Writers() {
  const std::string large = LargeSettingsText();
  EXPECT_LT(large.size(), MaxSettingsFileBytes);
  EXPECT_GT(large.size(), MaxSettingsFileBytes / 2);
  return {
      {"settings save", large,
       [](const std::string& path) {
         TSettings settings;
         LoadSettings(settings, path);
         for (std::string& formula : settings.History) formula.assign(1500, 'Z');
         settings.SavePosition = "1";
         SaveSettings(settings, path);
       }},
      {"recent directories and placement", large,
       [](const std::string& path) {
         TWindowPlacement placement;
         placement.NormPos[2] = 800;
         WriteRecentAndPlacement(path, {"\"/a\" \"/b\"", "/c"}, &placement, "Window");
       }},
      {"command list save", FormatCommandList(std::vector<std::string>(4000, std::string(200, 'o'))),
       [](const std::string& path) {
         std::string message;
         SaveCommandListFile(path, std::vector<std::string>(4000, "*mknmz " + std::string(193, 'n')),
                             message);
       }},
  };
}

// The bytes a complete write leaves.
std::string NewText(const Writer& writer, const TempDir& dir) {
  const std::string path = dir.File("complete.ini");
  EXPECT_TRUE(platform::WriteFileAtomic(path, writer.oldText));
  writer.write(path);
  return ReadBytes(path);
}

TEST(CrashSafety, KilledWritesLeaveTheOldOrTheNewFile) {
  constexpr int kKills = 100;
  std::mt19937 rng(20261208);
  for (const Writer& writer : Writers()) {
    TempDir dir;
    const std::string newText = NewText(writer, dir);
    ASSERT_NE(newText, writer.oldText) << writer.name;
    const std::string path = dir.File("tavirel.ini");

    // How long one write takes here, child start included.
    ASSERT_TRUE(platform::WriteFileAtomic(path, writer.oldText));
    const auto start = Clock::now();
    const pid_t timed = ::fork();
    ASSERT_GE(timed, 0);
    if (timed == 0) {
      writer.write(path);
      ::_exit(0);
    }
    ::waitpid(timed, nullptr, 0);
    const auto duration = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
    ASSERT_EQ(ReadBytes(path), newText) << writer.name;

    int sawOld = 0, sawNew = 0;
    std::uniform_int_distribution<long> delay(0, duration.count() * 6 / 5);
    for (int kill = 0; kill < kKills; ++kill) {
      ASSERT_TRUE(platform::WriteFileAtomic(path, writer.oldText));
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        writer.write(path);
        ::_exit(0);
      }
      std::this_thread::sleep_for(std::chrono::microseconds(delay(rng)));
      ::kill(child, SIGKILL);
      ::waitpid(child, nullptr, 0);
      const std::string now = ReadBytes(path);
      if (now == writer.oldText) {
        ++sawOld;
      } else {
        ASSERT_TRUE(now == newText) << writer.name << ": a mix of " << now.size() << " bytes after kill "
                                    << kill;
        ++sawNew;
      }
    }
    // The kills fell before and after the rename, not all on one side.
    EXPECT_GT(sawOld, 0) << writer.name;
    EXPECT_GT(sawNew, 0) << writer.name;
    // What the killed writes left behind is exactly what the start removes.
    platform::RemoveStaleTempFiles(path, 0);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"complete.ini", "tavirel.ini"}))
        << writer.name;
  }
}

}  // namespace
}  // namespace tavirel
