#include "PageServer.h"

#include <QTcpSocket>

#include <stdexcept>

namespace {

QByteArray Escaped(const QString& text) {
    return text.toHtmlEscaped().toUtf8();
}

// A JavaScript string literal; the URLs tests use hold no quotes, but a
// stray one must not end the script early.
QByteArray Quoted(const QString& text) {
    QByteArray out = text.toUtf8();
    out.replace('\\', "\\\\").replace('\'', "\\'").replace("</", "<\\/");
    return '\'' + out + '\'';
}

QByteArray Body(const PageServer::Page& page) {
    QByteArray script;
    if (!page.next.isEmpty())
        script += "location.replace(" + Quoted(page.next) + ");";
    if (page.close)
        script += "window.close();";
    QByteArray body = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" +
                      Escaped(page.title) + "</title></head><body><p>" + Escaped(page.title) +
                      "</p>";
    // After the load, so that the browser has recorded the visit and its
    // title before leaving.
    if (!script.isEmpty())
        body += "<script>addEventListener('load', () => setTimeout(() => {" + script +
                "}, 50));</script>";
    return body + "</body></html>";
}

}  // namespace

PageServer::PageServer() {
    if (!server_.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("PageServer cannot listen: " +
                                 server_.errorString().toStdString());
    connect(&server_, &QTcpServer::newConnection, this, &PageServer::Accept);
}

QString PageServer::Url(const QString& host, const QString& path) const {
    return QStringLiteral("http://%1:%2%3%4")
        .arg(host)
        .arg(Port())
        .arg(path.startsWith('/') ? "" : "/", path);
}

QList<QByteArray> PageServer::CookiesSent(const QString& host, const QString& path) const {
    QList<QByteArray> sent;
    for (const Request& request : requests_) {
        if (request.host.section(':', 0, 0) == host && request.path == path)
            sent.append(request.cookie);
    }
    return sent;
}

void PageServer::Accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Answer(socket); });
    }
}

// One request per connection: the answer says "Connection: close".
void PageServer::Answer(QTcpSocket* socket) {
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0) {
        socket->setProperty("head", head);
        return;
    }
    socket->setProperty("head", QByteArray());
    const QList<QByteArray> lines = head.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    Request request;
    request.path = QString::fromUtf8(requestLine.value(1)).section('?', 0, 0);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const qsizetype colon = line.indexOf(':');
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "host")
            request.host = QString::fromUtf8(value);
        else if (name == "cookie")
            request.cookie = value;
    }
    requests_.push_back(request);

    QByteArray reply;
    QByteArray body;
    const bool get = requestLine.value(0) == "GET";
    const auto found = get ? pages_.constFind(request.path) : pages_.constEnd();
    if (!get) {
        reply = "HTTP/1.1 405 Method Not Allowed\r\n";
    } else if (found == pages_.constEnd()) {
        reply = "HTTP/1.1 404 Not Found\r\n";
    } else if (!found->redirect.isEmpty()) {
        reply = "HTTP/1.1 302 Found\r\nLocation: " + found->redirect.toUtf8() + "\r\n";
    } else {
        body = Body(*found);
        reply =
            "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
            "Cache-Control: no-store\r\n";
    }
    if (found != pages_.constEnd()) {
        for (const QByteArray& cookie : found->setCookies)
            reply += "Set-Cookie: " + cookie + "\r\n";
    }
    reply += "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n";
    socket->write(reply + body);
    socket->disconnectFromHost();
}
