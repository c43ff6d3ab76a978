// The picture letters of date and time formats, read as fields and literal
// text; shared by formatting, parsing and the conversion of Qt's formats.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace picture {

enum class Field { Literal, Day, Month, Year, Hour12, Hour24, Minute, Second, AmPm };

struct Token {
    Field field = Field::Literal;
    int width = 0;        // digits shown: 1 or 2 (year: 2 or 4)
    std::string literal;  // Field::Literal only
};

// All tokens, literal text that follows literal text joined to it.
std::vector<Token> Tokenize(std::string_view picture);

// The picture text for tokens, quoting literal text that holds letters.
std::string Compose(const std::vector<Token>& tokens);

// Appends the text of a quoted literal whose opening quote is at text[i];
// "''" inside stands for one quote. Leaves i after the closing quote (or at
// the end).
void ReadQuoted(std::string_view text, std::size_t& i, std::string& literal);

}  // namespace picture
