// The picture letters of date and time formats, split into fields and
// literal text; shared by formatting, parsing and the locale conversion.
#pragma once

#include <memory>
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

// Unknown letters and unterminated quotes are taken as literal text.
std::vector<Token> Tokenize(std::string_view picture);

// Tokenize's result for the picture, kept for the few pictures this thread
// used last: every row of a list is formatted, and every comparison of a
// sort parses, with the same pictures of the user's settings.
std::shared_ptr<const std::vector<Token>> TokensOf(std::string_view picture);

// The picture text for tokens, quoting literal text that holds letters.
std::string Compose(const std::vector<Token>& tokens);

bool IsNumeric(Field field);

// The text of a quoted literal whose opening quote is at text[i]; "''" inside
// stands for one quote. Leaves i after the closing quote (or at the end).
std::string ReadQuoted(std::string_view text, std::size_t& i);

}  // namespace picture
