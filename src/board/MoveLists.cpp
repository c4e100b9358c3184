// The move lists: the one place that changes the take-back history, the game
// record with its replay position, and the network game's log.
#include "Board.h"

namespace moyuta::board {

void clearGameRecord(AppState &s)
{
    MoveLists &m = s.moves;
    m.gameRecord.clear();
    m.recordSizeCode = Size19;
    m.gameRecordJoins.clear();
    m.gameRecordSetup.clear();
}

void discardGameRecord(AppState &s)
{
    clearGameRecord(s);
    s.moves.takeBackHistory.clear();
    s.moves.recordFileLoaded = false;
}

void clearMoveLists(AppState &s)
{
    s.moves.takeBackHistory.clear();
    clearGameRecord(s);
    s.moves.networkMoveLog.clear();
}

void clearTakeBackHistory(AppState &s)
{
    s.moves.takeBackHistory.clear();
}

void beginRecording(AppState &s)
{
    s.moves.recording = true;
    s.moves.recordFileLoaded = false;
}

void takeOpenedRecord(AppState &s, const QStringList &entries)
{
    s.moves.gameRecord = entries;
    s.moves.recordFileLoaded = true;
}

void takeOpenedSgf(AppState &s, const QStringList &entries, const QList<bool> &joins,
                   const QList<bool> &setup, int sizeCode)
{
    MoveLists &m = s.moves;
    m.gameRecord = entries;
    m.gameRecordJoins = joins;
    m.gameRecordSetup = setup;
    m.recordSizeCode = sizeCode;
    m.recordFileLoaded = true;
}

void forgetRecordJoins(AppState &s)
{
    s.moves.gameRecordJoins.clear();
    showReplayPosition(s);  // a running replay now counts entries
}

void forgetOpenedFile(AppState &s)
{
    s.moves.recordFileLoaded = false;
}

void rewindReplay(AppState &s)
{
    s.moves.replayStep = 0;
    showReplayPosition(s);
}

}  // namespace moyuta::board
