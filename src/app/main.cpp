// Moyuta: the board for two players.
#include "Application.h"
#include "Program.h"
#include "ShellAdapters.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // First of all, so that ending the session never kills the program unsaved.
    moyuta::ui::SessionEndWatcher::installSignalHandlers();
    QApplication app(argc, argv);
    moyuta::ui::prepareApplication(app);

    moyuta::ui::Program program;
    program.startSoon();
    return app.exec();
}
