// Private-profile INI files over CP932 bytes.
//
// The file is kept as a list of byte lines so that everything the service
// does not understand (text before the first section, comments, lines
// without "=", duplicates) survives a rewrite untouched. Names match
// ignoring ASCII case only, scanned with double-byte awareness so that a
// trail byte never matches or ends anything.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The longest value a read returns, in bytes of the file: the platform
// reads into a 2048-byte buffer. A double-byte character is never cut.
constexpr int kIniMaxValueBytes = 2047;

// How long a write waits for another process's lock on the file before it
// fails.
constexpr int kIniLockWaitMs = 3000;

// The content of one INI file, in memory. No file access.
class TIniDocument {
public:
    TIniDocument() = default;
    explicit TIniDocument(const QByteArray& bytes);

    // The lines joined with CR LF, every line terminated.
    QByteArray Bytes() const;
    const QList<QByteArray>& Lines() const { return FLines; }

    // The stored value, blanks stripped and one pair of outer quotes removed,
    // cut by CutValue; the default when absent.
    QString ReadString(const QString& section, const QString& ident, const QString& def) const;
    bool ValueExists(const QString& section, const QString& ident) const;
    // Replaces the value of the first matching key of the first matching
    // section, or appends the key to that section, or appends the section.
    // Raises EIniFileException when CheckWrite refuses the arguments and
    // EEncodingError when CP932 cannot hold them.
    void WriteString(const QString& section, const QString& ident, const QString& value);
    // Removes every matching key of the first matching section; true when
    // one was there.
    bool DeleteKey(const QString& section, const QString& ident);
    // Section names in file order, duplicates once (the first spelling).
    QStringList ReadSections() const;
    // Key names of the first matching section, in order.
    QStringList ReadSection(const QString& section) const;

    // Why (section, ident, value) cannot be written so that it reads back
    // unchanged; empty when it can.
    static QString CheckWrite(const QString& section, const QString& ident, const QString& value);
    // What a read gives back of a stored value: at most kIniMaxValueBytes
    // bytes, ending on a character boundary.
    static QString CutValue(const QString& value);
    // A file that starts with a UTF-16 byte-order mark: not an INI file this
    // service can read or rewrite.
    static bool IsUtf16(QByteArrayView bytes);

private:
    qsizetype FindSection(const QByteArray& name) const;
    qsizetype SectionEnd(qsizetype header) const;
    qsizetype FindKey(qsizetype header, const QByteArray& name) const;
    std::optional<QByteArray> RawValue(const QString& section, const QString& ident) const;

    QList<QByteArray> FLines;
};

class TIniBatch;
class TIniSnapshot;

// An INI file on disk. Reads take no lock (writes replace the file
// atomically); every write locks "<file>.lock" beside the file a symlink
// leads to, re-reads the file, changes it and replaces it, so two processes
// never lose each other's keys whatever name they reach the file by. A
// file starting with a UTF-16 byte-order mark reads as empty and is never
// written. While a TIniBatch is open on the file in this process, reads and
// writes go to the batch instead; while a TIniSnapshot is open, reads go to
// the snapshot.
class TIniFile {
public:
    explicit TIniFile(QString fileName);

    const QString& FileName() const { return FFileName; }

    // A missing or unreadable file, section or key gives def.
    QString ReadString(const QString& section, const QString& ident, const QString& def) const;
    bool ValueExists(const QString& section, const QString& ident) const;
    QStringList ReadSections() const;
    QStringList ReadSection(const QString& section) const;

    // Creates the file, section and key as needed. Raises EIniFileException
    // "%s に書き込めません" when the file cannot be written (the old file
    // stays as it was), or that text with the reason for bad input, a UTF-16
    // file or a lock held elsewhere for longer than kIniLockWaitMs.
    void WriteString(const QString& section, const QString& ident, const QString& value);
    // Removes the key; the outcome, a failed write included, is ignored.
    // Returns whether the key was removed.
    bool DeleteKey(const QString& section, const QString& ident);

private:
    TIniDocument Load() const;
    // Under the lock: re-reads, applies change, and writes back when change
    // returns true.
    void Modify(const std::function<bool(TIniDocument&)>& change);

    QString FFileName;
};

// Several writes to one INI file made as one: the lock is taken once, the
// file read once and replaced once, so another process sees either none of
// the writes or all of them. Every TIniFile of the same file (by whatever
// name) reads and writes through the open batch; each write is still
// checked and refused on its own. A batch opened while another is open on
// the same file joins it: its writes go to that one, and its Commit does
// nothing.
class TIniBatch {
public:
    // Takes the lock, waiting at most kIniLockWaitMs, and reads the file.
    // Raises EIniFileException "%s に書き込めません" (with the reason when
    // another process holds the lock) when either fails.
    explicit TIniBatch(const QString& fileName);
    // Drops uncommitted writes and releases the lock.
    ~TIniBatch();
    TIniBatch(const TIniBatch&) = delete;
    TIniBatch& operator=(const TIniBatch&) = delete;

    // Replaces the file once when a write changed it, then ends the batch.
    // Raises "%s に書き込めません" when that fails; the old file stays.
    void Commit();

private:
    friend class TIniFile;
    // The open batch of this process on the resolved file; null when none.
    static TIniBatch* Find(const QString& resolvedPath);
    void Apply(const QString& fileName, const std::function<bool(TIniDocument&)>& change);
    void Close();

    QString FFileName;    // as the caller gave it, for messages
    QString FResolved;    // the file symlinks lead to
    bool FJoined = false; // another batch of this process holds the file
    int FLockFd = -1;
    TIniDocument FDoc;
    bool FUtf16 = false;
    bool FChanged = false;
    bool FOpen = false;
};

// Many reads of one INI file made as one: the file is read once, and while
// the snapshot is open every TIniFile of the same file (by whatever name)
// in this process reads from it instead of reading the whole file again.
// It takes no lock, like any read. A write through a TIniFile of the file
// ends its use, so reads after it see the file as written.
class TIniSnapshot {
public:
    explicit TIniSnapshot(const QString& fileName);
    ~TIniSnapshot();
    TIniSnapshot(const TIniSnapshot&) = delete;
    TIniSnapshot& operator=(const TIniSnapshot&) = delete;

private:
    friend class TIniFile;
    friend class TIniBatch; // a write ends the snapshot
    // The open snapshot of this process on the resolved file; null when none.
    static const TIniSnapshot* Find(const QString& resolvedPath);
    static void Forget(const QString& resolvedPath);

    QString FResolved;
    bool FOwner = false; // false when another snapshot of the file was open
    TIniDocument FDoc;
};
