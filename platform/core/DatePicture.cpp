#include "DatePicture.h"

#include <algorithm>

namespace picture {

namespace {

constexpr std::string_view kLetters = "dMyhHmst";
constexpr Field kFields[] = {Field::Day,    Field::Month,  Field::Year,   Field::Hour12,
                             Field::Hour24, Field::Minute, Field::Second, Field::AmPm};

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

Field Next(std::string_view picture, std::size_t& pos, int& width, std::string& literal) {
    const char c = picture[pos];
    const std::size_t letter = kLetters.find(c);
    if (letter == std::string_view::npos) {
        if (c == '\'')
            ReadQuoted(picture, pos, literal);
        else
            literal += picture[pos++];
        return Field::Literal;
    }
    const std::size_t start = pos;
    while (pos < picture.size() && picture[pos] == c)
        ++pos;
    const std::size_t run = pos - start;
    const Field field = kFields[letter];
    width = field == Field::Year ? (run <= 2 ? 2 : 4) : (run == 1 ? 1 : 2);
    return field;
}

}  // namespace

void ReadQuoted(std::string_view text, std::size_t& i, std::string& literal) {
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
}

std::vector<Token> Tokenize(std::string_view picture) {
    std::vector<Token> tokens;
    for (std::size_t pos = 0; pos < picture.size();) {
        // Literal text that follows literal text goes straight onto it.
        const bool afterLiteral = !tokens.empty() && tokens.back().field == Field::Literal;
        Token token;
        token.field =
            Next(picture, pos, token.width, afterLiteral ? tokens.back().literal : token.literal);
        if (token.field != Field::Literal || !afterLiteral)
            tokens.push_back(std::move(token));
    }
    return tokens;
}

std::string Compose(const std::vector<Token>& tokens) {
    std::string text;
    for (const Token& token : tokens) {
        if (token.field != Field::Literal) {
            const char letter = kLetters[static_cast<std::size_t>(
                std::find(std::begin(kFields), std::end(kFields), token.field) -
                std::begin(kFields))];
            text.append(token.field == Field::AmPm ? 2 : token.width, letter);
            continue;
        }
        const bool quote = std::any_of(token.literal.begin(), token.literal.end(),
                                       [](char c) { return IsAsciiLetter(c) || c == '\''; });
        if (!quote) {
            text += token.literal;
            continue;
        }
        text += '\'';
        for (char c : token.literal)
            text += c == '\'' ? std::string("''") : std::string(1, c);
        text += '\'';
    }
    return text;
}

}  // namespace picture
