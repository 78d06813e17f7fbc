#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The send-to drive items and the commands that copy songs to a drive root. Pure functions;
// any thread.
namespace sendto {

// Drive types as GetDriveType reports them.
enum DriveType {
    kDriveUnknown = 0,
    kDriveNoRoot = 1,
    kDriveRemovable = 2,
    kDriveFixed = 3,
    kDriveRemote = 4,
    kDriveCdRom = 5,
    kDriveRamDisk = 6,
};

struct DriveItem {
    char letter;
    std::string text;  // "本地磁盘(C:\)"
};

// "本地磁盘", "网络驱动器", "可移动磁盘", "CD驱动器"; a RAM disk counts as local. Null for a type
// that gets no item (unknown, no root).
const char* DriveTypeName(int type);
// "%s(%c:\)" with the type's name; empty for a type without name.
std::string DriveItemText(int type, char letter);
// One item per drive of `mask` (bit 0 = A) in letter order, A excepted, typed by `typeOf`.
std::vector<DriveItem> DriveItems(uint32_t mask, const std::function<int(char)>& typeOf);

// The context menu's command for a drive item.
unsigned MenuCommandOf(char letter);
// The drive a command copies to: the context menu's own range, or the frame's range minus the
// ids that other commands own there (copy to, select all, invert, the developer commands).
bool DriveOfCommand(unsigned id, char& letter);
// "X:\"
std::string DriveRoot(char letter);

}  // namespace sendto
