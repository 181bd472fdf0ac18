// The composite values of TRegFiler: fonts, string lists, byte streams and
// components, each spread over values whose names derive from the item's
// Ident, all in the item's Section.
#include "RegMng.h"

#include "Classes.h"
#include "Colors.h"
#include "Graphics.h"
#include "RegStore.h"
#include "Registry.h"
#include "SysUtils.h"

#include <QBuffer>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <utility>
#include <vector>

namespace {

QString Numbered(const QString& key, int index) {
    return key + QString::number(index);
}

// A stored count read back, or one about to be written, must stay within
// what the filer will read again; beyond that nothing is touched.
int CheckedCount(const QString& key, int count) {
    if (count > TRegFiler::kMaxStoredCount)
        throw Exception(QStringLiteral("'%1' の数 %2 は上限 %3 を超えています")
                            .arg(key)
                            .arg(count)
                            .arg(TRegFiler::kMaxStoredCount));
    return count;
}

// A font size, read back or about to be written, in points: anything outside
// what a screen or a page can show is refused before the font or the store
// changes (a size near the integer limit would turn into a negative height).
int CheckedFontSize(const QString& key, int points) {
    if (points < TRegFiler::kMinFontSize || points > TRegFiler::kMaxFontSize)
        throw Exception(QStringLiteral("'%1' のフォントサイズ %2 は範囲外です (%3～%4 ポイント)")
                            .arg(key)
                            .arg(points)
                            .arg(TRegFiler::kMinFontSize)
                            .arg(TRegFiler::kMaxFontSize));
    return points;
}

// The whole content of a stream from position 0; the stream is left at its
// end.
QByteArray WholeStream(QIODevice& stream) {
    if (!stream.isReadable() || (!stream.isSequential() && !stream.seek(0)))
        throw EReadError(ReadErrorText());
    return stream.readAll();
}

// Writes bytes at the stream's current position.
void WriteAtPosition(QIODevice& stream, const QByteArray& bytes) {
    if (bytes.isEmpty())
        return;
    if (!stream.isWritable() || stream.write(bytes) != bytes.size())
        throw EWriteError(WriteErrorText());
}

// Deletes key + i for i from old - 1 down to count (highest first), and the
// count key too when nothing is left. A stored count beyond the limit was
// never written by us; only the indexes we could have written are cleared.
void DeleteSurplus(TRegFiler& filer, const QString& section, const QString& countKey,
                   const QString& itemKey, int old, int count) {
    if (old <= count)
        return;
    for (int i = std::min(old, TRegFiler::kMaxStoredCount) - 1; i >= count; --i)
        filer.DeleteValue(section, Numbered(itemKey, i));
    if (count == 0)
        filer.DeleteValue(section, countKey);
}

} // namespace

void WriteIniStream(TRegFiler& filer, const TRegItem& item, QIODevice& stream) {
    const QString countKey = item.Ident() + QStringLiteral("_c");
    const QString lineKey = item.Ident() + QStringLiteral("_d");
    const QStringList lines = EncodeHexLines(WholeStream(stream));
    const int count = CheckedCount(countKey, int(std::min<qsizetype>(lines.size(), INT32_MAX)));
    const int old = StrToIntDef(filer.ReadString(item.Section(), countKey, QStringLiteral("0")), 0);
    DeleteSurplus(filer, item.Section(), countKey, lineKey, old, count);
    if (count == 0)
        return;
    filer.WriteString(item.Section(), countKey, QString::number(count));
    for (int i = 0; i < count; ++i)
        filer.WriteString(item.Section(), Numbered(lineKey, i), lines[i]);
}

void ReadIniStream(TRegFiler& filer, const TRegItem& item, QIODevice& stream) {
    // One accessor as a check that the store can be used at all; the reads
    // below make their own.
    const auto check = filer.CreateIniFile();
    if (!check)
        return;
    const QString countKey = item.Ident() + QStringLiteral("_c");
    const QString lineKey = item.Ident() + QStringLiteral("_d");
    const int count = CheckedCount(
        countKey, StrToIntDef(filer.ReadString(item.Section(), countKey, QStringLiteral("0")), 0));
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += DecodeHexLine(filer.ReadString(item.Section(), Numbered(lineKey, i), QString()));
    WriteAtPosition(stream, bytes);
}

// Section and Ident are used as they are: an empty Section is RegDir itself,
// an empty Ident the key's unnamed value.
void WriteRegistryStream(TRegFiler& filer, const TRegItem& item, QIODevice& stream) {
    const auto reg = filer.CreateRegistry();
    if (!reg)
        return;
    reg->CreateKey(item.Section());
    const auto key = reg->OpenKey(item.Section());
    if (!key)
        return;
    reg->WriteBinaryData(*key, item.Ident(), WholeStream(stream));
}

void ReadRegistryStream(TRegFiler& filer, const TRegItem& item, QIODevice& stream) {
    const auto reg = filer.CreateRegistry();
    if (!reg)
        return;
    reg->CreateKey(item.Section());
    const auto key = reg->OpenKey(item.Section());
    if (!key || !reg->GetDataInfo(*key, item.Ident()))
        return;
    // Raises "'%s' のデータ型が不正です" for string and number values.
    WriteAtPosition(stream, reg->ReadBinaryData(*key, item.Ident()));
}

