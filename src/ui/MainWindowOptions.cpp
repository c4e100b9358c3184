// The options panel: a frame centred on the window, like the network panel.
#include "MainWindow.h"
#include "Options.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>

namespace moyuta::ui {

namespace {

// A small stone in one of the black-stone colours, beside its name.
QIcon colourStone(Rgb rgb)
{
    QPixmap pm(64, 64);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 3));
    p.setBrush(QColor::fromRgb(QRgb(0xFF000000u | rgb)));
    p.drawEllipse(QRectF(6, 6, 52, 52));
    p.end();
    pm.setDevicePixelRatio(4);
    return QIcon(pm);
}

}  // namespace

QFrame *MainWindow::buildOptionsPanel(QWidget *parent)
{
    Form &f = s_.form;
    QGridLayout *grid = nullptr;
    QFrame *panel = sidePanelFrame(parent, QStringLiteral("オプション"), grid);
    grid->setVerticalSpacing(8);

    auto addRow = [&](int row, const QString &name, QWidget *control, QLayout *layout = nullptr) {
        auto *caption = new QLabel(name + QStringLiteral("："));
        caption->setBuddy(control);
        grid->addWidget(caption, row, 0);
        if (layout)
            grid->addLayout(layout, row, 1);
        else
            grid->addWidget(control, row, 1, Qt::AlignLeft);
    };

    // Lists whose typed text is checked at once: no completion guessing at a name.
    auto addNameList = [&](int row, ComboBox &model, const QString &name) {
        QComboBox *list = comboBox(model, name);
        list->setCompleter(nullptr);
        list->setMinimumWidth(140);
        addRow(row, name, list);
    };
    addNameList(1, f.Combo1, QStringLiteral("碁盤の色"));

    QButtonGroup *stones = optionGroup(f.Option5, false);
    auto *stoneRow = new QHBoxLayout;
    for (int i = 0; i < f.Option5.size(); ++i) {
        QAbstractButton *b = stones->button(i);
        b->setIcon(colourStone(kBlackStoneColours[size_t(i)]));
        stoneRow->addWidget(b);
    }
    stoneRow->addStretch(1);
    addRow(2, QStringLiteral("黒石の色"), stones->button(0), stoneRow);

    addNameList(3, f.Combo3, QStringLiteral("回線スピード"));

    QButtonGroup *sound = optionGroup(f.OptSound, false);
    auto *soundRow = new QHBoxLayout;
    soundRow->addWidget(sound->button(0));
    soundRow->addWidget(sound->button(1));
    soundRow->addStretch(1);
    addRow(4, QStringLiteral("サウンド"), sound->button(0), soundRow);

    QLabel *logSize = valueLabel(f.lblLog, 36);
    QSpinBox *logSpin = spinner(f.UpDown4, QStringLiteral("チャットのログ数"), true);
    auto *logRow = new QHBoxLayout;
    logRow->addWidget(logSize);
    logRow->addWidget(logSpin);
    logRow->addStretch(1);
    addRow(5, QStringLiteral("チャットのログ数"), logSpin, logRow);

    // The coordinates around the board, applied with the rest.
    QButtonGroup *coords = optionGroup(f.OptCoords, false);
    auto *coordsRow = new QHBoxLayout;
    for (QAbstractButton *b : coords->buttons())
        coordsRow->addWidget(b);
    coordsRow->addStretch(1);
    addRow(6, QStringLiteral("座標"), coords->button(0), coordsRow);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(button(f.cmdTekiyou, shell::onOptionsApply));
    buttons->addWidget(button(f.cmdOptClose, shell::onOptionsClose));
    grid->addLayout(buttons, 7, 0, 1, 2);

    bind(f.fraOptions, panel);
    panel->hide();
    return panel;
}

}  // namespace moyuta::ui
