#include "RegMng.h"

#include "Dialogs.h"
#include "IniFile.h"
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

QString TRegFiler::BooleanDefault(const QString& defaultValue) {
    // Only ASCII letters have upper-case forms in the code page; Unicode
    // rules would also turn the long s of "yeſ" into an S.
    QString d = defaultValue;
    for (QChar& c : d)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    return d == u"1" || d == u"TRUE" || d == u"YES" ? QStringLiteral("1") : QStringLiteral("0");
}

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
    const QString stored =
        ReadString(FItem->Section(), FItem->Ident(), BooleanDefault(FItem->DefaultValue()));
    return (StrToIntDef(stored, 0) & 0xFF) != 0;
}

void TRegFiler::SetAsBoolean(bool value) {
    if (FItem)
        WriteString(FItem->Section(), FItem->Ident(),
                    value ? QStringLiteral("1") : QStringLiteral("0"));
}

QString TRegFiler::ReadString(const QString& section, const QString& ident, const QString& def) {
    if (section.isEmpty() || ident.isEmpty())
        return def;
    switch (FManager.RegType()) {
    case rtReg:
        if (const auto reg = CreateRegistry())
            return reg->ReadString(section, ident, def);
        break;
    case rtIni:
        if (const auto ini = CreateIniFile())
            return ini->ReadString(section, ident, def);
        break;
    }
    return def;
}

void TRegFiler::WriteString(const QString& section, const QString& ident, const QString& value) {
    if (section.isEmpty() || ident.isEmpty())
        return;
    switch (FManager.RegType()) {
    case rtReg:
        if (const auto reg = CreateRegistry())
            reg->WriteString(section, ident, value);
        break;
    case rtIni:
        if (const auto ini = CreateIniFile())
            ini->WriteString(section, ident, value);
        break;
    }
}

void TRegFiler::DeleteValue(const QString& section, const QString& ident) {
    if (section.isEmpty() || ident.isEmpty())
        return;
    switch (FManager.RegType()) {
    case rtReg:
        if (const auto reg = CreateRegistry())
            reg->DeleteKey(section, ident);
        break;
    case rtIni:
        if (const auto ini = CreateIniFile())
            ini->DeleteKey(section, ident);
        break;
    }
}

std::unique_ptr<TIniFile> TRegFiler::CreateIniFile() {
    if (FManager.RegType() == rtIni && !FManager.IniFileName().isEmpty())
        return std::make_unique<TIniFile>(FManager.IniFileName());
    FManager.ShowError(QStringLiteral("can not create Inifile object."));
    return nullptr;
}

std::unique_ptr<TRegIniFile> TRegFiler::CreateRegistry() {
    if (FManager.RegType() == rtReg && !FManager.RegDir().isEmpty())
        return std::make_unique<TRegIniFile>(FManager.RegDir());
    FManager.ShowError(QStringLiteral("can not create Registry object."));
    return nullptr;
}

// --- TRegBatch --------------------------------------------------------------

TRegBatch::TRegBatch(const TRegManager& manager) {
    if (manager.RegType() == rtIni && !manager.IniFileName().isEmpty())
        FIni = std::make_unique<TIniBatch>(manager.IniFileName());
}

TRegBatch::~TRegBatch() = default;

void TRegBatch::Commit() {
    if (FIni)
        FIni->Commit();
}

TRegReadBatch::TRegReadBatch(const TRegManager& manager) {
    if (manager.RegType() == rtIni && !manager.IniFileName().isEmpty())
        FIni = std::make_unique<TIniSnapshot>(manager.IniFileName());
}

TRegReadBatch::~TRegReadBatch() = default;

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

void TRegManager::ShowError(const QString& text) const {
    auto* owner = qobject_cast<QWidget*>(parent());
    MessageBox(owner ? owner->window() : nullptr, text, QStringLiteral("エラー"), mbOK, mtError,
               true);
}
