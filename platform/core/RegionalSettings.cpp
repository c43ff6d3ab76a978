#include <QLocale>
#include <QString>

#include <cstdlib>

#include "QtFormat.h"
#include "platform/regional.h"
#include "platform/winbase.h"

namespace {

// What a user without regional settings gets, whatever Qt makes of "C".
TFormatSettings UnitedStatesSettings() {
    TFormatSettings settings;
    settings.LocaleName = "en_US";
    settings.ShortDateFormat = "M/d/yyyy";
    settings.LongTimeFormat = "h:mm:ss tt";
    settings.TimeAMString = "AM";
    settings.TimePMString = "PM";
    return settings;
}

// "en_GB.utf8@euro" -> "en_GB": Qt wants the language and territory only.
std::string_view BareLocaleName(std::string_view name) {
    return name.substr(0, name.find_first_of(".@"));
}

std::string UserLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return value;
    }
    return {};
}

TFormatSettings& CachedSettings() {
    static TFormatSettings settings = LocaleFormatSettings(UserLocaleName());
    return settings;
}

}  // namespace

TFormatSettings LocaleFormatSettings(std::string_view localeName) {
    const std::string_view bare = BareLocaleName(localeName);
    if (bare.empty() || bare == "C" || bare == "POSIX")
        return UnitedStatesSettings();
    const QLocale locale(QString::fromUtf8(bare.data(), static_cast<qsizetype>(bare.size())));
    if (locale.language() == QLocale::C)
        return UnitedStatesSettings();

    TFormatSettings settings;
    settings.LocaleName = locale.name().toStdString();
    settings.ShortDateFormat =
        PictureFromQtFormat(locale.dateFormat(QLocale::ShortFormat).toStdString());
    settings.LongTimeFormat =
        PictureFromQtFormat(locale.timeFormat(QLocale::LongFormat).toStdString());
    settings.TimeAMString = locale.amText().toStdString();
    settings.TimePMString = locale.pmText().toStdString();
    return settings;
}

const TFormatSettings& FormatSettings() {
    return CachedSettings();
}

// The cached object stays where it is, so references handed out earlier see
// the new settings.
void RefreshFormatSettings() {
    CachedSettings() = LocaleFormatSettings(UserLocaleName());
    TakeUpTimeZone();
}
