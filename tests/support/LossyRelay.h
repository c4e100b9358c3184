#pragma once
// A seeded in-memory relay between two ends (0 and 1), driven by a fake
// clock: a datagram posted by one end reaches the other after a random
// delay, unless it is lost; some are duplicated, some held back so that
// later ones overtake them. The same seed gives the same run.

#include <QByteArray>

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <utility>

namespace moyuta::test {

class SimClock {
public:
    qint64 now = 0;
    std::function<qint64()> source() { return [this] { return now; }; }
};

struct RelayOdds {
    double loss = 0;       // chance a datagram is lost
    double duplicate = 0;  // chance a second copy follows (with its own delay)
    double reorder = 0;    // chance a datagram is held back by a further maxDelayMs
    qint64 minDelayMs = 1, maxDelayMs = 1;
};

class LossyRelay {
public:
    using Receiver = std::function<void(const QByteArray &)>;

    LossyRelay(std::function<qint64()> clock, RelayOdds odds, quint32 seed)
        : clock_(std::move(clock)), odds_(odds), random_(seed)
    {
    }

    std::array<bool, 2> cutFrom{false, false};  // everything from this end is lost
    // Loses exactly the datagrams it answers true for (besides the odds).
    std::function<bool(int from, const QByteArray &)> dropIf;
    std::array<int, 2> posted{0, 0};

    void attach(int end, Receiver receiver) { receivers_[end] = std::move(receiver); }
    void setOdds(RelayOdds odds) { odds_ = odds; }

    void post(int from, const QByteArray &datagram)
    {
        ++posted[from];
        if (cutFrom[from] || chance(odds_.loss) || (dropIf && dropIf(from, datagram)))
            return;
        schedule(1 - from, datagram);
        if (chance(odds_.duplicate))
            schedule(1 - from, datagram);
    }

    std::optional<qint64> nextDeliveryAt() const
    {
        if (inTransit_.empty())
            return std::nullopt;
        return inTransit_.begin()->first;
    }

    // Hands over everything due by now, oldest first.
    void deliverDue()
    {
        const qint64 now = clock_();
        for (int n = 0; n < 100000 && !inTransit_.empty(); ++n) {
            auto it = inTransit_.begin();
            if (it->first > now)
                return;
            auto [to, datagram] = std::move(it->second);
            inTransit_.erase(it);
            if (receivers_[to])
                receivers_[to](datagram);
        }
    }

    size_t inTransit() const { return inTransit_.size(); }

private:
    bool chance(double p) { return p > 0 && std::uniform_real_distribution<double>(0, 1)(random_) < p; }

    void schedule(int to, const QByteArray &datagram)
    {
        qint64 delay = std::uniform_int_distribution<qint64>(odds_.minDelayMs, odds_.maxDelayMs)(random_);
        if (chance(odds_.reorder))
            delay += odds_.maxDelayMs;
        inTransit_.emplace(clock_() + delay, std::make_pair(to, datagram));
    }

    std::function<qint64()> clock_;
    RelayOdds odds_;
    std::mt19937 random_;
    std::array<Receiver, 2> receivers_;
    std::multimap<qint64, std::pair<int, QByteArray>> inTransit_;
};

}  // namespace moyuta::test
