#include "Classes.h"

#include <QBuffer>
#include <QHash>
#include <QMetaEnum>
#include <QPoint>
#include <QRect>
#include <QSet>
#include <QSize>
#include <algorithm>
#include <bit>
#include <cctype>
#include <cstring>
#include <limits>

// --- Errors -----------------------------------------------------------------

QString ReadErrorText() {
    return QStringLiteral("ストリームの読み込みエラー");
}

QString WriteErrorText() {
    return QStringLiteral("ストリームの書き込みエラー");
}

QString InvalidImageText() {
    return QStringLiteral("不正なストリーム フォーマット");
}

EClassNotFound::EClassNotFound(const QString& className)
    : EStreamError(QStringLiteral("クラス %1 が見つかりません").arg(className)) {}

namespace {

[[noreturn]] void InvalidImage() {
    throw EReadError(InvalidImageText());
}

[[noreturn]] void Truncated() {
    throw EReadError(ReadErrorText());
}

// A name taken from a stream, fit to show: anything but a letter, digit or
// "_" becomes "?".
QByteArray Printable(QByteArray s) {
    for (char& c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
            c = '?';
    return s;
}

} // namespace

// --- String lists -----------------------------------------------------------

void TStrings::BeginUpdate() {
    if (FUpdateCount++ == 0)
        SetUpdateState(true);
}

void TStrings::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        SetUpdateState(false);
}

QString TStringList::Get(int index) const {
    if (index < 0 || index >= Count())
        throw Exception(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
    return FItems[index];
}

void TStringList::Clear() {
    if (FItems.isEmpty())
        return;
    FItems.clear();
    Changed();
}

void TStringList::Add(const QString& s) {
    FItems.append(s);
    Changed();
}

void TStringList::SetUpdateState(bool updating) {
    if (!updating)
        Changed();
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange)
        OnChange();
}

// --- Hexadecimal lines ------------------------------------------------------

QStringList EncodeHexLines(const QByteArray& bytes) {
    const QString digits = QString::fromLatin1(bytes.toHex().toUpper());
    QStringList lines;
    lines.reserve((digits.size() + kHexLineDigits - 1) / kHexLineDigits);
    for (qsizetype i = 0; i < digits.size(); i += kHexLineDigits)
        lines << digits.mid(i, kHexLineDigits);
    return lines;
}

QByteArray DecodeHexLine(QStringView line) {
    QByteArray bytes;
    bytes.reserve((line.size() + 1) / 2);
    for (qsizetype i = 0; i < line.size(); i += 2) {
        const QString number = u'$' + line.mid(i, 2).toString();
        bytes.append(char(StrToIntDef(number, 0) & 0xFF));
    }
    return bytes;
}

// --- Class registry ---------------------------------------------------------

namespace {

struct TClassEntry {
    const QMetaObject* Meta;
    TComponentFactory Factory;
};

QHash<QString, TClassEntry>& ClassTable() {
    static QHash<QString, TClassEntry> table;
    return table;
}

const TClassEntry* FindEntry(const QString& className) {
    const auto& table = ClassTable();
    const auto it = table.constFind(className);
    return it == table.cend() ? nullptr : &*it;
}

// Registered under its own name, and that registration is this very class
// (not another class that happens to share the name).
const TClassEntry* EntryFor(const QMetaObject& meta) {
    const TClassEntry* entry = FindEntry(QString::fromLatin1(meta.className()));
    return entry && entry->Meta == &meta ? entry : nullptr;
}

bool IsWidgetClass(const QMetaObject* meta) {
    for (; meta; meta = meta->superClass())
        if (std::strcmp(meta->className(), "QWidget") == 0)
            return true;
    return false;
}

} // namespace

void RegisterClassFactory(const QMetaObject& meta, TComponentFactory factory) {
    ClassTable().insert(QString::fromLatin1(meta.className()), TClassEntry{&meta, factory});
}

const QMetaObject* FindClass(const QString& className) {
    const TClassEntry* entry = FindEntry(className);
    return entry ? entry->Meta : nullptr;
}

const QMetaObject& GetClass(const QString& className) {
    if (const QMetaObject* meta = FindClass(className))
        return *meta;
    throw EClassNotFound(className);
}

