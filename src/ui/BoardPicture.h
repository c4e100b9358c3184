#pragma once
// What the board view draws, taken from the model in one piece: the view
// paints this value and nothing else.

#include "AppState.h"

#include <QString>

#include <array>

namespace moyuta::ui {

struct BoardPicture {
    int sizeCode = Size19;
    std::array<BoardPoint, kPointCount> points{};  // stones, marks, letters and numbers
    int lastMovePoint = -1;                        // the marker stands behind it; -1 hidden
    Rgb boardColour = 0;
    Rgb blackStoneColour = 0;
    int coordinateStyle = CoordinatesNone;  // labels around the board; なし keeps the board as it was
    // The overlays: the message panel over the board and the start number below it.
    bool panelShown = false;
    QString panelText;
    bool startNumberShown = false;
    QString startNumber;
};

BoardPicture boardPictureOf(const AppState &s);

}  // namespace moyuta::ui
