// The files of a browser profile seen as plain files. Whatever a profile
// holds (a FIFO, a device, a link to /dev/zero or to a file elsewhere) may
// neither block this program, nor be read without bound, nor lead a change
// outside the profile's folder. Only SQLite opens a store's files, except to
// make a private copy. Failures throw store::StoreError.
#pragma once

#include <QFile>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/Folders.h"

namespace browsers {

// Whether anything at all is at `path`, a dangling link included.
using store::Present;

// Whether `path` names a regular file, links followed. Opens nothing.
bool IsRegularFile(const std::string& path);

// The whole of a small file a profile holds (profiles.ini, Local State,
// Bookmarks); nullopt when nothing is at `path`. Refuses what is not a
// regular file or is larger than 64 MiB. `who` starts every message.
std::optional<std::string> ReadSettingsFile(const std::string& path, std::string_view who);
// Opens such a file into `file` instead, to be read in pieces; false when
// nothing is at `path`.
bool OpenSettingsFile(const std::string& path, std::string_view who, QFile& file);

// Whether another process holds a POSIX write lock on the regular file at
// `path` (Firefox on `.parentlock` while it runs); false when nothing is
// there, nullopt when what is there cannot be asked (a FIFO, no access).
std::optional<bool> HoldsWriteLock(const std::string& path);

// Whether another process of this user holds one of the files at `paths`
// open, as seen in /proc, whatever session or bus it belongs to; nullopt
// when /proc cannot be read or holds more than can be looked through soon.
std::optional<bool> OpenInAnotherProcess(const std::vector<std::string>& paths);

// Whether `path`, every link resolved, lies inside `folder` resolved.
bool LiesInside(const std::string& path, const std::string& folder);

// A copy of a running browser's database and its -journal or -wal, in an
// owner-only folder $TMPDIR/orvalla-copy-PID-XXXXXX. Never of a file this
// process has open in SQLite: closing a copied file drops SQLite's locks.
class PrivateCopy {
public:
    PrivateCopy(const std::string& path, std::string_view who);
    ~PrivateCopy();
    PrivateCopy(const PrivateCopy&) = delete;
    PrivateCopy& operator=(const PrivateCopy&) = delete;

    // The copy of the database, inside the folder.
    const std::string& Path() const { return path_; }
    // Removes the folder from the disk now. Call it only once SQLite has run
    // a first query on the copy: it then reads through its open descriptors.
    void Unlink();

private:
    std::string folder_;  // owned: removed with its files by Unlink or the destructor
    std::string path_;    // in folder_
};

// Removes the copy folders of this user whose process no longer runs, at
// the first call in a process: every run does, whether it copies or not.
void RemoveLeftoverCopies();

}  // namespace browsers
