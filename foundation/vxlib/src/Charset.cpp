#include "vxlib/Charset.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace {

#ifdef _WIN32
const unsigned kSystemCodePage = CP_ACP;
const unsigned kUtf8 = CP_UTF8;

std::wstring ToWide(unsigned codePage, const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string ToNarrow(unsigned codePage, const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}
#else
// The native build stands in for a Chinese Windows: the system code page is GBK (936).
const char* const kSystemCodePage = "GBK";
const char* const kUtf8 = "UTF-8";
const char* const kWide = sizeof(wchar_t) == 4 ? "UTF-32LE" : "UTF-16LE";

// Converts what it can; an invalid sequence is skipped byte by byte, as Windows drops it.
std::string Convert(const char* from, const char* to, const char* data, size_t size) {
    std::string out;
    if (size == 0) return out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return out;
    char* in = const_cast<char*>(data);
    size_t inLeft = size;
    char buffer[4096];
    while (inLeft > 0) {
        char* next = buffer;
        size_t outLeft = sizeof(buffer);
        size_t r = iconv(cd, &in, &inLeft, &next, &outLeft);
        out.append(buffer, static_cast<size_t>(next - buffer));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

std::wstring ToWide(const char* codePage, const std::string& text) {
    std::string bytes = Convert(codePage, kWide, text.data(), text.size());
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

std::string ToNarrow(const char* codePage, const std::wstring& text) {
    return Convert(kWide, codePage, reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}
#endif

}  // namespace

namespace Charset {

std::wstring String2WString(const std::string& text) { return ToWide(kSystemCodePage, text); }
std::string WString2String(const std::wstring& text) { return ToNarrow(kSystemCodePage, text); }
std::wstring UTF8ToUnicode(const std::string& utf8) { return ToWide(kUtf8, utf8); }
std::string UnicodeToUTF8(const std::wstring& text) { return ToNarrow(kUtf8, text); }
std::string UTF8ToString(const std::string& utf8) { return WString2String(UTF8ToUnicode(utf8)); }
std::string StringToUTF8(const std::string& text) { return UnicodeToUTF8(String2WString(text)); }

}  // namespace Charset
