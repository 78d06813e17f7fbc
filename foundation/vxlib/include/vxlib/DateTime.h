#pragma once
#include <cstdint>
#include "vxlib/VxLibApi.h"

namespace Time {

// A moment broken down into the local calendar. Copyable value; safe from any thread.
class VXLIB_API DateTime {
public:
    DateTime();                                   // now
    explicit DateTime(int64_t secondsSince1970);  // that moment, in local time

    // The moment of a local calendar time (normalised as mktime does: day 32 is the next month's 1st).
    static DateTime FromLocal(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

    int64_t GetSeconds() const { return m_seconds; }
    int GetYear() const { return m_year; }
    int GetMonth() const { return m_month; }    // 1 to 12
    int GetDay() const { return m_day; }        // 1 to 31
    int GetHour() const { return m_hour; }
    int GetMinute() const { return m_minute; }
    int GetSecond() const { return m_second; }
    int GetDayOfWeek() const { return m_dayOfWeek; }  // 0 Sunday to 6 Saturday
    // Days from 1970-01-01 to this local date: consecutive calendar days differ by exactly 1, also
    // across daylight-saving changes. Serves as the "day number" stored for once-a-day checks.
    int GetDayNumber() const;
    // Calendar days from `earlier` to this date (negative when this one is earlier).
    int DaysSince(const DateTime& earlier) const { return GetDayNumber() - earlier.GetDayNumber(); }

private:
    void Break();

    int64_t m_seconds = 0;
    int m_year = 1970, m_month = 1, m_day = 1, m_hour = 0, m_minute = 0, m_second = 0, m_dayOfWeek = 4;
};

}  // namespace Time
