#include "RegMng.h"

#include "Dialogs.h"
#include "IniFile.h"
#include "RegStore.h"
#include "Registry.h"
#include "SysUtils.h"

#include <QWidget>

// --- TRegItem ---------------------------------------------------------------

void TRegItem::Assign(const TRegItem& source) {
    FName = source.FName;
    FSection = source.FSection;
    FIdent = source.FIdent;
    FDefaultValue = source.FDefaultValue;
}

int TRegItem::Index() const {
    if (!FCollection)
        return -1;
    for (int i = 0; i < FCollection->Count(); ++i)
        if (FCollection->FItems[size_t(i)].get() == this)
            return i;
    return -1;
}

// --- TRegItems --------------------------------------------------------------

TRegItems::~TRegItems() {
    FOnRemove = nullptr;
    FItems.clear();
}

TRegItem* TRegItems::Add() {
    FItems.push_back(std::make_unique<TRegItem>(this));
    return FItems.back().get();
}

void TRegItems::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        throw Exception(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
}

void TRegItems::Removing(TRegItem* item) {
    if (FOnRemove)
        FOnRemove(item);
}

void TRegItems::Delete(int index) {
    CheckIndex(index);
    Removing(FItems[size_t(index)].get());
    FItems.erase(FItems.begin() + index);
}

void TRegItems::Clear() {
    for (const auto& item : FItems)
        Removing(item.get());
    FItems.clear();
}

void TRegItems::Assign(const TRegItems& source) {
    if (&source == this)
        return;
    Clear();
    for (const auto& item : source.FItems)
        Add()->Assign(*item);
}

TRegItem* TRegItems::GetItem(int index) const {
    CheckIndex(index);
    return FItems[size_t(index)].get();
}

void TRegItems::SetItem(int index, const TRegItem& value) {
    CheckIndex(index);
    FItems[size_t(index)]->Assign(value);
}

TRegItem* TRegItems::FindItem(const QString& name) const {
    for (const auto& item : FItems)
        if (SameText(item->Name(), name))
            return item.get();
    return nullptr;
}

// --- TRegFiler --------------------------------------------------------------

QString TRegFiler::GetAsString() {
    if (!FItem)
        return {};
    return ReadString(FItem->Section(), FItem->Ident(), FItem->DefaultValue());
}

void TRegFiler::SetAsString(const QString& value) {
    if (FItem)
        WriteString(FItem->Section(), FItem->Ident(), value);
}

std::int32_t TRegFiler::GetAsInteger() {
    if (!FItem)
        return 0;
    return StrToIntDef(ReadString(FItem->Section(), FItem->Ident(), FItem->DefaultValue()), 0);
}

void TRegFiler::SetAsInteger(std::int32_t value) {
    if (FItem)
        WriteString(FItem->Section(), FItem->Ident(), QString::number(value));
}

bool TRegFiler::GetAsBoolean() {
    if (!FItem)
        return false;
    return StoredBoolean(
        ReadString(FItem->Section(), FItem->Ident(), BooleanDefault(FItem->DefaultValue())));
}

void TRegFiler::SetAsBoolean(bool value) {
    if (FItem)
        WriteString(FItem->Section(), FItem->Ident(), BooleanText(value));
}

QString TRegFiler::ReadString(const QString& section, const QString& ident, const QString& def) {
    if (section.isEmpty() || ident.isEmpty())
        return def;
    const auto store = CreateStore();
    return store ? store->ReadString(section, ident, def) : def;
}

void TRegFiler::WriteString(const QString& section, const QString& ident, const QString& value) {
    if (section.isEmpty() || ident.isEmpty())
        return;
    if (const auto store = CreateStore())
        store->WriteString(section, ident, value);
}

void TRegFiler::DeleteValue(const QString& section, const QString& ident) {
    if (section.isEmpty() || ident.isEmpty())
        return;
    if (const auto store = CreateStore())
        store->DeleteValue(section, ident);
}

std::unique_ptr<TSettingsStore> TRegFiler::CreateIniFile() {
    if (FManager.RegType() == rtIni && !FManager.IniFileName().isEmpty())
        return FManager.IniStore();
    FManager.ShowError(QStringLiteral("can not create Inifile object."));
    return nullptr;
}

std::unique_ptr<TRegIniFile> TRegFiler::CreateRegistry() {
    if (FManager.RegType() == rtReg && !FManager.RegDir().isEmpty())
        return std::make_unique<TRegIniFile>(FManager.RegDir());
    FManager.ShowError(QStringLiteral("can not create Registry object."));
    return nullptr;
}

// --- stores -----------------------------------------------------------------

QString TRegStore::ReadString(const QString& section, const QString& ident, const QString& def) {
    const auto store = Accessor();
    return store ? store->ReadString(section, ident, def) : def;
}

void TRegStore::WriteString(const QString& section, const QString& ident, const QString& value) {
    if (const auto store = Accessor())
        store->WriteString(section, ident, value);
}

