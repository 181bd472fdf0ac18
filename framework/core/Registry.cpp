#include "Registry.h"

#include "SysUtils.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <set>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kBusyTimeoutMs = 10000;

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS reg_keys(
    id     INTEGER PRIMARY KEY,
    parent INTEGER NOT NULL,
    name   TEXT NOT NULL,
    folded TEXT NOT NULL,
    UNIQUE(parent, folded));
CREATE TABLE IF NOT EXISTS reg_values(
    key    INTEGER NOT NULL,
    name   TEXT NOT NULL,
    folded TEXT NOT NULL,
    type   INTEGER NOT NULL,
    data   BLOB NOT NULL,
    PRIMARY KEY(key, folded)) WITHOUT ROWID;
)sql";

// A failed SQLite call; turned into the registry's own messages by the
// operation that made it.
struct TSqliteError {
    int Code;
    QString Text;
};

[[noreturn]] void RaiseSqlite(sqlite3* db, int rc) {
    throw TSqliteError{rc, QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc))};
}

bool IsBusy(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

bool IsDamage(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

class TStatement {
public:
    TStatement(sqlite3* db, const char* sql) : FDb(db) {
        if (const int rc = sqlite3_prepare_v2(db, sql, -1, &FStmt, nullptr); rc != SQLITE_OK)
            RaiseSqlite(db, rc);
    }
    ~TStatement() { sqlite3_finalize(FStmt); }
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;

    TStatement& Bind(int i, std::int64_t v) { return Check(sqlite3_bind_int64(FStmt, i, v)); }
    TStatement& Bind(int i, const QString& v) {
        const QByteArray utf8 = v.toUtf8();
        return Check(
            sqlite3_bind_text(FStmt, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT));
    }
    TStatement& Bind(int i, const QByteArray& v) {
        return Check(sqlite3_bind_blob(FStmt, i, v.constData(), int(v.size()), SQLITE_TRANSIENT));
    }
    // True while a row is there.
    bool Step() {
        const int rc = sqlite3_step(FStmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        RaiseSqlite(FDb, rc);
    }
    std::int64_t Int(int col) const { return sqlite3_column_int64(FStmt, col); }
    QByteArray Blob(int col) const {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(FStmt, col));
        return QByteArray(p, sqlite3_column_bytes(FStmt, col));
    }
    QString Text(int col) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(FStmt, col));
        return QString::fromUtf8(p, sqlite3_column_bytes(FStmt, col));
    }

private:
    TStatement& Check(int rc) {
        if (rc != SQLITE_OK)
            RaiseSqlite(FDb, rc);
        return *this;
    }

    sqlite3* FDb;
    sqlite3_stmt* FStmt = nullptr;
};

QString& OverridePath() {
    static QString path;
    return path;
}

// Databases found sound by this process; checked once, at first use.
std::mutex& CheckedMutex() {
    static std::mutex m;
    return m;
}
std::set<QString>& CheckedPaths() {
    static std::set<QString> paths;
    return paths;
}

void ForgetChecked(const QString& path) {
    const std::lock_guard guard(CheckedMutex());
    CheckedPaths().erase(path);
}

QStringList SplitKeyPath(const QString& path) {
    return path.split(u'\\', Qt::SkipEmptyParts);
}

QString Fold(const QString& name) {
    return name.toCaseFolded();
}

QByteArray EncodeString(const QString& text) {
    return text.toUtf8().append('\0');
}

QString DecodeString(const QByteArray& data) {
    const qsizetype nul = data.indexOf('\0');
    return QString::fromUtf8(nul < 0 ? data : data.left(nul));
}

bool IsStringType(TRegDataType t) {
    return t == rdString || t == rdExpandString;
}

bool IsUnwritable(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN || primary == SQLITE_PERM ||
           primary == SQLITE_AUTH;
}

// A database that cannot be written here; a read goes on without it.
class ERegistryUnwritable : public ERegistryException {
public:
    using ERegistryException::ERegistryException;
};

using TFileIdentity = std::pair<dev_t, ino_t>;

std::optional<TFileIdentity> FileIdentity(const QString& path) {
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return TFileIdentity{st.st_dev, st.st_ino};
}

