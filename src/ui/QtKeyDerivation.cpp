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
    done_ = std::move(done);
    pending_ = Request{++generation_, password, cipherNumber, salt};
    if (!running_)
        startPending();
}

void QtKeyDerivation::startPending()
{
    if (!pending_)
        return;
    running_ = true;
    QThreadPool::globalInstance()->start([link = link_, r = *std::exchange(pending_, std::nullopt)] {
        const quint64 generation = r.generation;
        const QByteArray key = network::deriveSessionKey(r.password, r.cipherNumber, r.salt);
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
    pending_.reset();
}

void QtKeyDerivation::deliver(quint64 generation, const QByteArray &key)
{
    running_ = false;
    if (generation != generation_ || !done_)
        return startPending();
    // Taken out first: `done` may start the next derivation.
    const auto done = std::exchange(done_, nullptr);
    done(key);
}

}  // namespace moyuta::ui
