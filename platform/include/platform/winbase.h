// Time conversion of the platform.
#pragma once

#include "platform/windef.h"

// Universal time to the user's local time, by the system time zone (TZ, else
// /etc/localtime) with that zone's rules, daylight saving included, at the
// instant converted. Fails (FALSE, last error 87) when either time lies
// outside 0 to 2^63 - 1; the result is then left as it was.
BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime);

// A FILETIME to MS-DOS date and time. Date: bits 0-4 day, 5-8 month, 9-15
// year minus 1980; time: bits 0-4 seconds / 2, 5-10 minutes, 11-15 hours.
// Parts of a second and an odd second are dropped.
// Fails (FALSE, last error 87) outside 1 January 1980 to 31 December 2107.
BOOL FileTimeToDosDateTime(const FILETIME* lpFileTime, LPWORD lpFatDate, LPWORD lpFatTime);
