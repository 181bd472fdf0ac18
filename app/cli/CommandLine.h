// The program's command line: help, version and the batch conversion, all
// without a display, and the files the window opens at start.
#pragma once

#include "PageStream.h"
#include "PageTemplate.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <optional>
#include <utility>
#include <variant>

enum TExitStatus { esSuccess = 0, esFailed = 1, esUsage = 2 };

// The arguments after the program name as the system has them, so that a
// file name that is not UTF-8 still names its file.
QStringList ProgramArguments(int argc, char** argv);

// What the arguments (program name excluded) ask for. Window is the default;
// Usage means an option the program does not know, reported without a display.
enum class TStartMode { Window, Help, Version, Convert, Usage };
TStartMode StartModeOf(const QStringList& args);

QString HelpText();
QString VersionText();

// The batch conversion's options.
struct TBatchOptions {
    QStringList Inputs;
    QString Output;        // -o: one input's page ("-" for standard output)
    QString OutputDir;     // -d: the folder for every page
    QString SettingsFile;  // --settings; empty for the window's settings file
    QString FilesFrom;     // --files-from: a list of inputs after these ("-" standard input)
    bool NulNames = false; // -0: the list's names end in NUL, not a line break
    bool CharRefs = false;
    bool Utf8 = false;   // --utf8: a UTF-8 page, whatever the settings file says
    bool Escape = false; // --escape: the text's & < > as entities
    TInputEncoding Encoding = TInputEncoding::Detect; // --encoding
    std::optional<bool> Html; // --html / --htm; unset follows the settings file
    QList<std::pair<QString TPageSettings::*, QString>> Overrides;
};

// The options after "--convert"; a usage error gives its message instead.
std::variant<TBatchOptions, QString> ParseBatchArguments(const QStringList& args);

// Runs every mode but Window and returns the exit status. programPath locates
// the settings file as the window does; out and err take what the program
// prints.
int RunCommandLine(const QStringList& args, const QString& programPath, FILE* out, FILE* err);

// The window's arguments once the toolkit has taken its own: the files to
// open (absolute paths; the window opens the first, as a drop does), or a
// usage error's message.
std::variant<QStringList, QString> WindowArguments(const QStringList& args);

// Prints a usage error with the pointer to --help.
void PrintUsageError(FILE* err, const QString& message);
