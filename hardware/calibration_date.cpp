// SPDX-License-Identifier: MIT
#include "hardware/calibration_date.h"

#include <cmath>
#include <cstdint>

namespace zarvo {

namespace {

constexpr int kFallbackYear = 1980;
constexpr double kMinutesPerDay = 24.0 * 60.0;

bool IsLeapYear(std::int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && IsLeapYear(year)) return 29;
    return kDays[month - 1];
}

// Days from 1970-01-01 to the given proleptic Gregorian date (negative before it). Counts in
// 400-year eras of 146097 days, with years starting in March so that the leap day is last.
constexpr std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

// 1899-12-30, day 0 of the date-time values.
constexpr std::int64_t kEpochDays = DaysFromCivil(1899, 12, 30);

}  // namespace

bool IsValidCalendarDate(int year, int month, int day) {
    if (year < 1 || year > 9999) return false;
    if (month < 1 || month > 12) return false;
    return day >= 1 && day <= DaysInMonth(year, month);
}

double EncodeCalendarDateTime(int year, int month, int day, int hour, int minute) {
    const bool valid = IsValidCalendarDate(year, month, day) && hour >= 0 && hour < 24 &&
                       minute >= 0 && minute < 60;
    if (!valid) return EncodeCalendarDateTime(kFallbackYear, 1, 1, 0, 0);
    const auto days = static_cast<double>(DaysFromCivil(year, month, day) - kEpochDays);
    const double time = (hour * 60.0 + minute) / kMinutesPerDay;
    return days < 0 ? days - time : days + time;
}

bool SplitCalendarDate(double value, CalendarDate& out) {
    if (!std::isfinite(value)) return false;
    const double whole = std::trunc(value);
    // Beyond the years 1..9999 in either direction (about 2.9 million days either way): the
    // range check also keeps the conversion below inside the integer's range.
    constexpr double kLimitDays = 3.0e6;
    if (whole < -kLimitDays || whole > kLimitDays) return false;
    std::int64_t year = 0;
    int month = 0;
    int day = 0;
    CivilFromDays(static_cast<std::int64_t>(whole) + kEpochDays, year, month, day);
    if (year < 1 || year > 9999) return false;
    out.year = static_cast<int>(year);
    out.month = month;
    out.day = day;
    return true;
}

}  // namespace zarvo
