#pragma once
#include <string>

#include <json/json.h>

#include "vxlib/VxLibApi.h"

// JSON is JsonCpp's own `Json::Value`, `Json::Reader` and `Json::StyledWriter`; including this
// header brings them in. JsonCpp throws (on wrong-type reads such as asInt of a string or
// operator[] of an array, and in its readers on deep nesting) and recurses, so text from outside
// goes through JsonText::Parse and values of unknown shape are read through the helpers below,
// which never throw. Safe from any thread.
namespace JsonText {

// Deeper documents are refused before JsonCpp sees them.
const int kMaxDepth = 256;

// Parses one complete JSON value (strict: no comments, nothing but white space after it). With
// requireUtf8 the text must be valid UTF-8; without it the bytes of strings are taken as they are
// (for text already converted to the system code page). On failure `out` is null and `error`, when
// given, says why.
VXLIB_API bool Parse(const std::string& text, Json::Value& out, std::string* error = nullptr,
                     bool requireUtf8 = true);

// Styled (indented, as StyledWriter) or compact text. With emitUtf8 the bytes of strings are written
// as they are, so UTF-8 and system code page text both survive; without it non-ASCII is written as
// \uXXXX decoded from UTF-8 (as StyledWriter does, which turns code page text into U+FFFD).
// Empty on failure.
VXLIB_API std::string Write(const Json::Value& value, bool styled = true, bool emitUtf8 = true);

// The member `key` of an object; null when `value` is not an object or has no such member.
VXLIB_API const Json::Value* Member(const Json::Value& value, const char* key);

// Strings as they are, numbers as decimal text, booleans as "true"/"false"; null, arrays and
// objects fail.
VXLIB_API bool ToText(const Json::Value& value, std::string& out);

// A number, or a number given as text: optional sign, decimal digits only, nothing else. Fails on
// fractions and out-of-range values.
VXLIB_API bool ToInt64(const Json::Value& value, long long& out);

// The member as text / as a number; `fallback` when absent or not convertible.
VXLIB_API std::string GetText(const Json::Value& object, const char* key, const std::string& fallback = std::string());
VXLIB_API long long GetInt64(const Json::Value& object, const char* key, long long fallback = 0);

}  // namespace JsonText
