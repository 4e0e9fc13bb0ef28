// Time and memory to load (and save) a settings file at the size limit, by
// the shape of the file, side by side with the floor of the same run: reading
// the file into memory. Each shape runs in a child process so that its peak
// memory (VmHWM) is its own.
//
// Shapes (SIZE bytes, default the limit MaxSettingsFileBytes):
//   real      the keys the program writes and a long formula history
//   sections  tiny sections, each with another name ("[s1]", "[s2]", ...)
//   keys      tiny keys in one section ("k1=", "k2=", ...)
//   lines     one-character lines that are no keys
//   long      one key with a value as long as the file
// Also: a file one byte over the limit, which is refused unread.
//
// Usage: bench_settingssize [SIZE [shape...]]
//        bench_settingssize --one SHAPE FILE

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "core/settings/settings.h"
#include "platform/platform.h"
#include "support/benchsupport.h"

namespace {

using namespace tavirel;
using bench::PeakKb;
using Clock = std::chrono::steady_clock;

std::string MakeShape(const std::string& shape, size_t bytes) {
  std::string text;
  if (shape == "real") {
    text = "[Window]\r\nSavePosition=0\r\n[Search]\r\nDirectoryCount=1\r\n"
           "Directory1=/var/lib/namazu/index\r\nFormulaHistoryCount=1000\r\n";
    for (int i = 1; text.size() + 2100 < bytes; ++i)
      text += "History" + std::to_string(i) + "=" + std::string(2000, 'q') + "\r\n";
  } else if (shape == "sections") {
    for (int i = 0; text.size() < bytes; ++i) text += "[s" + std::to_string(i) + "]\n";
  } else if (shape == "keys") {
    text = "[Search]\n";
    for (int i = 0; text.size() < bytes; ++i) text += "k" + std::to_string(i) + "=\n";
  } else if (shape == "lines") {
    text = "[Search]\n";
    while (text.size() < bytes) text += "x\n";
  } else if (shape == "long") {
    text = "[Search]\nnamazuOption=" + std::string(bytes, 'v');
  } else {
    std::fprintf(stderr, "unknown shape %s\n", shape.c_str());
    std::exit(2);
  }
  text.resize(std::min(text.size(), bytes));
  return text;
}

double Ms(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int RunOne(const std::string& shape, const std::string& path) {
  const size_t size = platform::GetFileAttributes(path).size;
  const long baseKb = PeakKb();

  auto start = Clock::now();
  {
    std::string contents;
    platform::ReadWholeFile(path, contents, nullptr, 1ull << 31);
  }
  const double floorMs = Ms(start);
  const long floorKb = PeakKb() - baseKb;

  start = Clock::now();
  TSettings settings;
  LoadSettings(settings, path);
  const double loadMs = Ms(start);
  const long loadKb = PeakKb() - baseKb;
  start = Clock::now();
  SaveSettings(settings, path);
  const double saveMs = Ms(start);
  const long saveKb = PeakKb() - baseKb;
  const std::string refused = SettingsFileRefusal(path);

  std::printf("%-9s %9zu bytes | floor %6.1f ms %6.1f MB | load %7.1f ms %6.1f MB = %5.1f x size"
              " | save %7.1f ms %6.1f MB%s\n",
              shape.c_str(), size, floorMs, floorKb / 1e3, loadMs, loadKb / 1e3,
              loadKb * 1e3 / static_cast<double>(size), saveMs, saveKb / 1e3,
              refused.empty() ? "" : " | refused unread");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "--one") == 0) {
    return RunOne(argv[2], argv[3]);
  }
  const std::string size = argc > 1 ? argv[1] : std::to_string(MaxSettingsFileBytes);
  std::vector<std::string> shapes;
  for (int i = 2; i < argc; ++i) shapes.push_back(argv[i]);
  if (shapes.empty()) shapes = {"real", "sections", "keys", "lines", "long"};
  std::vector<std::pair<std::string, std::string>> runs;
  for (const std::string& shape : shapes) runs.emplace_back(shape, size);
  runs.emplace_back("sections", std::to_string(MaxSettingsFileBytes + 1));
  for (const auto& [shape, bytes] : runs) {
    // The file is written here, so that making it counts for no child.
    const std::string folder = platform::CreatePrivateFolder(platform::TempFolder(), "bench-");
    const std::string path = folder + "/tavirel.ini";
    platform::WriteFileAtomic(path, MakeShape(shape, std::stoull(bytes)), nullptr);
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
      ::execl("/proc/self/exe", argv[0], "--one", shape.c_str(), path.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::waitpid(child, nullptr, 0);
    platform::RemovePrivateFolder(folder);
  }
  return 0;
}
