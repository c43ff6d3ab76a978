#include <gtest/gtest.h>

#include "ScopedLocale.h"
#include "TempDataDir.h"
#include "platform/regional.h"

namespace {

struct Expected {
    const char* locale;
    const char* name;
    const char* shortDate;
    const char* longTime;
    const char* am;
    const char* pm;
};

void ExpectSettings(const TFormatSettings& s, const Expected& e) {
    SCOPED_TRACE(e.locale);
    EXPECT_EQ(s.LocaleName, e.name);
    EXPECT_EQ(s.ShortDateFormat, e.shortDate);
    EXPECT_EQ(s.LongTimeFormat, e.longTime);
    EXPECT_EQ(s.TimeAMString, e.am);
    EXPECT_EQ(s.TimePMString, e.pm);
}

const Expected kUnitedStates{"en_US", "en_US", "M/d/yyyy", "h:mm:ss tt", "AM", "PM"};

TEST(LocaleFormatSettings, PinsWhatQtGivesConvertingZonesDesignatorsAndLiterals) {
    const Expected cases[] = {
        kUnitedStates,
        {"de_DE", "de_DE", "dd.MM.yyyy", "HH:mm:ss", "AM", "PM"},
        {"en_GB", "en_GB", "dd/MM/yyyy", "HH:mm:ss", "am", "pm"},
        {"ja_JP", "ja_JP", "yyyy/MM/dd", "H時mm分ss秒", "午前", "午後"},
        {"fr_FR", "fr_FR", "dd/MM/yyyy", "HH:mm:ss", "AM", "PM"},
    };
    for (const Expected& e : cases)
        ExpectSettings(LocaleFormatSettings(e.locale), e);

    // Qt: "t HH:mm:ss", "AP h시 m분 s초 t", "H:mm:ss (t)", "d.MM.yy 'г'.", "HH 'h' mm 'min' ss 's'
    // t".
    EXPECT_EQ(LocaleFormatSettings("zh_CN").LongTimeFormat, "HH:mm:ss");
    EXPECT_EQ(LocaleFormatSettings("ko_KR").LongTimeFormat, "tt h시 m분 s초");
    EXPECT_EQ(LocaleFormatSettings("ko_KR").ShortDateFormat, "yyyy. M. d.");
    EXPECT_EQ(LocaleFormatSettings("fa_IR").LongTimeFormat, "H:mm:ss");
    EXPECT_EQ(LocaleFormatSettings("bg_BG").ShortDateFormat, "d.MM.yyyy г.");
    EXPECT_EQ(LocaleFormatSettings("fr_CA").LongTimeFormat, "HH' h 'mm' min 'ss' s'");
}

TEST(LocaleFormatSettings, MeansUnitedStatesForCPosixEmptyAndUnknownIgnoringCodesets) {
    for (const char* name : {"C", "POSIX", "", "C.UTF-8", "xx_YY", "tlh"}) {
        Expected e = kUnitedStates;
        e.locale = name;
        ExpectSettings(LocaleFormatSettings(name), e);
    }
    // Codeset and modifier are ignored.
    EXPECT_EQ(LocaleFormatSettings("de_DE.UTF-8").ShortDateFormat, "dd.MM.yyyy");
    EXPECT_EQ(LocaleFormatSettings("en_GB.utf8@euro").LocaleName, "en_GB");
    EXPECT_EQ(LocaleFormatSettings("de_DE@euro").LocaleName, "de_DE");
}

TEST(FormatSettings, ReadsLcAllThenLcTimeThenLangCachedUntilRefreshed) {
    ScopedEnv lang("LANG", "fr_FR.UTF-8");
    ScopedEnv time("LC_TIME", "de_DE.UTF-8");
    {
        ScopedLocale all("ja_JP.UTF-8");
        EXPECT_EQ(FormatSettings().LocaleName, "ja_JP");
    }
    {
        ScopedLocale all("");
        EXPECT_EQ(FormatSettings().LocaleName, "de_DE");
        ScopedEnv noTime("LC_TIME", nullptr);
        RefreshFormatSettings();
        EXPECT_EQ(FormatSettings().LocaleName, "fr_FR");
    }
    // Cached until refreshed.
    ScopedLocale german("de_DE.UTF-8");
    const TFormatSettings& settings = FormatSettings();
    ScopedEnv british("LC_ALL", "en_GB.UTF-8");
    EXPECT_EQ(FormatSettings().LocaleName, "de_DE");
    RefreshFormatSettings();
    EXPECT_EQ(settings.LocaleName, "en_GB");  // earlier references see the new settings
}

}  // namespace
