// The search box: the key read from whatever the user typed or pasted, the search it runs, and the
// counts of a suggestion row as the suggestion server sends them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "SearchText.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string key = searchtext::FieldKey(text);
    // At most 99 characters, a double-byte one never split, no blanks around it.
    if (key.size() > 2 * searchtext::kMaxKeyChars || text.find(key) == std::string::npos) abort();
    if (!key.empty() && (IsBlank(key.front()) || IsBlank(key.back()))) abort();
    for (int kind = 0; kind < 9; ++kind) {
        const SearchParam param = searchtext::BuildSearch(kind, key);
        if (param.strKey != key || (key.empty() && param.nType != kSearchRandom)) abort();
    }

    const size_t half = size / 2;
    TipWord word;
    word.strWord = key;
    word.strSNum = text.substr(0, half);
    word.strRNum = text.substr(half);
    searchtext::TipCountText(word);
    return 0;
}
