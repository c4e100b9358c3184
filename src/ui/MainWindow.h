#pragma once
// The main window: the board on the left, the grouped controls on the right.
// Every widget renders one control of the form model (objectName = the
// control's name); widget events are forwarded to the board handlers and the
// whole window is re-synced from the model afterwards.

#include "AppState.h"
#include "Shell.h"

#include <QHash>
#include <QMainWindow>
#include <QSet>
#include <functional>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace moyuta::ui {

class BoardView;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppState &s, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Renders the whole form model: enabled, visible, caption, colour, ticks, selections, values.
    void sync();
    // Shrinks the window's first size to its screen's free area (a 1280×720
    // screen, or 2560×1440 at 200 %), keeping room for the title bar.
    void fitScreen();
    BoardView *boardView() const { return board_; }

    // From now on closing runs the shell's close request and, when allowed,
    // shut-down; then `ended` is called. Before that (a window on its own,
    // as in the screenshot tool) the window just closes.
    void runShell(std::function<void()> ended);

protected:
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Runs a handler for a user action, then re-syncs the window.
    void forward(const std::function<void()> &handler);

    QPushButton *button(Button &model, const std::function<void(AppState &)> &handler);
    QCheckBox *checkBox(CheckBox &model);
    QSpinBox *spinner(Spinner &model, const QString &accessibleName, bool arrowsOnly);
    QLabel *label(Label &model);
    // A value shown in a small sunken box (a count, a limit).
    QLabel *valueLabel(Label &model, int minimumWidth);
    // A side panel's frame over the window, with its title; the panel's grid is returned in `grid`.
    QFrame *sidePanelFrame(QWidget *parent, const QString &title, QGridLayout *&grid);
    QButtonGroup *optionGroup(OptionGroup &group, bool pushButtons);
    void bind(Control &model, QWidget *widget);

    void renderControls();
    void renderChat();
    void moveFocus();
    void renderCounts();
    BoardView *buildBoardView();
    QWidget *buildClockRow();
    QWidget *buildChatRow();
    QWidget *buildSideColumn();
    QGroupBox *buildSizeBox();
    QGroupBox *buildStonesBox();
    QGroupBox *buildMarksBox();
    QGroupBox *buildGameBox();
    QGroupBox *buildPrisonersBox();
    QGroupBox *buildRecordBox();
    // The replay's step buttons and counter, and its keys and wheel (MainWindowReplay.cpp).
    QWidget *buildReplayRow();
    void renderReplayCounter();
    // The network panel, a frame over the window's centre (MainWindowNetwork.cpp).
    QFrame *buildNetworkPanel(QWidget *parent);
    void addClassicBox(QGridLayout *grid, int &row);
    void addKifuRow(QGridLayout *grid, int &row);
    void addOwnAddressRows(QGridLayout *grid, int &row);
    // The options panel, the same way (MainWindowOptions.cpp).
    QFrame *buildOptionsPanel(QWidget *parent);
    QLineEdit *lineEdit(TextBox &model, const QString &accessibleName);
    QComboBox *comboBox(ComboBox &model, const QString &accessibleName);
    // Centres a side panel on the window; `keepTop`: a panel that grew or
    // shrank keeps its top where it is, as long as it fits.
    void placePanel(QFrame *panel, bool keepTop = false);
    // The network panel's address list as high as its lines, the router's
    // notice as high as its wrapped text.
    void fitNetworkRows();

    AppState &s_;
    std::function<void()> ended_;  // set once the shell runs
    BoardView *board_ = nullptr;
    int focusRequestsShown_ = 0;
    bool syncing_ = false;
    bool shownBefore_ = false;

    QHash<const Control *, QWidget *> widgets_;
    std::vector<std::pair<OptionGroup *, QButtonGroup *>> groups_;
    std::vector<std::pair<CheckBox *, QCheckBox *>> checkBoxes_;
    std::vector<std::pair<Spinner *, QSpinBox *>> spinners_;
    std::vector<std::pair<TextBox *, QLineEdit *>> lineEdits_;
    std::vector<std::pair<ComboBox *, QComboBox *>> comboBoxes_;
    QHash<const QComboBox *, int> comboIndexShown_;  // each list's position as last rendered or picked
    struct SidePanel {
        QFrame *frame;
        Control *model;
        Control *firstControl;  // takes the focus when the panel opens
        bool shown = false;     // as last rendered
    };
    std::vector<SidePanel> panels_;
    QWidget *networkLowerRows_ = nullptr;  // the rows under the network panel's buttons
    QLabel *networkNotice_ = nullptr;
    QPlainTextEdit *ownAddresses_ = nullptr;
    QComboBox *chatLog_ = nullptr;
    QLineEdit *chatDisplay_ = nullptr;
    QLabel *chatStatus_ = nullptr;
    QStringList chatLogShown_;
};

}  // namespace moyuta::ui
