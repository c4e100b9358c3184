#pragma once
// The system clipboard (QClipboard).

#include "Ports.h"

namespace moyuta::ui {

class QtClipboard : public ClipboardPort {
public:
    void setText(const QString &text) override;
};

}  // namespace moyuta::ui
