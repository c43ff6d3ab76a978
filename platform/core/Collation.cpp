#include <QCollator>
#include <QLocale>
#include <QString>

#include <memory>
#include <string>

#include "platform/regional.h"

namespace {

// Building a collator loads the locale's rules; sorting calls this for every
// pair, so one collator is kept until the user's locale changes.
const QCollator& CollatorFor(const std::string& localeName) {
    static std::string cachedName;
    static std::unique_ptr<QCollator> collator;
    if (!collator || cachedName != localeName) {
        collator = std::make_unique<QCollator>(QLocale(QString::fromStdString(localeName)));
        collator->setCaseSensitivity(Qt::CaseSensitive);
        cachedName = localeName;
    }
    return *collator;
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int Sign(int value) {
    return (value > 0) - (value < 0);
}

}  // namespace

int AnsiCompareStr(std::string_view first, std::string_view second) {
    const int order =
        CollatorFor(FormatSettings().LocaleName).compare(FromUtf8(first), FromUtf8(second));
    // Texts the collation rules cannot tell apart (ignorable characters,
    // other normalisation) still get a definite order.
    return order != 0 ? Sign(order) : Sign(first.compare(second));
}
