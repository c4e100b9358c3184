#pragma once
// The options that survive from one run to the next: those of the settings
// file AppData.dat in its order, and those of Moyuta.ini. Loaded at start-up,
// collected from the window and saved at shut-down (src/settings, src/shell).

#include <QString>
#include <QtGlobal>

namespace moyuta {

struct Settings {
    int currentTool = 1;
    int soundOff = 0;
    QString peerAddress = QStringLiteral("192.168.0.0");
    qint32 peerPort = 0;
    qint32 ownPort = 1;
    int boardColourIndex = 4;
    int chatLogLimit = 10;
    int numberStones = 0;
    int blackStoneColourIndex = 0;
    qint32 sendPacingCount = 2000000;
    int showPasswordAtStart = 0;
    int activeCipherNumber = 1;
    QString savedPassword;
    int boardSizeCode = 0;

    bool operator==(const Settings &) const = default;
};

// The options AppData.dat has no room for: its line is fixed, and older
// copies read it. They live in Moyuta.ini beside it (src/settings).
struct ExtraSettings {
    bool classicProtocol = false;  // 従来方式で接続(&K)
    QString ownName;               // あなたの名前： the kifu's name for this side
    int coordinateStyle = 0;       // 座標: a CoordinateStyle, in effect once applied

    bool operator==(const ExtraSettings &) const = default;
};

}  // namespace moyuta
