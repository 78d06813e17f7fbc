#include "DownStateMessage.h"

#include "DownJobLists.h"
#include "vxlib/StringUtility.h"

size_t DownStateMessage::FieldsNeeded(Kind kind) {
    switch (kind) {
    case kStart:
    case kProgress: return 6;
    case kFinish:
    case kFailed: return 4;
    case kTooMany:
    case kStop:
    case kUnknown: return 1;
    case kEmpty: break;
    }
    return 0;
}

std::string DownStateText(const char* data, size_t length) {
    if (!data || length == 0) return std::string();
    return std::string(data, length - 1);
}

DownStateMessage ParseDownState(const std::string& text) {
    DownStateMessage m;
    StringUtility::TokenizeEx(text, "|", m.fields);
    if (m.fields.empty()) return m;
    const std::string& type = m.fields[0];
    m.kind = type == "start"      ? DownStateMessage::kStart
             : type == "progress" ? DownStateMessage::kProgress
             : type == "finish"   ? DownStateMessage::kFinish
             : type == "failed"   ? DownStateMessage::kFailed
             : type == "toomany"  ? DownStateMessage::kTooMany
             : type == "stop"     ? DownStateMessage::kStop
                                  : DownStateMessage::kUnknown;
    m.complete = m.fields.size() >= DownStateMessage::FieldsNeeded(m.kind);
    if (!m.complete || DownStateMessage::FieldsNeeded(m.kind) < 4) return m;
    m.mission = ParseDownInt(m.fields[1]);
    m.sign = Sign(ParseDownSignWord(m.fields[2]), ParseDownSignWord(m.fields[3]));
    if (m.kind == DownStateMessage::kStart) {
        m.size = ParseDownInt(m.fields[4]);
        m.localPath = m.fields[5];
    } else if (m.kind == DownStateMessage::kProgress) {
        m.percent = ParseDownInt(m.fields[4]);
        m.speed = ParseDownInt(m.fields[5]);
    }
    return m;
}
