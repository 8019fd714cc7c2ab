#include "foundation/DateUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "foundation/SysUtils.h"

namespace velt {

namespace {

// Day numbers of 0001-01-01 and 9999-12-31.
constexpr double kMinDay = -693593;
constexpr double kMaxDay = 2958465;
constexpr int64_t kMsPerDay = 86400000;

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static const int d[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : d[m - 1];
}

// Days from 0001-01-01 (day 0) on the proleptic Gregorian calendar.
int64_t DaysFromYearOne(int y, int m, int d) {
    int64_t py = y - 1;
    int64_t days = py * 365 + py / 4 - py / 100 + py / 400;
    for (int i = 1; i < m; ++i) days += DaysInMonth(y, i);
    return days + d - 1;
}

[[noreturn]] void InvalidDate() { throw EConvertError("Invalid date"); }

// Whole days and milliseconds of the day; the time counts forward from
// midnight whatever the sign of the date.
void Split(TDateTime dt, int64_t& day, int64_t& ms) {
    if (!std::isfinite(dt) || dt < kMinDay || dt >= kMaxDay + 1) InvalidDate();
    double whole = std::trunc(dt);
    day = int64_t(whole);
    ms = int64_t(std::llround(std::fabs(dt - whole) * double(kMsPerDay)));
    if (ms >= kMsPerDay) ms = kMsPerDay - 1;
}

}  // namespace

TDateTime EncodeDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        InvalidDate();
    return double(DaysFromYearOne(year, month, day) + int64_t(kMinDay));
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
        throw EConvertError("Invalid time");
    return double(((hour * 60 + minute) * 60 + second) * 1000 + msec) / double(kMsPerDay);
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day) {
    int64_t d, ms;
    Split(dt, d, ms);
    int64_t n = d - int64_t(kMinDay);  // days since 0001-01-01
    // 400-year cycles of 146097 days, then centuries, 4-year cycles, years.
    int64_t y400 = n / 146097;
    n %= 146097;
    int64_t y100 = std::min<int64_t>(n / 36524, 3);
    n -= y100 * 36524;
    int64_t y4 = n / 1461;
    n %= 1461;
    int64_t y1 = std::min<int64_t>(n / 365, 3);
    n -= y1 * 365;
    year = int(y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1);
    month = 1;
    while (n >= DaysInMonth(year, month)) {
        n -= DaysInMonth(year, month);
        ++month;
    }
    day = int(n + 1);
}

void DecodeTime(TDateTime dt, int& hour, int& minute, int& second, int& msec) {
    int64_t d, ms;
    Split(dt, d, ms);
    msec = int(ms % 1000);
    ms /= 1000;
    second = int(ms % 60);
    ms /= 60;
    minute = int(ms % 60);
    hour = int(ms / 60);
}

std::string DateToStr(TDateTime dt) {
    int y, m, d;
    DecodeDate(dt, y, m, d);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
}

std::string TimeToStr(TDateTime dt) {
    int h, n, s, ms;
    DecodeTime(dt, h, n, s, ms);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, n, s);
    return buf;
}

std::string DateTimeToStr(TDateTime dt) {
    int64_t d, ms;
    Split(dt, d, ms);
    std::string s = DateToStr(dt);
    if (ms != 0) s += " " + TimeToStr(dt);
    return s;
}

}  // namespace velt
