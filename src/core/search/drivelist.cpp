#include "core/search/drivelist.h"

namespace tavirel {

std::vector<std::string> DriveConstantList;

std::vector<std::string> BuildDriveConstantLines(const std::vector<platform::DriveInfo>& drives) {
  std::vector<std::string> lines;
  int fixed = 0, removable = 0, cdrom = 0;
  for (const platform::DriveInfo& drive : drives) {
    std::string label;
    bool withVolumeName = false;
    switch (drive.type) {
      case platform::DriveType::Removable:
        label = "{removable" + std::to_string(++removable) + "}";
        break;
      case platform::DriveType::Fixed:
        label = "{hd" + std::to_string(++fixed) + "}";
        withVolumeName = true;
        break;
      case platform::DriveType::CdRom:
        label = "{cdrom" + std::to_string(++cdrom) + "}";
        withVolumeName = true;
        break;
      case platform::DriveType::Other:
        continue;
    }
    std::string line = label + " => " + drive.root;
    if (withVolumeName) line += "    [" + drive.label + "]";
    lines.push_back(std::move(line));
  }
  return lines;
}

void BuildDriveConstantList() { DriveConstantList = BuildDriveConstantLines(platform::ListDrives()); }

}  // namespace tavirel
