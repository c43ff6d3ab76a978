// DateTimeToStr against a plain reading of the picture letters, for pictures
// and designators of every kind, and for settings that change between calls.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "platform/regional.h"

namespace {

std::string Digits(int value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return digits;
}

// d dd M MM yy yyyy h hh H HH m mm s ss t tt; runs of three or more letters
// count as two (years: as four); quoted text and any other character as is.
std::string Picture(const std::string& picture, const TDateTimeParts& parts,
                    const TFormatSettings& settings) {
    std::string text;
    std::size_t i = 0;
    while (i < picture.size()) {
        const char letter = picture[i];
        if (letter == '\'') {
            for (++i; i < picture.size(); ++i) {
                if (picture[i] != '\'') {
                    text += picture[i];
                } else if (i + 1 < picture.size() && picture[i + 1] == '\'') {
                    text += '\'';
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
            continue;
        }
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == letter)
            ++run;
        const int width = run == 1 ? 1 : 2;
        const int hour12 = parts.hour % 12 == 0 ? 12 : parts.hour % 12;
        switch (letter) {
            case 'd':
                text += Digits(parts.day, width);
                break;
            case 'M':
                text += Digits(parts.month, width);
                break;
            case 'y':
                text += run <= 2 ? Digits(parts.year % 100, 2) : Digits(parts.year, 4);
                break;
            case 'h':
                text += Digits(hour12, width);
                break;
            case 'H':
                text += Digits(parts.hour, width);
                break;
            case 'm':
                text += Digits(parts.minute, width);
                break;
            case 's':
                text += Digits(parts.second, width);
                break;
            case 't':
                text += parts.hour < 12 ? settings.TimeAMString : settings.TimePMString;
                break;
            default:
                text.append(picture, i, run);
        }
        i += run;
    }
    return text;
}

std::string Expected(TDateTime value, const TFormatSettings& settings) {
    const TDateTimeParts parts = DecodeDateTime(value);
    std::string text = Picture(settings.ShortDateFormat, parts, settings);
    if (parts.hour != 0 || parts.minute != 0 || parts.second != 0) {
        // Appended piecewise: GCC 12 at -O3 warns falsely about " " + string.
        text += ' ';
        text += Picture(settings.LongTimeFormat, parts, settings);
    }
    return text;
}

const std::vector<TDateTime>& Values() {
    static const std::vector<TDateTime> values = [] {
        std::vector<TDateTime> all = {0,           -1.25,       0.5,      46024.6293,
                                      29221,       -693593,     2958465,  2958465.99999999,
                                      2958465.999, -693593.999, 12.0 / 24};
        std::mt19937_64 random(7);
        std::uniform_real_distribution<double> anyDay(-693593, 2958465);
        for (int i = 0; i < 40; ++i)
            all.push_back(anyDay(random));
        return all;
    }();
    return values;
}

TEST(DateTimeToStr, WritesWhatThePictureLettersSay) {
    const std::vector<std::string> pieces = {"d",
                                             "dd",
                                             "ddd",
                                             "M",
                                             "MM",
                                             "MMMM",
                                             "y",
                                             "yy",
                                             "yyy",
                                             "yyyy",
                                             "yyyyy",
                                             "h",
                                             "hh",
                                             "hhh",
                                             "H",
                                             "HH",
                                             "m",
                                             "mm",
                                             "s",
                                             "ss",
                                             "t",
                                             "tt",
                                             "'",
                                             "''",
                                             "'d'",
                                             "/",
                                             ":",
                                             ".",
                                             " ",
                                             "年",
                                             "時",
                                             "x",
                                             "Z",
                                             "'unterminated",
                                             "'literal text longer than one move'"};
    const std::vector<std::string> designators = {
        "", "A", "AM", "a.m.", "午前", "vorm.", "ante meridiem in full"};
    std::mt19937_64 random(11);
    const auto pick = [&](const std::vector<std::string>& from) {
        return from[random() % from.size()];
    };
    TFormatSettings settings = LocaleFormatSettings("C");
    for (int round = 0; round < 400; ++round) {
        settings.ShortDateFormat.clear();
        settings.LongTimeFormat.clear();
        for (std::size_t i = random() % 7; i > 0; --i)
            settings.ShortDateFormat += pick(pieces);
        for (std::size_t i = random() % 7; i > 0; --i)
            settings.LongTimeFormat += pick(pieces);
        settings.TimeAMString = pick(designators);
        settings.TimePMString = pick(designators);
        for (TDateTime value : Values()) {
            ASSERT_EQ(DateTimeToStr(value, settings), Expected(value, settings))
                << settings.ShortDateFormat << " | " << settings.LongTimeFormat << " @ " << value;
        }
    }
}

TEST(DateTimeToStr, WritesLongPicturesAndDesignatorsWhole) {
    TFormatSettings settings = LocaleFormatSettings("C");
    settings.ShortDateFormat = "'" + std::string(300, 'x') + "' d/M/yyyy " + std::string(40, '-');
    settings.LongTimeFormat = "tt H:mm:ss tt tt";
    settings.TimeAMString = std::string(100, 'a');
    settings.TimePMString = std::string(90, 'p');
    for (TDateTime value : Values())
        EXPECT_EQ(DateTimeToStr(value, settings), Expected(value, settings));
}

TEST(DateTimeToStr, FollowsSettingsChangedBetweenCalls) {
    const TDateTime value = 46024.6293;  // 2 January 2026, 15:06:11
    TFormatSettings settings = LocaleFormatSettings("C");
    EXPECT_EQ(DateTimeToStr(value, settings), "1/2/2026 3:06:11 PM");
    settings.TimePMString = "pm";
    EXPECT_EQ(DateTimeToStr(value, settings), "1/2/2026 3:06:11 pm");
    settings.ShortDateFormat = "d.M.yyyy";  // as long as before
    EXPECT_EQ(DateTimeToStr(value, settings), "2.1.2026 3:06:11 pm");
    settings.LongTimeFormat = "HH:mm";
    EXPECT_EQ(DateTimeToStr(value, settings), "2.1.2026 15:06");
    EXPECT_EQ(DateTimeToStr(value, LocaleFormatSettings("de_DE")), "02.01.2026 15:06:11");
    EXPECT_EQ(DateTimeToStr(value, settings), "2.1.2026 15:06");
}

TEST(DateTimeToStr, ShowsTheYear10000ThatRoundingTheLastMillisecondGives) {
    const TDateTime last = std::nextafter(2958466.0, 0.0);  // 31 December 9999, 23:59:59.99996
    EXPECT_EQ(DateTimeToStr(last, LocaleFormatSettings("C")), "1/1/10000");
}

}  // namespace
