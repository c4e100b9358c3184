#include "FormModel.h"

#include <algorithm>

namespace moyuta {

void CheckBox::setChecked(bool value)
{
    if (checked == value)
        return;
    checked = value;
    if (onClick)
        onClick();
}

void TextBox::setText(const QString &value)
{
    const QString v = maxLength > 0 ? leftCharacters(value, maxLength) : value;
    if (text == v)
        return;
    text = v;
    if (onChange)
        onChange();
}

void ComboBox::pick(const QString &value)
{
    text = value;
    if (onPick)
        onPick();
}

void ComboBox::type(const QString &value)
{
    if (text == value)
        return;
    text = value;
    if (onType)
        onType();
}

void Spinner::setValue(int v)
{
    v = std::clamp(v, minimum, maximum);
    if (value == v)
        return;
    value = v;
    if (onChange)
        onChange();
}

void OptionGroup::select(int i)
{
    if (i < 0 || i >= size() || i == selected)
        return;
    selected = i;
    if (onClick)
        onClick(i);
}

void OptionGroup::setSelected(int i)
{
    if (i >= 0 && i < size())
        selected = i;
}

void OptionGroup::setAllEnabled(bool enabled)
{
    for (Control &c : options)
        c.enabled = enabled;
}

void OptionGroup::setAllBack(Rgb colour)
{
    for (Control &c : options)
        c.back = colour;
}

namespace {

template <typename T>
T make(const char *name, const QString &caption = {}, bool enabled = true)
{
    T c;
    c.name = QString::fromLatin1(name);
    c.caption = caption;
    c.enabled = enabled;
    return c;
}

OptionGroup makeGroup(const char *name, const QStringList &captions)
{
    OptionGroup g;
    g.name = QString::fromLatin1(name);
    for (int i = 0; i < captions.size(); ++i) {
        Control c;
        c.name = g.name + QLatin1Char('_') + QString::number(i);
        c.caption = captions[i];
        g.options.push_back(c);
    }
    return g;
}

Spinner makeSpinner(const char *name, int minimum, int maximum, int value, bool enabled)
{
    Spinner s = make<Spinner>(name, {}, enabled);
    s.minimum = minimum;
    s.maximum = maximum;
    s.value = value;
    return s;
}

TextBox makeTextBox(const char *name, int maxLength, const QString &hint = {})
{
    TextBox t = make<TextBox>(name);
    t.maxLength = maxLength;
    t.hint = hint;
    return t;
}

}  // namespace

Form::Form()
{
    Option1 = makeGroup("Option1", {QStringLiteral("黒(&D)"), QStringLiteral("白(&E)"), QStringLiteral("削除(&F)")});
    Option2 = makeGroup("Option2", {QStringLiteral("黒白交互に置く(&G)"), QStringLiteral("黒を連続で置く(&H)"),
                                    QStringLiteral("白を連続で置く(&I)"), QStringLiteral("連続で削除(&J)")});
    Option3 = makeGroup("Option3", {QStringLiteral("19路盤(&A)"), QStringLiteral("13路盤(&B)"), QStringLiteral("9路盤(&C)")});
    Option4 = makeGroup("Option4", {QStringLiteral("なし"), QStringLiteral("▲"), QStringLiteral("◆"), QStringLiteral("A"),
                                    QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")});
    Option4.setAllEnabled(false);

    chkNumberStones = make<CheckBox>("chkNumberStones", QStringLiteral("石に番号を付ける(&K)"));
    chkOtherMarks = make<CheckBox>("chkOtherMarks", QStringLiteral("その他印(&U)"));
    cmdSankaku = make<Button>("cmdSankaku", QStringLiteral("▲を数える"), false);
    cmd1Rectang = make<Button>("cmd1Rectang", QStringLiteral("◆を数える"), false);
    cmdDikazuClear = make<Button>("cmdDikazuClear", QStringLiteral("その他クリアー"), false);
    Frame8 = make<Control>("Frame8");
    Frame8.visible = false;
    lbl2Message = make<Label>("lbl2Message", QStringLiteral("退席中です…"));

    cmdBack = make<Button>("cmdBack", QStringLiteral("1手戻る(&L)"), false);
    cmdClear = make<Button>("cmdClear", QStringLiteral("クリアー(&V)"), false);
    cmdStart = make<Button>("cmdStart", QStringLiteral("対局開始(&N)"), false);
    cmdTouryou = make<Button>("cmdTouryou", QStringLiteral("投了、終局(&X)"), false);
    cmdWait = make<Button>("cmdWait", QStringLiteral("待った(&O)"), false);
    cmdOff = make<Button>("cmdOff", QStringLiteral("着席中(&P)"), false);

    UpDown2 = makeSpinner("UpDown2", 0, 999, 0, false);
    lblBlackPrisoners = make<Label>("lblBlackPrisoners", QStringLiteral("0"));
    lblBlackPrisonersCaption = make<Label>("lblBlackPrisonersCaption", QStringLiteral("黒石"));
    UpDown1 = makeSpinner("UpDown1", 0, 999, 0, false);
    lblWhitePrisoners = make<Label>("lblWhitePrisoners", QStringLiteral("0"));
    lblWhitePrisonersCaption = make<Label>("lblWhitePrisonersCaption", QStringLiteral("白石"));

    cmdRec = make<Button>("cmdRec", QStringLiteral("記録(&Q)"));
    cmdNewSave = make<Button>("cmdNewSave", QStringLiteral("名前を付けて保存(R)"), false);
    cmdFileOpen = make<Button>("cmdFileOpen", QStringLiteral("ファイルを開く(&S)"));
    cmdF = make<Button>("cmdF", QStringLiteral("記録を再生(&T)"), false);
    UpDown5 = makeSpinner("UpDown5", 1, 999, 1, true);
    lblSnum = make<Label>("lblSnum", QStringLiteral("1"));

    cmdGameInfo = make<Button>("cmdGameInfo", QStringLiteral("対局情報(&1)"));
    frmMain = make<Control>("frmMain", QStringLiteral("Moyuta"));
    cmdReplayFirst = make<Button>("cmdReplayFirst", QStringLiteral("|◀"), false);
    cmdReplayBack10 = make<Button>("cmdReplayBack10", QStringLiteral("◀◀"), false);
    cmdReplayBack = make<Button>("cmdReplayBack", QStringLiteral("◀"), false);
    cmdReplayForward = make<Button>("cmdReplayForward", QStringLiteral("▶"), false);
    cmdReplayForward10 = make<Button>("cmdReplayForward10", QStringLiteral("▶▶"), false);
    cmdReplayLast = make<Button>("cmdReplayLast", QStringLiteral("▶|"), false);
    UpDownReplayStep = makeSpinner("UpDownReplayStep", 0, 0, 0, false);

    cmdNetwork = make<Button>("cmdNetwork", QStringLiteral("ネットワーク接続(&M)"));
    cmdOpt = make<Button>("cmdOpt", QStringLiteral("オプション(&W)"));
    cmdEnd = make<Button>("cmdEnd", QStringLiteral("終了(&Y)"));

    txtSend = makeTextBox("txtSend", 44);
    txtDisp = make<TextBox>("txtDisp");
    cmdSend = make<Button>("cmdSend", QStringLiteral("送信(&Z)"));
    lblStatus = make<Label>("lblStatus");
    Combo2 = make<ListBox>("Combo2");

    lblTime = make<Label>("lblTime");
    lblMax = make<Label>("lblMax");  // start-up sets the limit
    UpDown3 = makeSpinner("UpDown3", 1, 10, 3, true);
    cmdTimer = make<Button>("cmdTimer", QStringLiteral("タイマースタート"));
    cmdResetTimer = make<Button>("cmdResetTimer", QStringLiteral("タイマーリセット"));

    // Room for a full IPv6 address in brackets with a zone; AppData.dat keeps
    // text of any length below 255 characters.
    txtPeerAddress = makeTextBox("txtPeerAddress", 64, QStringLiteral("相手側のIPアドレスまたはPCの名前を入力"));
    txtPeerPort = makeTextBox("txtPeerPort", 5, QStringLiteral("0～65535"));
    txtOwnPort = makeTextBox("txtOwnPort", 5, QStringLiteral("0～65535"));
    txtPassword = makeTextBox("txtPassword", 20, QStringLiteral("相手との合言葉を入力"));
    cboCipherNumber = make<ComboBox>("cboCipherNumber");
    Check3 = make<CheckBox>("Check3", QStringLiteral("次回起動時に合言葉を表示する(&D)"));
    chkClassic = make<CheckBox>("chkClassic", QStringLiteral("従来方式で接続(&K)"));
    Command1 = make<Button>("Command1", QStringLiteral("接続(&A)"));
    Command4 = make<Button>("Command4", QStringLiteral("接続オフ(&B)"), false);
    Command2 = make<Button>("Command2", QStringLiteral("閉じる(&C)"));
    txtOwnAddress = make<TextBox>("txtOwnAddress");
    cmdCopyAddress = make<Button>("cmdCopyAddress", QStringLiteral("コピー(&R)"), false);
    lblMapping = make<Label>("lblMapping");
    lblMapping.visible = false;
    fraNetwork = make<Control>("fraNetwork");
    fraNetwork.visible = false;
    txtOwnName = makeTextBox("txtOwnName", 32, QStringLiteral("棋譜に書く名前"));
    cmdOpenKifuFolder = make<Button>("cmdOpenKifuFolder", QStringLiteral("棋譜フォルダを開く"));

    Combo1 = make<ComboBox>("Combo1");
    Option5 = makeGroup("Option5", {QStringLiteral("黒(&D)"), QStringLiteral("緑(&E)"), QStringLiteral("紺(&F)"),
                                    QStringLiteral("赤(&G)"), QStringLiteral("黄(&H)")});
    Combo3 = make<ComboBox>("Combo3");
    OptSound = makeGroup("OptSound", {QStringLiteral("オン(&B)"), QStringLiteral("オフ(&C)")});
    UpDown4 = makeSpinner("UpDown4", 5, 255, 10, true);
    lblLog = make<Label>("lblLog", QStringLiteral("10"));
    cmdTekiyou = make<Button>("cmdTekiyou", QStringLiteral("適用(&I)"));
    cmdOptClose = make<Button>("cmdOptClose", QStringLiteral("閉じる(&J)"));
    fraOptions = make<Control>("fraOptions");
    fraOptions.visible = false;

    OptCoords = makeGroup("OptCoords", {QStringLiteral("なし"), QStringLiteral("日本式"), QStringLiteral("A〜T・1〜19")});
    lblMoveCount = make<Label>("lblMoveCount", QStringLiteral("手数 0　次は黒"));
}

NewsForm::NewsForm()
{
    Text1 = make<TextBox>("Text1");
    Check1 = make<CheckBox>("Check1", QStringLiteral("お知らせを確認しました(&A)"));
    Command1 = make<Button>("Command1", QStringLiteral("閉じる(&B)"));
}

std::vector<Control *> Form::controls()
{
    std::vector<Control *> all = {&chkNumberStones, &chkOtherMarks, &cmdSankaku, &cmd1Rectang, &cmdDikazuClear,
                                  &Frame8, &lbl2Message, &cmdBack, &cmdClear, &cmdStart, &cmdTouryou, &cmdWait,
                                  &cmdOff, &UpDown2, &lblBlackPrisoners, &lblBlackPrisonersCaption, &UpDown1,
                                  &lblWhitePrisoners, &lblWhitePrisonersCaption, &cmdRec, &cmdNewSave,
                                  &cmdFileOpen, &cmdF, &UpDown5, &lblSnum, &cmdGameInfo, &cmdNetwork, &cmdOpt, &cmdEnd,
                                  &txtSend, &txtDisp, &cmdSend, &lblStatus, &Combo2, &lblTime, &lblMax, &UpDown3,
                                  &cmdTimer, &cmdResetTimer, &txtPeerAddress, &txtPeerPort, &txtOwnPort,
                                  &txtPassword, &cboCipherNumber, &Check3, &chkClassic, &Command1, &Command4, &Command2,
                                  &txtOwnAddress, &cmdCopyAddress, &lblMapping, &fraNetwork,
                                  &txtOwnName, &cmdOpenKifuFolder,
                                  &Combo1, &Combo3, &UpDown4, &lblLog, &cmdTekiyou, &cmdOptClose, &fraOptions};
    all.insert(all.end(), {&cmdReplayFirst, &cmdReplayBack10, &cmdReplayBack, &cmdReplayForward,
                           &cmdReplayForward10, &cmdReplayLast, &UpDownReplayStep, &lblMoveCount});
    for (OptionGroup *g : optionGroups())
        for (Control &c : g->options)
            all.push_back(&c);
    return all;
}

std::vector<OptionGroup *> Form::optionGroups()
{
    return {&Option1, &Option2, &Option3, &Option4, &Option5, &OptSound, &OptCoords};
}

}  // namespace moyuta
