#pragma once
// The real adapters of the dialogs and the event pump.

#include "Ports.h"

#include <QPointer>
#include <QWidget>
#include <functional>

namespace moyuta::ui {

// Marks a stretch in which a handler lets other events run (a message box, a
// file dialog, the pump): an event handled meanwhile is nested in that handler.
class NestedEvents {
public:
    NestedEvents() { ++depth_; }
    ~NestedEvents() { --depth_; }
    NestedEvents(const NestedEvents &) = delete;
    NestedEvents &operator=(const NestedEvents &) = delete;
    // True while some handler waits in one of these stretches.
    static bool active() { return depth_ > 0; }

private:
    static inline int depth_ = 0;
};

// Message boxes titled "Moyuta" and the record file dialogs, parented to the main window.
class QtDialogs : public DialogPort {
public:
    explicit QtDialogs(QWidget *parent = nullptr) : parent_(parent) {}
    void setParent(QWidget *parent) { parent_ = parent; }
    // Called before every box and dialog: the window shows what the handler
    // has changed so far, not the state from before it.
    void setBeforeBox(std::function<void()> beforeBox) { beforeBox_ = std::move(beforeBox); }

    Answer ask(const QString &question) override;
    void inform(const QString &text) override;
    void warn(const QString &text) override;
    QString openFileName(const QStringList &filters) override;
    QString saveFileName(const QStringList &filters) override;
    bool askGameInfo(GameInfo &info) override;

private:
    // The folder of the last file chosen in this run, else the home folder.
    QString startFolder() const;
    // The open or save dialog; remembers the folder of the name chosen.
    QString fileName(bool save, const QStringList &filters);

    void prepareBox() const;

    QPointer<QWidget> parent_;
    QString lastFolder_;
    std::function<void()> beforeBox_;
};

// Lets pending events run; the pacing wait is a timed nested event loop, never a busy loop.
class QtEventPump : public EventPumpPort {
public:
    void processEvents() override;
    void pace(qint64 turns) override;
};

}  // namespace moyuta::ui
