#pragma once
#include <cstddef>
#include <string>

// Text and file-name rules that several parts of VxLib share. Internal to VxLib; stateless.
namespace namerules {

// 2 when a whole GBK character (lead 0x81-0xFE, trail 0x40-0xFE but 0x7F) starts at `i`, else 1.
// A trail byte may be 0x5C ('\') or 0x7C ('|'): callers step over whole characters.
size_t GbkCharLength(const std::string& text, size_t i);

// The separators, ':', the wildcards, '"', '|' and the control characters.
bool IsForbiddenNameChar(unsigned char c);

// Whether Windows opens `component` as a device whatever its folder: CON, PRN, AUX, NUL, CONIN$,
// CONOUT$, CLOCK$, COM0-9, LPT0-9, any case, also with an extension or spaces after the name
// ("nul.txt", "CON .log"). The UTF-8 superscript digits count as digits; in GBK those bytes are
// a Chinese character, which then only costs that rare name a prefix.
bool IsDeviceName(const std::string& component);

}  // namespace namerules
