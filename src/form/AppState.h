#pragma once
// The main window's whole state: flags, the 361 points, the move lists, the
// form model and the ports. Two of these can live in one process (two peers
// in one test).

#include "FormModel.h"
#include "Ports.h"
#include "Settings.h"
#include "Types.h"

#include <QString>
#include <QStringList>
#include <array>

namespace moyuta {

struct BoardPoint {
    PointContent content = PointContent::Empty;
    QString number;  // the stone's number as shown, or empty
};

// The news notice. Written by src/shell (News.cpp) alone.
struct NewsState {
    QString text;                // the notice of this start; empty when there is none
    QString log;                 // what InfoLog.txt held, plus what was confirmed since
    bool confirmed = false;      // the news window's check box is ticked
    bool logUnreadable = false;  // the log could not be read: it is not overwritten
    bool windowClosing = false;
};

// The game clock's count. Written by src/shell alone (Clock.cpp; Startup.cpp
// sets the starting limit).
struct ClockState {
    int limitMinutes = 3;
    int minutes = 0;
    int seconds = 0;
    int alarmCount = 0;
    int interval = 0;     // 1000 while the clock runs, 0 while it is stopped
    qint64 anchorMs = 0;  // when the clock last started or resumed
    qint64 ticksDone = 0; // ticks applied since then
};

struct AppState {
    AppState(DialogPort &dialogs, EventPumpPort &pump, PeerOutboxPort &outbox, SoundPort &sound);
    AppState(const AppState &) = delete;
    AppState &operator=(const AppState &) = delete;

    DialogPort &dialogs;
    EventPumpPort &pump;
    PeerOutboxPort &outbox;
    SoundPort &sound;

    Form form;
    NewsForm newsForm;  // the news window's controls, beside the main window's

    // Board.
    std::array<BoardPoint, kPointCount> points{};
    int lastMovePoint = -1;  // the point the last-move marker stands behind; -1 hidden
    int boardSizeCode = Size19;
    int boardColourIndex = 4;  // 濃橙色, as a new settings file has it
    int blackStoneColourIndex = 0;          // the options panel's choice; in effect once applied
    int previousBlackStoneColourIndex = 0;  // the colour in effect: the board paints black stones in it
    bool sizeSwitchDeclined = false;
    bool sizeSwitchRestoring = false;

    // Placement.
    int currentTool = ToolBlack;
    int placementMode = 0;
    bool numberStones = false;
    qint16 moveCounter = 0;
    int actionPoint = 0;
    int actionTool = 0;
    int removedKind = 0;
    bool unnumberedPlacement = false;
    bool rightClickRemoval = false;
    bool eraseHandled = false;
    int lastRequestedOption = 0;
    int blackPrisoners = 0;
    int whitePrisoners = 0;

    // Move lists.
    QStringList takeBackHistory;
    QStringList gameRecord;
    // The board size the record was made on (19 unless an SGF file said otherwise).
    int recordSizeCode = Size19;
    // Beside an opened SGF record: true where an entry is replayed in the same
    // press as the one before it (the entries of one SGF node). Empty: one entry per press.
    QList<bool> gameRecordJoins;
    // Beside an opened SGF record: true where an entry came from setup (AB, AW,
    // AE), so that saving writes it as setup again; and the game's HA (-1: none).
    QList<bool> gameRecordSetup;
    int recordHandicap = -1;
    QStringList networkMoveLog;

    // Program-wide flags.
    bool busy = false;
    bool gameStarted = false;
    bool gameEnded = false;
    bool resetInProgress = false;
    bool recording = false;
    bool recordFileLoaded = false;
    bool saveSucceeded = false;
    bool tooManyLines = false;  // the record file being opened had more than 500 lines
    int replayStep = 0;
    bool panelOpen = false;
    bool quitting = false;
    bool soundOff = false;

    // Application shell.
    QString programFolder;           // the executable's folder, ending in a separator
    Settings settings;               // as loaded and applied; shut-down collects into it
    bool settingsLoaded = false;     // shut-down saves the settings file only when set
    bool startupFailed = false;      // shut-down then saves the defaults as they are
    bool quitWithoutAsking = false;  // close without the quit question
    bool sessionEnding = false;      // the desktop session or a signal ends the program
    bool startupComplete = false;
    bool shutDownDone = false;
    int runningCopies = 0;
    int chatLogLimit = 10;
    qint32 sendPacingCount = 2000000;
    bool showPasswordAtStart = false;

    // Session.
    bool authenticated = false;
    bool peerHolding = false;
    bool overlayShown = false;
    // Why the peer's notice is up; each is lifted only by its own message.
    bool peerAway = false;       // "退席中" came, and no "着席中" since
    bool peerRemoving = false;   // "石削除中" came on a board with content, and no "石削除終了" since
    int handlingPeerMessage = 0;  // > 0 while a received message is being dispatched
    int chosenCipherNumber = 1;    // 1–29, fixed by the connect action
    int activeCipherNumber = 1;    // 30 during the handshake, then the chosen number
    QString sessionPassword;
    bool cipherSucceeded = false;  // outcome of the last encipher or decipher
    QString outgoingMessage;
    QString incomingMessage;
    TransportPort *transport = nullptr;  // the session's socket, once the network layer is attached
    bool waitingForPeer = false;   // the socket is bound by this side's own connect action
    bool sentConnectNN = false;    // NN接続 went out in this attempt: NN接続確認1 may follow
    bool receiving = false;        // a datagram is being handled
    bool appendToChatLog = false;  // the message just dispatched is chat
    bool typingSent = false;       // "message_writing" went out for the text being typed
    qint64 lastKeyMismatchReplyMs = -1;
    bool peerQuit = false;  // the peer's shut-down notice arrived: the program ends
    // Enabled states of record, open, save-as and replay when a side panel opened.
    struct SavedButtons {
        bool rec = true, open = true, saveAs = false, replay = false;
    } savedPanelButtons;
    bool savedWaitEnabled = false;  // the take-back request when the options panel last opened

    NewsState news;

    ClockPort *clock = nullptr;  // the time source, once the program attaches one
    ClockState gameClock;

    // Empties GameRecord, with its board size, press and setup marks.
    void clearGameRecord()
    {
        gameRecord.clear();
        recordSizeCode = Size19;
        gameRecordJoins.clear();
        gameRecordSetup.clear();
        recordHandicap = -1;
    }

    // The peer holds the board (a question is open there) or shows the overlay.
    bool peerBlocks() const { return authenticated && (peerHolding || overlayShown); }

    // Message boxes; none while quitting, where a question counts as not Yes.
    bool askYes(const QString &question);
    void inform(const QString &text);
    void warn(const QString &text);
    // File dialogs; none while quitting (as if cancelled).
    QString openFileName(const QStringList &filters);
    QString saveFileName(const QStringList &filters);
    // Asks with the peer's board held meanwhile.
    bool askYesHeld(const QString &question);
    void informHeld(const QString &text);

    // Sends a plain message to the peer (when authenticated the network layer
    // enciphers and sends it).
    void sendPeerMessage(const QString &plain);
    // Sends keyword + terminator.
    void sendKeyword(const QString &keyword);
    void sendHold();
    void sendHoldRelease();
    // Before a local action that the peer mirrors: what the peer already sent
    // is handled first, so both sides apply the two in the same order.
    void takeInPeerMessages();

    void playCueSound();
    // Moves the keyboard focus to the chat input unless a side panel is open.
    void focusChatInput();

    Rgb blackStoneColour() const;  // the colour in effect
    Rgb boardColour() const;
};

}  // namespace moyuta
