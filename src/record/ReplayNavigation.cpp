// Moving about in a running replay: back and forward by one or ten presses,
// to the first or the last, or to a typed step. Every position is the board
// that many presses of 記録を再生 show: going back replays from the start.
// Jumps are silent and never ask; leaving the replay stays with 記録を再生.
#include "Board.h"
#include "Record.h"
#include "RecordCommon.h"

#include <algorithm>

namespace moyuta::record {

void goToReplayStep(AppState &s, int step)
{
    if (s.moves.replayStep < 1 || s.flags.busy)
        return;
    const BusyScope busy(s);
    step = std::clamp(step, 1, board::replayPressCount(s));
    int done = board::replayPressesDone(s);
    if (step < done) {
        board::rewindReplay(s);
        emptyBoardForRecord(s);
        done = 0;
    }
    for (; done < step; ++done)
        board::replayOnePressQuietly(s);
    board::showReplayPosition(s);
}

void stepReplay(AppState &s, int presses)
{
    goToReplayStep(s, board::replayPressesDone(s) + presses);
}

void onReplayFirst(AppState &s) { goToReplayStep(s, 1); }
void onReplayLast(AppState &s) { goToReplayStep(s, board::replayPressCount(s)); }

void installReplayHandlers(AppState &s)
{
    s.form.UpDownReplayStep.onChange = [&s] { goToReplayStep(s, s.form.UpDownReplayStep.value); };
}

}  // namespace moyuta::record
