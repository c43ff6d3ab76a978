#include <algorithm>
#include <charconv>
#include <iterator>
#include <string>
#include <vector>

#include "DatePicture.h"
#include "platform/regional.h"

namespace {

using picture::Field;
using picture::Token;

void AppendNumber(std::string& text, int value, int width) {
    if (value < 10 && width < 2) {
        text += static_cast<char>('0' + value);
    } else if (value < 100 && width <= 2) {
        text += static_cast<char>('0' + value / 10);
        text += static_cast<char>('0' + value % 10);
    } else {
        // Zeros go before the digits in the buffer, so that the text grows once.
        char digits[16] = {'0', '0', '0', '0'};
        char* const end = std::to_chars(digits + 4, std::end(digits), value).ptr;
        text.append(std::min(digits + 4, end - width), end);
    }
}

void AppendFields(std::string& text, const std::vector<Token>& tokens, const TDateTimeParts& parts,
                  const TFormatSettings& settings) {
    for (const Token& token : tokens) {
        switch (token.field) {
            case Field::Literal:
                text += token.literal;
                break;
            case Field::Day:
                AppendNumber(text, parts.day, token.width);
                break;
            case Field::Month:
                AppendNumber(text, parts.month, token.width);
                break;
            case Field::Year:
                AppendNumber(text, token.width == 4 ? parts.year : parts.year % 100, token.width);
                break;
            case Field::Hour12:
                AppendNumber(text, parts.hour % 12 == 0 ? 12 : parts.hour % 12, token.width);
                break;
            case Field::Hour24:
                AppendNumber(text, parts.hour, token.width);
                break;
            case Field::Minute:
                AppendNumber(text, parts.minute, token.width);
                break;
            case Field::Second:
                AppendNumber(text, parts.second, token.width);
                break;
            case Field::AmPm:
                text += parts.hour < 12 ? settings.TimeAMString : settings.TimePMString;
                break;
        }
    }
}

// A listing formats tens of thousands of times with the same two pictures,
// and reading a picture costs more than writing the fields it names: the
// last one read for each use is kept. The window formats on one thread only.
class ReadPicture {
public:
    const std::vector<Token>& Tokens(const std::string& picture) {
        if (picture != text_) {
            tokens_ = picture::Tokenize(picture);
            text_ = picture;
        }
        return tokens_;
    }

private:
    std::string text_;
    std::vector<Token> tokens_;
};

}  // namespace

std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
    static ReadPicture datePicture;
    static ReadPicture timePicture;
    const TDateTimeParts parts = DecodeDateTime(value);
    std::string text;
    text.reserve(32);  // the usual date and time without growing
    AppendFields(text, datePicture.Tokens(settings.ShortDateFormat), parts, settings);
    if (parts.hour != 0 || parts.minute != 0 || parts.second != 0) {
        text += ' ';
        AppendFields(text, timePicture.Tokens(settings.LongTimeFormat), parts, settings);
    }
    return text;
}