// --- Published properties ---------------------------------------------------

namespace {

enum class TPropKind {
    Bool,
    Int,
    UInt,
    Int64,
    UInt64,
    Double,
    String,
    Bytes,
    StringList,
    Rect,
    Point,
    Size,
    Enum,
    Flags,
    None
};

TPropKind KindOf(const QMetaProperty& p) {
    if (p.isFlagType())
        return TPropKind::Flags;
    if (p.isEnumType())
        return TPropKind::Enum;
    switch (p.metaType().id()) {
    case QMetaType::Bool:
        return TPropKind::Bool;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::SChar:
        return TPropKind::Int;
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return TPropKind::UInt;
    case QMetaType::LongLong:
    case QMetaType::Long:
        return TPropKind::Int64;
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return TPropKind::UInt64;
    case QMetaType::Double:
    case QMetaType::Float:
        return TPropKind::Double;
    case QMetaType::QString:
        return TPropKind::String;
    case QMetaType::QByteArray:
        return TPropKind::Bytes;
    case QMetaType::QStringList:
        return TPropKind::StringList;
    case QMetaType::QRect:
        return TPropKind::Rect;
    case QMetaType::QPoint:
        return TPropKind::Point;
    case QMetaType::QSize:
        return TPropKind::Size;
    default:
        return TPropKind::None;
    }
}

// Properties declared below QObject (objectName travels as the name) that a
// stream can carry and a reader can set.
bool IsPublished(const QMetaProperty& p) {
    return p.propertyIndex() >= QObject::staticMetaObject.propertyCount() && p.isReadable() &&
           p.isWritable() && p.isStored() && !p.isConstant() && KindOf(p) != TPropKind::None;
}

std::vector<QMetaProperty> PublishedProperties(const QMetaObject& meta) {
    std::vector<QMetaProperty> result;
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta.propertyCount(); ++i)
        if (IsPublished(meta.property(i)))
            result.push_back(meta.property(i));
    return result;
}

// The integer range a property of that kind accepts.
bool FitsKind(TPropKind kind, const QMetaProperty& p, std::int64_t v) {
    switch (kind) {
    case TPropKind::Int:
    case TPropKind::Enum:
    case TPropKind::Flags: {
        const int bits = p.metaType().sizeOf() >= 4 ? 32 : int(8 * p.metaType().sizeOf());
        const std::int64_t bound = std::int64_t(1) << (bits - 1);
        // Enumerations may use their unsigned range too.
        return v >= -bound && v < (kind == TPropKind::Int ? bound : 2 * bound);
    }
    case TPropKind::UInt: {
        const int bits = p.metaType().sizeOf() >= 4 ? 32 : int(8 * p.metaType().sizeOf());
        return v >= 0 && v < (std::int64_t(1) << bits);
    }
    default:
        return true;
    }
}

QString PropertyText(const QMetaProperty& p) {
    return QString::fromLatin1(p.name());
}

QString InvalidValueText(const QMetaProperty& p) {
    return QStringLiteral("プロパティ %1 の値が不正です").arg(PropertyText(p));
}

[[noreturn]] void InvalidValue(const QMetaProperty& p) {
    throw EReadError(InvalidValueText(p));
}

// Storing a number that is none of an enumeration's values into it is
// undefined behaviour, and a flag bit no key names has no meaning: neither
// is written nor read.
bool IsEnumValue(const QMetaProperty& p, int v) {
    return p.enumerator().valueToKey(v) != nullptr;
}

bool HasOnlyFlagBits(const QMetaProperty& p, int v) {
    const QMetaEnum e = p.enumerator();
    unsigned known = 0;
    for (int i = 0; i < e.keyCount(); ++i)
        known |= unsigned(e.value(i));
    return (unsigned(v) & ~known) == 0;
}

} // namespace

bool IsValidComponentName(const QString& name) {
    if (name.size() > 255)
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        if (!letter && !(i > 0 && c >= '0' && c <= '9'))
            return false;
    }
    return true;
}

QObjectList StreamedChildren(const QObject* component) {
    QObjectList result;
    for (QObject* child : component->children())
        if (EntryFor(*child->metaObject()) && !child->objectName().isEmpty() &&
            !child->objectName().startsWith(QLatin1String("qt_")))
            result << child;
    return result;
}

