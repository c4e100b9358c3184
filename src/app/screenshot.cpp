// Lays out a sample position in the real main window, off screen, and saves
// a picture of it.   moyuta-screenshot OUTPUT.png [device-pixel-ratio] [size-code] [network]
// MOYUTA_SHOT_SIZE=WxH sizes the window first (it prints its minimum size).
// With "network", the network panel is open over the (then empty) board.
#include "Application.h"
#include "Board.h"
#include "BoardView.h"
#include "MainWindow.h"
#include "NullPorts.h"
#include "Panel.h"
#include "QtPorts.h"

#include <QApplication>
#include <QPixmap>
#include <cstdio>

namespace {

using namespace moyuta;

// Answers every question with Yes and shows nothing, so the tool never waits.
class SilentDialogs : public DialogPort {
public:
    Answer ask(const QString &) override { return Answer::Yes; }
    void inform(const QString &text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void warn(const QString &text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    QString openFileName(const QStringList &) override { return {}; }
    QString saveFileName(const QStringList &) override { return {}; }
};

void press(AppState &s, int column, int row)
{
    board::pressPoint(s, pointIndex(row, column), board::MouseButton::Left);
}

// A short opening; the points are (column, row) from the top-left.
void layOutSample(AppState &s)
{
    Form &f = s.form;
    f.chkNumberStones.setChecked(true);
    const int lines = linesOf(s.board.boardSizeCode);
    if (lines == 19) {
        const int moves[][2] = {{15, 3}, {3, 15}, {16, 15}, {3, 3}, {2, 5}, {2, 8}, {4, 5},
                                {13, 16}, {13, 15}, {12, 16}, {15, 9}, {5, 2}, {10, 15}};
        for (const auto &m : moves)
            press(s, m[0], m[1]);
    } else if (lines == 13) {
        const int moves[][2] = {{9, 2}, {3, 10}, {10, 10}, {2, 3}, {6, 2}, {10, 6}, {2, 7}};
        for (const auto &m : moves)
            press(s, m[0], m[1]);
    } else {
        const int moves[][2] = {{4, 2}, {6, 2}, {2, 6}, {6, 6}, {5, 6}};
        for (const auto &m : moves)
            press(s, m[0], m[1]);
    }
    // Letters are placed through the marks selector, as a player would.
    f.chkOtherMarks.setChecked(true);
    f.Option4.select(3);
    press(s, lines == 19 ? 9 : 6, lines == 19 ? 4 : lines - 3);
    // "▲" goes on the board only between connected players; put it there directly.
    board::setPointContent(s, pointIndex(lines == 19 ? 16 : lines - 2, lines == 19 ? 6 : 1), PointContent::Triangle);
}

}  // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [device-pixel-ratio] [size-code 0|1|2] [network]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 3)
        qputenv("QT_SCALE_FACTOR", argv[2]);
    const int sizeCode = argc >= 4 ? QByteArray(argv[3]).toInt() : Size19;
    const bool networkPanel = argc >= 5 && QByteArray(argv[4]) == "network";

    QApplication app(argc, argv);
    ui::prepareApplication(app);

    SilentDialogs dialogs;
    ui::QtEventPump pump;
    NullPeerOutbox outbox;
    NullSound sound;
    NullClock clock;
    NullTransport transport;
    NullProgram program;
    NullWindows windows;
    NullNews news;
    AppState state({dialogs, pump, outbox, sound, clock, transport, program, windows, news});
    board::installHandlers(state);
    board::setInitialState(state);
    state.form.lblMax.caption = QStringLiteral("3");  // the clock's limit, as start-up sets it
    state.form.Option3.select(sizeCode);
    layOutSample(state);
    if (networkPanel) {
        network::installPanelHandlers(state);
        network::onNetworkPanelOpen(state);
    }

    ui::MainWindow window(state);
    window.sync();
    // MOYUTA_SHOT_SIZE=WxH: the window at that size (in device-independent pixels), as far as it can shrink.
    if (const QByteArray size = qgetenv("MOYUTA_SHOT_SIZE"); size.contains('x'))
        window.resize(size.split('x')[0].toInt(), size.split('x')[1].toInt());
    window.show();
    std::fprintf(stderr, "minimum %dx%d\n", window.minimumSizeHint().width(), window.minimumSizeHint().height());
    QCoreApplication::processEvents();

    const QPixmap shot = window.grab();
    if (!shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
