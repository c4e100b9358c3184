// The replay's steps in the record group, beside the start number: |◀ ◀◀ ◀
// ▶ ▶▶ ▶| and the counter "30 / 127", and the keys and the wheel that step
// while a replay runs.
#include "MainWindow.h"

#include "BoardView.h"
#include "Record.h"
#include "ReplayKeys.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>

namespace moyuta::ui {

QWidget *MainWindow::buildReplayRow()
{
    Form &f = s_.form;
    auto *row = new QWidget;
    row->setObjectName(QStringLiteral("replayRow"));
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto *keys = new ReplayKeys(
        this, [this] { return s_.form.UpDownReplayStep.enabled; },
        [this](ReplayKeys::Jump jump, int presses) {
            forward([this, jump, presses] {
                if (jump == ReplayKeys::Jump::First)
                    record::onReplayFirst(s_);
                else if (jump == ReplayKeys::Jump::Last)
                    record::onReplayLast(s_);
                else
                    record::stepReplay(s_, presses);
            });
        });
    keys->watch(board_, true);
    keys->watch(widgets_.value(&f.cmdF), false);  // 記録を再生 is the replay's own button

    const auto step = [](int presses) { return [presses](AppState &s) { record::stepReplay(s, presses); }; };
    const std::pair<Button *, std::function<void(AppState &)>> buttons[] = {
        {&f.cmdReplayFirst, record::onReplayFirst}, {&f.cmdReplayBack10, step(-10)},
        {&f.cmdReplayBack, step(-1)},              {&f.cmdReplayForward, step(1)},
        {&f.cmdReplayForward10, step(10)},         {&f.cmdReplayLast, record::onReplayLast}};
    const QString names[] = {QStringLiteral("最初へ"), QStringLiteral("10手戻す"), QStringLiteral("一手戻す"),
                             QStringLiteral("一手進む"), QStringLiteral("10手進む"), QStringLiteral("最後へ")};
    for (int i = 0; i < 6; ++i) {
        QPushButton *b = button(*buttons[i].first, buttons[i].second);
        b->setAccessibleName(names[i]);
        b->setToolTip(names[i]);
        b->setMinimumWidth(0);
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        layout->addWidget(b, 1);
        keys->watch(b, false);
    }
    // No arrows: the buttons beside it step; ↑ ↓ and typing still work in it.
    QSpinBox *counter = spinner(f.UpDownReplayStep, QStringLiteral("手数"), false);
    counter->setToolTip(QStringLiteral("手数"));
    counter->setButtonSymbols(QAbstractSpinBox::NoButtons);
    counter->setAlignment(Qt::AlignCenter);
    counter->setFixedWidth(counter->fontMetrics().horizontalAdvance(QStringLiteral("500 / 500")) + 12);
    layout->addSpacing(2);
    layout->addWidget(counter);
    keys->watch(counter, false);
    return row;
}

// The counter reads "30 / 127": the step shown, of the record's presses.
void MainWindow::renderReplayCounter()
{
    auto *counter = qobject_cast<QSpinBox *>(widgets_.value(&s_.form.UpDownReplayStep));
    const QString suffix = QStringLiteral(" / ") + QString::number(s_.form.UpDownReplayStep.maximum);
    if (counter && counter->suffix() != suffix) {
        const QSignalBlocker block(counter);
        counter->setSuffix(suffix);
    }
}

}  // namespace moyuta::ui
