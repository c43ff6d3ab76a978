#include "date_picture.h"

#include <algorithm>
#include <utility>

namespace picture {

namespace {

void AppendLiteral(std::vector<Token>& tokens, std::string_view text) {
    if (tokens.empty() || tokens.back().field != Field::Literal)
        tokens.push_back(Token{});
    tokens.back().literal += text;
}

Field FieldOfLetter(char letter) {
    switch (letter) {
        case 'd':
            return Field::Day;
        case 'M':
            return Field::Month;
        case 'y':
            return Field::Year;
        case 'h':
            return Field::Hour12;
        case 'H':
            return Field::Hour24;
        case 'm':
            return Field::Minute;
        case 's':
            return Field::Second;
        case 't':
            return Field::AmPm;
        default:
            return Field::Literal;
    }
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

std::string ReadQuoted(std::string_view text, std::size_t& i) {
    std::string literal;
    ++i;
    while (i < text.size()) {
        if (text[i] != '\'') {
            literal += text[i++];
        } else if (i + 1 < text.size() && text[i + 1] == '\'') {
            literal += '\'';
            i += 2;
        } else {
            ++i;
            break;
        }
    }
    return literal;
}

bool IsNumeric(Field field) {
    return field != Field::Literal && field != Field::AmPm;
}

std::vector<Token> Tokenize(std::string_view picture) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < picture.size()) {
        const char c = picture[i];
        if (c == '\'') {
            AppendLiteral(tokens, ReadQuoted(picture, i));
            continue;
        }
        const Field field = FieldOfLetter(c);
        if (field == Field::Literal) {
            AppendLiteral(tokens, picture.substr(i, 1));
            ++i;
            continue;
        }
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c)
            ++run;
        i += run;
        const int width = field == Field::Year ? (run <= 2 ? 2 : 4) : (run == 1 ? 1 : 2);
        tokens.push_back(Token{field, width, {}});
    }
    return tokens;
}

std::shared_ptr<const std::vector<Token>> TokensOf(std::string_view picture) {
    // A handful of pictures at a time: the short date, the long time, and
    // those of another locale while a caller works with it.
    constexpr std::size_t kKept = 8;
    using Kept = std::pair<std::string, std::shared_ptr<const std::vector<Token>>>;
    thread_local std::vector<Kept> kept;
    for (const Kept& entry : kept) {
        if (entry.first == picture)
            return entry.second;
    }
    if (kept.size() == kKept)
        kept.clear();
    kept.emplace_back(std::string(picture),
                      std::make_shared<const std::vector<Token>>(Tokenize(picture)));
    return kept.back().second;
}

std::string Compose(const std::vector<Token>& tokens) {
    std::string text;
    for (const Token& token : tokens) {
        switch (token.field) {
            case Field::Literal: {
                const bool quote =
                    std::any_of(token.literal.begin(), token.literal.end(),
                                [](char c) { return IsAsciiLetter(c) || c == '\''; });
                if (!quote) {
                    text += token.literal;
                    break;
                }
                text += '\'';
                for (char c : token.literal)
                    text += c == '\'' ? std::string("''") : std::string(1, c);
                text += '\'';
                break;
            }
            case Field::Day:
                text.append(token.width, 'd');
                break;
            case Field::Month:
                text.append(token.width, 'M');
                break;
            case Field::Year:
                text.append(token.width, 'y');
                break;
            case Field::Hour12:
                text.append(token.width, 'h');
                break;
            case Field::Hour24:
                text.append(token.width, 'H');
                break;
            case Field::Minute:
                text.append(token.width, 'm');
                break;
            case Field::Second:
                text.append(token.width, 's');
                break;
            case Field::AmPm:
                text += "tt";
                break;
        }
    }
    return text;
}

}  // namespace picture
