#pragma once
#include <cstdint>
#include <string>

// The few system calls the task file needs, so that its reading and writing stay portable.
namespace UpdatePlatform {

// Whether the text is a URL of a scheme the shell knows (PathIsURLA on Windows).
bool IsUrl(const std::string& text);
// Milliseconds since system start (wraps).
uint32_t TickCount();
// The process environment's value; empty when unset.
std::string GetEnv(const char* name);

}  // namespace UpdatePlatform
