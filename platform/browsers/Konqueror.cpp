// Konqueror: its cookies are kept by KDE's cookie server, which alone writes
// them to a text file, and its history by every Konqueror that runs (a
// hidden one stays for the next window), which writes a binary file. Both
// owners hold what they keep in memory and write it back over the file, and
// neither takes a change from outside that the browser would not undo, so
// the stores are listed here and changed only in Konqueror itself.
#include <zlib.h>

#include <QDataStream>
#include <QDateTime>
#include <QString>

#include <algorithm>
#include <charconv>
#include <map>
#include <string_view>

#include "browsers/Profile.h"
#include "browsers/ProfileFiles.h"
#include "store/Folders.h"

namespace browsers {
namespace {

// The history file's own version, and the checksum over its entries.
constexpr quint32 kHistoryVersion = 4;

quint32 Crc32(const QByteArray& bytes) {
    return crc32_z(0, reinterpret_cast<const Bytef*>(bytes.constData()), bytes.size());
}

// The next of the fields that spaces or tabs part in `line`, taken off it;
// empty at its end.
std::string_view NextField(std::string_view& line) {
    const std::size_t start = std::min(line.find_first_not_of(" \t\r"), line.size());
    const std::size_t end = std::min(line.find_first_of(" \t\r", start), line.size());
    const std::string_view field = line.substr(start, end - start);
    line.remove_prefix(end);
    return field;
}

std::string_view Unquoted(std::string_view text) {
    return text.size() >= 2 && text.front() == '"' && text.back() == '"'
               ? text.substr(1, text.size() - 2)
               : text;
}

class KonquerorProfile final : public Profile {
public:
    KonquerorProfile() : Profile(store::DataHomeDirectory(), "Konqueror", "konqueror", "default") {}

    bool HasStores() const override { return Present(CookiesFile()) || Present(HistoryFile()); }

    // Lines of "HOST "DOMAIN" "PATH" EXPIRY PROTOCOL NAME FLAGS VALUE" under
    // "[HOST]" headings; a domain cookie's group is its domain's, as the
    // other browsers write it (".a.example").
    std::vector<CookieGroup> Cookies() const override {
        std::map<std::pair<std::string, std::string>, std::uint64_t> expiries;
        const std::string file = ReadSettingsFile(CookiesFile(), Who()).value_or("");
        for (std::string_view rest = file; !rest.empty();) {
            const std::size_t end = std::min(rest.find('\n'), rest.size());
            std::string_view fields = rest.substr(0, end);
            rest.remove_prefix(std::min(end + 1, rest.size()));
            if (fields.starts_with('#') || fields.starts_with('['))
                continue;
            const std::string_view host = NextField(fields);
            const std::string_view domain = Unquoted(NextField(fields));
            const std::string_view path = Unquoted(NextField(fields));
            const std::string_view expiryText = NextField(fields);
            // Unlike a stream, from_chars reads the number whatever the locale.
            long long expiry = 0;
            if (std::from_chars(expiryText.data(), expiryText.data() + expiryText.size(), expiry)
                    .ec != std::errc())
                continue;
            std::uint64_t& latest =
                expiries[{std::string(domain.empty() ? host : domain), std::string(path)}];
            latest = std::max(latest, FileTimeFromUnix(expiry, kPerSecond));
        }
        std::vector<CookieGroup> groups;
        for (const auto& [group, expires] : expiries)
            groups.push_back({Address(group.first, group.second, ""), 0, expires, {}});
        return groups;
    }

    std::vector<VisitedPage> History() const override {
        const std::optional<std::string> file = ReadSettingsFile(HistoryFile(), Who());
        std::vector<VisitedPage> pages;
        if (!file)
            return pages;
        QDataStream stream(QByteArray::fromStdString(*file));
        stream.setVersion(QDataStream::Qt_5_15);
        quint32 version = 0, crc = 0;
        QByteArray entries;
        stream >> version >> crc >> entries;
        if (stream.status() != QDataStream::Ok || version != kHistoryVersion ||
            Crc32(entries) != crc) {
            throw Error(ERROR_FILE_CORRUPT,
                        "\"" + HistoryFile() + "\" is damaged or of an unknown version");
        }
        QDataStream entry(entries);
        entry.setVersion(QDataStream::Qt_5_15);
        while (!entry.atEnd()) {
            QByteArray url;
            QString typed, title;
            quint32 visits = 0;
            QDateTime first, last;
            entry >> url >> typed >> title >> visits >> first >> last;
            if (entry.status() != QDataStream::Ok)
                throw Error(ERROR_FILE_CORRUPT, "\"" + HistoryFile() + "\" is damaged");
            pages.push_back(
                {url.toStdString(),
                 title.isNull() ? std::nullopt : std::optional(title.toStdString()),
                 last.isValid() ? FileTimeFromUnix(last.toMSecsSinceEpoch(), kPerMillisecond) : 0});
        }
        return pages;
    }

    void DeleteCookies(const std::vector<GroupKey>&) const override {
        throw Error(ERROR_ACCESS_DENIED,
                    "its cookies are kept by KDE's cookie server, which writes what it holds "
                    "over the file: delete them in Konqueror itself");
    }

    void ClearHistory() const override {
        if (!History().empty()) {
            throw Error(ERROR_ACCESS_DENIED,
                        "its history is kept by Konqueror while it runs, which writes what it "
                        "holds over the file: clear it in Konqueror itself");
        }
    }

private:
    std::string CookiesFile() const { return File("kcookiejar/cookies"); }
    std::string HistoryFile() const { return File("konqueror/konq_history"); }
};

}  // namespace

void FindKonquerorProfiles(Profiles& profiles, Failures&) {
    AddWithStores(profiles, std::make_unique<KonquerorProfile>());
}

}  // namespace browsers
