#pragma once
// Application-wide look: style, a Japanese-capable font, Qt's own Japanese texts.

class QApplication;

namespace moyuta::ui {

void prepareApplication(QApplication &app);

}  // namespace moyuta::ui
