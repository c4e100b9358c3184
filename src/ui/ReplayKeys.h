#pragma once
// The replay's keys and the wheel: installed on the board and on the replay
// controls, it turns ← → (one step), PageUp/PageDown (ten), Home/End and
// the wheel over the board (a step per notch) into replay steps, while a
// replay runs. Otherwise every event passes untouched.

#include <QObject>
#include <functional>

namespace moyuta::ui {

class ReplayKeys : public QObject {
public:
    enum class Jump { Presses, First, Last };
    // `active`: a replay runs; `jump`: presses forward (below 0: back), or to the first or the last step.
    ReplayKeys(QObject *parent, std::function<bool()> active, std::function<void(Jump, int)> jump);

    // Filters `widget`'s keys, and with `wheel` its wheel too.
    void watch(QObject *widget, bool wheel);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool key(int key);
    bool wheel(QObject *watched, int angleDelta);

    std::function<bool()> active_;
    std::function<void(Jump, int)> jump_;
    QObject *wheelWidget_ = nullptr;
    int wheelRest_ = 0;  // eighths of a degree not yet a whole notch
};

}  // namespace moyuta::ui
