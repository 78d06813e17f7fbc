#include "catalogue/SearchTypes.h"

const char* SearchKindName(int kind) {
    static const char* const kNames[] = {"全部", "专辑", "歌词", "QRB", "JSON", "随机", "TIPWORDS", "歌手", "视频"};
    if (kind < 0 || kind >= static_cast<int>(sizeof(kNames) / sizeof(kNames[0]))) return "";
    return kNames[kind];
}
