#include "platform/codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <memory>

namespace {

// The length of the well-formed sequence starting at `pos` (1 to 4), or 0 when
// the byte there does not start one: a stray continuation byte, an overlong
// form, a surrogate, a value beyond U+10FFFF or a cut-off sequence.
std::size_t SequenceLength(std::string_view text, std::size_t pos) {
    if (pos >= text.size())
        return 0;
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;  // overlong
        if (lead == 0xED)
            high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;  // overlong
        if (lead == 0xF4)
            high = 0x8F;  // beyond U+10FFFF
    } else {
        return 0;
    }
    if (text.size() - pos < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + i]);
        if (byte < (i == 1 ? low : 0x80) || byte > (i == 1 ? high : 0xBF))
            return 0;
    }
    return length;
}

}  // namespace

std::size_t CharCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); ++count)
        pos += std::max<std::size_t>(SequenceLength(text, pos), 1);
    return count;
}

std::string CopyChars(std::string_view text, std::size_t start, std::size_t count) {
    if (start >= text.size())
        return {};
    std::size_t end = start;
    for (std::size_t copied = 0; copied < count && end < text.size(); ++copied)
        end += std::max<std::size_t>(SequenceLength(text, end), 1);
    return std::string(text.substr(start, end - start));
}

// Qt's codecs replace as the header says once stateless: each call stands
// alone, and a leading byte order mark is kept as a character.
std::string WideToAnsi(std::u16string_view text) {
    QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const auto room =
        static_cast<std::size_t>(encoder.requiredSpace(static_cast<qsizetype>(text.size())));
    // Written to a buffer that is not cleared first, on the stack for the
    // usual short text: one of megabytes would have three times its length
    // written twice.
    char local[512];
    std::unique_ptr<char[]> heap;
    char* const buffer =
        room <= sizeof local ? local : (heap = std::make_unique_for_overwrite<char[]>(room)).get();
    return std::string(buffer, encoder.appendToBuffer(buffer, QStringView(text)));
}

std::string WideToAnsi(const char16_t* text) {
    // Qt finds the end of a long text several times faster than the
    // standard library's character loop.
    return WideToAnsi(
        std::u16string_view(text, static_cast<std::size_t>(QStringView(text).size())));
}

char16_t* AnsiToWide(std::string_view text, char16_t* out) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    return reinterpret_cast<char16_t*>(
        decoder.appendToBuffer(reinterpret_cast<QChar*>(out), QByteArrayView(text)));
}

std::u16string AnsiToWide(std::string_view text) {
    std::u16string out(text.size() + 1, u'\0');
    out.resize(AnsiToWide(text, out.data()) - out.data());
    return out;
}
