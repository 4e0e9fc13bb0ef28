// The system's "drives": the mounted file systems that a stored path may
// name by a drive label ({hd1}, {cdrom1}, {removable1}). On this platform a
// drive is a mount point; its volume name is the file-system label.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavirel::platform {

enum class DriveType { Fixed, Removable, CdRom, Other };

struct DriveInfo {
  std::string root;    // the mount point (CP932)
  DriveType type = DriveType::Other;
  std::string label;   // the file-system label (CP932), empty when none
};

// Every mounted file system on a block device, sorted by mount point. Pseudo
// file systems (proc, tmpfs, overlay, ...), bind mounts of a sub-folder or of a
// single file, and a second mount of the same device are left out.
std::vector<DriveInfo> ListDrives();

// ---- Pieces of ListDrives, exposed for testing -------------------------------

struct MountEntry {
  std::string mountPoint;   // escapes decoded, UTF-8 as the system gives it
  std::string root;         // the mounted folder of the file system ("/" for all of it)
  std::string device;       // the mount source ("/dev/sda1", "proc", ...)
  std::string fsType;
};

// Parses /proc/self/mountinfo text. Lines that do not have the fields of the
// format are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);
// Parses /proc/mounts text (device, mount point, type, ...); `root` is "/".
std::vector<MountEntry> ParseProcMounts(std::string_view text);
// Decodes the octal escapes ("\040" for a blank) of mount table fields.
std::string DecodeOctalEscapes(std::string_view text);
// Decodes the "\x20"-style escapes of /dev/disk/by-label names.
std::string DecodeHexEscapes(std::string_view text);
// A CD-ROM by device or file-system type: /dev/sr*, or iso9660 / udf.
bool IsCdRomMount(std::string_view device, std::string_view fsType);

}  // namespace tavirel::platform
