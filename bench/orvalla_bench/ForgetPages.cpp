#include "ForgetPages.h"

#include <QFile>

#include <algorithm>
#include <utility>

#include "PlainSql.h"

namespace {

bool HasTable(PlainDatabase& db, const char* table) {
    sqlite3_stmt* found =
        db.Prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    sqlite3_bind_text(found, 1, table, -1, SQLITE_STATIC);
    const bool has = db.Step(found);
    sqlite3_reset(found);
    return has;
}

// A statement on a table that only some versions of the browser have;
// nullptr where the file lacks it.
sqlite3_stmt* IfTable(PlainDatabase& db, const char* table, const std::string& sql) {
    return HasTable(db, table) ? db.Prepare(sql.c_str()) : nullptr;
}

void RunOn(PlainDatabase& db, sqlite3_stmt* statement, sqlite3_int64 id) {
    if (statement)
        db.Run(statement, id);
}

// The first column of every row the statement gives for `id`; none for a
// statement the file has no table for.
std::vector<sqlite3_int64> Ids(PlainDatabase& db, sqlite3_stmt* statement, sqlite3_int64 id) {
    std::vector<sqlite3_int64> ids;
    if (!statement)
        return ids;
    sqlite3_bind_int64(statement, 1, id);
    while (db.Step(statement))
        ids.push_back(sqlite3_column_int64(statement, 0));
    sqlite3_reset(statement);
    return ids;
}

// The file beside the history that holds a browser's icons, open, if the
// profile has one.
std::unique_ptr<PlainDatabase> IconsBeside(const std::string& history, const char* name) {
    const std::string file = history.substr(0, history.rfind('/') + 1) + name;
    return QFile::exists(QString::fromStdString(file)) ? std::make_unique<PlainDatabase>(file)
                                                       : nullptr;
}

// Firefox's places: each site's pages through the index of reversed hosts
// ("moc.elpmaxe." and every host below it, up to "moc.elpmaxe/").
class FirefoxForget : public PagesForget {
public:
    FirefoxForget(const std::string& history, const std::vector<std::string>& sites)
        : sites_(sites),
          db_(history),
          icons_(IconsBeside(history, "favicons.sqlite")),
          pages_(db_.Prepare("SELECT id, url, origin_id, foreign_count FROM moz_places "
                             "WHERE rev_host >= ?1 AND rev_host < ?2")),
          // The file's statistics are those of Firefox's first run (one
          // visit), under which SQLite would scan every visit for each page;
          // Firefox's own removal goes through this index.
          visitIds_(db_.Prepare("SELECT id FROM moz_historyvisits INDEXED BY "
                                "moz_historyvisits_placedateindex WHERE place_id = ?1")),
          visits_(db_.Prepare("DELETE FROM moz_historyvisits INDEXED BY "
                              "moz_historyvisits_placedateindex WHERE place_id = ?1")),
          page_(db_.Prepare("DELETE FROM moz_places WHERE id = ?1")),
          unvisited_(db_.Prepare(
              "UPDATE moz_places SET visit_count = 0, last_visit_date = NULL WHERE id = ?1")),
          origin_(db_.Prepare("DELETE FROM moz_origins WHERE id = ?1 AND NOT EXISTS "
                              "(SELECT 1 FROM moz_places WHERE origin_id = ?1)")) {
        // What Firefox's own connection, with its foreign keys on, deletes
        // with a visit or a page.
        visitExtra_ = IfTable(db_, "moz_historyvisits_extra",
                              "DELETE FROM moz_historyvisits_extra WHERE visit_id = ?1");
        for (const char* table : {"moz_annos", "moz_inputhistory", "moz_places_metadata",
                                  "moz_places_extra", "moz_newtab_shortcuts_interaction"})
            ofPage_.push_back(
                IfTable(db_, table, std::string("DELETE FROM ") + table + " WHERE place_id = ?1"));
        if (icons_) {
            iconPages_ = icons_->Prepare(
                "DELETE FROM moz_pages_w_icons WHERE page_url IN "
                "(SELECT value FROM json_each(?1))");
        }
    }

