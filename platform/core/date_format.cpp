#include <string>

#include "date_picture.h"
#include "platform/regional.h"

namespace {

using picture::Field;

// Appends the value's decimal digits, with leading zeros up to the width.
// Written in place: every row of a list formats two or three times.
void AppendDigits(std::string& text, int value, int width) {
    char digits[12];
    int count = 0;
    unsigned magnitude = static_cast<unsigned>(value);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (count < width)
        text.append(static_cast<std::size_t>(width - count), '0');
    while (count > 0)
        text += digits[--count];
}

void FormatPicture(std::string& text, std::string_view pictureText, const TDateTimeParts& parts,
                   const TFormatSettings& settings) {
    const auto tokens = picture::TokensOf(pictureText);
    for (const picture::Token& token : *tokens) {
        switch (token.field) {
            case Field::Literal:
                text += token.literal;
                break;
            case Field::Day:
                AppendDigits(text, parts.day, token.width);
                break;
            case Field::Month:
                AppendDigits(text, parts.month, token.width);
                break;
            case Field::Year:
                AppendDigits(text, token.width == 2 ? parts.year % 100 : parts.year, token.width);
                break;
            case Field::Hour12:
                AppendDigits(text, parts.hour % 12 == 0 ? 12 : parts.hour % 12, token.width);
                break;
            case Field::Hour24:
                AppendDigits(text, parts.hour, token.width);
                break;
            case Field::Minute:
                AppendDigits(text, parts.minute, token.width);
                break;
            case Field::Second:
                AppendDigits(text, parts.second, token.width);
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
    FormatPicture(text, settings.ShortDateFormat, parts, settings);
    if (parts.hour != 0 || parts.minute != 0 || parts.second != 0) {
        text += ' ';
        FormatPicture(text, settings.LongTimeFormat, parts, settings);
    }
    return text;
}
