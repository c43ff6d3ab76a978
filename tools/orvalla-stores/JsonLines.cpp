#include "JsonLines.h"

#include <cstdio>

#include "Commands.h"
#include "platform/winbase.h"

namespace {

// The length of the valid UTF-8 sequence at the start of `text`, or 0.
std::size_t Utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length;
    char32_t code;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (byte(i) & 0x3F);
    }
    // Overlong forms, surrogates and code points past Unicode are not UTF-8.
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    return length;
}

}  // namespace

ListFormat ReadFormat(const ParsedArguments& parsed) {
    const auto format = parsed.Value("--format");
    if (!format || *format == "text")
        return ListFormat::Text;
    if (*format == "json")
        return ListFormat::Json;
    throw UsageError{"format '" + *format + "' is not one of text, json"};
}

std::string JsonString(std::string_view text) {
    std::string json = "\"";
    while (!text.empty()) {
        const unsigned char c = static_cast<unsigned char>(text.front());
        const std::size_t length = Utf8Length(text);
        if (length == 0) {
            json += "\\ufffd";
            text.remove_prefix(1);
            continue;
        }
        if (c == '"' || c == '\\') {
            json.append(1, '\\').append(1, static_cast<char>(c));
        } else if (c == '\n') {
            json += "\\n";
        } else if (c == '\t') {
            json += "\\t";
        } else if (c == '\r') {
            json += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            json += escape;
        } else {
            json.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return json + "\"";
}

JsonObject& JsonObject::Key(std::string_view key) {
    body_.append(body_.empty() ? "{" : ",").append(JsonString(key)).append(":");
    return *this;
}

JsonObject& JsonObject::Text(std::string_view key, std::string_view value) {
    Key(key).body_.append(JsonString(value));
    return *this;
}

JsonObject& JsonObject::Texts(std::string_view key, const std::vector<std::string>& values) {
    Key(key).body_.append("[");
    for (std::size_t i = 0; i < values.size(); ++i)
        body_.append(i ? "," : "").append(JsonString(values[i]));
    body_.append("]");
    return *this;
}

JsonObject& JsonObject::Number(std::string_view key, std::uint64_t value) {
    Key(key).body_.append(std::to_string(value));
    return *this;
}

JsonObject& JsonObject::Time(std::string_view key, FILETIME time) {
    if (FileTimeToQuad(time) != 0)
        Key(key).body_.append(JsonString(FormatTime(time)));
    return *this;
}

void JsonObject::Print() const {
    std::printf("%s}\n", body_.empty() ? "{" : body_.c_str());
}
