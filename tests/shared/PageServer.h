// A small HTTP/1.1 server on 127.0.0.1 for the real browsers to visit while a
// test makes their profiles: pages with titles and Set-Cookie headers,
// answered for any Host (every *.localhost name reaches loopback), and a
// record of each request with the Cookie header it carried.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QTcpServer>

#include <vector>

class PageServer : public QObject {
public:
    struct Page {
        QString title = {};
        QList<QByteArray> setCookies = {};  // one Set-Cookie header each
        // Where the page moves on to by script once loaded ("" stays); a
        // page with `close` closes its window (Firefox needs its user.js to
        // allow scripts to do so).
        QString next = {};
        bool close = false;
        // Answered with "302 Found" and this Location instead of a page.
        QString redirect = {};
    };

    struct Request {
        QString host;  // the Host header, port included
        QString path;
        QByteArray cookie;  // the Cookie header, empty when none was sent
    };

    PageServer();  // throws std::runtime_error when it cannot listen

    quint16 Port() const { return server_.serverPort(); }
    // "http://HOST:PORT/PATH" ("/" added before a PATH that lacks it).
    QString Url(const QString& host, const QString& path) const;

    // The page at PATH (query excluded), whatever the Host; other paths get
    // 404.
    void SetPage(const QString& path, Page page) { pages_[path] = std::move(page); }

    const std::vector<Request>& Requests() const { return requests_; }
    void ClearRequests() { requests_.clear(); }
    // The Cookie headers sent for PATH on HOST (host without port), in order.
    QList<QByteArray> CookiesSent(const QString& host, const QString& path) const;

private:
    void Accept();
    void Answer(QTcpSocket* socket);

    QTcpServer server_;
    QMap<QString, Page> pages_;
    std::vector<Request> requests_;
};
