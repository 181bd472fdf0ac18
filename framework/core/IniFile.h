// Private-profile INI files over CP932 bytes.
//
// The file is kept as a list of byte lines so that everything the service
// does not understand (text before the first section, comments, lines
// without "=", duplicates) survives a rewrite untouched. Names match
// ignoring ASCII case only, scanned with double-byte awareness so that a
// trail byte never matches or ends anything.
#pragma once

#include "SettingsStore.h"
#include "SysUtils.h"

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

// A write refused: "%s に書き込めません" with the file's name, followed by
// ": " and the reason when there is one.
class EIniWriteError : public EIniFileException {
public:
    explicit EIniWriteError(const QString& fileName, const QString& reason = {});
    const QString& FileName() const { return FFileName; }
    const QString& Reason() const { return FReason; }

private:
    QString FFileName;
    QString FReason;
};

// An INI file on disk. Reads take no lock (writes replace the file
// atomically); every write locks "<file>.lock" beside the file a symlink
// leads to, re-reads the file, changes it and replaces it, so two processes
// never lose each other's keys whatever name they reach the file by. A
// file starting with a UTF-16 byte-order mark reads as empty and is never
// written. A FIFO, a device or a folder (or a link to one) is never opened:
// it reads as empty, and a write raises naming why.
class TIniFile : public TSettingsStore {
public:
    explicit TIniFile(QString fileName);

    const QString& FileName() const { return FFileName; }

    // A missing or unreadable file, section or key gives def.
    QString ReadString(const QString& section, const QString& ident, const QString& def) override;
    bool ValueExists(const QString& section, const QString& ident) const;
    QStringList ReadSections() const;
    QStringList ReadSection(const QString& section) const;

    // Creates the file, section and key as needed. Raises EIniWriteError
    // when the file cannot be written (the old file stays as it was), with
    // the reason for bad input, a UTF-16 file, a file that is not a regular
    // file or a lock held elsewhere for longer than kIniLockWaitMs.
    void WriteString(const QString& section, const QString& ident, const QString& value) override;
    // Removes the key; the outcome, a failed write included, is ignored.
    // Returns whether the key was removed.
    bool DeleteKey(const QString& section, const QString& ident) override;

private:
    TIniDocument Load() const;

    QString FFileName;
};

// Several writes to one INI file made as one: the lock is taken once, the
// file read once and replaced once, so another process sees either none of
// the writes or all of them. Reads and writes go through the batch itself;
// each write is still checked and refused on its own.
class TIniBatch : public TSettingsStore {
public:
    // Takes the lock, waiting at most kIniLockWaitMs, and reads the file.
    // Raises EIniWriteError (with the reason where there is one) when
    // either fails or the file is not a regular file; such a file is left
    // as it is, with no lock file beside it.
    explicit TIniBatch(const QString& fileName);
    // Drops uncommitted writes and releases the lock.
    ~TIniBatch() override;

    // As the caller gave it.
    const QString& FileName() const { return FFileName; }

    QString ReadString(const QString& section, const QString& ident, const QString& def) override;
    bool ValueExists(const QString& section, const QString& ident) const;
    QStringList ReadSections() const;
    // Raises as TIniFile::WriteString does; a refused write changes nothing.
    // Raises once the batch has ended.
    void WriteString(const QString& section, const QString& ident, const QString& value) override;
    bool DeleteKey(const QString& section, const QString& ident) override;

    // Replaces the file once when a write changed it, then ends the batch.
    // Raises "%s に書き込めません" when that fails; the old file stays.
    void Commit();

private:
    // Applies change to the document; true when it changed something.
    void Apply(const std::function<bool(TIniDocument&)>& change);
    void Close();

    QString FFileName; // as the caller gave it, for messages
    QString FResolved; // the file symlinks lead to
    int FLockFd = -1;
    TIniDocument FDoc;
    bool FUtf16 = false;
    bool FChanged = false;
    bool FOpen = false;
};

// Many reads of one INI file made as one: the file is read once and the
// reads made through the snapshot are served from that. It takes no lock,
// like any read. A write through the snapshot goes to the file (as
// TIniFile's does), and the reads after it read the file as written.
class TIniSnapshot : public TSettingsStore {
public:
    explicit TIniSnapshot(const QString& fileName);

    const QString& FileName() const { return FFileName; }

    QString ReadString(const QString& section, const QString& ident, const QString& def) override;
    void WriteString(const QString& section, const QString& ident, const QString& value) override;
    bool DeleteKey(const QString& section, const QString& ident) override;

private:
    QString FFileName;
    std::optional<TIniDocument> FDoc; // none once a write went to the file
};
