// The registry below HKEY_CURRENT_USER, kept in an SQLite database at
// $XDG_CONFIG_HOME/vexla/registry.sqlite3 (default ~/.config).
//
// Keys form a tree (parent, name, case-folded name); values belong to a key
// (name, case-folded name, type, data). Names match ignoring case. The
// database runs in WAL mode with synchronous=FULL and a busy timeout, and
// every read-modify-write is one BEGIN IMMEDIATE transaction, so several
// processes can share it. Reads open the database read-only and never wait
// for another process's write; a missing database reads as empty, and a
// database in a folder that cannot be written can still be read. A database
// that fails its integrity check is moved aside and reported, never reused;
// of several processes that meet the damage together only one moves it.
#pragma once

#include "SettingsStore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

// The data types a value can have; the numbers are the registry's own.
enum TRegDataType : std::uint32_t {
    rdUnknown = 0,
    rdString = 1,       // REG_SZ
    rdExpandString = 2, // REG_EXPAND_SZ
    rdBinary = 3,       // REG_BINARY
    rdInteger = 4,      // REG_DWORD
};

struct TRegDataInfo {
    TRegDataType RegData = rdUnknown;
    int DataSize = 0;
};

// An opened key. Keys hold no resources, so there is nothing to close.
using TRegKey = std::int64_t;
constexpr TRegKey HKEY_CURRENT_USER = 0;

class TRegistryDatabase;

// Sections are key paths relative to the key the object was made for, or to
// HKEY_CURRENT_USER when they begin with "\"; "\" separates key levels.
class TRegIniFile : public TSettingsStore {
public:
    // Opens keyPath below HKEY_CURRENT_USER, creating it when missing (a
    // leading "\" is dropped) where the database can be written; where it
    // cannot, reads find nothing below the key and writes raise. Raises
    // ERegistryException for a database that cannot be read, or a report of
    // a damaged database that was moved aside.
    explicit TRegIniFile(const QString& keyPath);
    ~TRegIniFile() override;

    // The key the object was made for; created now if it is still missing.
    TRegKey CurrentKey();

    // Opens the section key without creating it; a missing key or value
    // gives def. A value that is not a string raises "'%s' のデータ型が
    // 不正です". Expandable strings are returned unexpanded.
    QString ReadString(const QString& section, const QString& ident, const QString& def) override;
    // Creates the section key and sets ident as a string value.
    void WriteString(const QString& section, const QString& ident, const QString& value) override;
    // Removes the value ident of the section key, if both exist.
    bool DeleteKey(const QString& section, const QString& ident) override;

    // Creates the section key (and its parents) when missing.
    void CreateKey(const QString& section);
    // The section key, or none when it does not exist.
    std::optional<TRegKey> OpenKey(const QString& section);

    // On an opened key: value information, none when the value is missing.
    std::optional<TRegDataInfo> GetDataInfo(TRegKey key, const QString& name);
    // Raises "'%s' のデータ型が不正です" for string and number values.
    QByteArray ReadBinaryData(TRegKey key, const QString& name);
    void WriteBinaryData(TRegKey key, const QString& name, const QByteArray& data);
    std::int32_t ReadInteger(TRegKey key, const QString& name);
    void WriteInteger(TRegKey key, const QString& name, std::int32_t value);
    void WriteExpandString(TRegKey key, const QString& name, const QString& value);

    // The database file; an empty path restores the default location.
    static QString DatabasePath();
    static void SetDatabasePath(const QString& path);

private:
    struct TValue {
        TRegDataType Type;
        QByteArray Data;
    };
    std::optional<TValue> ReadValue(TRegKey key, const QString& name);
    void WriteValue(TRegKey key, const QString& name, TRegDataType type, const QByteArray& data);
    // The connection for writing, replacing the reading one on first use.
    TRegistryDatabase& Writer();
    // wait false: fail at once rather than wait for another writer.
    void CreateBaseKey(bool wait);
    // After a write that may have made the base key.
    void NoteBaseKey();
    // Where a section lies: below its base key for reading (none while the
    // base key is missing), as a path from the root for writing.
    std::optional<TRegKey> ReadBase(const QString& section) const;
    QStringList WritePath(const QString& section) const;

    QString FPath;
    QString FKeyPath;
    QStringList FBasePath;
    std::unique_ptr<TRegistryDatabase> FDb;
    std::optional<TRegKey> FKey;
};
