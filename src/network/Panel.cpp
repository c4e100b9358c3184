// The network panel: open, close, and what it disables meanwhile.
#include "Panel.h"

#include "Board.h"
#include "Chat.h"
#include "Cp932.h"
#include "Mapping.h"
#include "OwnAddress.h"
#include "SecurePlay.h"
#include "Record.h"

namespace moyuta::network {

void keepReplayLocks(AppState &s)
{
    if (s.moves.replayStep >= 1)
        board::lockForReplay(s);
}

void disableForPanel(AppState &s)
{
    Form &f = s.form;
    f.Option3.setAllEnabled(false);
    f.Option1.setAllEnabled(false);
    f.Option2.setAllEnabled(false);
    f.Option4.setAllEnabled(false);
    for (Control *c : std::initializer_list<Control *>{
             &f.cmdNetwork, &f.cmdOpt, &f.cmdClear, &f.cmdSend, &f.cmdWait, &f.cmdOff, &f.cmdRec, &f.cmdBack,
             &f.cmdNewSave, &f.cmdFileOpen, &f.cmdF, &f.cmdTouryou, &f.chkNumberStones, &f.chkOtherMarks,
             &f.cmdSankaku, &f.cmd1Rectang, &f.cmdDikazuClear, &f.txtSend, &f.UpDown1, &f.UpDown2, &f.UpDown3,
             &f.UpDown5, &f.cmdTimer, &f.cmdResetTimer, &f.Combo2})
        c->enabled = false;
    f.Option4.setSelected(0);
    f.Option4.setAllBack(kButtonGrey);
}

void enableAfterPanel(AppState &s)
{
    Form &f = s.form;
    const bool content = board::boardHasContent(s);
    f.Option3.setAllEnabled(true);
    f.Option1.setAllEnabled(true);
    f.cmdOpt.enabled = true;
    f.cmdSend.enabled = true;
    f.txtSend.enabled = true;
    f.UpDown5.enabled = true;
    f.cmdClear.enabled = !s.session.authenticated && content;
    if (s.board.gameStarted) {
        f.cmdTouryou.enabled = true;
        f.UpDown1.enabled = f.UpDown2.enabled = true;
        f.cmdOff.enabled = true;
        f.cmdWait.enabled = content && s.shell.savedWaitEnabled;
    }
    f.cmdRec.enabled = !s.moves.recording;
    f.cmdBack.enabled = true;
    f.chkNumberStones.enabled = true;
    f.chkOtherMarks.enabled = true;
    f.Option4[0].enabled = true;
    for (int i = 3; i <= 6; ++i)
        f.Option4[i].enabled = true;
    board::setCountButtonsEnabled(s, true);
    f.Option2.setAllEnabled(true);
    f.cmdFileOpen.enabled = true;
    f.cmdNewSave.enabled = f.cmdF.enabled = !s.moves.gameRecord.isEmpty();
    f.UpDown3.enabled = true;
    f.cmdTimer.enabled = f.cmdResetTimer.enabled = true;
    f.Combo2.enabled = true;
    keepReplayLocks(s);
}

void onNetworkPanelOpen(AppState &s)
{
    Form &f = s.form;
    if (s.peerBlocks())
        return;
    if (!s.session.showPasswordAtStart)
        s.session.sessionPassword.clear();
    s.savePanelButtons();
    if (f.cmdF.enabled
        && !s.askYes(QStringLiteral("記録を再生出来ます、ネットワーク対局を行うと破棄されますがよろしいですか？")))
        return;
    if (s.moves.recording) {
        if (!s.askYes(QStringLiteral("記録中ですが中止しますか？")))
            return;
        board::showNotRecording(s);
        if (!s.moves.gameRecord.isEmpty() && s.askYes(QStringLiteral("記録した手順を保存しますか？")))
            record::saveRecord(s);
    } else if (board::boardHasContent(s)
               && !s.askYes(QStringLiteral("盤面に石または文字または記号などがあります。ネットワーク対局が開始されると消えてしまいますがよろしいですか？"))) {
        return;
    }
    board::clearBoard(s);
    board::resetStartNumber(s);
    board::endReplay(s);
    board::hideLastMoveMarker(s);
    refreshLocalAddresses(s);
    showOwnAddress(s);
    f.fraNetwork.visible = true;
    // The mode first: its handler must not enable the colours again afterwards.
    f.Option2.select(0);
    disableForPanel(s);
    s.setSidePanelOpen(true);
    f.cmdNetwork.enabled = false;
}

void onNetworkPanelClose(AppState &s)
{
    Form &f = s.form;
    f.fraNetwork.visible = false;
    enableAfterPanel(s);
    f.cmdStart.enabled = true;
    if (s.session.authenticated) {
        f.cmdNetwork.enabled = false;
        f.cmdRec.enabled = false;
        f.cmdBack.enabled = false;
        f.chkNumberStones.enabled = false;
        f.UpDown5.enabled = false;
        f.Option4.select(0);
        f.chkOtherMarks.setChecked(false);
        f.chkOtherMarks.enabled = false;
        f.Option4.setAllEnabled(false);
        f.Option2.select(0);
        f.Option2.setAllEnabled(false);
        board::setCountButtonsEnabled(s, false);
        f.cmdNewSave.enabled = f.cmdF.enabled = f.cmdFileOpen.enabled = false;
    } else {
        restoreLocalPlay(s);
    }
    if (const int n = cipherNumberShown(s))
        s.session.activeCipherNumber = n;
    keepReplayLocks(s);
    s.setSidePanelOpen(false);
}

void restoreLocalPlay(AppState &s)
{
    Form &f = s.form;
    f.cmdNetwork.enabled = true;
    f.cmdStart.enabled = false;
    f.Option2.setAllEnabled(true);
    f.chkNumberStones.enabled = true;
    f.UpDown5.enabled = true;
    f.Option4.select(0);
    f.Option4.setAllEnabled(f.chkOtherMarks.checked);
    f.Option4[1].enabled = f.Option4[2].enabled = false;  // ▲ and ◆ wait for a game's end
    board::setCountButtonsEnabled(s, false);
    f.cmdBack.enabled = board::boardHasContent(s);
    f.Option1.select(0);
    board::setTool(s, ToolBlack);
    f.cmdRec.enabled = s.flags.savedPanelButtons.rec;
    f.cmdFileOpen.enabled = s.flags.savedPanelButtons.open;
    f.cmdNewSave.enabled = s.flags.savedPanelButtons.saveAs;
    f.cmdF.enabled = s.flags.savedPanelButtons.replay;
}

int cipherNumberShown(const AppState &s)
{
    for (int n = 1; n <= 29; ++n)
        if (s.form.cboCipherNumber.text == QString::number(n))
            return n;
    return 0;
}

void onPortFieldChange(AppState &s, TextBox &field)
{
    const QString text = field.text;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            field.text.clear();
            return;
        }
    if (text.size() >= 2 && text.startsWith(QLatin1Char('0'))) {
        s.inform(QStringLiteral("左側1文字は0以外にして下さい。"));
        field.text.clear();
    }
}

