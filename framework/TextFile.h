// Whole-file text I/O in the program's code page.
#pragma once

#include <QString>

// Reads a regular file as CP932 (losslessly) with CR, LF and CR LF made LF.
// Raises EFOpenError for anything that is not a readable regular file (a
// folder or a FIFO is never opened).
QString ReadTextFile(const QString& path);

// Writes text as CP932 with CR LF line breaks, atomically: on any failure the
// old file stays as it was. Raises EEncodingError for a character CP932
// cannot hold (nothing written) and EFCreateError when the file cannot be
// created or written.
void WriteTextFile(const QString& path, QStringView text);

// CR LF and lone CR become LF.
QString NormalizeLineBreaks(const QString& text);

// True for an existing regular file (links followed).
bool IsRegularFile(const QString& path);
