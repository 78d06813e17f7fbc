#pragma once
#include <cstdint>
#include <string>
#include <vector>

class CSongListBase;

// What a desktop shortcut that reopens a list carries: the tree path of the list as "/go" ids.
// Pure functions; any thread.
namespace listshortcut {

const char kAutoExe[] = "VxMdAuto.exe";
const char kShellIcons[] = "shell32.dll";
const int kShellIconIndex = 128;

// The ids of the list and of its ancestors from the top level down; the catalogue root (the
// topmost list, which has no parent) and lists without an id are left out.
std::vector<uint32_t> PathIds(const CSongListBase& list);
// "/go " and the ids joined with "|".
std::string GoArguments(const std::vector<uint32_t>& ids);

}  // namespace listshortcut
