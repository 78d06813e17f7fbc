#pragma once
#include <string>

// The updater's command line: "-c" and the task file, in double quotes when it holds blanks.
namespace VxMdUpdate {

const size_t kMaxTaskPathLength = 1023;

// The task file path after the "-c" switch (a "-" beginning a word, then "c"): the value ends at
// the first blank outside quotes, quotes are dropped, blanks around it trimmed, at most
// kMaxTaskPathLength characters kept. Empty when there is no switch or no value.
std::string ParseTaskFilePath(const std::string& commandLine);

}  // namespace VxMdUpdate