// --- TWriter ----------------------------------------------------------------

TWriter::TWriter(QIODevice& stream, int bufSize) : FStream(stream), FBufSize(std::max(1, bufSize)) {
    FBuffer.reserve(FBufSize);
}

TWriter::~TWriter() {
    try {
        FlushBuffer();
    } catch (const EStreamError&) {
        // Reported by an explicit FlushBuffer; a destructor cannot.
    }
}

void TWriter::FlushBuffer() {
    if (FBuffer.isEmpty())
        return;
    const QByteArray pending = std::exchange(FBuffer, QByteArray());
    FBuffer.reserve(FBufSize);
    if (!FStream.isWritable() || FStream.write(pending) != pending.size())
        throw EWriteError(WriteErrorText());
}

void TWriter::Write(const void* data, qint64 size) {
    FBuffer.append(static_cast<const char*>(data), size);
    if (FBuffer.size() >= FBufSize)
        FlushBuffer();
}

void TWriter::WriteSignature() {
    Write(kFilerSignature, sizeof kFilerSignature);
}

void TWriter::WriteListEnd() {
    WriteByte(vaNull);
}

void TWriter::WriteShortStr(const QByteArray& s) {
    if (s.size() > 255)
        throw EWriteError(WriteErrorText());
    WriteByte(std::uint8_t(s.size()));
    Write(s.constData(), s.size());
}

void TWriter::WriteLongBytes(TValueType type, const QByteArray& bytes) {
    if (bytes.size() > std::numeric_limits<std::int32_t>::max())
        throw EWriteError(WriteErrorText());
    WriteByte(type);
    const std::uint32_t size = std::uint32_t(bytes.size());
    const std::uint8_t le[4] = {std::uint8_t(size), std::uint8_t(size >> 8),
                                std::uint8_t(size >> 16), std::uint8_t(size >> 24)};
    Write(le, 4);
    Write(bytes.constData(), bytes.size());
}

// The shortest of the four integer forms that holds the value.
void TWriter::WriteInteger(std::int64_t value) {
    int bytes = 8;
    TValueType type = vaInt64;
    if (value >= INT8_MIN && value <= INT8_MAX) {
        bytes = 1;
        type = vaInt8;
    } else if (value >= INT16_MIN && value <= INT16_MAX) {
        bytes = 2;
        type = vaInt16;
    } else if (value >= INT32_MIN && value <= INT32_MAX) {
        bytes = 4;
        type = vaInt32;
    }
    WriteByte(type);
    const std::uint64_t u = std::uint64_t(value);
    for (int i = 0; i < bytes; ++i)
        WriteByte(std::uint8_t(u >> (8 * i)));
}

void TWriter::WriteProperty(const QMetaProperty& p, const QVariant& value) {
    switch (KindOf(p)) {
    case TPropKind::Bool:
        WriteByte(value.toBool() ? vaTrue : vaFalse);
        break;
    case TPropKind::Int:
    case TPropKind::Int64:
        WriteInteger(value.toLongLong());
        break;
    case TPropKind::UInt:
    case TPropKind::UInt64:
        // An unsigned 64-bit value keeps its bit pattern.
        WriteInteger(std::int64_t(value.toULongLong()));
        break;
    case TPropKind::Double: {
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(value.toDouble());
        WriteByte(vaDouble);
        for (int i = 0; i < 8; ++i)
            WriteByte(std::uint8_t(bits >> (8 * i)));
        break;
    }
    case TPropKind::String:
        WriteLongBytes(vaString, value.toString().toUtf8());
        break;
    case TPropKind::Bytes:
        WriteLongBytes(vaBinary, value.toByteArray());
        break;
    case TPropKind::StringList:
        WriteByte(vaList);
        for (const QString& s : value.toStringList())
            WriteLongBytes(vaString, s.toUtf8());
        WriteListEnd();
        break;
    case TPropKind::Rect:
    case TPropKind::Point:
    case TPropKind::Size: {
        std::vector<int> numbers;
        if (KindOf(p) == TPropKind::Rect) {
            const QRect r = value.toRect();
            numbers = {r.x(), r.y(), r.width(), r.height()};
        } else if (KindOf(p) == TPropKind::Point) {
            numbers = {value.toPoint().x(), value.toPoint().y()};
        } else {
            numbers = {value.toSize().width(), value.toSize().height()};
        }
        WriteByte(vaList);
        for (int n : numbers)
            WriteInteger(n);
        WriteListEnd();
        break;
    }
    case TPropKind::Enum: {
        const char* key = p.enumerator().valueToKey(value.toInt());
        if (!key)
            throw EWriteError(InvalidValueText(p));
        WriteByte(vaIdent);
        WriteShortStr(key);
        break;
    }
    case TPropKind::Flags: {
        const int v = value.toInt();
        if (!HasOnlyFlagBits(p, v))
            throw EWriteError(InvalidValueText(p));
        const QByteArray keys = p.enumerator().valueToKeys(v);
        // Keys that spell the value exactly, else the number.
        if (p.enumerator().keysToValue(keys.constData()) != v || (v != 0 && keys.isEmpty())) {
            WriteInteger(v);
            break;
        }
        WriteByte(vaSet);
        for (const QByteArray& key : keys.split('|'))
            if (!key.isEmpty())
                WriteShortStr(key);
        WriteByte(0);
        break;
    }
    case TPropKind::None:
        break;
    }
}

