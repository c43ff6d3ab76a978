#include "KonquerorFiles.h"

#include <zlib.h>

#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include "Measure.h"

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    Require(QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
                file.write(bytes) == bytes.size(),
            "the Konqueror file " + path.toStdString() + " is written");
}

QByteArray Cookies(qint64 bytes) {
    QByteArray text = "# KDE Cookie File v2\n#\n";
    for (int i = 0; text.size() < bytes - 200; ++i) {
        const QByteArray site = "site" + QByteArray::number(i / 5) + ".example";
        if (i % 5 == 0)
            text += "[" + site + "]\n";
        text += site + "  \"." + site + "\"  \"/p" + QByteArray::number(i % 3) +
                "\"  1900000000  1  name" + QByteArray::number(i) + "  0  value" +
                QByteArray::number(i) + "\n";
    }
    return text;
}

QByteArray History(qint64 bytes) {
    QByteArray entries;
    QDataStream out(&entries, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    const qint64 since = 1'700'000'000'000;
    for (int i = 0; entries.size() < bytes - 300; ++i) {
        out << ("http://site" + QByteArray::number(i / 7) + ".example/some/page/" +
                QByteArray::number(i) + "?q=x")
            << QString() << QStringLiteral("Title of page %1").arg(i) << quint32{3}
            << QDateTime::fromMSecsSinceEpoch(since + i, Qt::UTC)
            << QDateTime::fromMSecsSinceEpoch(since + i * 1000LL, Qt::UTC);
    }
    QByteArray file;
    QDataStream header(&file, QIODevice::WriteOnly);
    header << quint32{4}
           << static_cast<quint32>(
                  crc32_z(0, reinterpret_cast<const Bytef*>(entries.constData()), entries.size()))
           << entries;
    return file;
}

}  // namespace

void WriteKonquerorFiles(const QString& dataHome, qint64 bytes) {
    WriteFile(dataHome + "/kcookiejar/cookies", Cookies(bytes));
    WriteFile(dataHome + "/konqueror/konq_history", History(bytes));
}
