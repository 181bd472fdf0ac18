// Documents of realistic shape for the benchmarks.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

// About 10 MB of CP932 text in 130,000 CR LF lines, Japanese and ASCII mixed.
QByteArray LargeCp932Document();
QString LargeDocumentText(); // the same, decoded, with LF breaks

// About 10 MB of the same text in one line, as a page exported without line
// breaks would be.
QByteArray LongLineCp932Document();

// Writes bytes to a file of that name in a folder that lasts as long as the
// process, and returns its path.
QString WriteBenchFile(const QString& name, const QByteArray& bytes);

// The user and system CPU time this process has used so far, in seconds.
double ProcessCpuSeconds();

// A path or argument as one word for sh, whatever characters it holds.
std::string ShellQuote(const QString& word);

// Starts the program self again with args, its errors thrown away, and reads
// the first line it prints: the numbers after key. Empty when the line does
// not start with key or the program could not be started.
std::vector<double> SpawnSelfAndRead(const std::string& self, const QStringList& args,
                                     const char* key);