const QObject& TWriter::Prototype(const QMetaObject& meta) {
    for (const auto& p : FPrototypes)
        if (p->metaObject() == &meta)
            return *p;
    FPrototypes.emplace_back(EntryFor(meta)->Factory(nullptr));
    return *FPrototypes.back();
}

void TWriter::WriteProperties(const QObject* component) {
    const QMetaObject& meta = *component->metaObject();
    const QObject& prototype = Prototype(meta);
    for (const QMetaProperty& p : PublishedProperties(meta)) {
        const QVariant value = p.read(component);
        if (value == p.read(&prototype))
            continue;
        WriteShortStr(p.name());
        WriteProperty(p, value);
    }
    WriteShortStr({});
}

void TWriter::WriteComponent(QObject* component) {
    FComponents = 0;
    WriteComponentAt(component, 1);
}

void TWriter::WriteComponentAt(QObject* component, int depth) {
    const QMetaObject& meta = *component->metaObject();
    if (!EntryFor(meta))
        throw EWriteError(QStringLiteral("クラス %1 は登録されていません")
                              .arg(QString::fromLatin1(meta.className())));
    if (!IsValidComponentName(component->objectName()))
        throw EWriteError(QStringLiteral("%1 は有効なコンポーネント名ではありません")
                              .arg(component->objectName()));
    if (depth > kMaxComponentDepth)
        throw EWriteError(QStringLiteral("コンポーネントの入れ子が深すぎます"));
    if (++FComponents > kMaxComponentCount)
        throw EWriteError(QStringLiteral("コンポーネントが多すぎます"));
    WriteShortStr(meta.className());
    WriteShortStr(component->objectName().toLatin1());
    WriteProperties(component);
    for (QObject* child : StreamedChildren(component))
        WriteComponentAt(child, depth + 1);
    WriteListEnd();
}

// --- TReader ----------------------------------------------------------------

TReader::TReader(QIODevice& stream, int bufSize)
    : FStream(stream), FBufSize(std::max(1, bufSize)) {}

TReader::~TReader() {
    const qsizetype unread = FBuffer.size() - FBufPos;
    if (unread > 0 && !FStream.isSequential())
        FStream.seek(FStream.pos() - unread);
}

bool TReader::Fill() {
    if (FBufPos < FBuffer.size())
        return true;
    FBuffer = FStream.isReadable() ? FStream.read(FBufSize) : QByteArray();
    FBufPos = 0;
    return !FBuffer.isEmpty();
}

bool TReader::AtEnd() {
    return !Fill();
}

void TReader::Read(void* data, qint64 size) {
    auto* out = static_cast<char*>(data);
    while (size > 0) {
        if (!Fill())
            Truncated();
        const qint64 n = std::min<qint64>(size, FBuffer.size() - FBufPos);
        std::memcpy(out, FBuffer.constData() + FBufPos, size_t(n));
        FBufPos += n;
        out += n;
        size -= n;
    }
}

