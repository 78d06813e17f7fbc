#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "datadef/DataDefTypes.h"

// One message of the down-state pipe as the player writes it: "type|field|...", then a NUL.
//   start|mission|sign1|sign2|size|local path      progress|mission|sign1|sign2|percent|bytes/s
//   finish|mission|sign1|sign2                      failed|mission|sign1|sign2
//   toomany                                         stop
// Fields are split at "|" with empty ones dropped; numbers are read as ParseDownNumber does.
struct DownStateMessage {
    enum Kind { kEmpty, kStart, kProgress, kFinish, kFailed, kTooMany, kStop, kUnknown };

    Kind kind = kEmpty;
    // False for a start, progress, finish or failed with fewer fields than FieldsNeeded; the
    // numbers below are then not read.
    bool complete = false;
    std::vector<std::string> fields;
    int mission = 0;
    Sign sign;
    int size = 0;     // start
    std::string localPath;
    int percent = 0;  // progress
    int speed = 0;

    static size_t FieldsNeeded(Kind kind);
};

// The text of one pipe read: the last byte, the player's terminating NUL, is not part of it.
std::string DownStateText(const char* data, size_t length);

DownStateMessage ParseDownState(const std::string& text);
