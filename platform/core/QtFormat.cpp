#include "QtFormat.h"

#include <algorithm>
#include <vector>

#include "DatePicture.h"

namespace {

using picture::Field;
using picture::Token;

// Qt tokens that have no picture letter; removed once converted.
enum class Drop { None, Zone, Weekday, Milliseconds };

struct QtToken {
    Token token;
    Drop drop = Drop::None;
};

bool IsQtFieldLetter(char c) {
    return c == 'd' || c == 'M' || c == 'y' || c == 'h' || c == 'H' || c == 'm' || c == 's' ||
           c == 'z' || c == 't' || c == 'a' || c == 'A';
}

void AppendLiteral(std::vector<QtToken>& tokens, std::string_view text) {
    if (tokens.empty() || tokens.back().token.field != Field::Literal ||
        tokens.back().drop != Drop::None)
        tokens.push_back(QtToken{});
    tokens.back().token.literal += text;
}

std::vector<QtToken> TokenizeQt(std::string_view format) {
    std::vector<QtToken> tokens;
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c == '\'') {
            if (i + 1 < format.size() && format[i + 1] == '\'') {  // '' outside quotes
                AppendLiteral(tokens, "'");
                i += 2;
                continue;
            }
            AppendLiteral(tokens, "");
            picture::ReadQuoted(format, i, tokens.back().token.literal);
            continue;
        }
        if (!IsQtFieldLetter(c)) {
            AppendLiteral(tokens, format.substr(i, 1));
            ++i;
            continue;
        }
        std::size_t run = 1;
        if ((c == 'a' || c == 'A') && i + 1 < format.size() &&
            (format[i + 1] == 'p' || format[i + 1] == 'P'))
            run = 2;  // AP / ap
        else
            while (i + run < format.size() && format[i + run] == c)
                ++run;
        i += run;

        const int width = run == 1 ? 1 : 2;
        QtToken t;
        switch (c) {
            case 'd':
                t.token = Token{Field::Day, width, {}};
                if (run > 2)
                    t.drop = Drop::Weekday;
                break;
            case 'M':
                t.token = Token{Field::Month, width, {}};
                break;
            case 'y':
                t.token = Token{Field::Year, 4, {}};
                break;
            case 'h':
                t.token = Token{Field::Hour12, width, {}};
                break;
            case 'H':
                t.token = Token{Field::Hour24, width, {}};
                break;
            case 'm':
                t.token = Token{Field::Minute, width, {}};
                break;
            case 's':
                t.token = Token{Field::Second, width, {}};
                break;
            case 'z':
                t.drop = Drop::Milliseconds;
                break;
            case 't':
                t.drop = Drop::Zone;
                break;
            default:
                t.token = Token{Field::AmPm, 2, {}};
                break;
        }
        tokens.push_back(t);
    }
    // Qt's "h" counts to 12 only when the format shows a designator.
    const bool hasDesignator = std::any_of(tokens.begin(), tokens.end(), [](const QtToken& t) {
        return t.drop == Drop::None && t.token.field == Field::AmPm;
    });
    if (!hasDesignator)
        for (QtToken& t : tokens)
            if (t.token.field == Field::Hour12)
                t.token.field = Field::Hour24;
    return tokens;
}

std::string* LiteralAt(std::vector<QtToken>& tokens, std::size_t index) {
    if (index >= tokens.size())
        return nullptr;
    QtToken& t = tokens[index];
    return t.token.field == Field::Literal && t.drop == Drop::None ? &t.token.literal : nullptr;
}

void TrimTrailingSpaces(std::string& text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
}

void TrimLeadingSpaces(std::string& text) {
    text.erase(0, text.find_first_not_of(' '));
}

bool AnyContent(const std::vector<QtToken>& tokens, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        const QtToken& t = tokens[i];
        if (t.drop != Drop::None)
            continue;
        if (t.token.field != Field::Literal || !t.token.literal.empty())
            return true;
    }
    return false;
}

// "HH:mm:ss t", "t HH:mm:ss", "H:mm:ss (t)" and "h:mm [t]" all lose the zone
// together with the spaces and brackets around it.
void DropZone(std::vector<QtToken>& tokens, std::size_t index) {
    std::string* before = index > 0 ? LiteralAt(tokens, index - 1) : nullptr;
    std::string* after = LiteralAt(tokens, index + 1);
    const bool spaceBefore = before && !before->empty() && before->back() == ' ';
    const bool spaceAfter = after && !after->empty() && after->front() == ' ';
    if (before)
        TrimTrailingSpaces(*before);
    if (after)
        TrimLeadingSpaces(*after);
    if (before && after && !before->empty() && !after->empty() &&
        ((before->back() == '(' && after->front() == ')') ||
         (before->back() == '[' && after->front() == ']'))) {
        before->pop_back();
        after->erase(0, 1);
        TrimTrailingSpaces(*before);
        TrimLeadingSpaces(*after);
    }
    if (before && spaceBefore && spaceAfter && AnyContent(tokens, 0, index) &&
        AnyContent(tokens, index + 1, tokens.size()))
        *before += ' ';
}

// "dddd, d.M." loses the weekday and what follows it up to the next field.
void DropWeekday(std::vector<QtToken>& tokens, std::size_t index) {
    if (std::string* after = LiteralAt(tokens, index + 1))
        after->clear();
}

// "HH:mm:ss.zzz" loses the separator before the milliseconds as well.
void DropMilliseconds(std::vector<QtToken>& tokens, std::size_t index) {
    std::string* before = index > 0 ? LiteralAt(tokens, index - 1) : nullptr;
    if (before && !before->empty() && before->back() != ' ')
        before->pop_back();
}

}  // namespace

std::string PictureFromQtFormat(std::string_view qtFormat) {
    std::vector<QtToken> tokens = TokenizeQt(qtFormat);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        switch (tokens[i].drop) {
            case Drop::Zone:
                DropZone(tokens, i);
                break;
            case Drop::Weekday:
                DropWeekday(tokens, i);
                break;
            case Drop::Milliseconds:
                DropMilliseconds(tokens, i);
                break;
            case Drop::None:
                break;
        }
    }
    std::vector<Token> kept;
    for (const QtToken& t : tokens) {
        if (t.drop != Drop::None)
            continue;
        if (t.token.field == Field::Literal) {
            if (t.token.literal.empty())
                continue;
            if (!kept.empty() && kept.back().field == Field::Literal) {
                kept.back().literal += t.token.literal;
                continue;
            }
        }
        kept.push_back(t.token);
    }
    return picture::Compose(kept);
}
