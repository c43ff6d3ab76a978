#include <algorithm>
#include <charconv>
#include <iterator>
#include <string>

#include "date_picture.h"
#include "platform/regional.h"

namespace {

using picture::Field;

// Zeros go before the digits in the buffer, so that the text grows once.
void AppendNumber(std::string& text, int value, int width) {
    char digits[16] = {'0', '0', '0', '0'};
    char* const end = std::to_chars(digits + 4, std::end(digits), value).ptr;
    text.append(std::min(digits + 4, end - width), end);
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
    text.reserve(32);  // the usual date and time without growing
    AppendPicture(text, settings.ShortDateFormat, parts, settings);
    if (parts.hour != 0 || parts.minute != 0 || parts.second != 0) {
        text += ' ';
        AppendPicture(text, settings.LongTimeFormat, parts, settings);
    }
    return text;
}
