#pragma once
// Vocabulary shared by every subsystem: points, tools, colours, the message terminator.

#include <QString>
#include <QtGlobal>
#include <array>

namespace moyuta {

constexpr int kGridSize = 19;
constexpr int kPointCount = kGridSize * kGridSize;  // 361; smaller boards are its top-left squares

inline bool isValidPoint(int p) { return p >= 0 && p < kPointCount; }
inline int pointRow(int p) { return p / kGridSize; }
inline int pointColumn(int p) { return p % kGridSize; }
inline int pointIndex(int row, int column) { return row * kGridSize + column; }

// What a press puts on a point; the same numbers travel in the move lists,
// the record file and the move message.
enum Tool : quint8 {
    ToolRemove = 0,
    ToolBlack = 1,
    ToolWhite = 2,
    ToolTriangle = 3,
    ToolDiamond = 4,
    ToolLetterA = 5,
    ToolLetterB = 6,
    ToolLetterC = 7,
    ToolLetterD = 8,
};

// What a point shows. The values equal the tool that places it (Empty = 0).
enum class PointContent : quint8 {
    Empty = 0,
    Black = 1,
    White = 2,
    Triangle = 3,
    Diamond = 4,
    LetterA = 5,
    LetterB = 6,
    LetterC = 7,
    LetterD = 8,
};

inline bool isStone(PointContent c) { return c == PointContent::Black || c == PointContent::White; }
inline bool isMark(PointContent c) { return c == PointContent::Triangle || c == PointContent::Diamond; }
inline bool isLetter(PointContent c) { return c >= PointContent::LetterA && c <= PointContent::LetterD; }

// The glyph drawn for a content ("●" for both stones; the colour tells them apart).
QString glyphOf(PointContent c);

// Board sizes, as stored in the settings file and sent in the start message.
enum BoardSizeCode : quint8 { Size19 = 0, Size13 = 1, Size9 = 2 };
inline int linesOf(int sizeCode) { return sizeCode == Size13 ? 13 : sizeCode == Size9 ? 9 : 19; }

// The coordinates drawn around the board (the options panel's "座標").
enum CoordinateStyle : quint8 {
    CoordinatesNone = 0,      // なし
    CoordinatesJapanese = 1,  // 日本式: columns 1–19 from the left, rows 一〜十九 from the top
    CoordinatesLetters = 2,   // A〜T・1〜19: columns A–T without I, rows 1–19 from the bottom
};
constexpr int kCoordinateStyleCount = 3;

// Colours as 0xRRGGBB.
using Rgb = quint32;
constexpr Rgb kButtonGrey = 0xE0E0E0;  // 224,224,224
constexpr Rgb kActiveRed = 0xFF0000;
constexpr Rgb kStartGreen = 0x00FF00;
constexpr Rgb kWhiteStone = 0xFFFFFF;
constexpr Rgb kMaskGrey = 0x808080;
constexpr Rgb kLastMovePink = 0xFFC0FF;

// Black-stone colours of the options panel: 黒, 緑, 紺, 赤, 黄.
constexpr std::array<Rgb, 5> kBlackStoneColours = {0x000000, 0x008000, 0x0000C0, 0x800000, 0x808000};
// Board backgrounds: 薄橙色 … 濃水色.
constexpr std::array<Rgb, 8> kBoardColours = {0xFFE0C0, 0xC0FFC0, 0xFFFFC0, 0xC0FFFF,
                                              0xFFC080, 0x80FF80, 0xFFFF80, 0x80FFFF};

// The names of the board colours, in the order of kBoardColours.
inline const std::array<QString, 8> kBoardColourNames = {
    QStringLiteral("薄橙色"), QStringLiteral("薄緑色"), QStringLiteral("薄黄色"), QStringLiteral("薄水色"),
    QStringLiteral("濃橙色"), QStringLiteral("濃緑色"), QStringLiteral("濃黄色"), QStringLiteral("濃水色")};

// Line speeds: how long every network send waits afterwards, in event-loop turns.
struct LineSpeed {
    QString name;
    qint32 pacingCount;
};
inline const std::array<LineSpeed, 7> kLineSpeeds = {{{QStringLiteral("非常に速い"), 500000},
                                                      {QStringLiteral("やや速い"), 750000},
                                                      {QStringLiteral("速い"), 1000000},
                                                      {QStringLiteral("普通"), 2000000},
                                                      {QStringLiteral("少し遅い"), 5000000},
                                                      {QStringLiteral("遅い"), 10000000},
                                                      {QStringLiteral("非常に遅い"), 50000000}}};

// Removes leading and trailing spaces (U+0020 only; tabs and other blanks stay).
QString trimSpaces(const QString &text);
// The first `count` characters of `text`; a character outside the basic plane
// (two UTF-16 units) counts once and is never cut in half.
QString leftCharacters(const QString &text, qsizetype count);
// `text` without UTF-16 units that are half of a missing pair.
QString withoutLoneSurrogates(const QString &text);

// Ends every keyword message between two copies.
inline const QString kTerminator = QStringLiteral("*:#$%=@!+;");

}  // namespace moyuta
