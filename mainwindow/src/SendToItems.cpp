#include "SendToItems.h"

#include "resource.h"

namespace sendto {

const char* DriveTypeName(int type) {
    switch (type) {
    case kDriveFixed:
    case kDriveRamDisk:
        return "本地磁盘";
    case kDriveRemote:
        return "网络驱动器";
    case kDriveRemovable:
        return "可移动磁盘";
    case kDriveCdRom:
        return "CD驱动器";
    default:
        return nullptr;
    }
}

std::string DriveItemText(int type, char letter) {
    const char* name = DriveTypeName(type);
    if (!name) return std::string();
    return std::string(name) + "(" + letter + ":\\)";
}

std::vector<DriveItem> DriveItems(uint32_t mask, const std::function<int(char)>& typeOf) {
    std::vector<DriveItem> items;
    for (int i = 1; i < 26; ++i) {
        if (!(mask & (1u << i))) continue;
        const char letter = static_cast<char>('A' + i);
        std::string text = DriveItemText(typeOf ? typeOf(letter) : kDriveUnknown, letter);
        if (!text.empty()) items.push_back(DriveItem{letter, text});
    }
    return items;
}

unsigned MenuCommandOf(char letter) {
    return ID_SENDTO_DRIVE_FIRST + static_cast<unsigned>(letter - 'A');
}

bool DriveOfCommand(unsigned id, char& letter) {
    if (id >= ID_SENDTO_DRIVE_FIRST && id <= ID_SENDTO_DRIVE_LAST) {
        letter = static_cast<char>('A' + (id - ID_SENDTO_DRIVE_FIRST));
        return true;
    }
    if (id < ID_DRIVE_FIRST || id > ID_DRIVE_LAST) return false;
    switch (id) {
    case ID_EDIT_COPYTO:
    case ID_EDIT_SELECT_ALL:
    case ID_EDIT_INVERT:
    case ID_DEV_FOLDER1:
    case ID_DEV_FOLDER2:
    case ID_DEV_FOLDER3:
    case ID_DEV_FOLDER4:
        return false;
    default:
        letter = static_cast<char>('A' + (id - ID_DRIVE_FIRST));
        return true;
    }
}

std::string DriveRoot(char letter) {
    return std::string(1, letter) + ":\\";
}

}  // namespace sendto
