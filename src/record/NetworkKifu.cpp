// The network game's kifu: the log of the game (stones and removals; marks
// and letters stay on this board) as SGF, rewritten after every change.
#include "NetworkKifu.h"

#include "MoveEntry.h"
#include "Record.h"

namespace moyuta::record {

namespace {

// A peer address never names a file past this length.
constexpr int kMaxPeerPartLength = 64;
// Names taken already: "-2" up to this before giving up.
constexpr int kMaxNameSuffix = 999;

// The address as typed, safe in a file name: letters, digits, "." and "_"
// stay, anything else (":" of IPv6, "/", "\\", "%", spaces) becomes "-".
QString safePeerPart(const QString &peerAddress)
{
    QString part;
    for (const QChar c : peerAddress.trimmed().left(kMaxPeerPartLength)) {
        const bool keep = (c.isLetterOrNumber() && !c.isSurrogate()) || c == u'.' || c == u'_';
        part += keep ? c : QChar(u'-');
    }
    while (part.startsWith(u'.'))
        part[0] = u'-';  // never a hidden file, never ".."
    return part.isEmpty() ? kPeerNameUnknown : part;
}

// The log's stones and removals of stones in the record's form, the way the SGF writer reads it.
QStringList stonesAndRemovals(const QStringList &log)
{
    QStringList entries;
    for (const QString &text : log.first(std::min<qsizetype>(log.size(), kMaxKifuEntries))) {
        const std::optional<board::MoveEntry> e = board::MoveEntry::fromWire(text, board::WireReading::Logged);
        if (!e || !isValidPoint(e->point))
            continue;
        const bool stone = e->tool == ToolBlack || e->tool == ToolWhite;
        const bool removal = e->tool == ToolRemove && (e->removed == ToolBlack || e->removed == ToolWhite);
        if (stone || removal)
            entries << board::MoveEntry{.tool = e->tool, .point = e->point, .removed = e->removed}.recordText();
    }
    return entries;
}

GameInfo kifuInfo(const AppState &s)
{
    const NetworkKifuState &k = s.record.kifu;
    GameInfo info;
    info.date = k.start.toString(QStringLiteral("yyyy-MM-dd"));
    if (k.ownColour == ToolBlack || k.ownColour == ToolWhite) {
        const QString own = s.form.txtOwnName.text.trimmed().left(kMaxPlayerName);
        const QString peer = s.session.peerName.isEmpty() ? kPeerNameUnknown : s.session.peerName;
        (k.ownColour == ToolBlack ? info.black : info.white) = own;
        (k.ownColour == ToolBlack ? info.white : info.black) = peer;
    }
    if (s.board.gameEnded)
        info.result = kKifuResult;
    return info;
}

// The colour of this side's stone just logged, when its first.
void learnOwnColour(AppState &s)
{
    NetworkKifuState &k = s.record.kifu;
    if (k.ownColour != 0 || s.moves.networkMoveLog.isEmpty())
        return;
    const auto e = board::MoveEntry::fromWire(s.moves.networkMoveLog.last(), board::WireReading::Logged);
    if (e && (e->tool == ToolBlack || e->tool == ToolWhite))
        k.ownColour = e->tool;
}

// A name in the folder nobody has yet; empty when none could be found.
QString freeFileName(KifuStorePort &store, const QString &base)
{
    for (int n = 1; n <= kMaxNameSuffix; ++n) {
        const QString name = base + (n == 1 ? QString() : QStringLiteral("-%1").arg(n)) + QStringLiteral(".sgf");
        if (!store.exists(name))
            return name;
    }
    return {};
}

bool writeKifu(AppState &s, KifuStorePort &store, const QByteArray &text)
{
    NetworkKifuState &k = s.record.kifu;
    if (k.fileName.isEmpty()) {
        if (!store.makeFolder())
            return false;
        k.fileName = freeFileName(store, kifuBaseName(k.start, s.form.txtPeerAddress.text));
        if (k.fileName.isEmpty())
            return false;
    }
    return store.write(k.fileName, text);
}

void saveNow(AppState &s)
{
    KifuStorePort *store = s.ports.kifuStore;
    NetworkKifuState &k = s.record.kifu;
    const QByteArray text = networkKifuText(s);
    if (!store || text == k.written)
        return;
    if (writeKifu(s, *store, text)) {
        k.written = text;
        return;
    }
    if (!k.failed) {
        k.failed = true;  // play goes on; the notice once a game
        s.form.txtDisp.text = QStringLiteral("棋譜を保存できませんでした（%1）").arg(store->folder());
    }
}

}  // namespace

QString kifuBaseName(const QDateTime &start, const QString &peerAddress)
{
    return start.toString(QStringLiteral("yyyy-MM-dd_HHmm_")) + safePeerPart(peerAddress);
}

QByteArray networkKifuText(const AppState &s)
{
    const QString prisoners = QStringLiteral("アゲハマ %1 %2 %3 %4")
                                  .arg(s.form.lblBlackPrisonersCaption.caption)
                                  .arg(s.board.blackPrisoners)
                                  .arg(s.form.lblWhitePrisonersCaption.caption)
                                  .arg(s.board.whitePrisoners);
    return sgfText(stonesAndRemovals(s.moves.networkMoveLog), s.board.boardSizeCode, {}, kifuInfo(s), prisoners);
}

namespace {

void beginKifu(AppState &s)
{
    NetworkKifuState &k = s.record.kifu;
    k = NetworkKifuState{};
    k.active = true;
    k.start = s.ports.kifuStore ? s.ports.kifuStore->localNow() : QDateTime();
}

}  // namespace

void keepNetworkKifu(AppState &s, NetworkGameChange change)
{
    NetworkKifuState &k = s.record.kifu;
    switch (change) {
    case NetworkGameChange::Started:
        if (!s.session.authenticated)
            return;
        beginKifu(s);
        break;
    case NetworkGameChange::Cleared:
        k.active = false;  // the file keeps the game as it stood
        return;
    case NetworkGameChange::OwnMove:
        if (k.active)
            learnOwnColour(s);
        break;
    case NetworkGameChange::Changed:
        // A game on without a kifu: this copy came back and took the peer's game over.
        if (!k.active && s.session.authenticated && s.board.gameStarted && !s.board.gameEnded)
            beginKifu(s);
        break;
    }
    if (k.active)
        saveNow(s);
}

void attachNetworkKifu(AppState &s)
{
    s.networkKifuKeeper = [&s](NetworkGameChange change) { keepNetworkKifu(s, change); };
}

void onOpenKifuFolder(AppState &s)
{
    if (s.ports.kifuStore)
        s.ports.kifuStore->openFolder();
}

}  // namespace moyuta::record
