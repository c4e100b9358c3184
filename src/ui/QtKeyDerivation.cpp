#include "QtKeyDerivation.h"

#include "SessionKey.h"

#include <QMutex>
#include <QMutexLocker>
#include <QThreadPool>

namespace moyuta::ui {

// What a worker may touch: the receiver, cleared under the lock when it goes.
// A result posted while it is still there reaches it, or is discarded by Qt
// together with the receiver's other events.
struct QtKeyDerivation::Link {
    QMutex mutex;
    QtKeyDerivation *receiver = nullptr;
};

QtKeyDerivation::QtKeyDerivation(QObject *parent) : QObject(parent), link_(std::make_shared<Link>())
{
    link_->receiver = this;
}

QtKeyDerivation::~QtKeyDerivation()
{
    QMutexLocker lock(&link_->mutex);
    link_->receiver = nullptr;
}

void QtKeyDerivation::derive(const QString &password, int cipherNumber, const QByteArray &salt,
                             std::function<void(const QByteArray &key)> done)
{
    const quint64 generation = ++generation_;
    done_ = std::move(done);
    QThreadPool::globalInstance()->start([link = link_, generation, password, cipherNumber, salt] {
        const QByteArray key = network::deriveSessionKey(password, cipherNumber, salt);
        QMutexLocker lock(&link->mutex);
        if (QtKeyDerivation *receiver = link->receiver)
            QMetaObject::invokeMethod(receiver, [receiver, generation, key] { receiver->deliver(generation, key); },
                                      Qt::QueuedConnection);
    });
}

void QtKeyDerivation::cancel()
{
    ++generation_;
    done_ = nullptr;
}

void QtKeyDerivation::deliver(quint64 generation, const QByteArray &key)
{
    if (generation != generation_ || !done_)
        return;
    // Taken out first: `done` may start the next derivation.
    const auto done = std::exchange(done_, nullptr);
    done(key);
}

}  // namespace moyuta::ui
