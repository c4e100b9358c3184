#pragma once
// A small HTTP server on 127.0.0.1 for tests, on a free port: it answers
// every GET the same way, or never, or one byte at a time, or with an endless
// stream (written as the socket drains, so neither side holds it all). An
// answer can name its Content-Encoding.

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace moyuta::test {

class HttpTestServer : public QObject {
public:
    enum class Mode { Answer, Silent, Drip, Huge };
    Mode mode = Mode::Answer;
    int status = 200;
    QByteArray contentType = "text/plain";
    QByteArray body;
    QByteArray contentEncoding;  // none when empty
    qint64 hugeBytes = 512LL * 1024 * 1024;
    int requests = 0;

    HttpTestServer()
    {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server_.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { onRequest(socket); });
        });
    }
    QString url(const QString &path = QStringLiteral("/news")) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
    }

private:
    void onRequest(QTcpSocket *socket)
    {
        request_ += socket->readAll();
        if (!request_.contains("\r\n\r\n"))
            return;
        request_.clear();
        ++requests;
        switch (mode) {
        case Mode::Silent:
            return;
        case Mode::Answer:
            socket->write(head(body.size()) + body);
            socket->disconnectFromHost();
            return;
        case Mode::Drip: {
            socket->write(head(1000));
            auto *timer = new QTimer(socket);
            connect(timer, &QTimer::timeout, socket, [socket] { socket->write("x"); });
            timer->start(400);
            return;
        }
        case Mode::Huge: {
            socket->write(head(hugeBytes));
            auto *left = new qint64(hugeBytes);
            const QByteArray chunk(64 * 1024, 'y');
            auto more = [socket, left, chunk] {
                while (*left > 0 && socket->bytesToWrite() < 256 * 1024) {
                    socket->write(chunk.left(int(std::min<qint64>(*left, chunk.size()))));
                    *left -= std::min<qint64>(*left, chunk.size());
                }
            };
            connect(socket, &QTcpSocket::bytesWritten, socket, more);
            connect(socket, &QObject::destroyed, [left] { delete left; });
            more();
            return;
        }
        }
    }
    QByteArray head(qint64 length) const
    {
        return "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Error")
               + "\r\nContent-Type: " + contentType + "\r\nContent-Length: " + QByteArray::number(length)
               + (contentEncoding.isEmpty() ? QByteArray() : "\r\nContent-Encoding: " + contentEncoding)
               + "\r\nConnection: close\r\n\r\n";
    }

    QTcpServer server_;
    QByteArray request_;
};

}  // namespace moyuta::test
