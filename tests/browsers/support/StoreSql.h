// Reads a browser's store as the test sees it, behind the program's back.
#pragma once

#include <QByteArray>
#include <QString>

#include <string>

// Every row of `sql` on the store at `path`, opened read-only unless
// `write`: the columns joined by "|", each row ended by "\n"; "" when the
// store cannot be read (a running browser holds it locked).
std::string Sql(const std::string& path, const char* sql, bool write = false);

// Writes `bytes` to the file at `path`, or adds them to its end, making its
// folder first; true when all of them were written.
bool WriteFile(const QString& path, const QByteArray& bytes, bool append = false);
