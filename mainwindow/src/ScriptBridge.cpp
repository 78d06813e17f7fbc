#include "ScriptBridge.h"

#include <cerrno>
#include <cstdlib>

#include "vxlib/StringUtility.h"

namespace scriptBridge {

NotifyCommand ParseNotify(const std::string& gbkText) {
    std::string text = gbkText;
    StringUtility::Str2Lower(text);
    NotifyCommand parsed;
    const size_t question = text.find('?');
    parsed.command = text.substr(0, question);
    if (question == std::string::npos) return parsed;
    std::vector<std::string> pairs;
    StringUtility::TokenizeEx(text.substr(question + 1), "&", pairs);
    for (const std::string& pair : pairs) {
        const size_t equals = pair.find('=');
        parsed.params[pair.substr(0, equals)] = equals == std::string::npos ? std::string() : pair.substr(equals + 1);
    }
    return parsed;
}

bool ParseItemAct(const NotifyCommand& command, ItemAct& act) {
    auto kind = command.params.find("act");
    auto ids = command.params.find("param");
    if (kind == command.params.end() || ids == command.params.end()) return false;
    // The whole text was lower-cased, so "doubleClick" arrives as "doubleclick".
    act.act = kind->second == "select" ? kActSelect
              : kind->second == "doubleclick" ? kActDoubleClick
              : kind->second == "rightclick" ? kActRightClick
                                             : kActOther;
    StringUtility::TokenizeEx(ids->second, "|", act.ids);
    act.extra.clear();
    auto extra = command.params.find("arg");
    if (extra != command.params.end()) {
        std::vector<std::string> values;
        StringUtility::TokenizeEx(extra->second, "|", values);
        for (const std::string& value : values) {
            char* end = nullptr;
            errno = 0;
            const long number = std::strtol(value.c_str(), &end, 10);
            if (errno == 0 && end && *end == '\0' && number >= -2147483647L && number <= 2147483647L)
                act.extra.push_back(static_cast<int>(number));
        }
    }
    return true;
}

std::vector<unsigned> NumericIds(const std::vector<std::string>& ids) {
    std::vector<unsigned> numbers;
    for (const std::string& id : ids) {
        if (id.empty() || id.size() > 10 || id.find_first_not_of("0123456789") != std::string::npos) continue;
        const unsigned long long value = std::strtoull(id.c_str(), nullptr, 10);
        if (value <= 0xFFFFFFFFull) numbers.push_back(static_cast<unsigned>(value));
    }
    return numbers;
}

}  // namespace scriptBridge

void CScriptCallQueue::Navigated() {
    m_ready = false;
    m_calls.clear();
    m_sequence = m_sequence >= kSequenceWrap ? 0 : m_sequence + 1;
}

bool CScriptCallQueue::Add(Call& call) {
    call.stamp = m_sequence;
    if (m_ready) return true;
    m_calls.push_back(call);
    return false;
}

std::vector<CScriptCallQueue::Call> CScriptCallQueue::MarkReady() {
    m_ready = true;
    std::vector<Call> due;
    due.swap(m_calls);
    return due;
}
