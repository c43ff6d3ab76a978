// The texts a floor shows for the values its scan read, made as cheaply as
// those values allow: the least any program showing them must do.
#pragma once

#include <QString>

#include <cstdint>
#include <string_view>

// A time stamp (universal FILETIME ticks) as the window shows it with the
// United States settings the benchmark runs with: the local time of day in
// "M/d/yyyy h:mm:ss tt", in the two-second steps of a DOS time, the time left
// out at midnight; `outside` for an instant outside the DOS years.
QString DateText(std::uint64_t fileTime, std::string_view outside);

// A DateTimeToStr of 0, which the history page shows for an instant outside
// the DOS years.
inline constexpr std::string_view kHistoryOutside = "12/30/1899";

// The caption of a cookie row: its address after the "@", without a
// trailing "/". Short ASCII addresses only, which is what the seed makes.
QString CaptionText(std::string_view address);
