#pragma once
#include <string>

class CSongInfoBase;

// The texts of the user-action records the main window writes, one record per song and action.
// Values go in as they are (no escaping): the report reader splits on "|" and ":" itself. The
// user id is cut to what the utility library hands out. Pure functions; any thread.
namespace UserActRecord {

const char kPlayMusic[] = "K_PLAY_MUSIC";
const char kPlayVideo[] = "K_PLAY_VIDEO";
const char kPlayGame[] = "K_PLAY_GMAE";   // the report reader expects this spelling
const char kDownMusic[] = "K_DOWN_MUSIC";
const char kExit[] = "K_EXIT";
const char kVideoStart[] = "_PLAY_VIDEO_";

const size_t kMaxUserId = 127;

// Download quality the dialog returns when the user prefers WMA.
const int kQualityWma = 3;

// The show names from the top-level list down to the song's parent, or the song's own play
// source when it has no parent.
std::string PlaySource(const CSongInfoBase& song);
// The play source of a search's songs: the display name, "搜索", the kind's name and the key,
// joined by "->".
std::string SearchPlaySource(int kind, const std::string& key);

// Listening (T from the legacy record, audio resource) or watching (T = 2, video resource).
std::string PlayMusicText(const std::string& userId, const CSongInfoBase& song, bool watch);
// False (text untouched) when the song lacks the resource the quality picks.
bool DownMusicText(const std::string& userId, const CSongInfoBase& song, int quality, std::string& text);
std::string PlayVideoText(const std::string& userId, const CSongInfoBase& song, int itemId);
std::string PlayGameText(const std::string& userId, const CSongInfoBase& song);
std::string ExitText(const std::string& userId, const std::string& from, int seconds);
std::string VideoStartText(const std::string& url, int index);

}  // namespace UserActRecord
