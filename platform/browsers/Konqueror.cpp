// Konqueror: its cookies are kept by KDE's cookie server, which alone writes
// them to a text file, and its history by every Konqueror that runs (a
// hidden one stays for the next window), which writes a binary file. Both
// owners hold what they keep in memory and write it back over the file, and
// neither takes a change from outside that the browser would not undo, so
// the stores are listed here and changed only in Konqueror itself.
#include <zlib.h>

#include <QDataStream>
#include <QDateTime>
#include <QFile>
#include <QIODevice>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <optional>
#include <string_view>
#include <tuple>
#include <vector>

#include "browsers/Profile.h"
#include "browsers/ProfileFiles.h"
#include "store/Folders.h"

namespace browsers {
namespace {

// The history file's own version, and the checksum over its entries.
constexpr quint32 kHistoryVersion = 4;
// The length QDataStream writes for a null QByteArray.
constexpr quint32 kNullBytes = 0xffffffff;

// The checksum of the next `size` bytes of `file`; none when they cannot
// all be read.
std::optional<quint32> EntriesCrc(QIODevice& file, quint32 size) {
    std::vector<char> piece(std::size_t{1} << 20);
    uLong crc = crc32_z(0, nullptr, 0);
    for (quint32 left = size; left > 0;) {
        const qint64 got = file.read(piece.data(), std::min<qint64>(left, piece.size()));
        if (got <= 0)
            return std::nullopt;
        crc = crc32_z(crc, reinterpret_cast<const Bytef*>(piece.data()), got);
        left -= static_cast<quint32>(got);
    }
    return static_cast<quint32>(crc);
}

constexpr std::string_view kCookieFileHeader = "# KDE Cookie File";

template <typename Number>
bool ReadsAs(std::string_view text, Number& number) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size();
}

// Whether `text` can be a cookie's host: letters, digits and "-._" as a
// name, or a name in UTF-8, "[]:" for an address and ":," for the ports KDE
// writes after it ("a.example:8080,8443").
bool IsHost(std::string_view text, bool mayBeEmpty) {
    if (text.empty())
        return mayBeEmpty;
    bool ascii = true;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        ascii = ascii && byte < 0x80;
        if (byte < 0x80 && !std::isalnum(byte) && (c == '\0' || !std::strchr("-._:,[]", c)))
            return false;
    }
    if (ascii)
        return true;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(QByteArrayView(text.data(), text.size()));
    return !utf8.hasError() && !decoded.isEmpty();
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

