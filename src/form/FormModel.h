#pragma once
// The form model: one small value per control of the main window. Handlers
// change these values; the widget layer renders them and forwards the user's
// input. The change rules that the handlers rely on live here, in one place:
// selecting an option, ticking a check box or setting a spinner raises the
// control's handler only when the value actually changes.

#include "Types.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace moyuta {

struct Control {
    QString name;     // objectName in the window
    QString caption;  // text shown (with & mnemonic); for labels, their text
    bool enabled = true;
    bool visible = true;
    Rgb back = kButtonGrey;
};

struct Button : Control {};

struct Label : Control {};

struct CheckBox : Control {
    bool checked = false;
    std::function<void()> onClick;
    // Changes the tick and raises onClick when it changed.
    void setChecked(bool value);
};

// A numeric up/down control with its value.
struct Spinner : Control {
    int value = 0;
    int minimum = 0;
    int maximum = 100;
    std::function<void()> onChange;
    // Clamps to the range; raises onChange when the value changed.
    void setValue(int v);
};

struct TextBox : Control {
    QString text;
    int maxLength = 0;  // 0: no limit
    QString hint;       // shown while the field is empty
    int focusRequests = 0;  // bumped when a handler moves the keyboard focus here
    std::function<void()> onChange;
    // Changes the text (cut to maxLength characters) and raises onChange when it changed.
    void setText(const QString &value);
};

// A drop-down list with an edit field: the list's names and the text shown.
// A pick from the list and typing into the field are told apart; text the
// program sets raises neither.
struct ComboBox : Control {
    QStringList items;
    QString text;
    std::function<void()> onPick;
    std::function<void()> onType;
    // The user picked `value` from the list: raises onPick (also for the name already shown).
    void pick(const QString &value);
    // The user typed: raises onType when the text changed.
    void type(const QString &value);
};

// A drop-down list the user only reads: its entries.
struct ListBox : Control {
    QStringList items;
};

// A group of option buttons of which one is selected.
struct OptionGroup {
    QString name;
    std::vector<Control> options;
    int selected = 0;
    std::function<void(int)> onClick;

    int size() const { return int(options.size()); }
    Control &operator[](int i) { return options[size_t(i)]; }
    const Control &operator[](int i) const { return options[size_t(i)]; }
    // Selects option i and raises onClick(i) when the selection changed.
    void select(int i);
    // Moves the selection without raising onClick: for a handler that resets
    // another selector as part of carrying out its own choice.
    void setSelected(int i);
    void setAllEnabled(bool enabled);
    void setAllBack(Rgb colour);
};

// The news window frmInfo: the notice, its check box and close button.
struct NewsForm {
    NewsForm();
    TextBox Text1;     // the notice, read-only
    CheckBox Check1;   // お知らせを確認しました(&A)
    Button Command1;   // 閉じる(&B)
};

// Every control of the main window that the program switches.
struct Form {
    Form();

    // Board and placement.
    OptionGroup Option1;  // 黒 / 白 / 削除
    OptionGroup Option2;  // placement mode
    OptionGroup Option3;  // board size
    OptionGroup Option4;  // marks and letters
    CheckBox chkNumberStones;  // 石に番号を付ける(&K)
    CheckBox chkOtherMarks;    // その他印(&U)
    Button cmdSankaku;         // ▲を数える
    Button cmd1Rectang;        // ◆を数える
    Button cmdDikazuClear;     // その他クリアー
    Control Frame8;            // the message panel over the board
    Label lbl2Message;         // its text

    // Game commands.
    Button cmdBack;     // 1手戻る(&L)
    Button cmdClear;    // クリアー(&V)
    Button cmdStart;    // 対局開始(&N)
    Button cmdTouryou;  // 投了、終局(&X)
    Button cmdWait;     // 待った(&O)
    Button cmdOff;      // presence: 着席中(&P) / 退席中(&P)

