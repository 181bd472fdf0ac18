// Runs the command line in-process with its output captured, and builds the
// page the window makes of a file from the window's own read and write.
#pragma once

#include "CommandLine.h"
#include "Cp932.h"
#include "PageTemplate.h"
#include "TestFiles.h"
#include "TextFile.h"

#include <QDir>
#include <QStringList>
#include <cstdio>

struct CliRun {
    int Status = -1;
    QByteArray Out;
    QString Err;
    QStringList ErrLines() const { return Err.split(u'\n', Qt::SkipEmptyParts); }
};

inline QByteArray ReadStream(FILE* f) {
    std::rewind(f);
    QByteArray bytes;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        bytes.append(buf, qsizetype(n));
    std::fclose(f);
    return bytes;
}

// programPath decides where the settings file is looked for.
inline CliRun RunCli(const QStringList& args,
                     const QString& programPath = QStringLiteral("/nonexistent/vexla")) {
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    CliRun run;
    run.Status = RunCommandLine(args, programPath, out, err);
    run.Out = ReadStream(out);
    run.Err = QString::fromUtf8(ReadStream(err));
    return run;
}

// The page text the window's conversion makes of an editor text: the text's
// lines (a final line break is not a line) between the head and tail lines.
inline QString WindowPageText(const QString& text, const TPageSettings& page) {
    QString body = text;
    if (!body.isEmpty() && !body.endsWith(u'\n'))
        body += u'\n';
    return PageHeadLines(page).join(u'\n') + u'\n' + body + PageTailLines(page).join(u'\n');
}

inline TPageSettings DefaultPage(bool html = false) {
    TPageSettings page;
    SetDefaultPageSettings(page);
    page.LinkExt = LinkExtension(html);
    return page;
}

// What the window's Open (ReadTextFileDecoded, in the encoding given or
// detected), conversion and Save (WriteTextFile, characters Shift-JIS cannot
// hold as references) write for the file at input.
inline QByteArray WindowPageBytes(const QString& input, const TPageSettings& page,
                                  const QString& scratch,
                                  std::optional<TTextEncoding> as = std::nullopt) {
    const QString text = ReadTextFileDecoded(input, -1, as).Text;
    WriteTextFile(scratch, WithCharacterReferences(WindowPageText(text, page)));
    return ReadBytes(scratch);
}

// Where two pages part, for a failure message.
inline std::string FirstDifference(const QByteArray& a, const QByteArray& b) {
    qsizetype i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    if (i == a.size() && i == b.size())
        return "equal";
    return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) +
           ", first difference at " + std::to_string(i) + ": [" +
           a.mid(i - 16 < 0 ? 0 : i - 16, 32).toHex(' ').toStdString() + "] vs [" +
           b.mid(i - 16 < 0 ? 0 : i - 16, 32).toHex(' ').toStdString() + "]";
}

inline QByteArray Sjis(const QString& text) {
    return Cp932::Encode(text);
}

inline QStringList Entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}