std::uint8_t TReader::ReadByte() {
    std::uint8_t b;
    Read(&b, 1);
    return b;
}

void TReader::ReadSignature() {
    char signature[sizeof kFilerSignature];
    try {
        Read(signature, sizeof signature);
    } catch (const EReadError&) {
        InvalidImage();
    }
    if (std::memcmp(signature, kFilerSignature, sizeof signature) != 0)
        InvalidImage();
}

void TReader::ExpectEnd() {
    if (!AtEnd())
        InvalidImage();
}

bool TReader::EndOfList() {
    if (!Fill())
        Truncated();
    if (FBuffer[FBufPos] != char(vaNull))
        return false;
    ++FBufPos;
    return true;
}

TValueType TReader::ReadValueType() {
    const std::uint8_t t = ReadByte();
    if (t > vaSet)
        InvalidImage();
    return TValueType(t);
}

QByteArray TReader::ReadShortStr() {
    QByteArray s(ReadByte(), Qt::Uninitialized);
    Read(s.data(), s.size());
    return s;
}

QByteArray TReader::ReadLongBytes() {
    std::uint8_t le[4];
    Read(le, 4);
    const std::uint32_t size = std::uint32_t(le[0]) | std::uint32_t(le[1]) << 8 |
                               std::uint32_t(le[2]) << 16 | std::uint32_t(le[3]) << 24;
    if (size > std::uint32_t(std::numeric_limits<std::int32_t>::max()))
        InvalidImage();
    // A length beyond the data is known at once on a random-access stream;
    // elsewhere the bytes are collected as they come, never allocated ahead.
    if (!FStream.isSequential() &&
        qint64(size) > (FBuffer.size() - FBufPos) + (FStream.size() - FStream.pos()))
        Truncated();
    QByteArray bytes;
    constexpr qint64 chunk = 64 * 1024;
    for (qint64 left = size; left > 0;) {
        const qint64 n = std::min(left, chunk);
        const qsizetype at = bytes.size();
        bytes.resize(at + n);
        Read(bytes.data() + at, n);
        left -= n;
    }
    return bytes;
}

std::int64_t TReader::ReadIntegerBody(TValueType type) {
    int bytes = 0;
    switch (type) {
    case vaInt8:
        bytes = 1;
        break;
    case vaInt16:
        bytes = 2;
        break;
    case vaInt32:
        bytes = 4;
        break;
    case vaInt64:
        bytes = 8;
        break;
    default:
        InvalidImage();
    }
    std::uint8_t le[8];
    Read(le, bytes);
    std::uint64_t u = 0;
    for (int i = bytes - 1; i >= 0; --i)
        u = u << 8 | le[i];
    // Sign-extend from the width read.
    const int shift = 64 - 8 * bytes;
    return std::int64_t(u << shift) >> shift;
}

double TReader::ReadDouble() {
    std::uint8_t le[8];
    Read(le, 8);
    std::uint64_t u = 0;
    for (int i = 7; i >= 0; --i)
        u = u << 8 | le[i];
    return std::bit_cast<double>(u);
}

namespace {

bool IsInteger(TValueType t) {
    return t == vaInt8 || t == vaInt16 || t == vaInt32 || t == vaInt64;
}

} // namespace

QVariantList TReader::ReadScalarList() {
    QVariantList items;
    while (!EndOfList()) {
        const TValueType t = ReadValueType();
        if (IsInteger(t))
            items << QVariant::fromValue(qlonglong(ReadIntegerBody(t)));
        else if (t == vaString)
            items << QString::fromUtf8(ReadLongBytes());
        else
            InvalidImage();
    }
    return items;
}

