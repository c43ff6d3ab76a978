// Texts that stay on one line and reach a terminal as text: what a store or a
// profile's name holds, in listings and in error lines.
#pragma once

#include <string>
#include <string_view>

// `text` with the control characters (C0, DEL, and C1 as UTF-8) as C escapes
// ("\n", "\x1b"), so that each entry keeps to one line, which still tells
// every byte. The backslash becomes "\\" too unless `backslash` is false,
// which leaves a text escaped before as it is.
std::string Escaped(std::string_view text, bool backslash = true);

// What Escaped gave, back as it was: "\\", "\n", "\r", "\t" and "\xNN" undone,
// any other backslash kept.
std::string Unescaped(std::string_view text);
