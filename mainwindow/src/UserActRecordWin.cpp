#include "UserActRecordWin.h"

#include <string>

#include "UserActRecord.h"
#include "datadef/SongInfo.h"
#include "log/VxMdLog.h"
#include "vxlib/UserId.h"

namespace UserActRecord {

std::string CurrentUserId() {
    char buffer[kMaxUserId + 1] = {};
    ::UserId::GetUserID(buffer, sizeof(buffer));
    return buffer;
}

void WritePlayMusic(const SongVector& songs, bool watch) {
    const std::string user = CurrentUserId();
    for (CSongInfoBase* song : songs) {
        if (song) VxMdLog::LogUserActMsg(kPlayMusic, PlayMusicText(user, *song, watch).c_str());
    }
}

void WriteDownMusic(const SongVector& songs, int quality) {
    const std::string user = CurrentUserId();
    std::string text;
    for (CSongInfoBase* song : songs) {
        if (song && DownMusicText(user, *song, quality, text)) VxMdLog::LogUserActMsg(kDownMusic, text.c_str());
    }
}

}  // namespace UserActRecord