void TRegStore::DeleteValue(const QString& section, const QString& ident) {
    if (const auto store = Accessor())
        store->DeleteKey(section, ident);
}

namespace {

class TRegIniStore final : public TRegStore {
public:
    using TRegStore::TRegStore;
    void ReadStream(const TRegItem& item, QIODevice& stream) override {
        ReadIniStream(FFiler, item, stream);
    }
    void WriteStream(const TRegItem& item, QIODevice& stream) override {
        WriteIniStream(FFiler, item, stream);
    }

protected:
    std::unique_ptr<TSettingsStore> Accessor() override { return FFiler.CreateIniFile(); }
};

class TRegRegistryStore final : public TRegStore {
public:
    using TRegStore::TRegStore;
    void ReadStream(const TRegItem& item, QIODevice& stream) override {
        ReadRegistryStream(FFiler, item, stream);
    }
    void WriteStream(const TRegItem& item, QIODevice& stream) override {
        WriteRegistryStream(FFiler, item, stream);
    }

protected:
    std::unique_ptr<TSettingsStore> Accessor() override { return FFiler.CreateRegistry(); }
};

} // namespace

std::unique_ptr<TRegStore> TRegFiler::CreateStore() {
    switch (FManager.RegType()) {
    case rtIni:
        return std::make_unique<TRegIniStore>(*this);
    case rtReg:
        return std::make_unique<TRegRegistryStore>(*this);
    }
    return nullptr;
}

// --- batches ----------------------------------------------------------------

TRegBatch::TRegBatch(TRegManager& manager) : FManager(&manager) {
    if (manager.RegType() != rtIni || manager.IniFileName().isEmpty() || manager.FIniBatch)
        return;
    FIni = std::make_unique<TIniBatch>(manager.IniFileName());
    manager.FIniBatch = FIni.get();
}

TRegBatch::~TRegBatch() {
    End();
}

void TRegBatch::Commit() {
    struct TEnd {
        TRegBatch& Batch;
        ~TEnd() { Batch.End(); }
    } end{*this};
    if (FIni)
        FIni->Commit();
}

void TRegBatch::End() {
    if (FManager && FIni && FManager->FIniBatch == FIni.get())
        FManager->FIniBatch = nullptr;
    FIni.reset();
}

TRegReadBatch::TRegReadBatch(TRegManager& manager) : FManager(&manager) {
    if (manager.RegType() != rtIni || manager.IniFileName().isEmpty() || manager.FIniSnapshot)
        return;
    FIni = std::make_unique<TIniSnapshot>(manager.IniFileName());
    manager.FIniSnapshot = FIni.get();
}

TRegReadBatch::~TRegReadBatch() {
    if (FManager && FIni && FManager->FIniSnapshot == FIni.get())
        FManager->FIniSnapshot = nullptr;
}

// --- TRegManager ------------------------------------------------------------

// A virtual call made from a C++ constructor never reaches a subclass
// override, so the filer is made on first use instead: TheFiler() calls
// CreateFiler() once the object is complete, and an override takes effect
// exactly as if it had been called during construction.
TRegManager::TRegManager(QObject* owner)
    : QObject(owner), FRegItems(std::make_unique<TRegItems>()) {
    FRegItems->FOnRemove = [this](TRegItem* item) {
        if (FFiler && FFiler->Item() == item)
            FFiler->Bind(nullptr); // never leave the filer pointing at a freed item
    };
}

// The items go first, then the filer, then the QObject base.
TRegManager::~TRegManager() {
    FRegItems.reset();
    FFiler.reset();
}

std::unique_ptr<TRegFiler> TRegManager::CreateFiler() {
    return std::make_unique<TRegFiler>(*this);
}

TRegFiler& TRegManager::TheFiler() {
    if (!FFiler)
        FFiler = CreateFiler();
    return *FFiler;
}

TRegFiler* TRegManager::Filer(const QString& name) {
    TRegItem* item = FRegItems->FindItem(name);
    if (!item)
        ShowError(QStringLiteral("[' ") + name + QStringLiteral(" '] is invalid."));
    TRegFiler& filer = TheFiler();
    filer.Bind(item);
    return &filer;
}

std::unique_ptr<TSettingsStore> TRegManager::IniStore() const {
    if (FIniBatch && FIniBatch->FileName() == FIniFileName)
        return BorrowStore(*FIniBatch);
    if (FIniSnapshot && FIniSnapshot->FileName() == FIniFileName)
        return BorrowStore(*FIniSnapshot);
    return std::make_unique<TIniFile>(FIniFileName);
}

void TRegManager::ShowError(const QString& text) const {
    auto* owner = qobject_cast<QWidget*>(parent());
    MessageBox(owner ? owner->window() : nullptr, text, QStringLiteral("エラー"), mbOK, mtError,
               true);
}
