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

// The longest value a read returns, in characters.
constexpr int kIniMaxValueLength = 2047;

// The content of one INI file, in memory. No file access.
class TIniDocument {
public:
    TIniDocument() = default;
    explicit TIniDocument(const QByteArray& bytes);

    // The lines joined with CR LF, every line terminated.
    QByteArray Bytes() const;
    const QList<QByteArray>& Lines() const { return FLines; }

    // The stored value, blanks stripped and one pair of outer quotes removed,
    // cut at kIniMaxValueLength characters; the default when absent.
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

private:
    qsizetype FindSection(const QByteArray& name) const;
    qsizetype SectionEnd(qsizetype header) const;
    qsizetype FindKey(qsizetype header, const QByteArray& name) const;
    std::optional<QByteArray> RawValue(const QString& section, const QString& ident) const;

    QList<QByteArray> FLines;
};

// An INI file on disk. Reads take no lock (writes replace the file
// atomically); every write locks "<file>.lock", re-reads the file, changes
// it and replaces it, so two processes never lose each other's keys.
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
    // stays as it was) or a refusal naming the reason for bad input.
    void WriteString(const QString& section, const QString& ident, const QString& value);
    // Removes the key; the outcome, a failed write included, is ignored.
    // Returns whether the key was removed.
    bool DeleteKey(const QString& section, const QString& ident);

private:
    TIniDocument Load() const;
    // Under the lock: re-reads, applies change, and writes back when change
    // returns true.
    void Modify(const std::function<bool(TIniDocument&)>& change);
    [[noreturn]] void RaiseWriteError() const;

    QString FFileName;
};