    void Forget() override {
        std::vector<sqlite3_int64> origins;
        std::vector<std::pair<sqlite3_int64, bool>> found;  // id, bookmarked
        std::string urls = "[";
        db_.Exec("BEGIN IMMEDIATE");
        for (const std::string& site : sites_) {
            const std::string reversed = std::string(site.rbegin(), site.rend()) + ".";
            const std::string end = reversed.substr(0, reversed.size() - 1) + "/";
            sqlite3_bind_text(pages_, 1, reversed.data(), static_cast<int>(reversed.size()),
                              SQLITE_STATIC);
            sqlite3_bind_text(pages_, 2, end.data(), static_cast<int>(end.size()), SQLITE_STATIC);
            while (db_.Step(pages_)) {
                found.emplace_back(sqlite3_column_int64(pages_, 0),
                                   sqlite3_column_int64(pages_, 3) > 0);
                origins.push_back(sqlite3_column_int64(pages_, 2));
                if (icons_)
                    AppendJsonText(urls,
                                   reinterpret_cast<const char*>(sqlite3_column_text(pages_, 1)));
            }
            sqlite3_reset(pages_);
        }
        // In the order of the table and of the visits' index by page.
        std::sort(found.begin(), found.end());
        for (const auto& [id, bookmarked] : found) {
            if (visitExtra_) {
                for (const sqlite3_int64 visit : Ids(db_, visitIds_, id))
                    db_.Run(visitExtra_, visit);
            }
            db_.Run(visits_, id);
            if (bookmarked) {
                db_.Run(unvisited_, id);
                continue;
            }
            for (sqlite3_stmt* statement : ofPage_)
                RunOn(db_, statement, id);
            db_.Run(page_, id);
        }
        std::sort(origins.begin(), origins.end());
        origins.erase(std::unique(origins.begin(), origins.end()), origins.end());
        for (const sqlite3_int64 origin : origins)
            db_.Run(origin_, origin);
        db_.Exec("COMMIT");
        if (!icons_)
            return;
        icons_->Exec("BEGIN IMMEDIATE");
        icons_->Run(iconPages_, urls + "]");
        icons_->Exec(
            "DELETE FROM moz_icons_to_pages WHERE page_id NOT IN (SELECT id FROM "
            "moz_pages_w_icons);"
            "DELETE FROM moz_icons WHERE root = 0 AND id NOT IN "
            "(SELECT icon_id FROM moz_icons_to_pages)");
        icons_->Exec("COMMIT");
    }

private:
    static void AppendJsonText(std::string& array, std::string_view text) {
        array.append(array.size() > 1 ? ",\"" : "\"");
        for (const char c : text) {
            if (c == '"' || c == '\\')
                array.push_back('\\');
            array.push_back(c);
        }
        array.push_back('"');
    }

