#pragma once
// Test doubles of the shell's ports and a fixture with a program folder of its own.

#include "Shell.h"
#include "SettingsFile.h"
#include "TestDoubles.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <stdexcept>

namespace moyuta::test {

class FakeProgram : public ProgramPort {
public:
    QString folder;
    bool anotherCopy = false;
    int beeps = 0;
    QString executableFolder() override { return folder; }
    bool claimSingleCopy() override { return !anotherCopy; }
    void beep() override { ++beeps; }
};

// Records what happens to the windows, in order.
class FakeWindows : public ShellWindowsPort {
public:
    QStringList events;
    bool splashOpen = false, mainShown = false, newsLoaded = false;
    std::function<void()> onNewsClose;  // the news window's closing handler
    void showSplash(const QString &status) override { splashOpen = true; events << QStringLiteral("splash ") + status; }
    void closeSplash() override { splashOpen = false; events << QStringLiteral("close splash"); }
    bool newsWindowLoaded() override { return newsLoaded; }
    void showNewsWindow() override
    {
        newsLoaded = true;
        events << QStringLiteral("show news");
    }
    void hideNewsWindow() override { events << QStringLiteral("hide news"); }
    void closeNewsWindow() override
    {
        events << QStringLiteral("close news");
        if (newsLoaded && onNewsClose)
            onNewsClose();
        newsLoaded = false;
    }
    void showMainWindow() override { mainShown = true; events << QStringLiteral("show main"); }
};

class FakeNews : public NewsPort {
public:
    bool fail = false;  // an unexpected error while the notice is fetched
    NewsResponse response;
    int fetches = 0;
    NewsResponse fetch() override
    {
        ++fetches;
        if (fail)
            throw std::runtime_error("fetch failed");
        return response;
    }
};

struct ShellFixture : Fixture {
    QTemporaryDir dir;
    FakeProgram program;
    FakeWindows windows;
    FakeNews news;
    shell::ShellPorts ports{program, windows, news};

    ShellFixture() { program.folder = dir.path(); }

    QString settingsPath() const { return dir.filePath(settings::kSettingsFileName); }
    void writeSettings(const QByteArray &bytes) const
    {
        QFile f(settingsPath());
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    QByteArray readSettings() const
    {
        QFile f(settingsPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool settingsExist() const { return QFile::exists(settingsPath()); }
    // One run: start-up, then the close and shut-down at the end of the session.
    shell::StartResult startAndEndSession()
    {
        const shell::StartResult r = shell::startUp(s, ports);
        s.shell.sessionEnding = true;
        if (shell::closeRequest(s, ports))
            shell::shutDown(s);
        return r;
    }
};

inline const QByteArray kDefaultLine = "1#0#192.168.0.0#0#1#4#10#0#0#2000000#0#1##0@";

}  // namespace moyuta::test
