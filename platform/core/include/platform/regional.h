// The user's regional settings: date and time formats and text comparison.
#pragma once

#include <string>
#include <string_view>

#include "platform/dateutils.h"

// Formats use the platform's picture letters: d dd (day), M MM (month),
// yy yyyy (year), h hh (12-hour), H HH (24-hour), m mm (minutes), s ss
// (seconds), t tt (AM/PM designator); text in single quotes is literal, and so
// is any other character (the separators stand for themselves).
struct TFormatSettings {
    std::string LocaleName;       // e.g. "en_US"; "en_US" for C and POSIX too
    std::string ShortDateFormat;  // always with a four-digit year: "M/d/yyyy"
    std::string LongTimeFormat;   // never with a time-zone name: "h:mm:ss tt"
    std::string TimeAMString;
    std::string TimePMString;
};

// The settings of the user's locale (LC_ALL, else LC_TIME, else LANG; the
// C/POSIX locale means United States settings), read at first use.
const TFormatSettings& FormatSettings();

// Reads the user's settings again (after the system announced a change), and
// takes up the time zone as it is now; the reference FormatSettings gave stays
// valid and shows the new settings.
void RefreshFormatSettings();

// The settings of a named locale such as "de_DE", "en_GB.utf8@euro" or "C";
// empty, C, POSIX and names Qt does not know give United States settings.
TFormatSettings LocaleFormatSettings(std::string_view localeName);

// Short date, then - unless the time is exactly midnight - a space and the
// long time.
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings = FormatSettings());

// Parses what DateTimeToStr produces with the same settings: the fields in the
// order of the pictures, 1-2 digit day, month and time fields, a 1-4 digit
// year, the seconds and the designator optional (the settings' texts or
// AM/PM, in any case), spaces around the text ignored. A year of one or two
// digits is placed in the window from the current year minus 50 to plus 49.
// Raises EConvertError "'TEXT' is not a valid date and time".
TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings = FormatSettings());
bool TryStrToDateTime(std::string_view text, TDateTime& value,
                      const TFormatSettings& settings = FormatSettings());

// Locale-aware, case-sensitive comparison of two UTF-8 texts in the locale of
// FormatSettings(): -1, 0 or 1. Only identical texts compare equal.
int AnsiCompareStr(std::string_view first, std::string_view second);
