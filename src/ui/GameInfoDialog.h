#pragma once
// The game-information dialog "対局情報": the players, date, komi, handicap,
// result, the game's name, the place and a note, over the record's own.

#include "GameInfo.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

namespace moyuta::ui {

class GameInfoDialog : public QDialog {
    Q_OBJECT
public:
    explicit GameInfoDialog(const GameInfo &info, QWidget *parent = nullptr);
    // The fields as they stand now.
    GameInfo info() const;

private:
    QLineEdit *field(const QString &label, const char *objectName, const QString &text);

    QLineEdit *black_, *white_, *date_, *komi_, *handicap_, *result_, *gameName_, *place_;
    QPlainTextEdit *comment_;
};

}  // namespace moyuta::ui
