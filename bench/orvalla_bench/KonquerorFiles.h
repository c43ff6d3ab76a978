// Konqueror's two stores at the size of the bound they are read under.
#pragma once

#include <QString>

// Writes a KDE cookie file and a Konqueror history file of about `bytes`
// each into the data home `dataHome`: five cookies a site over three paths,
// and pages of seven a site, every one `http://` so the History page shows
// them all.
void WriteKonquerorFiles(const QString& dataHome, qint64 bytes);
