// The text a cell of a list or grid shows for the bytes it holds.
#pragma once

#include <QString>

#include <string_view>

// The bytes decoded as UTF-8 (the system code page), but no more than their
// first 2,048 characters: more than any column can show, while a text of
// megabytes would be decoded and laid out again on every paint. Never ends
// inside a character. The whole text stays where it is kept.
QString ShownText(std::string_view bytes);
