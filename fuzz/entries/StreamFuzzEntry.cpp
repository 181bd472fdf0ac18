#include "StreamFuzzEntry.h"

#include "Classes.h"
#include "StreamProbes.h"

#include <QBuffer>
#include <memory>

void RegisterStreamProbes() {
    RegisterClass<TStreamProbe>();
    RegisterClass<TStreamProbeItem>();
}

namespace {

void Expect(bool condition, const char* what) {
    if (!condition)
        throw TStreamFuzzFailure(what);
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The decoding rule written out plainly: a pair (or a last single
// character) of hex digits is their value, anything else 0.
char ReferenceByte(const QByteArray& pair) {
    for (char c : pair)
        if (!IsHexDigit(c))
            return 0;
    return char(pair.toUInt(nullptr, 16));
}

QByteArray Write(QObject* component) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    WriteComponentStream(out, component);
    return out.data();
}

std::unique_ptr<QObject> Read(const QByteArray& bytes, QObject* owner) {
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    return std::unique_ptr<QObject>(ReadComponentStream(in, owner, owner));
}

bool ConvertsToText(const QByteArray& bytes) {
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    try {
        ObjectBinaryToText(in, out);
    } catch (const EStreamError&) {
        return false;
    }
    for (char c : out.data())
        Expect(c == '\r' || c == '\n' || (c >= 0x20 && c < 0x7F), "the text is not plain ASCII");
    return true;
}

} // namespace

int HexLineFuzzOne(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray decoded = DecodeHexLine(QString::fromLatin1(bytes));
    Expect(decoded.size() == (bytes.size() + 1) / 2, "one byte per pair of characters");
    for (qsizetype i = 0; i < decoded.size(); ++i)
        Expect(decoded[i] == ReferenceByte(bytes.mid(2 * i, 2)), "a byte differs from the rule");

    const QStringList lines = EncodeHexLines(bytes);
    Expect(lines.size() == (2 * bytes.size() + kHexLineDigits - 1) / kHexLineDigits,
           "wrong number of lines");
    QByteArray joined;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const bool last = i == lines.size() - 1;
        Expect(!lines[i].isEmpty() &&
                   (last ? lines[i].size() <= kHexLineDigits : lines[i].size() == kHexLineDigits),
               "a line has the wrong length");
        Expect(lines[i] == lines[i].toUpper(), "a line has lower-case digits");
        joined += DecodeHexLine(lines[i]);
    }
    Expect(joined == bytes, "lines do not decode back to the bytes");
    return 0;
}

int ComponentStreamFuzzOne(const std::uint8_t* data, std::size_t size) {
    RegisterStreamProbes();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QObject owner;
    std::unique_ptr<QObject> component;
    try {
        component = Read(bytes, &owner);
    } catch (const EStreamError&) {
        Expect(owner.children().isEmpty(), "a refused stream left a component behind");
    }
    const bool text = ConvertsToText(bytes);
    if (!component)
        return 0;
    Expect(text, "a stream the reader takes has no textual notation");
    Expect(component->parent() == &owner, "the component is not under its owner");

    // Writing what was read and reading it again is stable.
    const QByteArray first = Write(component.get());
    QObject otherOwner;
    const std::unique_ptr<QObject> again = Read(first, &otherOwner);
    Expect(Write(again.get()) == first, "a write, read and write changed the stream");
    return 0;
}
