#include "DurationText.h"

#include "vxlib/StringUtility.h"

std::string DurationText(unsigned long seconds) {
    unsigned long days = seconds / 86400;
    unsigned long hours = seconds / 3600 % 24;
    unsigned long minutes = seconds / 60 % 60;
    unsigned long secs = seconds % 60;
    std::string text;
    if (days > 0) text += StringUtility::Format("%lu天", days);
    if (days + hours > 0) text += StringUtility::Format("%lu小时", hours);
    if (days + hours + minutes > 0) text += StringUtility::Format("%2lu分", minutes);
    text += StringUtility::Format("%2lu秒", secs);
    return text;
}
