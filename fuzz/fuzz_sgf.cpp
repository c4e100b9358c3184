// libFuzzer target for reading SGF files: decoding, the main-line parser and
// the conversion into record entries. Every input must give a result: no
// crash, no hang, no undefined behaviour, no deep recursion. Checked on each
// input:
//   - a refused file holds no entries;
//   - an opened one holds 1 to 65534 entries with one press mark each, the
//     first starting a press, each of the shape "tool,point,removed,number"
//     with a point on the record's board and a number of 0 to 999.
#include "SgfRead.h"
#include "Types.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace moyuta;

namespace {

[[noreturn]] void fail() { std::abort(); }

void checkEntry(const QString &entry, int lines)
{
    const QStringList fields = entry.split(u',');
    if (fields.size() != 4)
        fail();
    bool ok[4] = {};
    const int tool = fields[0].toInt(&ok[0]), point = fields[1].toInt(&ok[1]);
    const int removed = fields[2].toInt(&ok[2]), number = fields[3].toInt(&ok[3]);
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3])
        fail();
    if (tool < ToolRemove || tool > ToolLetterD || removed < 0 || removed > ToolLetterD || number < 0 || number > 999)
        fail();
    if (!isValidPoint(point) || pointRow(point) >= lines || pointColumn(point) >= lines)
        fail();
    if ((tool == ToolRemove) == (removed == 0))
        fail();  // a removal names what it removes; nothing else does
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const record::SgfRecord r = record::readSgf(bytes);
    if (r.result != record::SgfResult::Ok) {
        if (!r.entries.isEmpty() || !r.joins.isEmpty() || !r.setup.isEmpty())
            fail();
        return 0;
    }
    if (r.entries.isEmpty() || r.entries.size() > record::kMaxSgfEntries || r.joins.size() != r.entries.size()
        || r.setup.size() != r.entries.size() || r.joins.first())
        fail();
    const int lines = linesOf(r.sizeCode);
    for (const QString &entry : r.entries)
        checkEntry(entry, lines);
    return 0;
}
