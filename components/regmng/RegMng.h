// The settings manager: named settings items kept in an INI file or below a
// registry key, read and written through one back-end object, the filer.
//
//   RegManager1->Filer("bgc")->AsString()
//   RegManager1->Filer("CheckBox1Checked")->SetAsBoolean(true);
//
// Nothing is cached: every access looks up RegType, IniFileName and RegDir
// afresh and opens and closes the store inside the call. The one choice by
// RegType is TRegFiler's store factory; an INI batch or snapshot that the
// caller opens on the manager (TRegBatch, TRegReadBatch) takes the accesses
// to its file while it is open.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QIODevice;
class TFont;
class TIniBatch;
class TIniSnapshot;
class TRegIniFile;
class TRegItems;
class TRegManager;
class TRegStore;
class TSettingsStore;
class TStrings;

enum TRegType : std::uint8_t {
    rtReg = 0, // the registry, below HKEY_CURRENT_USER\RegDir
    rtIni = 1, // the INI file IniFileName
};

// One setting: the name callers find it by, where its value lives and the
// text reads give while nothing is stored.
class TRegItem {
public:
    explicit TRegItem(TRegItems* collection = nullptr) : FCollection(collection) {}
    virtual ~TRegItem() = default;
    TRegItem(const TRegItem&) = delete;
    TRegItem& operator=(const TRegItem&) = delete;

    // Copies Name, Section, Ident and DefaultValue.
    virtual void Assign(const TRegItem& source);

    QString Name() const { return FName; }
    void SetName(const QString& v) { FName = v; }
    // INI section or registry key path below RegDir; may hold backslashes.
    QString Section() const { return FSection; }
    void SetSection(const QString& v) { FSection = v; }
    // INI key or registry value name.
    QString Ident() const { return FIdent; }
    void SetIdent(const QString& v) { FIdent = v; }
    QString DefaultValue() const { return FDefaultValue; }
    void SetDefaultValue(const QString& v) { FDefaultValue = v; }

    TRegItems* Collection() const { return FCollection; }
    int Index() const;

private:
    TRegItems* FCollection;
    QString FName;
    QString FSection;
    QString FIdent;
    QString FDefaultValue;
};

// The items of a manager, in order; owns them.
class TRegItems {
public:
    TRegItems() = default;
    virtual ~TRegItems();
    TRegItems(const TRegItems&) = delete;
    TRegItems& operator=(const TRegItems&) = delete;

    // Appends a new empty item and returns it.
    TRegItem* Add();
    int Count() const { return int(FItems.size()); }
    void Delete(int index);
    void Clear();
    // Replaces the items by copies of source's.
    void Assign(const TRegItems& source);

    // Raise an Exception when index is out of range.
    virtual TRegItem* GetItem(int index) const;
    virtual void SetItem(int index, const TRegItem& value);
    // The first item whose Name equals name ignoring case; null when none.
    virtual TRegItem* FindItem(const QString& name) const;

    TRegItem* Items(int index) const { return GetItem(index); }
    void SetItems(int index, const TRegItem& value) { SetItem(index, value); }

private:
    friend class TRegManager;
    friend class TRegItem;
    void CheckIndex(int index) const;
    void Removing(TRegItem* item);

    std::vector<std::unique_ptr<TRegItem>> FItems;
    std::function<void(TRegItem*)> FOnRemove; // the manager drops a binding to it
};

// The back-end: reads and writes the bound item's value in the store the
// manager's RegType selects. A subclass can replace any virtual operation.
class TRegFiler {
public:
    explicit TRegFiler(TRegManager& manager) : FManager(manager) {}
    virtual ~TRegFiler() = default;
    TRegFiler(const TRegFiler&) = delete;
    TRegFiler& operator=(const TRegFiler&) = delete;

    // Typed accessors. Unbound, reads give "", 0 or false and writes do
    // nothing.
    virtual QString GetAsString();
    virtual void SetAsString(const QString& value);
    virtual std::int32_t GetAsInteger();
    virtual void SetAsInteger(std::int32_t value);
    virtual bool GetAsBoolean();
    virtual void SetAsBoolean(bool value);

    // The text primitives. An empty section or ident, or an unusable store,
    // reads def and writes nothing; store errors pass through.
    virtual QString ReadString(const QString& section, const QString& ident, const QString& def);
    virtual void WriteString(const QString& section, const QString& ident, const QString& value);

    // Composite values, spread over keys derived from the bound item's Ident
    // (RegMngComposite.cpp). Unbound, each does nothing.
    //
    // Font: Ident_FontName, _FontSize (points), _FontColor (colour text),
    // _FontStyle (bold 1, italic 2, underline 4, strike-out 8). A read
    // applies each value as it comes; a colour text that is no colour raises
    // EConvertError after the name and size are applied. A size outside
    // kMinFontSize..kMaxFontSize is refused on write and, before anything is
    // applied, on read.
    virtual void ReadFont(TFont& font);
    virtual void WriteFont(const TFont& font);
    // Ident_ItemCount and Ident_Item0, _Item1, ...; a write deletes the
    // surplus items of a longer stored list. More than kMaxStoredCount items
    // are refused before anything changes.
    virtual void ReadStrings(TStrings& strings);
    virtual void WriteStrings(const TStrings& strings);
    // The whole stream from position 0; read bytes are written at the
    // target's position. INI: Ident_c lines of hex digits Ident_d0, _d1, ...
    // (at most kMaxStoredCount lines); registry: the binary value Ident.
    virtual void ReadStream(QIODevice& stream);
    virtual void WriteStream(QIODevice& stream);
    // A component (not a window) with its properties and children, stored as
    // a stream. A read replaces the component, which must be heap-made, by a
    // new copy under its Qt parent and deletes it; it returns the copy, or
    // the component itself when nothing is stored. On an error the old
    // component stays as it was and the error passes on.
    virtual QObject* ReadComponent(QObject* component);
    virtual void WriteComponent(QObject* component);

