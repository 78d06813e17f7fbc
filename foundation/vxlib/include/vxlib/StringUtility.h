#pragma once
#include <cstddef>
#include <string>
#include <vector>
#include "vxlib/VxLibApi.h"

#if defined(__MINGW32__)
#  define VX_PRINTF_FORMAT(f, a) __attribute__((format(__MINGW_PRINTF_FORMAT, f, a)))
#elif defined(__GNUC__)
#  define VX_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#  define VX_PRINTF_FORMAT(f, a)
#endif

// Narrow text helpers. Text is GBK: case changes skip the trail byte of every double-byte character,
// so a trail byte that looks like an ASCII letter is never touched. Stateless: safe from any thread.
namespace StringUtility {

// printf-style formatting of any length; an invalid format gives an empty string.
VXLIB_API std::string Format(const char* format, ...) VX_PRINTF_FORMAT(1, 2);

// Remove leading and trailing spaces, tabs, CR, LF, VT and FF in place; returns `text`.
VXLIB_API std::string& Trim(std::string& text);
// ASCII letters only, in place; returns `text`.
VXLIB_API std::string& Str2Lower(std::string& text);
VXLIB_API std::string& Str2Upper(std::string& text);

// Splits `text` at every occurrence of `separator` into `fields` (cleared first); returns the count.
// Tokenize keeps empty fields: "a||b" gives "a", "", "b"; "" gives one empty field; a field count is
// therefore always the separator count + 1 (callers rely on field positions).
// TokenizeEx drops empty fields: "|a||b|" gives "a", "b"; "" gives none.
// An empty separator does not split: the whole text is the one field (none for TokenizeEx when empty).
VXLIB_API int Tokenize(const std::string& text, const std::string& separator, std::vector<std::string>& fields);
VXLIB_API int TokenizeEx(const std::string& text, const std::string& separator, std::vector<std::string>& fields);

// Copies `text` into a caller's buffer of `size` bytes, always NUL-terminated (nothing written when
// size is 0). Text that does not fit is cut before the last whole GBK character that fits.
// True when all of it fitted.
VXLIB_API bool CopyToBuffer(char* buffer, size_t size, const std::string& text);

// `argument` (a path or a web address) in double quotes, so that a started program's command line
// parser reads it as one argument whatever blanks or commas it holds. A double quote or a control
// character, which neither a path nor an address may hold, refuses it: false, `quoted` empty.
VXLIB_API bool QuoteArgument(const std::string& argument, std::string& quoted);

}  // namespace StringUtility

#if defined(_WIN32)
struct HWND__;
#endif

namespace utility {

// "512 B", "1.5 KB", "3.0 MB", "2.25 GB": 1024-based, one decimal (two for GB).
VXLIB_API std::string FileSizeToString(unsigned long long bytes);

#if defined(_WIN32)
// Brings a top-level window to the foreground even when another process's window has the focus
// (a forwarded second start asks for this). Call on the thread that owns the window.
VXLIB_API void ForceBringToTop(HWND__* window);
#endif

}  // namespace utility
