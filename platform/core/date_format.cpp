#include <charconv>
#include <iterator>
#include <string>

#include "date_picture.h"
#include "platform/regional.h"

namespace {

using picture::Field;

void AppendNumber(std::string& text, int value, int width) {
    char digits[12];
    const std::size_t length = static_cast<std::size_t>(
        std::to_chars(std::begin(digits), std::end(digits), value).ptr - digits);
    if (length < static_cast<std::size_t>(width))
        text.append(static_cast<std::size_t>(width) - length, '0');
    text.append(digits, length);
}

void AppendPicture(std::string& text, std::string_view picture, const TDateTimeParts& parts,
                   const TFormatSettings& settings) {
    for (std::size_t pos = 0; pos < picture.size();) {
        // Literal text goes straight into the result.
        int width = 0;
        switch (picture::Next(picture, pos, width, text)) {
            case Field::Literal:
                break;
            case Field::Day:
                AppendNumber(text, parts.day, width);
                break;
            case Field::Month:
                AppendNumber(text, parts.month, width);
                break;
            case Field::Year:
                AppendNumber(text, width == 4 ? parts.year : parts.year % 100, width);
                break;
            case Field::Hour12:
                AppendNumber(text, parts.hour % 12 == 0 ? 12 : parts.hour % 12, width);
                break;
            case Field::Hour24:
                AppendNumber(text, parts.hour, width);
                break;
            case Field::Minute:
                AppendNumber(text, parts.minute, width);
                break;
            case Field::Second:
                AppendNumber(text, parts.second, width);
                break;
            case Field::AmPm:
                text += parts.hour < 12 ? settings.TimeAMString : settings.TimePMString;
                break;
        }
    }
}

}  // namespace

std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
    const TDateTimeParts parts = DecodeDateTime(value);
    std::string text;
    AppendPicture(text, settings.ShortDateFormat, parts, settings);
    if (parts.hour != 0 || parts.minute != 0 || parts.second != 0) {
        text += ' ';
        AppendPicture(text, settings.LongTimeFormat, parts, settings);
    }
    return text;
}
