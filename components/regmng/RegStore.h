// The store a manager's RegType selects, made by TRegFiler for one access:
// the text primitives over a fresh accessor, and the form a byte stream
// takes in that store. Internal to the settings manager.
#pragma once

#include "RegMng.h"
#include "SettingsStore.h"

#include <memory>

class QIODevice;

class TRegStore {
public:
    explicit TRegStore(TRegFiler& filer) : FFiler(filer) {}
    virtual ~TRegStore() = default;
    TRegStore(const TRegStore&) = delete;
    TRegStore& operator=(const TRegStore&) = delete;

    // The primitives of one value. An unusable store shows its box (made by
    // Accessor); then a read gives def and a write or delete does nothing.
    QString ReadString(const QString& section, const QString& ident, const QString& def);
    void WriteString(const QString& section, const QString& ident, const QString& value);
    void DeleteValue(const QString& section, const QString& ident);

    // The bound item's byte stream, in the form this store keeps it.
    virtual void ReadStream(const TRegItem& item, QIODevice& stream) = 0;
    virtual void WriteStream(const TRegItem& item, QIODevice& stream) = 0;

protected:
    // A fresh accessor: the filer's CreateIniFile or CreateRegistry.
    virtual std::unique_ptr<TSettingsStore> Accessor() = 0;

    TRegFiler& FFiler;
};

// The two forms of a byte stream (RegMngComposite.cpp): INI hex lines
// through the filer's text primitives, a registry binary value through the
// registry accessor.
void ReadIniStream(TRegFiler& filer, const TRegItem& item, QIODevice& stream);
void WriteIniStream(TRegFiler& filer, const TRegItem& item, QIODevice& stream);
void ReadRegistryStream(TRegFiler& filer, const TRegItem& item, QIODevice& stream);
void WriteRegistryStream(TRegFiler& filer, const TRegItem& item, QIODevice& stream);
