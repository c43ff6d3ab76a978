// Qt's date and time format letters turned into this layer's pictures.
#pragma once

#include <string>
#include <string_view>

// Qt date or time format (UTF-8) as a picture: the year always four digits,
// no time-zone name, AP/ap/A/a as tt, Qt's "h" without a designator as H,
// month names as numbers, no weekday and no milliseconds.
std::string PictureFromQtFormat(std::string_view qtFormat);
