#pragma once
#include <cstddef>
#include <string>
#include "vxlib/VxLibApi.h"

// Standard Base64 (RFC 4648 alphabet "A-Za-z0-9+/", '=' padding, no line breaks) and the keyed form
// that the client and the maker's servers share.
//
// Keyed form, exactly: XOR every input byte i with key[i % key.size()] (xor_buffer), then encode the
// result with standard Base64. Decoding reverses it: standard Base64 decode, then the same XOR.
// An empty key means no XOR. A server reproduces it in Python as
//     base64.b64encode(bytes(b ^ key[i % len(key)] for i, b in enumerate(data)))
//     bytes(b ^ key[i % len(key)] for i, b in enumerate(base64.b64decode(text)))
// with key = b"quorlin " (eight characters, the last a space).
//
// Decoding is strict: the text (CR and LF are skipped) must be a multiple of four characters from the
// alphabet, with at most two '=' and only at the end, and the unused bits of the last group must be 0.
// Anything else fails and leaves `out` empty.
//
// Results are the length written to `out`; 0 or less on failure (an empty input gives 0).
// Stateless: safe from any thread.

VXLIB_API int Base64Encode(std::string& out, const void* in, size_t length);
VXLIB_API int Base64Encode(std::string& out, const void* in, size_t length, const std::string& key);
VXLIB_API int Base64Decode(std::string& out, const std::string& in);
VXLIB_API int Base64Decode(std::string& out, const std::string& in, const std::string& key);

// XORs `length` bytes in place with the key repeated over them; an empty key leaves them alone.
VXLIB_API void xor_buffer(void* buffer, size_t length, const std::string& key);
