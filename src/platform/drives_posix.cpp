// POSIX drives: the mount table, block-device properties from /sys and the
// file-system labels from /dev/disk/by-label.
#include "platform/drives.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>

#include "platform/platform.h"

namespace tavirel::platform {
namespace {

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

template <typename F>
void ForEachLine(std::string_view text, F f) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    f(text.substr(start, end - start));
    start = end + 1;
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ReadSmallFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

std::string RealPath(const std::string& path) {
  std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), std::free);
  return resolved ? std::string(resolved.get()) : std::string();
}

std::string BaseName(std::string_view path) {
  size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// The whole disk a block device belongs to ("sdb" for /dev/sdb1).
std::string DiskOf(const std::string& deviceName) {
  std::string sysPath = RealPath("/sys/class/block/" + deviceName);
  if (sysPath.empty()) return deviceName;
  struct stat st {};
  if (::stat((sysPath + "/partition").c_str(), &st) == 0) {
    size_t slash = sysPath.rfind('/');
    if (slash != std::string::npos) return BaseName(sysPath.substr(0, slash));
  }
  return deviceName;
}

bool IsRemovableDisk(const std::string& deviceName) {
  std::string value;
  if (!ReadSmallFile("/sys/block/" + DiskOf(deviceName) + "/removable", value)) return false;
  return !value.empty() && value[0] == '1';
}

// Device path (resolved) -> label, from the links in /dev/disk/by-label.
std::vector<std::pair<std::string, std::string>> ReadLabels() {
  std::vector<std::pair<std::string, std::string>> labels;
  const std::string folder = "/dev/disk/by-label";
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return labels;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string target = RealPath(folder + "/" + name);
    if (!target.empty()) labels.emplace_back(target, DecodeHexEscapes(name));
  }
  ::closedir(dir);
  return labels;
}

}  // namespace

std::string DecodeOctalEscapes(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size()) {
      bool octal = true;
      int value = 0;
      for (size_t k = 1; k <= 3; ++k) {
        char c = text[i + k];
        if (c < '0' || c > '7') {
          octal = false;
          break;
        }
        value = value * 8 + (c - '0');
      }
      if (octal && value < 256) {
        out += static_cast<char>(value);
        i += 3;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string DecodeHexEscapes(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
      int high = HexValue(text[i + 2]);
      int low = HexValue(text[i + 3]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 3;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> entries;
  ForEachLine(text, [&](std::string_view line) {
    auto fields = SplitFields(line);
    // id parent major:minor root mount-point options [optional...] - type source super
    auto dash = std::find(fields.begin(), fields.end(), std::string_view("-"));
    if (fields.size() < 6 || dash == fields.end() || dash - fields.begin() < 6 ||
        fields.end() - dash < 3) {
      return;
    }
    MountEntry entry;
    entry.root = DecodeOctalEscapes(fields[3]);
    entry.mountPoint = DecodeOctalEscapes(fields[4]);
    entry.fsType = DecodeOctalEscapes(*(dash + 1));
    entry.device = DecodeOctalEscapes(*(dash + 2));
    entries.push_back(std::move(entry));
  });
  return entries;
}

std::vector<MountEntry> ParseProcMounts(std::string_view text) {
  std::vector<MountEntry> entries;
  ForEachLine(text, [&](std::string_view line) {
    auto fields = SplitFields(line);
    if (fields.size() < 3) return;
    MountEntry entry;
    entry.device = DecodeOctalEscapes(fields[0]);
    entry.mountPoint = DecodeOctalEscapes(fields[1]);
    entry.fsType = DecodeOctalEscapes(fields[2]);
    entry.root.assign(1, '/');  // (assigning the literal trips a false -Wrestrict in GCC 12 at -O3)
    entries.push_back(std::move(entry));
  });
  return entries;
}

bool IsCdRomMount(std::string_view device, std::string_view fsType) {
  std::string name = BaseName(device);
  return (device.substr(0, 5) == "/dev/" && name.rfind("sr", 0) == 0) || fsType == "iso9660" ||
         fsType == "udf";
}

std::vector<DriveInfo> ListDrives() {
  std::string text;
  std::vector<MountEntry> mounts;
  if (ReadSmallFile("/proc/self/mountinfo", text) && !text.empty()) {
    mounts = ParseMountInfo(text);
  } else if (ReadSmallFile("/proc/mounts", text)) {
    mounts = ParseProcMounts(text);
  }
  auto labels = ReadLabels();

  std::vector<DriveInfo> drives;
  std::set<std::string> devicesSeen;
  for (const MountEntry& mount : mounts) {
    // Only whole file systems on block devices, mounted on a folder.
    if (mount.device.rfind("/dev/", 0) != 0 || mount.root != "/") continue;
    std::string device = RealPath(mount.device);
    struct stat st {};
    if (device.empty() || ::stat(device.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) continue;
    struct stat mountStat {};
    if (::stat(mount.mountPoint.c_str(), &mountStat) != 0 || !S_ISDIR(mountStat.st_mode)) continue;
    if (!devicesSeen.insert(device).second) continue;
    auto root = Utf8ToCp932(mount.mountPoint);
    if (!root) continue;  // a folder name the program could not use as a path

    DriveInfo drive;
    drive.root = *root;
    if (IsCdRomMount(device, mount.fsType)) {
      drive.type = DriveType::CdRom;
    } else if (IsRemovableDisk(BaseName(device))) {
      drive.type = DriveType::Removable;
    } else {
      drive.type = DriveType::Fixed;
    }
    for (const auto& [labelDevice, label] : labels) {
      if (labelDevice == device) {
        drive.label = Utf8ToCp932(label).value_or(std::string());
        break;
      }
    }
    drives.push_back(std::move(drive));
  }
  std::sort(drives.begin(), drives.end(),
            [](const DriveInfo& a, const DriveInfo& b) { return a.root < b.root; });
  return drives;
}

}  // namespace tavirel::platform
