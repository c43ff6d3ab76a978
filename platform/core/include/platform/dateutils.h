// The date-time value: days since 30 December 1899, 00:00, the fraction being
// the time of day. Before that day the whole days count down while the
// fraction still counts forward: -1.25 is 29 December 1899, 06:00.
#pragma once

#include "platform/windef.h"

using TDateTime = double;

// Raise EConvertError "Invalid argument to date encode" / "... time encode"
// for fields out of range (years 1 to 9999).
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
bool TryEncodeDate(int year, int month, int day, TDateTime& value);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& value);

// A day from EncodeDate plus a time of day from EncodeTime, for days before
// 30 December 1899 as well.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

struct TDateTimeParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};
// Rounds to the nearest millisecond. Raises EConvertError for values outside
// the years 1 to 9999 (and for NaN).
TDateTimeParts DecodeDateTime(TDateTime value);

// A packed MS-DOS date and time (time in the low half, date in the high half)
// as a date-time value; raises EConvertError for fields out of range.
TDateTime FileDateToDateTime(DWORD fileDate);

// The current year of the local calendar.
int CurrentYear();

// A year written with one or two digits, placed in the hundred years from
// currentYear - 50 to currentYear + 49.
int ExpandTwoDigitYear(int twoDigitYear, int currentYear);
