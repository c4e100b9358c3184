#pragma once
// The kifu folder <Documents>/Moyuta/棋譜 (QStandardPaths), its files written
// through QSaveFile, and the desktop's file manager (QDesktopServices).

#include "Ports.h"

namespace moyuta::ui {

class QtKifuStore : public KifuStorePort {
public:
    QString folder() override;
    bool makeFolder() override;
    bool exists(const QString &fileName) override;
    bool write(const QString &fileName, const QByteArray &bytes) override;
    QDateTime localNow() override;
    void openFolder() override;
};

}  // namespace moyuta::ui
