#pragma once
#include <string>

// "1小时 1分 1秒"-style text of a number of seconds: days, hours and minutes only when they or a
// larger unit are non-zero; minutes and seconds padded to two places with a space.
std::string DurationText(unsigned long seconds);