QVariant TReader::ReadPropertyValue(const QMetaProperty& p) {
    const TPropKind kind = KindOf(p);
    const TValueType t = ReadValueType();
    const auto integer = [&]() -> std::int64_t {
        if (!IsInteger(t))
            InvalidValue(p);
        const std::int64_t v = ReadIntegerBody(t);
        if (!FitsKind(kind, p, v))
            InvalidValue(p);
        return v;
    };
    switch (kind) {
    case TPropKind::Bool:
        if (t != vaFalse && t != vaTrue)
            InvalidValue(p);
        return t == vaTrue;
    case TPropKind::Int:
    case TPropKind::Int64:
        return QVariant::fromValue(qlonglong(integer()));
    case TPropKind::UInt:
    case TPropKind::UInt64:
        return QVariant::fromValue(qulonglong(integer()));
    case TPropKind::Double:
        if (t == vaDouble)
            return ReadDouble();
        return double(integer());
    case TPropKind::String:
        if (t != vaString)
            InvalidValue(p);
        return QString::fromUtf8(ReadLongBytes());
    case TPropKind::Bytes:
        if (t != vaBinary)
            InvalidValue(p);
        return ReadLongBytes();
    case TPropKind::StringList: {
        if (t != vaList)
            InvalidValue(p);
        QStringList strings;
        for (const QVariant& item : ReadScalarList()) {
            if (item.metaType().id() != QMetaType::QString)
                InvalidValue(p);
            strings << item.toString();
        }
        return strings;
    }
    case TPropKind::Rect:
    case TPropKind::Point:
    case TPropKind::Size: {
        if (t != vaList)
            InvalidValue(p);
        const QVariantList items = ReadScalarList();
        std::vector<int> n;
        for (const QVariant& item : items) {
            if (item.metaType().id() != QMetaType::LongLong || item.toLongLong() < INT32_MIN ||
                item.toLongLong() > INT32_MAX)
                InvalidValue(p);
            n.push_back(int(item.toLongLong()));
        }
        if (n.size() != (kind == TPropKind::Rect ? 4u : 2u))
            InvalidValue(p);
        if (kind == TPropKind::Rect)
            return QRect(n[0], n[1], n[2], n[3]);
        if (kind == TPropKind::Point)
            return QPoint(n[0], n[1]);
        return QSize(n[0], n[1]);
    }
    case TPropKind::Enum: {
        if (t != vaIdent) {
            const int v = int(integer());
            if (!IsEnumValue(p, v))
                InvalidValue(p);
            return v;
        }
        bool ok = false;
        const int v = p.enumerator().keyToValue(ReadShortStr().constData(), &ok);
        if (!ok)
            InvalidValue(p);
        return v;
    }
    case TPropKind::Flags: {
        if (t != vaSet) {
            const int v = int(integer());
            if (!HasOnlyFlagBits(p, v))
                InvalidValue(p);
            return v;
        }
        int v = 0;
        for (QByteArray key = ReadShortStr(); !key.isEmpty(); key = ReadShortStr()) {
            bool ok = false;
            v |= p.enumerator().keyToValue(key.constData(), &ok);
            if (!ok)
                InvalidValue(p);
        }
        return v;
    }
    case TPropKind::None:
        break;
    }
    InvalidValue(p);
}

void TReader::ReadProperties(QObject* component) {
    const QMetaObject& meta = *component->metaObject();
    for (QByteArray name = ReadShortStr(); !name.isEmpty(); name = ReadShortStr()) {
        const int index = name.contains('\0') ? -1 : meta.indexOfProperty(name.constData());
        if (index < 0 || !IsPublished(meta.property(index)))
            throw EReadError(QStringLiteral("プロパティ %1 は存在しません")
                                 .arg(QString::fromLatin1(Printable(name))));
        const QMetaProperty p = meta.property(index);
        QVariant value = ReadPropertyValue(p);
        // Enumerations take the number as it is; other values take the
        // property's own type first (qlonglong to int, double to float).
        const TPropKind kind = KindOf(p);
        const bool enumeration = kind == TPropKind::Enum || kind == TPropKind::Flags;
        if ((!enumeration && !value.convert(p.metaType())) || !p.write(component, value))
            InvalidValue(p);
    }
}

namespace {

void CollectNames(const QObject* root, QSet<QString>& names) {
    if (!root->objectName().isEmpty())
        names.insert(root->objectName());
    for (const QObject* child : root->children())
        CollectNames(child, names);
}

} // namespace

QObject* TReader::ReadComponent(QObject* parent, QObject* scope) {
    FNames.clear();
    FComponents = 0;
    if (scope)
        CollectNames(scope, FNames);
    return ReadComponentAt(parent, 1);
}

