#include "SearchText.h"

#include "vxlib/StringUtility.h"

namespace searchtext {

namespace {

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// A count the server sends as text; "0" and blanks count as none.
bool HasCount(std::string text) {
    StringUtility::Trim(text);
    return !text.empty() && text.find_first_not_of('0') != std::string::npos;
}

}  // namespace

std::string FieldKey(const std::string& fieldText) {
    size_t end = 0;
    for (size_t chars = 0; end < fieldText.size() && chars < kMaxKeyChars; ++chars) {
        const bool pair = IsLeadByte(static_cast<unsigned char>(fieldText[end])) && end + 1 < fieldText.size();
        end += pair ? 2 : 1;
    }
    std::string key = fieldText.substr(0, end);
    StringUtility::Trim(key);
    return key == kCue ? std::string() : key;
}

SearchParam BuildSearch(int kind, const std::string& key) {
    SearchParam param;
    param.nType = key.empty() ? kSearchRandom : kind;
    param.strKey = key;
    param.strKey2 = kPlaySourcePrefix + key;
    return param;
}

std::string TipCountText(const TipWord& word) {
    if (HasCount(word.strSNum)) return "约" + word.strSNum + "首";
    if (HasCount(word.strRNum)) return word.strRNum + "个结果";
    return std::string();
}

std::string FeedbackAddress(const std::string& server, const std::string& version) {
    return server + kFeedbackPath + version;
}

}  // namespace searchtext
