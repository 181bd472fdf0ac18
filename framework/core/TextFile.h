// Whole-file text I/O in the program's code page.
#pragma once

#include "SysUtils.h"

#include <QString>

// A file refused before anything is read: a folder, a FIFO, a device, or a
// text longer than the caller can hold. Unlike a failed read, a refusal is
// known before the caller gives up what it had.
class EFileRefused : public Exception {
public:
    using Exception::Exception;
};

// Reads a regular file as CP932 (losslessly) with CR, LF and CR LF made LF.
// Raises EFileRefused for an existing file that is not a regular file (never
// opened) or whose text would exceed maxChars characters (when maxChars >= 0),
// and EFOpenError when the file is missing or cannot be read.
QString ReadTextFile(const QString& path, qsizetype maxChars = -1);

// Writes text as CP932 with CR LF line breaks, atomically: on any failure the
// old file stays as it was. Raises EEncodingError for a character CP932
// cannot hold (nothing written) and EFCreateError when the file cannot be
// created or written.
void WriteTextFile(const QString& path, QStringView text);

// CR LF and lone CR become LF.
QString NormalizeLineBreaks(const QString& text);

// True for an existing regular file (links followed).
bool IsRegularFile(const QString& path);
