#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "date_picture.h"
#include "last_file_date.h"
#include "platform/regional.h"

namespace {

using picture::Field;

// The text of a number from 0 to 100, padded to two digits or not.
struct Digits {
    char text[3];
    std::uint8_t length;
};
using DigitTable = std::array<Digits, 101>;

constexpr DigitTable MakeDigitTable(bool padded) {
    DigitTable table{};
    for (int value = 0; value <= 100; ++value) {
        Digits& digits = table[static_cast<std::size_t>(value)];
        int length = 0;
        if (value == 100)
            digits.text[length++] = '1';
        if (value >= 10 || padded)
            digits.text[length++] = static_cast<char>('0' + value / 10 % 10);
        digits.text[length++] = static_cast<char>('0' + value % 10);
        digits.length = static_cast<std::uint8_t>(length);
    }
    return table;
}

constexpr DigitTable kDigits = MakeDigitTable(false);
constexpr DigitTable kTwoDigits = MakeDigitTable(true);

// The values a picture's fields show, by slot. A four-digit year shows as its
// hundreds and the rest, each two digits (the hundreds three for the year
// 10000, which rounding the last millisecond of 9999 up gives).
enum Slot : std::uint8_t {
    kDay,
    kMonth,
    kCentury,
    kYearOfCentury,
    kHour12,
    kHour24,
    kMinute,
    kSecond,
    kSlots
};

constexpr int kTwelveHourClock[24] = {12, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11,
                                      12, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

// One step of writing a picture out: the literal text ahead of a field, then
// the field's digits or the designator (or nothing, for text at the end).
struct Step {
    std::uint32_t offset = 0;  // the text: where in the pool, and how long
    std::uint32_t size = 0;
    const DigitTable* digits = nullptr;  // for a number
    Slot slot = kDay;
    bool designator = false;
};

// Literal text is copied in moves of this many bytes, and digits four at a
// time; the pool and the output leave room for that.
constexpr std::size_t kMove = 16;

// The steps for a field, the text left out.
void AddFieldSteps(const picture::Token& token, std::vector<Step>& steps) {
    Step step;
    step.digits = token.width == 2 ? &kTwoDigits : &kDigits;
    switch (token.field) {
        case Field::Literal:
            return;
        case Field::AmPm:
            step.digits = nullptr;
            step.designator = true;
            break;
        case Field::Year:
            step.digits = &kTwoDigits;
            if (token.width == 4) {
                step.slot = kCentury;
                steps.push_back(step);
            }
            step.slot = kYearOfCentury;
            break;
        case Field::Day:
            step.slot = kDay;
            break;
        case Field::Month:
            step.slot = kMonth;
            break;
        case Field::Hour12:
            step.slot = kHour12;
            break;
        case Field::Hour24:
            step.slot = kHour24;
            break;
        case Field::Minute:
            step.slot = kMinute;
            break;
        case Field::Second:
            step.slot = kSecond;
            break;
    }
    steps.push_back(step);
}

// Copies the text, without a library call for a short one: two overlapping
// moves from each end cover up to twice their width.
inline char* PutText(char* out, std::string_view text) {
    const std::size_t size = text.size();
    const char* from = text.data();
    if (size >= 8 && size <= 16) {
        std::memcpy(out, from, 8);
        std::memcpy(out + size - 8, from + size - 8, 8);
    } else if (size >= 4 && size < 8) {
        std::memcpy(out, from, 4);
        std::memcpy(out + size - 4, from + size - 4, 4);
    } else if (size >= 2 && size < 4) {
        std::memcpy(out, from, 2);
        std::memcpy(out + size - 2, from + size - 2, 2);
    } else {
        std::memcpy(out, from, size);
    }
    return out + size;
}

// Writes the steps out: the pool holds their text, the values their fields'
// values by slot.
inline char* PutSteps(char* out, const Step* step, const Step* end, const char* pool,
                      const int* values, std::string_view designator) {
    for (; step != end; ++step) {
        std::memcpy(out, pool + step->offset, kMove);
        out += step->size;
        if (step->digits) {
            const Digits& digits = (*step->digits)[static_cast<std::size_t>(values[step->slot])];
            std::memcpy(out, &digits, sizeof digits);
            out += digits.length;
        } else if (step->designator) {
            out = PutText(out, designator);
        }
    }
    return out;
}

// a == b, without a library call for the short texts of pictures: two
// overlapping loads from each end cover up to twice their width.
[[gnu::always_inline]] inline bool SameText(const std::string& a, const std::string& b) {
    const std::size_t size = a.size();
    if (size != b.size())
        return false;
    const char* x = a.data();
    const char* y = b.data();
    if (size >= 8 && size <= 16) {
        std::uint64_t x0, x1, y0, y1;
        std::memcpy(&x0, x, 8);
        std::memcpy(&x1, x + size - 8, 8);
        std::memcpy(&y0, y, 8);
        std::memcpy(&y1, y + size - 8, 8);
        return ((x0 ^ y0) | (x1 ^ y1)) == 0;
    }
    if (size >= 4 && size < 8) {
        std::uint32_t x0, x1, y0, y1;
        std::memcpy(&x0, x, 4);
        std::memcpy(&x1, x + size - 4, 4);
        std::memcpy(&y0, y, 4);
        std::memcpy(&y1, y + size - 4, 4);
        return ((x0 ^ y0) | (x1 ^ y1)) == 0;
    }
    return std::memcmp(x, y, size) == 0;
}

// The pictures of the settings as steps, kept while a caller keeps formatting
// with the same pictures (every row of a list does).
class Pictures {
public:
    void Follow(const TFormatSettings& settings) {
        if (ready_ && SameText(settings.ShortDateFormat, shortDate_) &&
            SameText(settings.LongTimeFormat, longTime_))
            return;
        shortDate_ = settings.ShortDateFormat;
        longTime_ = settings.LongTimeFormat;
        pool_.clear();
        date_ = Compile(shortDate_);
        time_ = Compile(longTime_);
        pool_.append(kMove, '\0');
        ready_ = true;
    }

    // The most text the pictures give, the space between them included.
    std::size_t Longest(const TFormatSettings& settings, bool withTime) const {
        const std::size_t designator =
            std::max(settings.TimeAMString.size(), settings.TimePMString.size());
        const std::size_t date = date_.Longest(designator);
        return withTime ? date + 1 + time_.Longest(designator) : date;
    }

    char* PutDate(char* out, const int* values, std::string_view designator) const {
        return Put(out, date_, values, designator);
    }
    char* PutTime(char* out, const int* values, std::string_view designator) const {
        return Put(out, time_, values, designator);
    }

private:
    struct Steps {
        std::vector<Step> steps;
        std::size_t text = 0, designators = 0;
        std::size_t Longest(std::size_t designator) const {
            return text + 3 * steps.size() + designator * designators;
        }
    };

    // Text ahead of a field goes with it; text longer than one move is split.
    Steps Compile(std::string_view text) {
        Steps compiled;
        std::string pending;  // literal text waiting for its field
        const auto addText = [&](std::vector<Step> fieldSteps) {
            std::string_view rest = pending;
            do {
                Step step;
                if (rest.size() <= kMove && !fieldSteps.empty()) {
                    step = fieldSteps.front();
                    fieldSteps.erase(fieldSteps.begin());
                }
                const std::string_view piece = rest.substr(0, kMove);
                step.offset = static_cast<std::uint32_t>(pool_.size());
                step.size = static_cast<std::uint32_t>(piece.size());
                pool_ += piece;
                compiled.text += piece.size();
                compiled.designators += step.designator;
                compiled.steps.push_back(step);
                rest.remove_prefix(piece.size());
            } while (!rest.empty());
            compiled.steps.insert(compiled.steps.end(), fieldSteps.begin(), fieldSteps.end());
            pending.clear();
        };
        for (const picture::Token& token : picture::Tokenize(text)) {
            if (token.field == Field::Literal) {
                pending += token.literal;
                continue;
            }
            std::vector<Step> fieldSteps;
            AddFieldSteps(token, fieldSteps);
            addText(std::move(fieldSteps));
        }
        if (!pending.empty())
            addText({});
        return compiled;
    }

    char* Put(char* out, const Steps& steps, const int* values, std::string_view designator) const {
        return PutSteps(out, steps.steps.data(), steps.steps.data() + steps.steps.size(),
                        pool_.data(), values, designator);
    }

    bool ready_ = false;
    std::string shortDate_, longTime_;
    Steps date_, time_;
    std::string pool_;  // the literal text of both pictures
};

}  // namespace

std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
    // Fields worked out just before, by the conversion that gave the value,
    // are not worked out again.
    const TDateTimeParts parts = value == file_date::last.value
                                     ? file_date::PartsOf(file_date::last.fileDate)
                                     : DecodeDateTime(value);
    thread_local Pictures pictures;
    pictures.Follow(settings);
    const bool withTime = parts.hour != 0 || parts.minute != 0 || parts.second != 0;
    // All of them 0 to 100 (years run from 1 to 10000).
    int values[kSlots];
    const auto year = static_cast<unsigned>(parts.year);
    values[kDay] = parts.day;
    values[kMonth] = parts.month;
    values[kCentury] = static_cast<int>(year / 100);
    values[kYearOfCentury] = static_cast<int>(year % 100);
    values[kHour12] = kTwelveHourClock[parts.hour];
    values[kHour24] = parts.hour;
    values[kMinute] = parts.minute;
    values[kSecond] = parts.second;

    // Written in place, and copied once into the result.
    char buffer[256];
    std::string large;
    char* start = buffer;
    const std::size_t room = pictures.Longest(settings, withTime) + kMove;
    if (room > sizeof buffer) {
        large.resize(room);
        start = large.data();
    }
    const std::string_view designator =
        parts.hour < 12 ? settings.TimeAMString : settings.TimePMString;
    char* out = pictures.PutDate(start, values, designator);
    if (withTime) {
        *out++ = ' ';
        out = pictures.PutTime(out, values, designator);
    }
    if (start != buffer) {
        large.resize(static_cast<std::size_t>(out - start));
        return large;
    }
    return std::string(start, out);
}