QObject* TReader::ReadComponentAt(QObject* parent, int depth) {
    if (depth > kMaxComponentDepth)
        throw EReadError(QStringLiteral("コンポーネントの入れ子が深すぎます"));
    if (++FComponents > kMaxComponentCount)
        throw EReadError(QStringLiteral("コンポーネントが多すぎます"));
    const QByteArray className = ReadShortStr();
    if (className.isEmpty())
        InvalidImage();
    const QString name = QString::fromLatin1(ReadShortStr());
    const TClassEntry* entry = FindEntry(QString::fromLatin1(className));
    if (!entry)
        throw EClassNotFound(QString::fromLatin1(Printable(className)));
    if (!IsValidComponentName(name))
        throw EReadError(QStringLiteral("%1 は有効なコンポーネント名ではありません")
                             .arg(QString::fromLatin1(Printable(name.toLatin1()))));
    // A widget cannot live inside a plain object.
    if (parent && IsWidgetClass(entry->Meta) && !parent->isWidgetType())
        throw EReadError(QStringLiteral("%1 は %2 の子にはできません")
                             .arg(QString::fromLatin1(Printable(className)),
                                  QString::fromLatin1(parent->metaObject()->className())));
    if (!name.isEmpty() && FNames.contains(name))
        throw EReadError(QStringLiteral("コンポーネント名 %1 は既に存在します").arg(name));
    std::unique_ptr<QObject> component(entry->Factory(parent));
    if (!component)
        throw EClassNotFound(QString::fromLatin1(className));
    if (!name.isEmpty())
        FNames.insert(name);
    component->setObjectName(name);
    ReadProperties(component.get());
    while (!EndOfList())
        ReadComponentAt(component.get(), depth + 1);
    return component.release();
}

void WriteComponentStream(QIODevice& stream, QObject* component) {
    TWriter writer(stream);
    writer.SetRoot(component->parent() ? component->parent() : component);
    writer.WriteSignature();
    writer.WriteComponent(component);
    writer.FlushBuffer();
}

QObject* ReadComponentStream(QIODevice& stream, QObject* parent, QObject* scope) {
    TReader reader(stream);
    reader.ReadSignature();
    std::unique_ptr<QObject> component(reader.ReadComponent(parent, scope));
    reader.ExpectEnd();
    return component.release();
}

// --- Textual notation -------------------------------------------------------

namespace {

// Stops a conversion once enough text is there.
struct TOutputFull {};

class TTextWriter {
public:
    TTextWriter(TReader& reader, QIODevice& output, qint64 maxOutput)
        : FReader(reader), FOutput(output), FMax(maxOutput) {}

    void Object(int indent, int depth) {
        if (depth > kMaxComponentDepth)
            throw EReadError(QStringLiteral("コンポーネントの入れ子が深すぎます"));
        const QByteArray className = FReader.ReadShortStr();
        if (className.isEmpty())
            InvalidImage();
        const QByteArray name = FReader.ReadShortStr();
        Line(indent,
             "object " + (name.isEmpty() ? QByteArray() : Name(name) + ": ") + Name(className));
        for (QByteArray prop = FReader.ReadShortStr(); !prop.isEmpty();
             prop = FReader.ReadShortStr()) {
            Put(QByteArray(indent + 2, ' ') + Name(prop) + " = ");
            Value(indent + 2, FReader.ReadValueType());
            Put("\r\n");
        }
        while (!FReader.EndOfList())
            Object(indent + 2, depth + 1);
        Line(indent, "end");
    }

private:
    static QByteArray Name(const QByteArray& s) { return Printable(s); }

    static QByteArray Quoted(const QByteArray& utf8) {
        QByteArray text;
        bool open = false;
        for (const char32_t c : QString::fromUtf8(utf8).toUcs4()) {
            const bool plain = c >= 0x20 && c < 0x7F;
            if (plain != open) {
                text += '\'';
                open = plain;
            }
            if (!plain)
                text += '#' + QByteArray::number(quint32(c));
            else
                text += c == '\'' ? QByteArray("''") : QByteArray(1, char(c));
        }
        if (open)
            text += '\'';
        return text.isEmpty() ? QByteArray("''") : text;
    }

