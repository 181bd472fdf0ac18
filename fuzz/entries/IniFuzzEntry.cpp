#include "IniFuzzEntry.h"

#include "Cp932.h"
#include "IniFile.h"

#include <string>

namespace {

void Expect(bool condition, const char* what) {
    if (!condition)
        throw TIniFuzzFailure(what);
}

// A write changes one place: it replaces one line, inserts a key line into a
// section, or appends a section with its key. Everything else stays.
void ExpectSingleEdit(const QList<QByteArray>& before, const QList<QByteArray>& after) {
    const qsizetype grown = after.size() - before.size();
    Expect(grown >= 0 && grown <= 2, "a write changed the number of lines by more than two");
    qsizetype prefix = 0;
    while (prefix < before.size() && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < before.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    Expect(before.size() - prefix - suffix <= 1, "a line of the input was lost by a rewrite");
}

void ReadEverything(const TIniDocument& doc) {
    int reads = 0;
    for (const QString& section : doc.ReadSections()) {
        for (const QString& key : doc.ReadSection(section)) {
            const QString value = doc.ReadString(section, key, QString());
            Expect(Cp932::Encode(value).size() <= kIniMaxValueBytes,
                   "a read returned more than 2047 bytes");
            Expect(doc.ValueExists(section, key), "a listed key does not exist");
            if (++reads > 256)
                return;
        }
    }
}

void WriteReadDelete(TIniDocument& doc, const QString& section, const QString& key,
                     const QString& value) {
    if (!TIniDocument::CheckWrite(section, key, value).isEmpty())
        return;
    const QList<QByteArray> before = doc.Lines();
    doc.WriteString(section, key, value);
    Expect(doc.ReadString(section, key, QString()) == TIniDocument::CutValue(value),
           "a written value does not read back");
    ExpectSingleEdit(before, doc.Lines());
    const TIniDocument reread(doc.Bytes());
    Expect(reread.Lines() == doc.Lines(), "lines changed through a save and load");
    Expect(reread.ReadString(section, key, QString()) == TIniDocument::CutValue(value),
           "a written value does not read back after a save and load");
    doc.DeleteKey(section, key);
    Expect(!doc.ValueExists(section, key), "a deleted key still reads");
}

} // namespace

int IniFuzzOne(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TIniDocument doc(bytes);
    Expect(TIniDocument(doc.Bytes()).Lines() == doc.Lines(), "a load and save is not lossless");
    ReadEverything(doc);

    // Names and a value taken from the input itself, so that the fuzzer can
    // steer them into awkward bytes.
    const qsizetype third = bytes.size() / 3;
    const QString section = Cp932::Decode(bytes.left(qMin<qsizetype>(third, 64)));
    const QString key = Cp932::Decode(bytes.mid(third, qMin<qsizetype>(third, 64)));
    const QString value = Cp932::Decode(bytes.mid(2 * third));
    WriteReadDelete(doc, section, key, value);

    const QStringList sections = doc.ReadSections();
    if (!sections.isEmpty())
        WriteReadDelete(doc, sections.front(), QStringLiteral("Fuzz"), QStringLiteral(" v "));
    return 0;
}
