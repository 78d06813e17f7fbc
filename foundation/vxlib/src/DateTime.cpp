#include "vxlib/DateTime.h"

#include <ctime>

namespace {

// Days from 1970-01-01 to a proleptic Gregorian date (Howard Hinnant's days_from_civil).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

bool ToLocal(int64_t seconds, std::tm& out) {
#if defined(_WIN32)
    __time64_t t = seconds;
    return _localtime64_s(&out, &t) == 0;
#else
    std::time_t t = static_cast<std::time_t>(seconds);
    return localtime_r(&t, &out) != nullptr;
#endif
}

}  // namespace

namespace Time {

DateTime::DateTime() : m_seconds(static_cast<int64_t>(std::time(nullptr))) { Break(); }

DateTime::DateTime(int64_t secondsSince1970) : m_seconds(secondsSince1970) { Break(); }

DateTime DateTime::FromLocal(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm = {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
#if defined(_WIN32)
    __time64_t t = _mktime64(&tm);
#else
    std::time_t t = std::mktime(&tm);
#endif
    return DateTime(static_cast<int64_t>(t));
}

void DateTime::Break() {
    std::tm tm = {};
    if (!ToLocal(m_seconds, tm)) {
        // Out of the C runtime's range (before 1970 on Windows): fall back to UTC.
        int64_t days = m_seconds / 86400;
        int64_t rest = m_seconds % 86400;
        if (rest < 0) {
            rest += 86400;
            --days;
        }
        // civil_from_days
        int64_t z = days + 719468;
        const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
        const unsigned doe = static_cast<unsigned>(z - era * 146097);
        const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const unsigned mp = (5 * doy + 2) / 153;
        const unsigned d = doy - (153 * mp + 2) / 5 + 1;
        const unsigned m = mp < 10 ? mp + 3 : mp - 9;
        tm.tm_year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2)) - 1900;
        tm.tm_mon = static_cast<int>(m) - 1;
        tm.tm_mday = static_cast<int>(d);
        tm.tm_hour = static_cast<int>(rest / 3600);
        tm.tm_min = static_cast<int>(rest / 60 % 60);
        tm.tm_sec = static_cast<int>(rest % 60);
        tm.tm_wday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    }
    m_year = tm.tm_year + 1900;
    m_month = tm.tm_mon + 1;
    m_day = tm.tm_mday;
    m_hour = tm.tm_hour;
    m_minute = tm.tm_min;
    m_second = tm.tm_sec;
    m_dayOfWeek = tm.tm_wday;
}

int DateTime::GetDayNumber() const {
    return static_cast<int>(DaysFromCivil(m_year, static_cast<unsigned>(m_month), static_cast<unsigned>(m_day)));
}

}  // namespace Time
