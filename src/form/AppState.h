#pragma once
// The main window's whole state: flags, the 361 points, the move lists, the
// form model and the ports. Two of these can live in one process (two peers
// in one test).

#include "FormModel.h"
#include "GameInfo.h"
#include "Ports.h"
#include "Settings.h"
#include "Types.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

namespace moyuta {

namespace network {
class SecureSession;
}

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

// The board and the placement state. Written by src/board alone; other
// folders change it through the board's functions (Board.h).
struct BoardState {
    std::array<BoardPoint, kPointCount> points{};
    int lastMovePoint = -1;  // the point the last-move marker stands behind; -1 hidden
    int boardSizeCode = Size19;
    bool sizeSwitchDeclined = false;
    bool sizeSwitchRestoring = false;

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

    bool gameStarted = false;
    bool gameEnded = false;
    bool resetInProgress = false;

    // The peer's notices on this board's message panel; each is lifted only by its own message.
    bool peerHolding = false;
    bool peerAway = false;       // "退席中" came, and no "着席中" since
    bool peerRemoving = false;   // "石削除中" came on a board with content, and no "石削除終了" since
    bool peerSilent = false;     // nothing heard from the peer: waiting for it to come back
    // The peer's notice covers the board while it is away, removing or silent.
    bool overlayShown() const { return peerAway || peerRemoving || peerSilent; }
};

// The move lists: take-back, the game record with its replay position, and
// the network game's log. Written by src/board alone (Board.h has the
// functions that record and network use).
struct MoveLists {
    QStringList takeBackHistory;
    QStringList gameRecord;
    // The board size the record was made on (19 unless an SGF file said otherwise).
    int recordSizeCode = Size19;
    // Beside an opened SGF record: true where an entry is replayed in the same
    // press as the one before it (the entries of one SGF node). Empty: one entry per press.
    QList<bool> gameRecordJoins;
    // Beside an opened SGF record: true where an entry came from setup (AB, AW,
    // AE), so that saving writes it as setup again (its HA is in record.info).
    QList<bool> gameRecordSetup;
    QStringList networkMoveLog;
    bool recording = false;
    bool recordFileLoaded = false;
    int replayStep = 0;
};

// The kifu of the network game being played: its file and what is known of
// it. Written by src/record alone (NetworkKifu.cpp).
struct NetworkKifuState {
    bool active = false;  // from 対局開始 until the game is cleared or another starts
    QDateTime start;      // local time of 対局開始
    QString fileName;     // in the kifu folder; empty until one could be chosen
    int ownColour = 0;    // ToolBlack or ToolWhite: the colour of this side's first stone; 0 unknown
    QByteArray written;   // what the file holds now
    bool failed = false;  // the notice is said once a game
};

// What changed in a network game, as the board tells it to the kifu keeper.
enum class NetworkGameChange { Started, OwnMove, Changed, Cleared };

// Saving and opening record files. Written by src/record alone.
struct RecordState {
    GameInfo info;  // of the game on the board or in the record; written into SGF
    GameInfo nigNoticeFor;  // the information last told that ".nig" does not keep it
    bool infoFromFile = false;  // it came with an opened file, not from the user
    bool saveSucceeded = false;
    bool tooManyLines = false;  // the record file being opened had more than 500 lines
    NetworkKifuState kifu;
};

// The application shell: start-up, options, shut-down. Written by src/shell alone.
struct ShellState {
    QString programFolder;           // the executable's folder, ending in a separator
    Settings settings;               // as loaded and applied; shut-down collects into it
    ExtraSettings extraSettings;     // Moyuta.ini's, the same way
    bool settingsLoaded = false;     // shut-down saves the settings file only when set
    bool startupFailed = false;      // shut-down then saves the defaults as they are
    bool quitWithoutAsking = false;  // close without the quit question
    bool sessionEnding = false;      // the desktop session or a signal ends the program
    bool startupComplete = false;
    bool shutDownDone = false;
    bool quitting = false;
    bool soundOff = false;
    int runningCopies = 0;
    int chatLogLimit = 10;
    qint32 sendPacingCount = 2000000;
    int boardColourIndex = 4;  // 濃橙色, as a new settings file has it
    int blackStoneColourIndex = 0;          // the options panel's choice; in effect once applied
    int previousBlackStoneColourIndex = 0;  // the colour in effect: the board paints black stones in it
    bool savedWaitEnabled = false;  // the take-back request when the options panel last opened
};

// The router's forwarding of the own port, asked for by the connect action,
// and the addresses the friend must type. Written by src/network alone.
struct RouterMapping {
    bool asked = false;      // map() went out in this attempt and no unmap() since
    bool everAsked = false;  // a mapping may stand: shut-down removes it
    bool waiting = false;    // the socket waits for the answer before it opens
    bool answered = false;   // the router's answer to this attempt came
    bool gaveUp = false;     // the wait ran out before an answer
    bool mapped = false;
    QString externalIPv4;    // as the router reports it
    quint16 externalPort = 0;
    quint16 ownPort = 0;     // the port asked for
    QStringList ipv6;        // this computer's global IPv6 addresses, as last listed
};

// The network session with the peer. Written by src/network alone.
struct SessionState {
    bool authenticated = false;
    int handlingPeerMessage = 0;  // > 0 while a received message is being dispatched
    int chosenCipherNumber = 1;    // 1–29, fixed by the connect action
    int activeCipherNumber = 1;    // 30 during the handshake, then the chosen number
    QString sessionPassword;
    bool cipherSucceeded = false;  // outcome of the last encipher or decipher
    QString incomingMessage;
    bool waitingForPeer = false;   // the socket is bound by this side's own connect action
    bool sentConnectNN = false;    // NN接続 went out in this attempt: NN接続確認1 may follow
    int connectRetriesLeft = 0;    // the connect text may go out this many times more while nothing is heard
    bool receiving = false;        // a datagram is being handled
    bool appendToChatLog = false;  // the message just dispatched is chat
    bool typingSent = false;       // "message_writing" went out for the text being typed
    qint64 lastKeyMismatchReplyMs = -1;
    bool peerQuit = false;  // the peer's shut-down notice arrived: the program ends
    bool showPasswordAtStart = false;

