#include "vxlib/Charset.h"

#include <windows.h>

namespace {

std::wstring ToWide(UINT codePage, const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string ToNarrow(UINT codePage, const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

}  // namespace

namespace Charset {

std::wstring String2WString(const std::string& text) { return ToWide(CP_ACP, text); }
std::string WString2String(const std::wstring& text) { return ToNarrow(CP_ACP, text); }
std::wstring UTF8ToUnicode(const std::string& utf8) { return ToWide(CP_UTF8, utf8); }
std::string UnicodeToUTF8(const std::wstring& text) { return ToNarrow(CP_UTF8, text); }

}  // namespace Charset
