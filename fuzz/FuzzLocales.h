// Regional settings of locales whose formats differ in order, separators,
// designators and digits of the hour, for the date fuzzers.
#pragma once

#include <array>
#include <cstddef>

inline constexpr std::array kFuzzLocales = {
    "en_US", "de_DE", "en_GB", "ja_JP", "C",     "ko_KR", "fr_FR", "zh_CN",
    "ru_RU", "ar_EG", "hi_IN", "fi_FI", "nl_NL", "pt_BR", "sv_SE", "he_IL",
    "th_TH", "fa_IR", "es_ES", "it_IT", "pl_PL", "tr_TR", "vi_VN", "el_GR",
    "hu_HU", "cs_CZ", "da_DK", "nb_NO", "en_ZA", "en_CA", "fr_CA", "de_CH"};

inline const char* FuzzLocale(unsigned char selector) {
    return kFuzzLocales[selector % kFuzzLocales.size()];
}
