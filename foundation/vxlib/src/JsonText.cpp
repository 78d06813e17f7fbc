#include "vxlib/JsonText.h"

#include <cmath>
#include <limits>
#include <memory>
#include <sstream>

namespace {

// Rejects overlong forms, surrogates and code points above U+10FFFF.
bool IsValidUtf8(const std::string& text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = p + text.size();
    while (p < end) {
        unsigned char c = *p;
        if (c < 0x80) { ++p; continue; }
        int extra;
        unsigned int cp;
        if (c >= 0xC2 && c <= 0xDF) { extra = 1; cp = c & 0x1F; }
        else if (c >= 0xE0 && c <= 0xEF) { extra = 2; cp = c & 0x0F; }
        else if (c >= 0xF0 && c <= 0xF4) { extra = 3; cp = c & 0x07; }
        else return false;
        if (end - p <= extra) return false;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))) return false;
        if (cp >= 0xD800 && cp <= 0xDFFF) return false;
        p += extra + 1;
    }
    return true;
}

// Bracket depth outside strings; JsonCpp's readers recurse once per level.
int MaxDepth(const std::string& text, int limit) {
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) return depth;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return depth;
}

void SetError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

bool ParseDecimal(const std::string& text, long long& out) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    unsigned long long value = 0;
    const unsigned long long limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (value > (limit - digit) / 10) return false;
        value = value * 10 + digit;
    }
    // Two's complement: the negative limit has no positive counterpart.
    out = negative ? static_cast<long long>(0ULL - value) : static_cast<long long>(value);
    return true;
}

}  // namespace

namespace JsonText {

bool Parse(const std::string& text, Json::Value& out, std::string* error, bool requireUtf8) {
    try {
        out = Json::Value();
        if (requireUtf8 && !IsValidUtf8(text)) {
            SetError(error, "invalid UTF-8");
            return false;
        }
        if (MaxDepth(text, kMaxDepth) > kMaxDepth) {
            SetError(error, "nested too deeply");
            return false;
        }
        Json::CharReaderBuilder builder;
        builder["collectComments"] = false;
        builder["allowComments"] = false;
        builder["failIfExtra"] = true;
        builder["allowSpecialFloats"] = false;
        builder["stackLimit"] = kMaxDepth + 8;
        std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        Json::Value value;
        std::string message;
        if (!reader->parse(text.data(), text.data() + text.size(), &value, &message)) {
            SetError(error, message.empty() ? std::string("malformed JSON") : message);
            return false;
        }
        out.swap(value);
        return true;
    } catch (const std::exception& e) {
        out = Json::Value();
        SetError(error, e.what());
    } catch (...) {
        out = Json::Value();
        SetError(error, "malformed JSON");
    }
    return false;
}

std::string Write(const Json::Value& value, bool styled, bool emitUtf8) {
    try {
        Json::StreamWriterBuilder builder;
        builder["indentation"] = styled ? "   " : "";
        builder["emitUTF8"] = emitUtf8;
        std::unique_ptr<Json::StreamWriter> writer(builder.newStreamWriter());
        std::ostringstream stream;
        if (writer->write(value, &stream) != 0) return std::string();
        std::string text = stream.str();
        if (styled) text += '\n';
        return text;
    } catch (...) {
        return std::string();
    }
}

const Json::Value* Member(const Json::Value& value, const char* key) {
    try {
        if (!key || !value.isObject()) return nullptr;
        return value.find(key, key + std::char_traits<char>::length(key));
    } catch (...) {
        return nullptr;
    }
}

bool ToText(const Json::Value& value, std::string& out) {
    try {
        switch (value.type()) {
        case Json::stringValue:
        case Json::booleanValue:
        case Json::intValue:
        case Json::uintValue:
            out = value.asString();
            return true;
        case Json::realValue: {
            double d = value.asDouble();
            if (!std::isfinite(d)) return false;
            out = Json::valueToString(d);
            return true;
        }
        default:
            return false;
        }
    } catch (...) {
        return false;
    }
}

bool ToInt64(const Json::Value& value, long long& out) {
    try {
        switch (value.type()) {
        case Json::intValue:
            out = value.asLargestInt();
            return true;
        case Json::uintValue:
            if (value.asLargestUInt() > static_cast<Json::LargestUInt>(std::numeric_limits<long long>::max())) return false;
            out = static_cast<long long>(value.asLargestUInt());
            return true;
        case Json::realValue: {
            double d = value.asDouble();
            // 2^63 is exactly representable; anything from there on overflows.
            if (!std::isfinite(d) || d != std::floor(d) || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
                return false;
            out = static_cast<long long>(d);
            return true;
        }
        case Json::stringValue:
            return ParseDecimal(value.asString(), out);
        default:
            return false;
        }
    } catch (...) {
        return false;
    }
}

std::string GetText(const Json::Value& object, const char* key, const std::string& fallback) {
    const Json::Value* member = Member(object, key);
    std::string text;
    return member && ToText(*member, text) ? text : fallback;
}

long long GetInt64(const Json::Value& object, const char* key, long long fallback) {
    const Json::Value* member = Member(object, key);
    long long number = 0;
    return member && ToInt64(*member, number) ? number : fallback;
}

}  // namespace JsonText
