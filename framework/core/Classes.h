// Streams, string lists and component streaming.
//
// A component is streamed with its published properties (the stored,
// writable Q_PROPERTYs whose value differs from a freshly made instance of
// its class) and its child components, after a 4-byte signature. Reading
// recreates every component through the class registry. The byte layout is
// described in ARCHITECTURE.md ("Component streams").
#pragma once

#include "SysUtils.h"

#include <QByteArray>
#include <QIODevice>
#include <QMetaObject>
#include <QMetaProperty>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// --- Errors -----------------------------------------------------------------

class EStreamError : public Exception {
public:
    using Exception::Exception;
};

// A stream that is not what a reader expects. The texts are fixed:
// ReadErrorText for a stream that ends too soon, InvalidImageText for bytes
// that are no stream of ours.
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A class name the registry does not know: "クラス %s が見つかりません".
class EClassNotFound : public EStreamError {
public:
    explicit EClassNotFound(const QString& className);
};

QString ReadErrorText();    // "ストリームの読み込みエラー"
QString WriteErrorText();   // "ストリームの書き込みエラー"
QString InvalidImageText(); // "不正なストリーム フォーマット"

// --- String lists -----------------------------------------------------------

// An ordered list of strings with an update bracket: between BeginUpdate and
// the matching EndUpdate the list reports no change; EndUpdate reports once.
class TStrings {
public:
    TStrings() = default;
    virtual ~TStrings() = default;
    TStrings(const TStrings&) = delete;
    TStrings& operator=(const TStrings&) = delete;

    virtual int Count() const = 0;
    virtual QString Get(int index) const = 0;
    virtual void Clear() = 0;
    virtual void Add(const QString& s) = 0;

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    QString Strings(int index) const { return Get(index); }

protected:
    // Called with true when the first bracket opens, false when the last
    // closes.
    virtual void SetUpdateState(bool updating) { (void)updating; }

private:
    int FUpdateCount = 0;
};

// TStrings over a QStringList, with OnChange after every change outside an
// update bracket and once when the bracket closes.
class TStringList : public TStrings {
public:
    TStringList() = default;
    explicit TStringList(const QStringList& items) : FItems(items) {}

    int Count() const override { return int(FItems.size()); }
    QString Get(int index) const override;
    void Clear() override;
    void Add(const QString& s) override;

    const QStringList& List() const { return FItems; }

    std::function<void()> OnChange;

protected:
    void SetUpdateState(bool updating) override;

private:
    void Changed();

    QStringList FItems;
};

// --- Hexadecimal lines ------------------------------------------------------

// Digits per stored line: 32 bytes.
constexpr int kHexLineDigits = 64;

// Two upper-case hex digits per byte, cut into lines of kHexLineDigits; the
// last line holds the rest and no empty line is made.
QStringList EncodeHexLines(const QByteArray& bytes);
// One byte per pair of characters, from the start of the line (the last
// byte from a single character when the length is odd); a pair that is not
// a hex number gives 0.
QByteArray DecodeHexLine(QStringView line);

// --- Class registry ---------------------------------------------------------

// Makes a new component of one class with the given Qt parent.
using TComponentFactory = QObject* (*)(QObject* parent);

// Registers a class by its meta-object's class name; registering again
// replaces the factory.
void RegisterClassFactory(const QMetaObject& meta, TComponentFactory factory);

// Registers T, made as new T(parent). A widget class names its parent
// type: RegisterClass<TMyPanel, QWidget>().
template <class T, class TParent = QObject> void RegisterClass() {
    RegisterClassFactory(T::staticMetaObject, [](QObject* parent) -> QObject* {
        return new T(qobject_cast<TParent*>(parent));
    });
}

// The registered class of that name; null when none.
const QMetaObject* FindClass(const QString& className);
// Like FindClass, raising EClassNotFound.
const QMetaObject& GetClass(const QString& className);

// --- Component streaming ----------------------------------------------------

// The 4 bytes a component stream starts with.
constexpr char kFilerSignature[4] = {'V', 'X', 'F', '1'};

// Nesting of components in one stream, root included, and the most
// components one stream may hold.
constexpr int kMaxComponentDepth = 32;
constexpr int kMaxComponentCount = 65536;

// The one-byte tags in front of every value.
enum TValueType : std::uint8_t {
    vaNull = 0x00,   // end of a list
    vaList = 0x01,   // values up to vaNull
    vaInt8 = 0x02,   // 1 byte, signed
    vaInt16 = 0x03,  // 2 bytes, signed, little-endian
    vaInt32 = 0x04,  // 4 bytes
    vaInt64 = 0x05,  // 8 bytes
    vaDouble = 0x06, // 8 bytes, IEEE 754, little-endian
    vaIdent = 0x07,  // short string: an enumeration key
    vaFalse = 0x08,
    vaTrue = 0x09,
    vaString = 0x0A, // 4-byte length, then UTF-8
    vaBinary = 0x0B, // 4-byte length, then the bytes
    vaSet = 0x0C,    // short strings (flag keys) up to an empty one
};

// Is name a component name: empty, or a letter or "_" followed by letters,
// digits and "_", at most 255 characters of ASCII.
bool IsValidComponentName(const QString& name);

