#include "StoreSql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

std::string Sql(const std::string& path, const char* sql, bool write) {
    sqlite3* db = nullptr;
    std::string result;
    if (sqlite3_open_v2(path.c_str(), &db, write ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY,
                        nullptr) == SQLITE_OK) {
        sqlite3_exec(
            db, sql,
            [](void* out, int columns, char** values, char**) {
                for (int i = 0; i < columns; ++i)
                    *static_cast<std::string*>(out) +=
                        (i ? "|" : "") + std::string(values[i] ? values[i] : "");
                *static_cast<std::string*>(out) += "\n";
                return 0;
            },
            &result, nullptr);
    }
    sqlite3_close(db);
    return result;
}

bool WriteFile(const QString& path, const QByteArray& bytes, bool append) {
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) &&
           file.open(append ? QIODevice::Append : QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}