    std::vector<CookieGroup> Cookies() const override {
        // Views into the file, sorted to find each group's latest expiry.
        struct Row {
            std::string_view group, path;
            long long expiry;
        };
        std::vector<Row> rows;
        const std::string file = CookieFile();
        ForEachCookie(file, [&](const CookieLine& line) {
            rows.push_back({line.group, line.path, line.expiry});
        });
        std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
            return std::tie(a.group, a.path, b.expiry) < std::tie(b.group, b.path, a.expiry);
        });
        std::vector<CookieGroup> groups;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (i > 0 && rows[i].group == rows[i - 1].group && rows[i].path == rows[i - 1].path)
                continue;
            groups.emplace_back(Address(rows[i].group, rows[i].path, ""), 0,
                                FileTimeFromUnix(rows[i].expiry, kPerSecond), "");
        }
        return groups;
    }

    CookieNames NamesIn(const CookieGroup& group, std::size_t limit) const override {
        std::vector<std::string_view> names;
        const std::string file = CookieFile();
        ForEachCookie(file, [&](const CookieLine& line) {
            if (Address(line.group, line.path, "") == group.Address())
                names.push_back(line.name);
        });
        std::sort(names.begin(), names.end());
        CookieNames found{names.size(), {}};
        for (std::size_t i = 0; i < std::min(limit, names.size()); ++i)
            found.first.emplace_back(names[i]);
        return found;
    }

    VisitedPages History() const override {
        // Read where it lies, in pieces: the file may be as big as the
        // bound, and held whole it would cost its size again beside the
        // pages it gives.
        QFile file;
        VisitedPages pages;
        if (!OpenSettingsFile(HistoryFile(), Who(), file))
            return pages;
        QDataStream stream(&file);
        stream.setVersion(QDataStream::Qt_5_15);
        quint32 version = 0, crc = 0, size = 0;
        stream >> version >> crc >> size;
        const qint64 start = file.pos();
        if (size == kNullBytes)
            size = 0;
        if (stream.status() != QDataStream::Ok || version != kHistoryVersion ||
            size > file.size() - start || EntriesCrc(file, size) != crc || !file.seek(start)) {
            throw Damaged(HistoryFile(), " or of an unknown version");
        }
        const qint64 end = start + size;
        while (file.pos() < end) {
            QByteArray url;
            QString typed, title;
            quint32 visits = 0;
            QDateTime first, last;
            stream >> url >> typed >> title >> visits >> first >> last;
            if (stream.status() != QDataStream::Ok || file.pos() > end)
                throw Damaged(HistoryFile(), "");
            const QByteArray titleText = title.toUtf8();
            pages.emplace_back(
                std::string_view(url.constData(), url.size()),
                title.isNull()
                    ? std::nullopt
                    : std::optional(std::string_view(titleText.constData(), titleText.size())),
                last.isValid() ? FileTimeFromUnix(last.toMSecsSinceEpoch(), kPerMillisecond) : 0);
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

    std::vector<std::string> DeleteHistory(const std::vector<std::string>& urls) const override {
        for (const VisitedPage& page : History()) {
            if (std::find(urls.begin(), urls.end(), page.Url()) != urls.end()) {
                throw Error(ERROR_ACCESS_DENIED,
                            "its history is kept by Konqueror while it runs, which writes what "
                            "it holds over the file: delete the page in Konqueror itself");
            }
        }
        return {};
    }

private:
    // One cookie of the file, as views into it; a domain cookie's group is
    // its domain's, as the other browsers write it (".a.example").
    struct CookieLine {
        std::string_view group, path, name;
        long long expiry;
    };

    // The cookie file: a first line "# KDE Cookie File" or "# KDE Cookie
    // File vN", then lines of "HOST "DOMAIN" "PATH" EXPIRY PROTOCOL NAME
    // FLAGS VALUE" under "[HOST]" headings. Anything else is damage: it is
    // reported, not listed.
    std::string CookieFile() const {
        std::string file = ReadSettingsFile(CookiesFile(), Who()).value_or("");
        if (!file.empty() && !file.starts_with(kCookieFileHeader))
            throw Damaged(CookiesFile(), ": its first line is not a KDE cookie file's");
        return file;
    }

    // Hands each cookie of the file to `take`.
    template <typename Take>
    void ForEachCookie(std::string_view file, Take take) const {
        std::string_view rest = file;
        rest.remove_prefix(std::min(rest.find('\n'), rest.size()));
        while (!rest.empty()) {
            rest.remove_prefix(1);
            const std::size_t end = std::min(rest.find('\n'), rest.size());
            std::string_view fields = rest.substr(0, end);
            rest.remove_prefix(end);
            if (fields.starts_with('#') || fields.starts_with('[') ||
                fields.find_first_not_of(" \t\r") == std::string_view::npos)
                continue;
            const std::string_view host = NextField(fields);
            const std::string_view domain = Unquoted(NextField(fields));
            const std::string_view path = Unquoted(NextField(fields));
            long long expiry = 0;
            int protocol = 0;
            // Unlike a stream, from_chars reads the number whatever the locale.
            const bool numbers =
                ReadsAs(NextField(fields), expiry) && ReadsAs(NextField(fields), protocol);
            const std::string_view name = NextField(fields);
            if (!numbers || name.empty() || NextField(fields).empty() || !IsHost(host, false) ||
                !IsHost(domain, true)) {
                throw Damaged(CookiesFile(), ": a line of it holds no cookie");
            }
            take(CookieLine{domain.empty() ? host : domain, path, name, expiry});
        }
    }

    store::StoreError Damaged(const std::string& file, std::string_view why) const {
        return Error(ERROR_FILE_CORRUPT, "\"" + file + "\" is damaged" + std::string(why));
    }

    std::string CookiesFile() const { return File("kcookiejar/cookies"); }
    std::string HistoryFile() const { return File("konqueror/konq_history"); }
    std::vector<std::string> StoreFiles() const override { return {CookiesFile(), HistoryFile()}; }
    // Nothing is changed in its files, so nothing asks.
    std::optional<bool> RunningNow(std::string& why) const override {
        why = "Konqueror's files are never changed here, so it is not asked";
        return std::nullopt;
    }
};

}  // namespace

// Its folder is the user's data folder, which every user has: only its
// files tell that it is there.
void FindKonquerorProfiles(Profiles& profiles, Failures&) {
    auto profile = std::make_unique<KonquerorProfile>();
    if (profile->HasStores())
        AddFound(profiles, std::move(profile));
}

}  // namespace browsers
