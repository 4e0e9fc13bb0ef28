// Drive labels: the lines of DriveConstantList that map "{hd1}", "{cdrom1}"
// and "{removable1}" to the system's drives.
#pragma once

#include <string>
#include <vector>

#include "platform/drives.h"

namespace tavirel {

// The process-wide drive label list, rebuilt by BuildDriveConstantList and
// read by ExpandDriveConstant.
extern std::vector<std::string> DriveConstantList;

// One line per drive that gets a label, in the order given: the label, " => ",
// the drive (the mount point here), and for fixed and CD-ROM drives
// "    [" volume name "]". Numbers count from 1 per drive type; other drive
// types get no label and no line.
std::vector<std::string> BuildDriveConstantLines(const std::vector<platform::DriveInfo>& drives);

// Rebuilds DriveConstantList from the drives of the system.
void BuildDriveConstantList();

}  // namespace tavirel