namespace {

// The component and the children its stream carries, in pre-order.
void CollectStreamed(QObject* component, std::vector<QPointer<QObject>>& out) {
    out.emplace_back(component);
    for (QObject* child : StreamedChildren(component))
        CollectStreamed(child, out);
}

// Takes the names off a component tree so that a copy read under the same
// owner can carry them, and gives them back unless Release is called.
class TNameHold {
public:
    explicit TNameHold(QObject* component) {
        std::vector<QPointer<QObject>> objects;
        CollectStreamed(component, objects);
        for (const auto& object : objects)
            FNames.emplace_back(object, object->objectName());
        for (const auto& entry : FNames)
            entry.first->setObjectName(QString());
    }
    ~TNameHold() {
        for (const auto& [object, name] : FNames)
            if (object)
                object->setObjectName(name);
    }
    TNameHold(const TNameHold&) = delete;
    TNameHold& operator=(const TNameHold&) = delete;

    void Release() { FNames.clear(); }

private:
    std::vector<std::pair<QPointer<QObject>, QString>> FNames;
};

} // namespace

// --- Font -------------------------------------------------------------------

void TRegFiler::WriteFont(const TFont& font) {
    if (!FItem)
        return;
    const QString section = FItem->Section();
    const QString ident = FItem->Ident();
    const int size = CheckedFontSize(ident + QStringLiteral("_FontSize"), font.Size());
    WriteString(section, ident + QStringLiteral("_FontName"), font.Name());
    WriteString(section, ident + QStringLiteral("_FontSize"), QString::number(size));
    WriteString(section, ident + QStringLiteral("_FontColor"), ColorToString(font.Color()));
    WriteString(section, ident + QStringLiteral("_FontStyle"), QString::number(font.Style()));
}

void TRegFiler::ReadFont(TFont& font) {
    if (!FItem)
        return;
    const QString section = FItem->Section();
    const QString ident = FItem->Ident();
    const QString name = font.Name();
    const int size = font.Size();
    const QString color = ColorToString(font.Color());
    const QString style = QString::number(font.Style());

    const QString sizeKey = ident + QStringLiteral("_FontSize");
    const QString newName = ReadString(section, ident + QStringLiteral("_FontName"), name);
    const int newSize = StrToIntDef(ReadString(section, sizeKey, QString::number(size)), size);
    // Points round to pixels: setting the size it already has could move
    // the height by a pixel, so an unchanged size is neither set nor checked.
    if (newSize != size)
        CheckedFontSize(sizeKey, newSize);
    font.SetName(newName);
    if (newSize != size)
        font.SetSize(newSize);
    const QString colorText = ReadString(section, ident + QStringLiteral("_FontColor"), color);
    const auto newColor = StringToColor(colorText);
    font.SetColor(newColor ? *newColor : StrToInt(colorText));
    const int newStyle =
        StrToIntDef(ReadString(section, ident + QStringLiteral("_FontStyle"), style), 0);
    font.SetStyle(TFontStyles(newStyle & 0xFF));
}

// --- String list ------------------------------------------------------------

void TRegFiler::ReadStrings(TStrings& strings) {
    if (!FItem)
        return;
    const QString section = FItem->Section();
    const QString countKey = FItem->Ident() + QStringLiteral("_ItemCount");
    const QString itemKey = FItem->Ident() + QStringLiteral("_Item");
    // The count is checked before the list is touched, so a refused count
    // leaves the list as it was.
    const int count =
        CheckedCount(countKey, StrToIntDef(ReadString(section, countKey, QStringLiteral("0")), 0));
    strings.BeginUpdate();
    struct TEndUpdate {
        TStrings& List;
        ~TEndUpdate() { List.EndUpdate(); }
    } endUpdate{strings};
    strings.Clear();
    for (int i = 0; i < count; ++i)
        strings.Add(ReadString(section, Numbered(itemKey, i), QString()));
}

void TRegFiler::WriteStrings(const TStrings& strings) {
    if (!FItem)
        return;
    const QString section = FItem->Section();
    const QString countKey = FItem->Ident() + QStringLiteral("_ItemCount");
    const QString itemKey = FItem->Ident() + QStringLiteral("_Item");
    const int count = CheckedCount(countKey, strings.Count());
    const int old = StrToIntDef(ReadString(section, countKey, QStringLiteral("0")), 0);
    DeleteSurplus(*this, section, countKey, itemKey, old, count);
    if (count == 0)
        return;
    WriteString(section, countKey, QString::number(count));
    for (int i = 0; i < count; ++i)
        WriteString(section, Numbered(itemKey, i), strings.Get(i));
}

// --- Byte stream ------------------------------------------------------------

void TRegFiler::WriteStream(QIODevice& stream) {
    if (!FItem)
        return;
    if (const auto store = CreateStore())
        store->WriteStream(*FItem, stream);
}

void TRegFiler::ReadStream(QIODevice& stream) {
    if (!FItem)
        return;
    if (const auto store = CreateStore())
        store->ReadStream(*FItem, stream);
}

// --- Component --------------------------------------------------------------

void TRegFiler::WriteComponent(QObject* component) {
    if (!component || !FItem)
        return;
    // Windows (forms) are not stored.
    if (const auto* widget = qobject_cast<QWidget*>(component); widget && widget->isWindow())
        return;
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    WriteComponentStream(buffer, component);
    WriteStream(buffer);
}

QObject* TRegFiler::ReadComponent(QObject* component) {
    if (!component || !FItem)
        return component;
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    ReadStream(buffer);
    if (buffer.size() == 0)
        return component;
    buffer.seek(0);
    // The copy goes where the component is: under its owner, which on Qt is
    // also its parent. Without one the copy has none either and the caller
    // takes it.
    QObject* const owner = component->parent();
    TNameHold names(component);
    QObject* const copy = ReadComponentStream(buffer, owner, owner);
    names.Release();
    delete component;
    return copy;
}
