#include "vxlib/Base64.h"

#include <climits>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Value(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

void xor_buffer(void* buffer, size_t length, const std::string& key) {
    if (!buffer || key.empty()) return;
    unsigned char* bytes = static_cast<unsigned char*>(buffer);
    for (size_t i = 0; i < length; ++i) bytes[i] ^= static_cast<unsigned char>(key[i % key.size()]);
}

int Base64Encode(std::string& out, const void* in, size_t length) {
    out.clear();
    if (length == 0) return 0;
    if (!in || length > static_cast<size_t>(INT_MAX / 4 * 3 - 3)) return -1;
    const unsigned char* bytes = static_cast<const unsigned char*>(in);
    out.reserve((length + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        unsigned v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i < length) {
        unsigned v = bytes[i] << 16;
        if (i + 1 < length) v |= bytes[i + 1] << 8;
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < length ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return static_cast<int>(out.size());
}

int Base64Encode(std::string& out, const void* in, size_t length, const std::string& key) {
    out.clear();
    if (length == 0) return 0;
    if (!in) return -1;
    std::string scrambled(static_cast<const char*>(in), length);
    xor_buffer(&scrambled[0], scrambled.size(), key);
    return Base64Encode(out, scrambled.data(), scrambled.size());
}

int Base64Decode(std::string& out, const std::string& in) {
    out.clear();
    std::string text;
    text.reserve(in.size());
    for (char c : in) {
        if (c != '\r' && c != '\n') text += c;
    }
    if (text.empty()) return 0;
    if (text.size() % 4 != 0 || text.size() > static_cast<size_t>(INT_MAX)) return -1;
    size_t padding = 0;
    if (text[text.size() - 1] == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
    std::string decoded;
    decoded.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        bool last = i + 4 == text.size();
        int v[4];
        for (int k = 0; k < 4; ++k) {
            bool pad = last && k >= 4 - static_cast<int>(padding);
            v[k] = pad ? 0 : Value(static_cast<unsigned char>(text[i + k]));
            if (v[k] < 0) return -1;  // also a '=' anywhere but the end
        }
        unsigned group = (v[0] << 18) | (v[1] << 12) | (v[2] << 6) | v[3];
        decoded += static_cast<char>(group >> 16);
        if (last && padding == 2) {
            if (group & 0xFFFF) return -1;  // non-canonical trailing bits
            break;
        }
        decoded += static_cast<char>((group >> 8) & 0xFF);
        if (last && padding == 1) {
            if (group & 0xFF) return -1;
            break;
        }
        decoded += static_cast<char>(group & 0xFF);
    }
    out.swap(decoded);
    return static_cast<int>(out.size());
}

int Base64Decode(std::string& out, const std::string& in, const std::string& key) {
    int n = Base64Decode(out, in);
    if (n > 0) xor_buffer(&out[0], out.size(), key);
    return n;
}
