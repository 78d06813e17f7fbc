#pragma once
#include <string>
#include "vxlib/VxLibApi.h"

namespace UrlEncode {

// Percent-encodes a query value byte by byte: ASCII letters, digits and "().!~*'-_" stay, every other
// byte (GBK and UTF-8 bytes, space, "&", "=", "%", "+", "/") becomes "%" and two upper-case hex digits.
// The search server decodes exactly this.
VXLIB_API std::string EncodeQuery(const std::string& text);

}  // namespace UrlEncode
