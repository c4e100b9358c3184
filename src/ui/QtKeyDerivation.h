#pragma once
// The session key's derivation on a pool thread, its result delivered on the
// caller's thread. The worker reaches this object only through shared state
// that the destructor clears, so destroying it mid-derivation is safe. One
// derivation runs at a time; of the requests made meanwhile only the newest
// waits, so a flood of requests costs one core at most and no memory.

#include "SecureChannel.h"

#include <QObject>

#include <memory>
#include <optional>

namespace moyuta::ui {

class QtKeyDerivation : public QObject, public network::KeyDerivationPort {
    Q_OBJECT
public:
    explicit QtKeyDerivation(QObject *parent = nullptr);
    ~QtKeyDerivation() override;

    void derive(const QString &password, int cipherNumber, const QByteArray &salt,
                std::function<void(const QByteArray &key)> done) override;
    void cancel() override;

private:
    struct Link;
    struct Request {
        quint64 generation;
        QString password;
        int cipherNumber;
        QByteArray salt;
    };
    void startPending();
    void deliver(quint64 generation, const QByteArray &key);

    std::shared_ptr<Link> link_;
    std::function<void(const QByteArray &key)> done_;
    // Counts derivations: a result from an earlier one is dropped.
    quint64 generation_ = 0;
    std::optional<Request> pending_;
    bool running_ = false;
};

}  // namespace moyuta::ui
