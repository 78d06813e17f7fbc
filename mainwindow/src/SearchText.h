#pragma once
#include <string>

#include "catalogue/SearchTypes.h"

// Texts of the search box and what a typed text becomes: the key read from the field, the request
// it runs and the counts the suggestion rows show. Texts are GBK. Pure functions; any thread.
namespace searchtext {

const char kCue[] = "搜索音乐、视频";
// The play source of every song a search from the box yields starts with this.
const char kPlaySourcePrefix[] = "网络曲库->搜索->";
const char kClearHistory[] = "清除历史记录";
const char kFeedback[] = "问题反馈";
const char kFeedbackPath[] = "/ur/vd/index.jsp?v=";
// The field is read with at most this many characters.
const size_t kMaxKeyChars = 99;

// The key a field text stands for: its first kMaxKeyChars characters (a double-byte character counts
// as one and is never split), trimmed at both ends; empty for blanks only and for the cue.
std::string FieldKey(const std::string& fieldText);

// What running the search with `key` (already read by FieldKey) opens: a random search (kind 5)
// with an empty key when the key is empty, else `kind` with the key; the play source names the key.
SearchParam BuildSearch(int kind, const std::string& key);

// The right-hand text of a suggestion row: the word's song count ("SNum") as "约%s首", else its
// result count ("RNum") as "%s个结果"; empty when both are missing or zero.
std::string TipCountText(const TipWord& word);

// The feedback page: `server` (no trailing slash) + kFeedbackPath + the program's version.
std::string FeedbackAddress(const std::string& server, const std::string& version);

}  // namespace searchtext