    // The most lines or strings one stored value may have: a read costs one
    // store access per line, so this also bounds the time a hand-edited
    // count can take. 8192 lines hold 256 KiB.
    static constexpr int kMaxStoredCount = 8192;
    // Font sizes in points: up to the largest that word processors offer,
    // about 2,200 pixels high on the screen.
    static constexpr int kMinFontSize = 1;
    static constexpr int kMaxFontSize = 1638;

    void DeleteValue(const QString& section, const QString& ident);

    // The store accessors for the current RegType; null, after an error box,
    // when the manager's settings do not allow one. The INI accessor is the
    // manager's open batch or snapshot of IniFileName when there is one.
    std::unique_ptr<TSettingsStore> CreateIniFile();
    std::unique_ptr<TRegIniFile> CreateRegistry();

    // Property-style access, as callers write it.
    QString AsString() { return GetAsString(); }
    std::int32_t AsInteger() { return GetAsInteger(); }
    bool AsBoolean() { return GetAsBoolean(); }

    TRegItem* Item() const { return FItem; }
    TRegManager& Manager() const { return FManager; }

private:
    friend class TRegManager;
    void Bind(TRegItem* item) { FItem = item; }
    // The store RegType selects, for one access; null for a RegType that
    // names none.
    std::unique_ptr<TRegStore> CreateStore();

    TRegItem* FItem = nullptr; // not owned; set only by TRegManager::Filer
    TRegManager& FManager;
};

// The settings component; its Qt parent is its owner.
class TRegManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString IniFileName READ IniFileName WRITE SetIniFileName)
    Q_PROPERTY(QString RegDir READ RegDir WRITE SetRegDir)
public:
    explicit TRegManager(QObject* owner = nullptr);
    ~TRegManager() override;

    // The filer bound to the item called name; when there is none, an error
    // box first and then the filer bound to nothing. Always the same object:
    // the next call re-binds it.
    TRegFiler* Filer(const QString& name);

    QString IniFileName() const { return FIniFileName; }
    void SetIniFileName(const QString& v) { FIniFileName = v; }
    QString RegDir() const { return FRegDir; }
    void SetRegDir(const QString& v) { FRegDir = v; }
    TRegItems* RegItems() const { return FRegItems.get(); }
    void SetRegItems(const TRegItems& items) { FRegItems->Assign(items); }
    TRegType RegType() const { return FRegType; }
    void SetRegType(TRegType v) { FRegType = v; }

    // Called by the form once stored values are set; nothing to do here.
    virtual void Loaded() {}

    // An error box of the component: "エラー", error icon, OK, centred on
    // the screen, over the owner's window when there is one.
    void ShowError(const QString& text) const;

protected:
    // Makes the back-end; override to put another TRegFiler in its place.
    virtual std::unique_ptr<TRegFiler> CreateFiler();

private:
    friend class TRegFiler;
    friend class TRegBatch;
    friend class TRegReadBatch;
    TRegFiler& TheFiler();
    // A new accessor of IniFileName, or the open batch or snapshot of it.
    std::unique_ptr<TSettingsStore> IniStore() const;

    QString FIniFileName;
    QString FRegDir;
    std::unique_ptr<TRegItems> FRegItems;
    TRegType FRegType = rtReg;
    std::unique_ptr<TRegFiler> FFiler;
    TIniBatch* FIniBatch = nullptr;       // set by an open TRegBatch
    TIniSnapshot* FIniSnapshot = nullptr; // set by an open TRegReadBatch
};

// A group of writes made through a manager, each still through Filer and an
// accessor, that reaches the store as one. Under rtIni with an IniFileName
// the batch takes the file's lock and reads it once (a TIniBatch), and while
// it is open the manager's accesses to that file go into it; Commit replaces
// the file once. Another process sees either none of the writes or all of
// them, and each write is still refused on its own. Otherwise nothing
// changes: a registry write is already a transaction of its own. A batch
// opened while the manager has one open adds nothing: its writes go to the
// open one.
//
//   TRegBatch batch(*RegManager1);
//   RegManager1->Filer("bgc")->SetAsString(bgc);
//   ...
//   batch.Commit();
class TRegBatch {
public:
    // Raises what TIniBatch raises when the file cannot be had.
    explicit TRegBatch(TRegManager& manager);
    // Without Commit the writes are dropped.
    ~TRegBatch();
    TRegBatch(const TRegBatch&) = delete;
    TRegBatch& operator=(const TRegBatch&) = delete;

    // Raises "%s に書き込めません" when the file cannot be replaced. The
    // batch ends either way.
    void Commit();

private:
    void End();

    QPointer<TRegManager> FManager;
    std::unique_ptr<TIniBatch> FIni;
};

// A group of reads made through a manager: under rtIni with an IniFileName
// the file is read once (a TIniSnapshot), and while the snapshot is open the
// manager's reads of that file are served from it instead of reading the
// file again. Otherwise nothing changes.
class TRegReadBatch {
public:
    explicit TRegReadBatch(TRegManager& manager);
    ~TRegReadBatch();
    TRegReadBatch(const TRegReadBatch&) = delete;
    TRegReadBatch& operator=(const TRegReadBatch&) = delete;

private:
    QPointer<TRegManager> FManager;
    std::unique_ptr<TIniSnapshot> FIni;
};