    void Scalar(TValueType t) {
        switch (t) {
        case vaInt8:
        case vaInt16:
        case vaInt32:
        case vaInt64:
            Put(QByteArray::number(FReader.ReadIntegerBody(t)));
            break;
        case vaDouble:
            Put(QByteArray::number(FReader.ReadDouble(), 'g', 17));
            break;
        case vaIdent:
            Put(Name(FReader.ReadShortStr()));
            break;
        case vaFalse:
            Put("False");
            break;
        case vaTrue:
            Put("True");
            break;
        case vaString:
            Put(Quoted(FReader.ReadLongBytes()));
            break;
        default:
            InvalidImage();
        }
    }

    void Value(int indent, TValueType t) {
        switch (t) {
        case vaList: {
            Put("(");
            while (!FReader.EndOfList()) {
                Put("\r\n" + QByteArray(indent + 2, ' '));
                Scalar(FReader.ReadValueType());
            }
            Put(")");
            break;
        }
        case vaBinary: {
            const QByteArray bytes = FReader.ReadLongBytes();
            Put("{");
            for (const QString& line : EncodeHexLines(bytes))
                Put("\r\n" + QByteArray(indent + 2, ' ') + line.toLatin1());
            Put("}");
            break;
        }
        case vaSet: {
            QByteArray keys;
            for (QByteArray key = FReader.ReadShortStr(); !key.isEmpty();
                 key = FReader.ReadShortStr())
                keys += (keys.isEmpty() ? "" : ", ") + Name(key);
            Put("[" + keys + "]");
            break;
        }
        case vaNull:
            InvalidImage();
        default:
            Scalar(t);
        }
    }

    void Line(int indent, const QByteArray& text) { Put(QByteArray(indent, ' ') + text + "\r\n"); }

    void Put(const QByteArray& text) {
        if (FOutput.write(text) != text.size())
            throw EWriteError(WriteErrorText());
        FWritten += text.size();
        if (FMax >= 0 && FWritten >= FMax)
            throw TOutputFull{};
    }

    TReader& FReader;
    QIODevice& FOutput;
    qint64 FMax;
    qint64 FWritten = 0;
};

} // namespace

void ObjectBinaryToText(QIODevice& input, QIODevice& output, qint64 maxOutput) {
    TReader reader(input);
    reader.ReadSignature();
    TTextWriter writer(reader, output, maxOutput);
    try {
        writer.Object(0, 1);
    } catch (const TOutputFull&) {
    }
}

// --- Form files -------------------------------------------------------------

namespace {
constexpr quint16 kRawDataType = 10;
constexpr quint16 kResourceFlags = 0x1030; // moveable, pure, discardable
constexpr int kMaxResourceName = 255;
} // namespace

void WriteResourceHeader(QIODevice& stream, const QByteArray& name, quint32 size) {
    QByteArray header;
    header += char(0xFF);
    header += char(kRawDataType & 0xFF);
    header += char(kRawDataType >> 8);
    header += name.toUpper().left(kMaxResourceName);
    header += '\0';
    header += char(kResourceFlags & 0xFF);
    header += char(kResourceFlags >> 8);
    for (int i = 0; i < 4; ++i)
        header += char(size >> (8 * i));
    if (stream.write(header) != header.size())
        throw EWriteError(WriteErrorText());
}

void ReadResourceHeader(QIODevice& stream) {
    const auto byte = [&stream]() -> std::uint8_t {
        char c;
        if (!stream.getChar(&c))
            InvalidImage();
        return std::uint8_t(c);
    };
    if (byte() != 0xFF)
        InvalidImage();
    const quint16 type = byte() | quint16(byte() << 8);
    if (type != kRawDataType)
        InvalidImage();
    int nameLength = 0;
    while (byte() != 0)
        if (++nameLength > kMaxResourceName)
            InvalidImage();
    for (int i = 0; i < 2 + 4; ++i) // flags, size
        byte();
}

QByteArray ComponentToFormFile(QObject* component) {
    QBuffer body;
    body.open(QIODevice::WriteOnly);
    WriteComponentStream(body, component);
    QBuffer file;
    file.open(QIODevice::WriteOnly);
    WriteResourceHeader(file, component->metaObject()->className(), quint32(body.size()));
    file.write(body.data());
    return file.data();
}
