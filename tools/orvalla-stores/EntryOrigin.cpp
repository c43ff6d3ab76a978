#include "EntryOrigin.h"

#include <QString>
#include <QUrl>

namespace {

constexpr std::string_view kCookie = "Cookie:";
constexpr std::string_view kVisited = "Visited: ";
constexpr std::string_view kOwnSource = "orvalla";

std::string_view AfterUser(std::string_view address) {
    const std::size_t at = address.find('@');
    return at == std::string_view::npos ? address : address.substr(at + 1);
}

}  // namespace

EntryOrigin UrlOrigin(std::string_view url, std::string source) {
    const QUrl parsed(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size())));
    return {std::move(source), parsed.host(QUrl::FullyEncoded).toStdString(),
            parsed.path(QUrl::FullyEncoded).toStdString()};
}

EntryOrigin CacheEntryOrigin(std::string_view address) {
    if (address.starts_with(kVisited))
        return UrlOrigin(AfterUser(address.substr(kVisited.size())), std::string(kOwnSource));
    if (!address.starts_with(kCookie))
        return UrlOrigin(address, std::string(kOwnSource));
    const std::string_view rest = address.substr(kCookie.size());
    const std::size_t at = rest.find('@');
    const std::string_view label = rest.substr(0, at);
    const std::string_view place = AfterUser(rest);
    const std::size_t blank = place.find(' ');
    const std::size_t slash = place.find('/');
    if (at != std::string_view::npos && label.find('.') != std::string_view::npos &&
        blank != std::string_view::npos && blank < slash) {
        std::string_view path = place.substr(blank + 1);
        if (const std::size_t partition = path.find(" (");
            path.ends_with(')') && partition != std::string_view::npos)
            path = path.substr(0, partition);
        return {std::string(label), std::string(place.substr(0, blank)), std::string(path)};
    }
    if (slash == std::string_view::npos)
        return {std::string(kOwnSource), std::string(place), ""};
    return {std::string(kOwnSource), std::string(place.substr(0, slash)),
            std::string(place.substr(slash))};
}
