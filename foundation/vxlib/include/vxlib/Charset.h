#pragma once
#include <string>
#include "vxlib/VxLibApi.h"

// Conversions at the edges: narrow text is the system code page (GBK), JSON and URL parameters
// are UTF-8, wide Win32 and browser calls take UTF-16. Invalid input converts what it can. The
// native build (tests under the sanitizers) takes GBK as the system code page.
namespace Charset {

VXLIB_API std::wstring String2WString(const std::string& text);    // system code page -> UTF-16
VXLIB_API std::string WString2String(const std::wstring& text);    // UTF-16 -> system code page
VXLIB_API std::wstring UTF8ToUnicode(const std::string& utf8);
VXLIB_API std::string UnicodeToUTF8(const std::wstring& text);
// UTF-8 <-> system code page in one step (JSON replies, URL parameters).
VXLIB_API std::string UTF8ToString(const std::string& utf8);
VXLIB_API std::string StringToUTF8(const std::string& text);

}  // namespace Charset
