#include <string>

#include "date_picture.h"
#include "platform/regional.h"

namespace {

using picture::Field;

std::string Digits(long long value, int width) {
    std::string text = std::to_string(value);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, width - text.size(), '0');
    return text;
}

std::string FormatPicture(std::string_view pictureText, const TDateTimeParts& parts,
                          const TFormatSettings& settings) {
    std::string text;
    for (const picture::Token& token : picture::Tokenize(pictureText)) {
        switch (token.field) {
            case Field::Literal:
                text += token.literal;
                break;
            case Field::Day:
                text += Digits(parts.day, token.width);
                break;
            case Field::Month:
                text += Digits(parts.month, token.width);
                break;
            case Field::Year:
                text += Digits(token.width == 2 ? parts.year % 100 : parts.year, token.width);
                break;
            case Field::Hour12:
                text += Digits(parts.hour % 12 == 0 ? 12 : parts.hour % 12, token.width);
                break;
            case Field::Hour24:
                text += Digits(parts.hour, token.width);
                break;
            case Field::Minute:
                text += Digits(parts.minute, token.width);
                break;
            case Field::Second:
                text += Digits(parts.second, token.width);
                break;
            case Field::AmPm:
                text += parts.hour < 12 ? settings.TimeAMString : settings.TimePMString;
                break;
        }
    }
    return text;
}

}  // namespace

std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
    const TDateTimeParts parts = DecodeDateTime(value);
    std::string text = FormatPicture(settings.ShortDateFormat, parts, settings);
    if (parts.hour != 0 || parts.minute != 0 || parts.second != 0) {
        text += ' ';
        text += FormatPicture(settings.LongTimeFormat, parts, settings);
    }
    return text;
}