    // The secure session between two copies (null where the program was built without one).
    std::shared_ptr<network::SecureSession> secure;
    bool classicProtocol = false;  // the panel's "従来方式で接続(&K)": the older, unencrypted protocol
    bool secureActive = false;     // this attempt runs the secure session
    bool orderer = false;          // this side's order wins when actions cross
    int gameSent = 0;              // game messages sent in this secure session
    int gameSeen = 0;              // game messages the peer sent that were handled here
    bool awaitingGame = false;     // held until the peer's whole game has arrived
    QString gameTextParts;         // the peer's game text as it arrives in parts
    QStringList secureInbox;       // messages delivered while another was being handled
    QString peerName;              // the peer's あなたの名前 as its secure session told it; empty: unknown

    RouterMapping mapping;
};

// The few flags every folder shares. Written only through BusyScope below
// and AppState's side-panel functions.
struct SharedFlags {
    bool busy = false;       // a handler is at work: a second press does nothing
    bool panelOpen = false;  // a side panel (network or options) is open
    // Enabled states of record, open, save-as and replay when a side panel opened.
    struct SavedButtons {
        bool rec = true, open = true, saveAs = false, replay = false;
    } savedPanelButtons;
};

struct AppState {
    explicit AppState(const Ports &ports) : ports(ports) {}
    AppState(const AppState &) = delete;
    AppState &operator=(const AppState &) = delete;

    const Ports ports;

    Form form;
    NewsForm newsForm;  // the news window's controls, beside the main window's

    BoardState board;
    MoveLists moves;
    RecordState record;
    ShellState shell;
    SessionState session;
    SharedFlags flags;
    NewsState news;

    ClockState gameClock;

    // The peer holds the board (a question is open there) or shows the overlay.
    bool peerBlocks() const
    {
        return session.authenticated && (board.peerHolding || board.overlayShown() || session.awaitingGame);
    }

    // Message boxes; none while quitting, where a question counts as not Yes.
    bool askYes(const QString &question);
    void inform(const QString &text);
    void warn(const QString &text);
    // File dialogs; none while quitting (as if cancelled).
    QString openFileName(const QStringList &filters);
    QString saveFileName(const QStringList &filters);
    // The game-information dialog; none while quitting (as if cancelled).
    bool askGameInfo(GameInfo &info);
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
    // The network panel or the options panel opened or closed.
    void setSidePanelOpen(bool open) { flags.panelOpen = open; }
    // Keeps the record buttons' enabled states as a side panel opens.
    void savePanelButtons();

    // Writes the settings files now, as shut-down does: called once a session
    // is authenticated, so that a copy killed during the game finds the
    // panel's fields again. The files' values belong to src/shell, which
    // installs the saver; a state without one saves nothing.
    void saveSessionFields()
    {
        if (sessionFieldsSaver)
            sessionFieldsSaver();
    }
    std::function<void()> sessionFieldsSaver;

    // The network game changed: its kifu is written again. The board tells;
    // src/record installs the keeper; a state without one keeps nothing.
    void networkGameChanged(NetworkGameChange change)
    {
        if (networkKifuKeeper)
            networkKifuKeeper(change);
    }
    std::function<void(NetworkGameChange)> networkKifuKeeper;

    Rgb blackStoneColour() const;  // the colour in effect
    Rgb boardColour() const;
};

// Marks a handler at work for as long as it runs, on every way out: a second
// press meanwhile does nothing.
struct BusyScope {
    AppState &s;
    explicit BusyScope(AppState &state) : s(state) { s.flags.busy = true; }
    ~BusyScope() { s.flags.busy = false; }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;
};

}  // namespace moyuta
