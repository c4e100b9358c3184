// The 361 points, the three board sizes and the switch between them.
#include "Board.h"

namespace moyuta::board {

namespace {

const QString &switchQuestion(int sizeCode, bool networkGame)
{
    static const QString local[3] = {
        QStringLiteral("盤面に石または文字または記号などがある場合は消えてしまいます、19路盤にしますか？"),
        QStringLiteral("盤面に石または文字または記号などがある場合は消えてしまいます、13路盤にしますか？"),
        QStringLiteral("盤面に石または文字または記号などがある場合は消えてしまいます、9路盤にしますか？")};
    static const QString network[3] = {
        QStringLiteral("ネットワーク大戦中です。盤面の石または文字または記号などがある場合は消えてしまいますが19路盤にしますか？"),
        QStringLiteral("ネットワーク大戦中です。盤面の石または文字または記号などがある場合は消えてしまいますが13路盤にしますか？"),
        QStringLiteral("ネットワーク大戦中です。盤面の石または文字または記号などがある場合は消えてしまいますが9路盤にしますか？")};
    return networkGame ? network[sizeCode] : local[sizeCode];
}

}  // namespace

bool boardHasContent(const AppState &s)
{
    for (const BoardPoint &p : s.board.points)
        if (p.content != PointContent::Empty)
            return true;
    return false;
}

void clearBoard(AppState &s)
{
    for (BoardPoint &p : s.board.points)
        p = BoardPoint{};
}

void showLastMoveMarker(AppState &s, int point)
{
    s.board.lastMovePoint = isValidPoint(point) ? point : -1;
}

void hideLastMoveMarker(AppState &s)
{
    s.board.lastMovePoint = -1;
}

void switchToSize(AppState &s, int sizeCode)
{
    if (sizeCode < Size19 || sizeCode > Size9)
        sizeCode = Size9;
    if (sizeCode == Size19)
        s.board.sizeSwitchDeclined = false;

    if (boardHasContent(s)) {
        const QString peerStart = QString::number(sizeCode) + QStringLiteral(",開始") + kTerminator;
        bool yes;
        if (s.session.handlingPeerMessage > 0 && s.session.incomingMessage == peerStart)
            yes = true;  // the peer has just started a game on this size
        else if (!s.session.authenticated)
            yes = s.askYesHeld(switchQuestion(sizeCode, false));
        else if (s.board.gameStarted)
            yes = s.askYesHeld(switchQuestion(sizeCode, true));
        else
            yes = true;

        if (!yes) {
            if (sizeCode == Size19)
                s.board.sizeSwitchDeclined = true;
            s.board.sizeSwitchRestoring = true;
            s.form.Option3.select(s.board.boardSizeCode);
            s.board.sizeSwitchRestoring = false;
            return;
        }
        clearBoard(s);
        resetStartNumber(s);
        s.moves.takeBackHistory.clear();
    }
    hideLastMoveMarker(s);
    s.board.boardSizeCode = sizeCode;
}

void switchTo19Lines(AppState &s) { switchToSize(s, Size19); }
void switchTo13Lines(AppState &s) { switchToSize(s, Size13); }
void switchTo9Lines(AppState &s) { switchToSize(s, Size9); }

void onSizeOption(AppState &s, int index)
{
    OptionGroup &sizes = s.form.Option3;
    if (s.board.gameStarted || s.peerBlocks() || s.moves.recording || s.moves.replayStep >= 1) {
        // The choice does not count: keep the selector on the board's size.
        sizes.select(s.board.boardSizeCode);
        return;
    }
    if (s.flags.busy && !s.board.sizeSwitchRestoring) {
        sizes.select(s.board.lastRequestedOption);
        return;
    }
    const BusyScope busy(s);
    s.board.lastRequestedOption = index;
    if (index != s.board.boardSizeCode) {
        switchToSize(s, index);
        if (s.session.authenticated && s.board.boardSizeCode == index) {
            static const QString names[3] = {QStringLiteral("19路"), QStringLiteral("13路"), QStringLiteral("9路")};
            s.sendKeyword(names[index]);
        }
    }
    if (!boardHasContent(s) && !s.session.authenticated) {
        s.form.cmdBack.enabled = false;
        s.form.cmdClear.enabled = false;
    }
}

void layOutBoard(AppState &s)
{
    clearBoard(s);
    hideLastMoveMarker(s);
}

void onStartNumberChange(AppState &s)
{
    s.form.lblSnum.caption = QString::number(s.form.UpDown5.value);
    s.board.moveCounter = qint16(s.form.UpDown5.value - 1);
}

void resetStartNumber(AppState &s)
{
    s.form.UpDown5.setValue(1);
    s.form.lblSnum.caption = QStringLiteral("1");
    s.board.moveCounter = 0;
}

int leadingNumber(const QString &text)
{
    const QString t = text.trimmed();
    int value = 0;
    for (QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = value * 10 + (c.unicode() - '0');
        if (value > 1000000)
            break;  // far beyond any point, number or count
    }
    return value;
}

}  // namespace moyuta::board
