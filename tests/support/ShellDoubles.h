#pragma once
// A fixture with a program folder of its own, for start-up, closing and shut-down.

#include "Shell.h"
#include "SettingsFile.h"
#include "TestDoubles.h"

#include <QFile>
#include <QTemporaryDir>

namespace moyuta::test {

struct ShellFixture : Fixture {
    QTemporaryDir dir;

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
        const shell::StartResult r = shell::startUp(s);
        shell::beginSessionEnd(s);
        if (shell::closeRequest(s))
            shell::shutDown(s);
        return r;
    }
};

inline const QByteArray kDefaultLine = "1#0#192.168.0.0#0#1#4#10#0#0#2000000#0#1##0@";

}  // namespace moyuta::test
