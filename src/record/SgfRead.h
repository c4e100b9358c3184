#pragma once
// Reading SGF game records: decoding, the main line of the first game, and
// its conversion into record entries.

#include "GameInfo.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace moyuta::record {

// Larger files are refused before they are read.
constexpr qint64 kMaxSgfBytes = 4 * 1024 * 1024;
// A record of more entries could not be recorded here either.
constexpr int kMaxSgfEntries = 65534;
// More of one game-information field is not kept.
constexpr int kMaxInfoChars = 1000;

struct SgfProperty {
    QString ident;      // upper-case letters only ("AddBlack" of FF[3] is "AB")
    QStringList values; // escapes resolved
};
using SgfNode = QList<SgfProperty>;

// The text of an SGF file: UTF-16 after its BOM; else CA of the root node when
// Qt knows it, else strict UTF-8 when the bytes are valid UTF-8, else cp932.
// A UTF-8 BOM is dropped.
QString decodeSgf(const QByteArray &bytes);

// The main line (first child at every branch) of the first game in `text`.
// A game cut short before its closing ")" gives the nodes it holds; a tree
// whose "(" is followed by properties without ";" starts with that node.
// False when the text is not SGF: no game, an unterminated value.
bool parseSgfMainLine(const QString &text, QList<SgfNode> &nodes);

// NothingToReplay: a game without any stone, letter or mark (passes only).
enum class SgfResult { Ok, Malformed, UnsupportedSize, NothingToReplay };

struct SgfRecord {
    SgfResult result = SgfResult::Malformed;
    QStringList entries;
    QList<bool> joins;  // joins[i]: entry i is replayed in the same press as entry i - 1
    QList<bool> setup;  // setup[i]: entry i comes from AB, AW or AE, not from a move
    int sizeCode = 0;   // BoardSizeCode of SZ
    // PB PW DT KM HA RE GN (else EV) PC GC of the root node; HA only as a number of 0–361.
    GameInfo info;
};

// The root node's game information, each field at most kMaxInfoChars long.
GameInfo sgfGameInfo(const SgfNode &root);
// `info` with every field cut to kMaxInfoChars characters.
GameInfo boundedInfo(GameInfo info);

// Decodes, parses and converts a whole file.
SgfRecord readSgf(const QByteArray &bytes);
// Converts a parsed main line into entries, node by node.
SgfRecord convertSgf(const QList<SgfNode> &nodes);

}  // namespace moyuta::record
