#include "BoardPicture.h"

namespace moyuta::ui {

BoardPicture boardPictureOf(const AppState &s)
{
    const Form &f = s.form;
    BoardPicture picture;
    picture.sizeCode = s.boardSizeCode;
    picture.points = s.points;
    picture.lastMovePoint = s.lastMovePoint;
    picture.boardColour = s.boardColour();
    picture.blackStoneColour = s.blackStoneColour();
    picture.panelShown = f.Frame8.visible && f.lbl2Message.visible;
    picture.panelText = f.lbl2Message.caption;
    picture.startNumberShown = f.lblSnum.visible;
    picture.startNumber = f.lblSnum.caption;
    return picture;
}

}  // namespace moyuta::ui
