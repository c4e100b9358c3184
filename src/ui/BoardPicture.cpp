#include "BoardPicture.h"

namespace moyuta::ui {

BoardPicture boardPictureOf(const AppState &s)
{
    const Form &f = s.form;
    BoardPicture picture;
    picture.sizeCode = s.board.boardSizeCode;
    picture.points = s.board.points;
    picture.lastMovePoint = s.board.lastMovePoint;
    picture.boardColour = s.boardColour();
    picture.blackStoneColour = s.blackStoneColour();
    picture.coordinateStyle = s.shell.extraSettings.coordinateStyle;
    picture.panelShown = f.Frame8.visible && f.lbl2Message.visible;
    picture.panelText = f.lbl2Message.caption;
    picture.startNumberShown = f.lblSnum.visible;
    picture.startNumber = f.lblSnum.caption;
    return picture;
}

}  // namespace moyuta::ui
