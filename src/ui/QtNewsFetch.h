#pragma once
// The news endpoint over HTTP with QNetworkAccessManager. The GET is waited
// for in a nested event loop, so the splash keeps painting; it gives up after
// a transfer time-out, after an overall deadline (a server that drips a byte
// now and then), and on an answer larger than any notice needs.

#include "Ports.h"

#include <QPointer>
#include <QString>

class QEventLoop;
class QNetworkReply;

namespace moyuta::ui {

class QtNewsFetch : public NewsPort {
public:
    explicit QtNewsFetch(QString url) : url_(std::move(url)) {}

    NewsResponse fetch() override;
    void abort() override;

    int transferTimeoutMs = 20000;
    int deadlineMs = 20000;
    qint64 maxBytes = 1024 * 1024;

private:
    QString url_;
    QPointer<QNetworkReply> reply_;
    QEventLoop *loop_ = nullptr;
    bool aborted_ = false;
};

}  // namespace moyuta::ui
