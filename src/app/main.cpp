// Moyuta: wires the real adapters to the window state and opens the main window.
#include "Application.h"
#include "Board.h"
#include "MainWindow.h"
#include "QtPorts.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    moyuta::ui::prepareApplication(app);

    moyuta::ui::QtDialogs dialogs;
    moyuta::ui::QtEventPump pump;
    moyuta::ui::NullPeerOutbox outbox;
    moyuta::ui::NullSound sound;
    moyuta::AppState state(dialogs, pump, outbox, sound);
    moyuta::board::installHandlers(state);
    moyuta::board::setInitialState(state);

    moyuta::ui::MainWindow window(state);
    dialogs.setParent(&window);
    window.sync();
    window.show();
    return app.exec();
}