// An exclusive flock on a lock file, waited for at most timeoutMs; held
// or not, the work goes on (the lock only narrows races between processes).
class TPathLock {
public:
    TPathLock(const QString& path, int timeoutMs) {
        FFd = ::open(QFile::encodeName(path).constData(),
                     O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (FFd < 0)
            return;
        QElapsedTimer clock;
        clock.start();
        while (::flock(FFd, LOCK_EX | LOCK_NB) != 0 && (errno == EWOULDBLOCK || errno == EINTR) &&
               clock.elapsed() < timeoutMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~TPathLock() {
        if (FFd >= 0)
            ::close(FFd);
    }
    TPathLock(const TPathLock&) = delete;
    TPathLock& operator=(const TPathLock&) = delete;

private:
    int FFd = -1;
};

QString KeyCreateMessage(const QString& key) {
    return QStringLiteral("キー %1 の作成に失敗しました").arg(key);
}
[[noreturn]] void RaiseKeyCreate(const QString& key) {
    throw ERegistryException(KeyCreateMessage(key));
}
[[noreturn]] void RaiseSetFailed(const QString& name) {
    throw ERegistryException(QStringLiteral("'%1' の設定に失敗しました").arg(name));
}
[[noreturn]] void RaiseGetFailed(const QString& name) {
    throw ERegistryException(QStringLiteral("'%1' の取得に失敗しました").arg(name));
}
[[noreturn]] void RaiseBadType(const QString& name) {
    throw ERegistryException(QStringLiteral("'%1' のデータ型が不正です").arg(name));
}

} // namespace

// One connection to the registry database, for reading or for writing.
//
// A reading connection never writes: it is not made when the file does not
// exist (everything reads as missing), and where the folder cannot be
// written (so SQLite cannot make the WAL index) it opens the file as
// immutable. Only a writing connection creates the file, switches it to
// WAL and creates the tables.
class TRegistryDatabase {
public:
    enum TMode { mdRead, mdWrite };

    TRegistryDatabase(QString path, TMode mode) : FPath(std::move(path)), FMode(mode) {
        if (FMode == mdWrite && !QDir().mkpath(QFileInfo(FPath).absolutePath()))
            RaiseCannotOpen(QStringLiteral("フォルダーを作成できません"), true);
        // Two connections switching a new database to WAL at once can get
        // SQLITE_BUSY without the busy handler (SQLite's deadlock rule), so
        // the set-up is retried for as long as the busy timeout. A damaged
        // file that another process has already moved aside is left alone,
        // and the fresh one in its place opened instead.
        QElapsedTimer clock;
        clock.start();
        bool immutable = false;
        for (int reopened = 0;;) {
            if (!Open(immutable)) {
                FCheckLock.reset();
                return;
            }
            try {
                SetUp();
                FCheckLock.reset();
                return;
            } catch (const TSqliteError& e) {
                // The file examined was moved aside (with its journal) by
                // another process meanwhile: whatever failed, open the new one.
                if (FileIdentity(FPath) != FIdentity && ++reopened < 5)
                    continue;
                if (IsBusy(e.Code) && clock.elapsed() < kBusyTimeoutMs) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    continue;
                }
                if (FMode == mdRead && !immutable && IsUnwritable(e.Code)) {
                    immutable = true;
                    continue;
                }
                if (IsDamage(e.Code) && ++reopened < 5) {
                    MoveAsideAndReport(); // returns when another process moved it
                    continue;
                }
                RaiseCannotOpen(e.Text, IsUnwritable(e.Code) || IsBusy(e.Code));
            }
        }
    }
    ~TRegistryDatabase() { sqlite3_close_v2(FDb); }
    TRegistryDatabase(const TRegistryDatabase&) = delete;
    TRegistryDatabase& operator=(const TRegistryDatabase&) = delete;

    bool Writable() const { return FMode == mdWrite; }
    // No file, or a file without the tables: every lookup finds nothing.
    bool Empty() const { return !FDb || !FHasTables; }

    // Runs fn as one BEGIN IMMEDIATE transaction, rolled back on any error;
    // with wait false, SQLITE_BUSY at once when another connection writes.
    void Immediate(const std::function<void()>& fn, bool wait = true) {
        if (!wait) {
            sqlite3_busy_timeout(FDb, 0);
            try {
                Immediate(fn);
            } catch (...) {
                sqlite3_busy_timeout(FDb, kBusyTimeoutMs);
                throw;
            }
            sqlite3_busy_timeout(FDb, kBusyTimeoutMs);
            return;
        }
        Exec("BEGIN IMMEDIATE");
        try {
            fn();
            Exec("COMMIT");
        } catch (...) {
            sqlite3_exec(FDb, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }

    std::optional<TRegKey> FindKey(TRegKey base, const QStringList& path) {
        TRegKey key = base;
        for (const QString& name : path) {
            const auto child = Child(key, name);
            if (!child)
                return std::nullopt;
            key = *child;
        }
        return key;
    }

    // Call inside Immediate.
    TRegKey CreateKey(TRegKey base, const QStringList& path) {
        TRegKey key = base;
        for (const QString& name : path) {
            if (const auto child = Child(key, name)) {
                key = *child;
                continue;
            }
            TStatement insert(FDb, "INSERT INTO reg_keys(parent, name, folded) VALUES(?, ?, ?)");
            insert.Bind(1, key).Bind(2, name).Bind(3, Fold(name)).Step();
            key = sqlite3_last_insert_rowid(FDb);
        }
        return key;
    }

    std::optional<std::pair<TRegDataType, QByteArray>> Value(TRegKey key, const QString& name) {
        if (Empty())
            return std::nullopt;
        TStatement select(FDb, "SELECT type, data FROM reg_values WHERE key = ? AND folded = ?");
        select.Bind(1, key).Bind(2, Fold(name));
        if (!select.Step())
            return std::nullopt;
        return std::pair{TRegDataType(select.Int(0)), select.Blob(1)};
    }

    // Call inside Immediate. A value keeps the spelling it was created with.
    void SetValue(TRegKey key, const QString& name, TRegDataType type, const QByteArray& data) {
        TStatement upsert(FDb, "INSERT INTO reg_values(key, name, folded, type, data) "
                               "VALUES(?, ?, ?, ?, ?) ON CONFLICT(key, folded) DO UPDATE "
                               "SET type = excluded.type, data = excluded.data");
        upsert.Bind(1, key).Bind(2, name).Bind(3, Fold(name)).Bind(4, std::int64_t(type));
        upsert.Bind(5, data).Step();
    }

    void DeleteValue(TRegKey key, const QString& name) {
        TStatement del(FDb, "DELETE FROM reg_values WHERE key = ? AND folded = ?");
        del.Bind(1, key).Bind(2, Fold(name)).Step();
    }

    // A damaged database found in the middle of work is checked afresh by
    // the next connection.
    void NoteError(const TSqliteError& e) {
        if (IsDamage(e.Code))
            ForgetChecked(FPath);
    }

private:
    // Opens the file; false (and no connection) when a reading connection
    // finds no file. The file opened is remembered by device and inode.
    bool Open(bool immutable) {
        sqlite3_close_v2(FDb);
        FDb = nullptr;
        for (int attempt = 0;; ++attempt) {
            const auto before = FileIdentity(FPath);
            if (FMode == mdRead && !before)
                return false;
            // A writer opens (and may create the file and its journal) only
            // while no other process moves a damaged file and its journal
            // aside: a journal made for a fresh file in between would be
            // moved away with the damaged one's.
            if (FMode != mdRead && !FCheckLock)
                FCheckLock.emplace(CheckLockPath(), kBusyTimeoutMs);
            int rc;
            if (immutable) {
                const QByteArray uri =
                    "file:" + QUrl::toPercentEncoding(FPath, "/") + "?immutable=1";
                rc = sqlite3_open_v2(uri.constData(), &FDb, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                                     nullptr);
            } else {
                rc = sqlite3_open_v2(QFile::encodeName(FPath).constData(), &FDb,
                                     FMode == mdRead ? SQLITE_OPEN_READONLY
                                                     : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                                     nullptr);
            }
            if (rc != SQLITE_OK) {
                // Moved aside by another process between the look and the
                // open: a reader finds no file.
                if (FMode == mdRead && !FileIdentity(FPath)) {
                    sqlite3_close_v2(FDb);
                    FDb = nullptr;
                    return false;
                }
                RaiseCannotOpen(QString::fromUtf8(sqlite3_errstr(rc)), IsUnwritable(rc));
            }
            sqlite3_busy_timeout(FDb, kBusyTimeoutMs);
            FIdentity = FileIdentity(FPath);
            // Replaced between the look and the open: open again.
            if ((!before || before == FIdentity) || attempt >= 5)
                return true;
            sqlite3_close_v2(FDb);
            FDb = nullptr;
        }
    }

    void SetUp() {
        CheckIntegrityOnce();
        FHasTables = HasTables();
        if (FMode == mdRead)
            return;
        if (QueryText("PRAGMA journal_mode") != QLatin1String("wal"))
            Exec("PRAGMA journal_mode=WAL");
        Exec("PRAGMA synchronous=FULL");
        if (!FHasTables) {
            Immediate([this] { Exec(kSchema); });
            FHasTables = true;
        }
    }

    bool HasTables() {
        TStatement query(FDb, "SELECT count(*) FROM sqlite_master WHERE type = 'table' "
                              "AND name IN ('reg_keys', 'reg_values')");
        return query.Step() && query.Int(0) == 2;
    }

    QString QueryText(const char* sql) {
        TStatement query(FDb, sql);
        return query.Step() ? query.Text(0) : QString();
    }

    void Exec(const char* sql) {
        char* message = nullptr;
        const int rc = sqlite3_exec(FDb, sql, nullptr, nullptr, &message);
        if (rc == SQLITE_OK)
            return;
        const QString text = QString::fromUtf8(message ? message : sqlite3_errstr(rc));
        sqlite3_free(message);
        throw TSqliteError{rc, text};
    }

    std::optional<TRegKey> Child(TRegKey parent, const QString& name) {
        if (Empty())
            return std::nullopt;
        TStatement select(FDb, "SELECT id FROM reg_keys WHERE parent = ? AND folded = ?");
        select.Bind(1, parent).Bind(2, Fold(name));
        if (!select.Step())
            return std::nullopt;
        return select.Int(0);
    }

    void CheckIntegrityOnce() {
        {
            const std::lock_guard guard(CheckedMutex());
            if (CheckedPaths().count(FPath))
                return;
        }
        TStatement check(FDb, "PRAGMA integrity_check");
        if (!check.Step() || check.Text(0) != QLatin1String("ok"))
            throw TSqliteError{SQLITE_CORRUPT, QStringLiteral("integrity check failed")};
        const std::lock_guard guard(CheckedMutex());
        CheckedPaths().insert(FPath);
    }

    // Moves the damaged file this connection opened aside and raises the
    // report. Processes that meet the damage together take turns here, and
    // each first makes sure the path still names the file it examined: when
    // another has moved it already, this returns and the caller opens the
    // fresh database in its place.
    void MoveAsideAndReport() {
        sqlite3_close_v2(FDb);
        FDb = nullptr;
        ForgetChecked(FPath);
        if (!FCheckLock)
            FCheckLock.emplace(CheckLockPath(), kBusyTimeoutMs);
        const auto now = FileIdentity(FPath);
        if (!now || now != FIdentity)
            return;
        const QString stamp =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss-zzz"));
        const QString aside = FPath + QStringLiteral(".damaged-") + stamp;
        if (!QFile::rename(FPath, aside))
            throw ERegistryException(
                QStringLiteral("レジストリのデータベース %1 "
                               "が壊れています。別の名前に移すこともできませんでした。")
                    .arg(FPath));
        // The journal belongs to the damaged file; a fresh database must not pick it up.
        for (const char* suffix : {"-wal", "-shm"})
            if (QFile::exists(FPath + QLatin1String(suffix)))
                QFile::rename(FPath + QLatin1String(suffix), aside + QLatin1String(suffix));
        throw ERegistryException(
            QStringLiteral("レジストリのデータベース %1 が壊れていたため %2 "
                           "に移しました。次の操作から新しいデータベースを使います。")
                .arg(FPath, aside));
    }

    // unwritable: the file or its folder cannot be written (or another
    // process holds the write lock too long), which a reader may ignore.
    [[noreturn]] void RaiseCannotOpen(const QString& reason, bool unwritable) {
        sqlite3_close_v2(FDb);
        FDb = nullptr;
        const QString message =
            QStringLiteral("レジストリのデータベース %1 を開けません (%2)").arg(FPath, reason);
        if (unwritable)
            throw ERegistryUnwritable(message);
        throw ERegistryException(message);
    }

    // Serialises moving a damaged file aside and making a new one.
    QString CheckLockPath() const { return FPath + QStringLiteral(".lock"); }

    QString FPath;
    TMode FMode;
    std::optional<TPathLock> FCheckLock; // held while opening, when needed
    sqlite3* FDb = nullptr;
    bool FHasTables = false;
    std::optional<TFileIdentity> FIdentity;
};

// --- TRegIniFile ------------------------------------------------------------

QString TRegIniFile::DatabasePath() {
    if (!OverridePath().isEmpty())
        return OverridePath();
    return ConfigFolder() + QStringLiteral("/registry.sqlite3");
}

void TRegIniFile::SetDatabasePath(const QString& path) {
    OverridePath() = path;
}

TRegIniFile::TRegIniFile(const QString& keyPath)
    : FPath(DatabasePath()), FKeyPath(keyPath),
      FDb(std::make_unique<TRegistryDatabase>(FPath, TRegistryDatabase::mdRead)) {
    const QString path = keyPath.startsWith(u'\\') ? keyPath.mid(1) : keyPath;
    FBasePath = SplitKeyPath(path);
    try {
        FKey = FDb->FindKey(HKEY_CURRENT_USER, FBasePath);
    } catch (const TSqliteError& e) {
        FDb->NoteError(e);
        RaiseKeyCreate(keyPath);
    }
    if (FKey)
        return;
    // The key is made at once when that needs no wait; where the database
    // cannot be written, or another process is writing, reads go on finding
    // nothing and the first write makes the key or reports the failure.
    try {
        CreateBaseKey(false);
    } catch (const ERegistryUnwritable&) {
    }
}

TRegIniFile::~TRegIniFile() = default;

TRegistryDatabase& TRegIniFile::Writer() {
    if (!FDb->Writable())
        FDb = std::make_unique<TRegistryDatabase>(FPath, TRegistryDatabase::mdWrite);
    return *FDb;
}

void TRegIniFile::CreateBaseKey(bool wait) {
    TRegistryDatabase& db = Writer();
    TRegKey key = HKEY_CURRENT_USER;
    try {
        db.Immediate([&] { key = db.CreateKey(HKEY_CURRENT_USER, FBasePath); }, wait);
    } catch (const TSqliteError& e) {
        db.NoteError(e);
        if (IsBusy(e.Code) || IsUnwritable(e.Code))
            throw ERegistryUnwritable(KeyCreateMessage(FKeyPath));
        RaiseKeyCreate(FKeyPath);
    }
    FKey = key;
}

TRegKey TRegIniFile::CurrentKey() {
    if (!FKey)
        CreateBaseKey(true);
    return *FKey;
}

std::optional<TRegKey> TRegIniFile::ReadBase(const QString& section) const {
    if (section.startsWith(u'\\'))
        return HKEY_CURRENT_USER;
    return FKey;
}

QStringList TRegIniFile::WritePath(const QString& section) const {
    return section.startsWith(u'\\') ? SplitKeyPath(section) : FBasePath + SplitKeyPath(section);
}

std::optional<TRegIniFile::TValue> TRegIniFile::ReadValue(TRegKey key, const QString& name) {
    try {
        if (auto v = FDb->Value(key, name))
            return TValue{v->first, v->second};
        return std::nullopt;
    } catch (const TSqliteError& e) {
        FDb->NoteError(e);
        RaiseGetFailed(name);
    }
}

void TRegIniFile::WriteValue(TRegKey key, const QString& name, TRegDataType type,
                             const QByteArray& data) {
    TRegistryDatabase& db = Writer();
    try {
        db.Immediate([&] { db.SetValue(key, name, type, data); });
    } catch (const TSqliteError& e) {
        db.NoteError(e);
        RaiseSetFailed(name);
    }
}

std::optional<TRegKey> TRegIniFile::OpenKey(const QString& section) {
    const auto base = ReadBase(section);
    if (!base)
        return std::nullopt;
    try {
        return FDb->FindKey(*base, SplitKeyPath(section));
    } catch (const TSqliteError& e) {
        FDb->NoteError(e);
        RaiseGetFailed(section);
    }
}

void TRegIniFile::CreateKey(const QString& section) {
    TRegistryDatabase& db = Writer();
    try {
        db.Immediate([&] { db.CreateKey(HKEY_CURRENT_USER, WritePath(section)); });
    } catch (const TSqliteError& e) {
        db.NoteError(e);
        RaiseKeyCreate(section);
    }
    NoteBaseKey();
}

void TRegIniFile::NoteBaseKey() {
    if (FKey)
        return;
    try {
        FKey = FDb->FindKey(HKEY_CURRENT_USER, FBasePath);
    } catch (const TSqliteError& e) {
        FDb->NoteError(e);
    }
}

QString TRegIniFile::ReadString(const QString& section, const QString& ident, const QString& def) {
    const auto key = OpenKey(section);
    if (!key)
        return def;
    const auto value = ReadValue(*key, ident);
    if (!value)
        return def;
    if (!IsStringType(value->Type))
        RaiseBadType(ident);
    return DecodeString(value->Data);
}

void TRegIniFile::WriteString(const QString& section, const QString& ident, const QString& value) {
    TRegistryDatabase& db = Writer();
    // Key and value in one transaction; the stage decides which failure it was.
    bool keyMade = false;
    try {
        db.Immediate([&] {
            const TRegKey key = db.CreateKey(HKEY_CURRENT_USER, WritePath(section));
            keyMade = true;
            db.SetValue(key, ident, rdString, EncodeString(value));
        });
    } catch (const TSqliteError& e) {
        db.NoteError(e);
        if (!keyMade)
            RaiseKeyCreate(section);
        RaiseSetFailed(ident);
    }
    NoteBaseKey();
}

bool TRegIniFile::DeleteKey(const QString& section, const QString& ident) {
    // Only a value that is there needs the write lock; a failure is not
    // reported.
    try {
        const auto key = OpenKey(section);
        if (!key || !ReadValue(*key, ident))
            return false;
        TRegistryDatabase& db = Writer();
        db.Immediate([&] { db.DeleteValue(*key, ident); });
        return true;
    } catch (const TSqliteError& e) {
        FDb->NoteError(e);
    } catch (const ERegistryException&) {
    }
    return false;
}

std::optional<TRegDataInfo> TRegIniFile::GetDataInfo(TRegKey key, const QString& name) {
    const auto value = ReadValue(key, name);
    if (!value)
        return std::nullopt;
    return TRegDataInfo{value->Type, int(value->Data.size())};
}

QByteArray TRegIniFile::ReadBinaryData(TRegKey key, const QString& name) {
    const auto value = ReadValue(key, name);
    if (!value)
        return {};
    if (IsStringType(value->Type) || value->Type == rdInteger)
        RaiseBadType(name);
    return value->Data;
}

void TRegIniFile::WriteBinaryData(TRegKey key, const QString& name, const QByteArray& data) {
    WriteValue(key, name, rdBinary, data);
}

std::int32_t TRegIniFile::ReadInteger(TRegKey key, const QString& name) {
    const auto value = ReadValue(key, name);
    if (!value)
        RaiseGetFailed(name);
    if (value->Type != rdInteger || value->Data.size() != 4)
        RaiseBadType(name);
    const auto* b = reinterpret_cast<const unsigned char*>(value->Data.constData());
    return std::int32_t(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                        std::uint32_t(b[3]) << 24);
}

void TRegIniFile::WriteInteger(TRegKey key, const QString& name, std::int32_t value) {
    const auto u = std::uint32_t(value);
    const char bytes[4] = {char(u & 0xFF), char(u >> 8 & 0xFF), char(u >> 16 & 0xFF),
                           char(u >> 24 & 0xFF)};
    WriteValue(key, name, rdInteger, QByteArray(bytes, 4));
}

void TRegIniFile::WriteExpandString(TRegKey key, const QString& name, const QString& value) {
    WriteValue(key, name, rdExpandString, EncodeString(value));
}
