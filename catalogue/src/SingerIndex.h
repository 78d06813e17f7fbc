#pragma once
#include <string>
#include <vector>

// The singer index derived from "singer.pl": 13 categories (by district and sex, and "all") of
// 28 sub-lists each (26 letters, other, popular), written as song-list files beside "singer.pl".
// Stateless; safe from any thread.
namespace SingerIndex {

// Singers kept in a category's popular list.
const size_t kPopularCap = 500;

// Reads dir + "singer.pl" and writes every category index file and sub-list file into dir
// (which ends with a separator). `written` receives the names of the written files ("all.pl",
// "all_a.pl", ...). True when every file was written; a missing or unreadable "singer.pl" still
// writes the empty index.
bool Build(const std::string& dir, std::vector<std::string>& written);

}  // namespace SingerIndex
