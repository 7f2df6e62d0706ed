// SPDX-License-Identifier: MIT
// Date-time values as the calibration record is reported: days since 1899-12-30, with the
// time of day as the fraction, in the proleptic Gregorian calendar.
//
// For days before 1899-12-30 the fraction counts the other way (-1.25 is 1899-12-29 06:00),
// so that the whole part, cut towards zero, is always the day.
#pragma once

namespace zarvo {

struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

// Year 1..9999, month 1..12 and a day that exists in that month.
bool IsValidCalendarDate(int year, int month, int day);

// The date-time value of a valid date and a time of day (hour 0..23, minute 0..59). Invalid
// input gives 1980-01-01 00:00, the value the record reports for a date it cannot hold.
double EncodeCalendarDateTime(int year, int month, int day, int hour, int minute);

// The calendar date of a date-time value; false (and `out` untouched) when the value is not
// finite or lies outside the years 1..9999.
bool SplitCalendarDate(double value, CalendarDate& out);

}  // namespace zarvo