    // Prisoner counts: spinner, its value label and the caption label.
    Spinner UpDown2;  // black prisoners
    Label lblBlackPrisoners;
    Label lblBlackPrisonersCaption;
    Spinner UpDown1;  // white prisoners
    Label lblWhitePrisoners;
    Label lblWhitePrisonersCaption;

    // Record.
    Button cmdRec;       // 記録(&Q)
    Button cmdNewSave;   // 名前を付けて保存(R)
    Button cmdFileOpen;  // ファイルを開く(&S)
    Button cmdF;         // 記録を再生(&T)
    Spinner UpDown5;     // start number 1–999
    Label lblSnum;

    // Game information.
    Button cmdGameInfo;  // 対局情報(&1): the dialog of the players, date, komi …
    Control frmMain;     // the window itself: its caption is the window's title

    // Replay steps, on while a replay runs; 記録を再生 stays the step forward with the cue.
    Button cmdReplayFirst;      // |◀ 最初へ
    Button cmdReplayBack10;     // ◀◀ 10手戻す
    Button cmdReplayBack;       // ◀ 一手戻す
    Button cmdReplayForward;    // ▶ 一手進む
    Button cmdReplayForward10;  // ▶▶ 10手進む
    Button cmdReplayLast;       // ▶| 最後へ
    Spinner UpDownReplayStep;   // 手数: the step shown, of how many ("30 / 127"); a typed step jumps

    // Shell.
    Button cmdNetwork;  // ネットワーク接続(&M)
    Button cmdOpt;      // オプション(&W)
    Button cmdEnd;      // 終了(&Y)

    // Chat.
    TextBox txtSend;
    TextBox txtDisp;
    Button cmdSend;  // 送信(&Z)
    Label lblStatus;
    ListBox Combo2;  // chat log, entries oldest first

    // Clock.
    Label lblTime;
    Label lblMax;
    Spinner UpDown3;
    Button cmdTimer;
    Button cmdResetTimer;

    // Network panel fields (kept in the settings file).
    TextBox txtPeerAddress;   // IPアドレス(相手側)：
    TextBox txtPeerPort;      // 相手側ポート：
    TextBox txtOwnPort;       // 自分側ポート：
    TextBox txtPassword;      // 合言葉：
    ComboBox cboCipherNumber; // 暗号番号："1"–"29"
    CheckBox Check3;          // 次回起動時に合言葉を表示する(&D)
    CheckBox chkClassic;      // 従来方式で接続(&K): the older, unencrypted protocol
    Button Command1;          // 接続(&A)
    Button Command4;          // 接続オフ(&B)
    Button Command2;          // 閉じる(&C)
    TextBox txtOwnAddress;    // 相手に伝えるアドレス： read only, what the friend must type
    Button cmdCopyAddress;    // コピー(&R): the addresses to the clipboard
    Label lblMapping;         // why the router's port could not be opened, and what to do
    Control fraNetwork;       // the network panel itself
    // The kifu of every network game (kept in Moyuta.ini: the name).
    TextBox txtOwnName;       // あなたの名前：
    Button cmdOpenKifuFolder; // 棋譜フォルダを開く

    // Options panel.
    ComboBox Combo1;       // 碁盤の色：
    OptionGroup Option5;   // 黒石の色：
    ComboBox Combo3;       // 回線スピード：
    OptionGroup OptSound;  // サウンド：オン / オフ
    Spinner UpDown4;       // チャットのログ数： 5–255
    Label lblLog;
    Button cmdTekiyou;     // 適用(&I)
    Button cmdOptClose;    // 閉じる(&J)
    Control fraOptions;    // the options panel itself

    // The board's coordinates and move count.
    OptionGroup OptCoords;  // 座標： なし / 日本式 / A〜T・1〜19 (a CoordinateStyle)
    Label lblMoveCount;     // 手数: "手数 57　次は白"

    // All plain controls and all option buttons, for the widget layer and for
    // tests that look one up by name.
    std::vector<Control *> controls();
    std::vector<OptionGroup *> optionGroups();
};

}  // namespace moyuta
