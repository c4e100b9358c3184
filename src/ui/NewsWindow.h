#pragma once
// The news window frmInfo: the notice as plain text, the check box that
// confirms it and the close button. It stays on top of other windows.

#include "AppState.h"

#include <QWidget>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace moyuta::ui {

class NewsWindow : public QWidget {
    Q_OBJECT
public:
    explicit NewsWindow(AppState &s);
    void sync();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    AppState &s_;
    QPlainTextEdit *text_;
    QCheckBox *check_;
    QPushButton *close_;
};

}  // namespace moyuta::ui
