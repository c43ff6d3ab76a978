#include <algorithm>
#include <string>
#include <vector>

#include "DatePicture.h"
#include "platform/regional.h"
#include "platform/sysutils.h"

namespace {

using picture::Field;
using picture::Token;

enum class Designator { None, AM, PM };

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
               return lower(x) == lower(y);
           });
}

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    bool AtEnd() const { return pos_ == text_.size(); }

    std::size_t SkipSpaces() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] == ' ')
            ++pos_;
        return pos_ - start;
    }

    // A space in the picture stands for any number of spaces, none included.
    bool Literal(std::string_view literal) {
        for (char c : literal) {
            if (c == ' ') {
                SkipSpaces();
            } else if (pos_ < text_.size() && text_[pos_] == c) {
                ++pos_;
            } else {
                return false;
            }
        }
        return true;
    }

    bool Number(int maxDigits, int& value, int* digits = nullptr) {
        int count = 0;
        value = 0;
        while (count < maxDigits && pos_ < text_.size() && text_[pos_] >= '0' &&
               text_[pos_] <= '9') {
            value = value * 10 + (text_[pos_++] - '0');
            ++count;
        }
        if (digits)
            *digits = count;
        return count > 0;
    }

    // The settings' own texts or plain AM/PM, in any case; the longest wins.
    Designator ReadDesignator(const TFormatSettings& settings) {
        const std::pair<std::string_view, Designator> candidates[] = {
            {settings.TimeAMString, Designator::AM},
            {settings.TimePMString, Designator::PM},
            {"AM", Designator::AM},
            {"PM", Designator::PM}};
        std::size_t bestLength = 0;
        Designator best = Designator::None;
        for (const auto& [text, designator] : candidates) {
            if (text.empty() || text.size() <= bestLength)
                continue;
            if (EqualsIgnoringAsciiCase(text_.substr(pos_, text.size()), text)) {
                bestLength = text.size();
                best = designator;
            }
        }
        pos_ += bestLength;
        return best;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

bool ParseDate(Scanner& scanner, const std::string& shortDateFormat, TDateTime& date) {
    int year = -1, month = -1, day = -1, yearDigits = 0;
    for (const Token& token : picture::Tokenize(shortDateFormat)) {
        bool ok = true;
        switch (token.field) {
            case Field::Literal:
                ok = scanner.Literal(token.literal);
                break;
            case Field::Day:
                ok = scanner.Number(2, day);
                break;
            case Field::Month:
                ok = scanner.Number(2, month);
                break;
            case Field::Year:
                ok = scanner.Number(4, year, &yearDigits);
                break;
            default:
                ok = false;
                break;
        }
        if (!ok)
            return false;
    }
    if (year < 0 || month < 0 || day < 0)
        return false;
    if (yearDigits <= 2)
        year = ExpandTwoDigitYear(year, CurrentYear());
    return TryEncodeDate(year, month, day, date);
}

// The picture without its seconds: "h:mm:ss tt" -> "h:mm tt",
// "H時mm分ss秒" -> "H時mm分".
std::vector<Token> WithoutSeconds(std::vector<Token> tokens) {
    const auto second = std::find_if(tokens.begin(), tokens.end(),
                                     [](const Token& t) { return t.field == Field::Second; });
    if (second == tokens.end())
        return tokens;
    const std::size_t index = second - tokens.begin();
    const bool separatorBefore =
        index > 0 && tokens[index - 1].field == Field::Literal &&
        tokens[index - 1].literal.find_first_of(" 0123456789") == std::string::npos &&
        std::all_of(tokens[index - 1].literal.begin(), tokens[index - 1].literal.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (separatorBefore) {
        tokens.erase(tokens.begin() + index - 1, tokens.begin() + index + 1);
        return tokens;
    }
    // A unit after the seconds ("秒") goes with them, up to the next space.
    if (index + 1 < tokens.size() && tokens[index + 1].field == Field::Literal) {
        std::string& unit = tokens[index + 1].literal;
        unit.erase(0, std::min(unit.find(' '), unit.size()));
    }
    tokens.erase(tokens.begin() + index);
    return tokens;
}

bool MatchTime(Scanner scanner, const std::vector<Token>& tokens, const TFormatSettings& settings,
               TDateTime& time) {
    int hour = -1, minute = -1, second = 0;
    Designator designator = Designator::None;
    bool pictureHasDesignator = false;
    for (const Token& token : tokens) {
        bool ok = true;
        switch (token.field) {
            case Field::Literal:
                ok = scanner.Literal(token.literal);
                break;
            case Field::Hour12:
            case Field::Hour24:
                ok = scanner.Number(2, hour);
                break;
            case Field::Minute:
                ok = scanner.Number(2, minute);
                break;
            case Field::Second:
                ok = scanner.Number(2, second);
                break;
            case Field::AmPm:
                pictureHasDesignator = true;
                if (designator == Designator::None)
                    designator = scanner.ReadDesignator(settings);
                break;
            default:
                ok = false;
                break;
        }
        if (!ok)
            return false;
    }
    if (!pictureHasDesignator) {
        scanner.SkipSpaces();
        designator = scanner.ReadDesignator(settings);
    }
    scanner.SkipSpaces();
    if (!scanner.AtEnd() || hour < 0 || minute < 0)
        return false;
    if (designator != Designator::None) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + (designator == Designator::PM ? 12 : 0);
    }
    return TryEncodeTime(hour, minute, second, 0, time);
}

bool ParseTime(const Scanner& scanner, const TFormatSettings& settings, TDateTime& time) {
    std::vector<Token> tokens = picture::Tokenize(settings.LongTimeFormat);
    return MatchTime(scanner, tokens, settings, time) ||
           MatchTime(scanner, WithoutSeconds(std::move(tokens)), settings, time);
}

}  // namespace

bool TryStrToDateTime(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
    Scanner scanner(text);
    scanner.SkipSpaces();
    TDateTime date = 0;
    if (!ParseDate(scanner, settings.ShortDateFormat, date))
        return false;
    const std::size_t gap = scanner.SkipSpaces();
    TDateTime time = 0;
    if (!scanner.AtEnd() && (gap == 0 || !ParseTime(scanner, settings, time)))
        return false;
    value = ComposeDateTime(date, time);
    return true;
}

TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings) {
    TDateTime value = 0;
    if (!TryStrToDateTime(text, value, settings))
        throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
    return value;
}
