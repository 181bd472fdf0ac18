// Documents of realistic shape for the benchmarks.
#pragma once

#include <QByteArray>
#include <QString>

// About 10 MB of CP932 text in 130,000 CR LF lines, Japanese and ASCII mixed.
QByteArray LargeCp932Document();
QString LargeDocumentText(); // the same, decoded, with LF breaks

// About 10 MB of the same text in one line, as a page exported without line
// breaks would be.
QByteArray LongLineCp932Document();

// Writes bytes to a file of that name in a folder that lasts as long as the
// process, and returns its path.
QString WriteBenchFile(const QString& name, const QByteArray& bytes);