// The components a component's stream carries as its children: its Qt
// children of a registered class with a name that is not Qt's own ("qt_").
QObjectList StreamedChildren(const QObject* component);

// Writes components through a buffer of BufSize bytes; the buffer goes to the
// stream when it fills and by FlushBuffer (the destructor flushes too, but
// cannot report a failure).
class TWriter {
public:
    explicit TWriter(QIODevice& stream, int bufSize = 4096);
    ~TWriter();
    TWriter(const TWriter&) = delete;
    TWriter& operator=(const TWriter&) = delete;

    // The component that owns what is written; informational.
    QObject* Root() const { return FRoot; }
    void SetRoot(QObject* root) { FRoot = root; }

    void WriteSignature();
    // The component, its properties and its children. Raises EWriteError
    // for an unregistered class, an invalid name, an enumeration holding no
    // value of it or flags with a bit no key names, or nesting or a count
    // beyond kMaxComponentDepth or kMaxComponentCount, so that nothing is
    // written that cannot be read.
    void WriteComponent(QObject* component);
    void WriteListEnd();
    void FlushBuffer();

private:
    void WriteComponentAt(QObject* component, int depth);
    void WriteProperties(const QObject* component);
    void WriteProperty(const QMetaProperty& property, const QVariant& value);
    void WriteInteger(std::int64_t value);
    void WriteShortStr(const QByteArray& s);
    void WriteLongBytes(TValueType type, const QByteArray& bytes);
    void Write(const void* data, qint64 size);
    void WriteByte(std::uint8_t b) { Write(&b, 1); }
    const QObject& Prototype(const QMetaObject& meta);

    QIODevice& FStream;
    QByteArray FBuffer;
    int FBufSize;
    QObject* FRoot = nullptr;
    std::vector<std::unique_ptr<QObject>> FPrototypes;
    int FComponents = 0; // written by the current WriteComponent
};

// Reads what TWriter writes, through a buffer of BufSize bytes. Bytes read
// ahead into the buffer and not used are given back to a random-access
// stream when the reader is destroyed.
class TReader {
public:
    explicit TReader(QIODevice& stream, int bufSize = 4096);
    ~TReader();
    TReader(const TReader&) = delete;
    TReader& operator=(const TReader&) = delete;

    // Raises EReadError (InvalidImageText) unless the signature follows.
    void ReadSignature();
    // Creates the next component and its children, the component with the
    // Qt parent parent. A component's name must be unique among the
    // descendants of scope (the new component's own tree when scope is
    // null). On any error everything created is deleted again and an
    // EStreamError is raised.
    QObject* ReadComponent(QObject* parent, QObject* scope);
    // Raises EReadError (InvalidImageText) when bytes are left.
    void ExpectEnd();

    // Low-level reads, used by the textual notation.
    bool EndOfList();           // consumes the vaNull it finds
    TValueType ReadValueType(); // a known tag, else InvalidImage
    QByteArray ReadShortStr();  // length byte and bytes
    std::int64_t ReadIntegerBody(TValueType type);
    double ReadDouble();
    QByteArray ReadLongBytes(); // 4-byte length and bytes
    std::uint8_t ReadByte();
    bool AtEnd();

private:
    QObject* ReadComponentAt(QObject* parent, int depth);
    void ReadProperties(QObject* component);
    QVariant ReadPropertyValue(const QMetaProperty& property);
    QVariantList ReadScalarList();
    void Read(void* data, qint64 size);
    bool Fill();

    QIODevice& FStream;
    QByteArray FBuffer;
    qsizetype FBufPos = 0;
    int FBufSize;
    QSet<QString> FNames; // taken in the scope of the read under way
    int FComponents = 0;  // made by it
};

// Writes the signature and the component; the component's owner (its Qt
// parent) is the writer's root.
void WriteComponentStream(QIODevice& stream, QObject* component);
// Reads a whole stream written by WriteComponentStream into a new component
// under parent; nothing may follow it.
QObject* ReadComponentStream(QIODevice& stream, QObject* parent, QObject* scope);

// --- Textual notation -------------------------------------------------------

// Converts a component stream (signature included) into its textual
// notation, in ASCII with CR LF line breaks:
//
//   object Panel1: TTestPanel
//     Caption = 'It''s #12354'
//     Tags = (
//       'a'
//       'b')
//     Kind = pkLarge
//     Data = {
//       0102FF}
//     object Label1: TTestLabel
//     end
//   end
//
// Characters outside printable ASCII are written as #code points. When
// maxOutput >= 0 the conversion stops once that many bytes are written (the
// output may end a little past it; callers cut). Raises EReadError for a
// stream that is not one.
void ObjectBinaryToText(QIODevice& input, QIODevice& output, qint64 maxOutput = -1);

// --- Form files -------------------------------------------------------------

// The resource header in front of a stream in a form file: FF, the 16-bit
// type 10 (raw data), the zero-terminated upper-case name, 16-bit flags and
// the 32-bit size of what follows.
void WriteResourceHeader(QIODevice& stream, const QByteArray& name, quint32 size);
// Skips the header; raises EReadError (InvalidImageText) when it is missing.
void ReadResourceHeader(QIODevice& stream);
// A form file: the header named after the component's class, then its stream.
QByteArray ComponentToFormFile(QObject* component);