    const std::vector<std::string>& sites_;
    PlainDatabase db_;
    std::unique_ptr<PlainDatabase> icons_;
    sqlite3_stmt* pages_;
    sqlite3_stmt* visitIds_;
    sqlite3_stmt* visits_;
    sqlite3_stmt* visitExtra_ = nullptr;
    sqlite3_stmt* page_;
    sqlite3_stmt* unvisited_;
    sqlite3_stmt* origin_;
    std::vector<sqlite3_stmt*> ofPage_;
    sqlite3_stmt* iconPages_ = nullptr;
};

// Chromium's history: no column holds a page's host, so every address is
// read; each page of a forgotten site goes with what only it uses.
class ChromiumForget : public PagesForget {
public:
    ChromiumForget(const std::string& history, const SiteSet& sites)
        : sites_(sites),
          db_(history),
          icons_(IconsBeside(history, "Favicons")),
          urls_(db_.Prepare("SELECT id, url FROM urls")),
          visitIds_(db_.Prepare("SELECT id FROM visits WHERE url = ?1")),
          visits_(db_.Prepare("DELETE FROM visits WHERE url = ?1")),
          segmentIds_(IfTable(db_, "segments", "SELECT id FROM segments WHERE url_id = ?1")),
          segmentUsage_(
              IfTable(db_, "segment_usage", "DELETE FROM segment_usage WHERE segment_id = ?1")),
          segment_(IfTable(db_, "segments", "DELETE FROM segments WHERE id = ?1")),
          page_(db_.Prepare("DELETE FROM urls WHERE id = ?1")) {
        ofVisit_ = {IfTable(db_, "visit_source", "DELETE FROM visit_source WHERE id = ?1"),
                    IfTable(db_, "content_annotations",
                            "DELETE FROM content_annotations WHERE visit_id = ?1"),
                    IfTable(db_, "context_annotations",
                            "DELETE FROM context_annotations WHERE visit_id = ?1")};
        ofPage_ = {
            IfTable(db_, "keyword_search_terms",
                    "DELETE FROM keyword_search_terms WHERE url_id = ?1"),
            IfTable(db_, "visited_links", "DELETE FROM visited_links WHERE link_url_id = ?1")};
        if (icons_)
            iconPage_ = icons_->Prepare("DELETE FROM icon_mapping WHERE page_url = ?1");
    }

    void Forget() override {
        std::vector<std::pair<sqlite3_int64, std::string>> gone;
        db_.Exec("BEGIN IMMEDIATE");
        while (db_.Step(urls_)) {
            const std::string_view url(reinterpret_cast<const char*>(sqlite3_column_text(urls_, 1)),
                                       static_cast<std::size_t>(sqlite3_column_bytes(urls_, 1)));
            if (sites_.Holds(HostOf(url)))
                gone.emplace_back(sqlite3_column_int64(urls_, 0), url);
        }
        sqlite3_reset(urls_);
        for (const auto& [id, url] : gone) {
            for (const sqlite3_int64 visit : Ids(db_, visitIds_, id)) {
                for (sqlite3_stmt* statement : ofVisit_)
                    RunOn(db_, statement, visit);
            }
            db_.Run(visits_, id);
            for (sqlite3_stmt* statement : ofPage_)
                RunOn(db_, statement, id);
            for (const sqlite3_int64 segment : Ids(db_, segmentIds_, id)) {
                RunOn(db_, segmentUsage_, segment);
                RunOn(db_, segment_, segment);
            }
            db_.Run(page_, id);
        }
        db_.Exec("COMMIT");
        if (!icons_)
            return;
        icons_->Exec("BEGIN IMMEDIATE");
        for (const auto& [id, url] : gone)
            icons_->Run(iconPage_, url);
        icons_->Exec(
            "DELETE FROM favicon_bitmaps WHERE icon_id NOT IN (SELECT icon_id FROM icon_mapping);"
            "DELETE FROM favicons WHERE id NOT IN (SELECT icon_id FROM icon_mapping)");
        icons_->Exec("COMMIT");
    }

private:
    const SiteSet& sites_;
    PlainDatabase db_;
    std::unique_ptr<PlainDatabase> icons_;
    sqlite3_stmt* urls_;
    sqlite3_stmt* visitIds_;
    sqlite3_stmt* visits_;
    sqlite3_stmt* segmentIds_;
    sqlite3_stmt* segmentUsage_;
    sqlite3_stmt* segment_;
    sqlite3_stmt* page_;
    std::vector<sqlite3_stmt*> ofVisit_;
    std::vector<sqlite3_stmt*> ofPage_;
    sqlite3_stmt* iconPage_ = nullptr;
};

}  // namespace

std::unique_ptr<PagesForget> FirefoxPagesForget(const std::string& history,
                                                const std::vector<std::string>& sites) {
    return std::make_unique<FirefoxForget>(history, sites);
}

std::unique_ptr<PagesForget> ChromiumPagesForget(const std::string& history, const SiteSet& sites) {
    return std::make_unique<ChromiumForget>(history, sites);
}