void onSavedTextFieldChange(AppState &, TextBox &field)
{
    QString kept;
    for (QChar c : field.text)
        if (c != QLatin1Char('#') && !c.isSurrogate() && survivesCp932(QString(c)))
            kept += c;
    field.text = kept;
}

void installPanelHandlers(AppState &s)
{
    Form &f = s.form;
    f.txtPeerPort.onChange = [&s] { onPortFieldChange(s, s.form.txtPeerPort); };
    f.txtOwnPort.onChange = [&s] {
        onPortFieldChange(s, s.form.txtOwnPort);
        showOwnAddress(s);  // the port beside this copy's own addresses
    };
    f.txtPeerAddress.onChange = [&s] { onSavedTextFieldChange(s, s.form.txtPeerAddress); };
    f.txtPassword.onChange = [&s] { onSavedTextFieldChange(s, s.form.txtPassword); };
    f.txtSend.onChange = [&s] { onChatTextChange(s); };
    f.Check3.onClick = [&s] {
        s.session.showPasswordAtStart = s.form.Check3.checked;
        // A word for the user who ticks it; start-up restores it silently.
        if (s.session.showPasswordAtStart && s.shell.startupComplete)
            s.inform(QStringLiteral("チェックを入れると次回起動時に合言葉(パスワード)が表示されますのでPCを使用する本人以外の人に見られる可能性があります。"));
    };
    f.chkClassic.onClick = [&s] { s.session.classicProtocol = s.form.chkClassic.checked; };
    f.txtOwnName.onChange = [&s] { sendOwnName(s); };  // the secure session only: the classic wire stays as it was
}

}  // namespace moyuta::network
