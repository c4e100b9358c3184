#include "QtNewsFetch.h"

#include "QtPorts.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

namespace moyuta::ui {

namespace {

// The charset parameter of a Content-Type value, e.g. "text/plain; charset=Shift_JIS".
QByteArray charsetOf(const QByteArray &contentType)
{
    for (QByteArray part : contentType.split(';')) {
        part = part.trimmed();
        if (part.toLower().startsWith("charset=")) {
            QByteArray value = part.mid(8).trimmed();
            if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
                value = value.mid(1, value.size() - 2);
            return value;
        }
    }
    return {};
}

}  // namespace

NewsResponse QtNewsFetch::fetch()
{
    NewsResponse response;
    if (url_.isEmpty() || aborted_)
        return response;
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url_)};
    request.setTransferTimeout(transferTimeoutMs);
    QNetworkReply *reply = manager.get(request);
    reply_ = reply;
    reply->setReadBufferSize(64 * 1024);  // read as it comes: memory stays bounded

    QByteArray body;
    bool tooLarge = false;
    QEventLoop loop;
    loop_ = &loop;
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        body += reply->read(maxBytes + 1 - body.size());
        if (body.size() > maxBytes) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // An error can come without `finished` soon after it: Qt's own check for
    // compression bombs ends the reply so, and the rest of the answer then
    // waits unread until the deadline.
    QObject::connect(reply, &QNetworkReply::errorOccurred, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    deadline.start(deadlineMs);
    {
        NestedEvents waiting;
        if (!reply->isFinished())
            loop.exec();
    }
    loop_ = nullptr;
    if (!tooLarge && reply->bytesAvailable() > 0)
        body += reply->read(maxBytes + 1 - body.size());
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    response.ok = !aborted_ && !tooLarge && body.size() <= maxBytes && reply->error() == QNetworkReply::NoError
                  && status >= 200 && status < 300;
    if (response.ok) {
        response.body = body;
        response.charset = charsetOf(reply->header(QNetworkRequest::ContentTypeHeader).toByteArray());
    }
    reply->deleteLater();
    return response;
}

void QtNewsFetch::abort()
{
    aborted_ = true;
    if (reply_)
        reply_->abort();
    if (loop_)
        loop_->quit();
}

}  // namespace moyuta::ui
