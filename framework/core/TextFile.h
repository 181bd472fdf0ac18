// Whole-file text I/O in the program's code page.
#pragma once

#include "SysUtils.h"
#include "TextEncoding.h"

#include <QByteArrayView>
#include <QString>
#include <functional>
#include <sys/stat.h>
#include <vector>

// A file refused before anything is read: a folder, a FIFO, a device, or a
// text longer than the caller can hold. Unlike a failed read, a refusal is
// known before the caller gives up what it had.
class EFileRefused : public Exception {
public:
    using Exception::Exception;
};

// Paths are those of PathNames.h: a name that is not UTF-8 is opened by its
// bytes, and messages show it through DisplayPath.

// Reads a regular file in its detected encoding (CP932 losslessly) with CR,
// LF and CR LF made LF.
// Raises EFileRefused for an existing file that is not a regular file (never
// opened) or whose text would exceed maxChars characters (when maxChars >= 0),
// and EFOpenError with the system's reason when the file is missing or
// cannot be read.
QString ReadTextFile(const QString& path, qsizetype maxChars = -1);

// ReadTextFile in the encoding detected (a mark, else UTF-8 when the bytes are
// valid UTF-8 with a multibyte character, else CP932) or in the one given,
// reporting which was used.
TDecodedText ReadTextFileDecoded(const QString& path, qsizetype maxChars = -1,
                                 std::optional<TTextEncoding> as = std::nullopt);

// Writes text as CP932 with CR LF line breaks (LF, and a text document's
// U+2029 and U+2028, end a line). A save through a symbolic link
// rewrites the link's target. An existing target that is not a regular file
// is refused untouched, and a read-only one stays read-only. The file is
// replaced atomically when the replacement keeps its identity (one name, no
// extended attributes, owner, group and mode kept) and can be made in its
// folder; otherwise it is written in place (space reserved first, then
// synced), its old content first copied whole to a hidden backup beside it
// (".NAME.vexla~"; where the folder takes no new file, one in the user's
// configuration folder under "backup/"). A save killed half-way thus leaves
// the old file, the new one, or the old content in that backup; the next
// save that succeeds removes it, and until then further backups are numbered
// on (".NAME.vexla1~", ...). Raises EEncodingError for a character CP932
// cannot hold (nothing written) and EFCreateError with the system's reason on
// any failure before the write, after which the old file is intact and no
// temporary file is left (a write that fails half-way keeps the backup).
void WriteTextFile(const QString& path, QStringView text);

// Writes bytes as they are, saved as WriteTextFile saves.
void WriteFileBytes(const QString& path, QByteArrayView bytes);

// Receives the bytes of a file being written, in order.
using TByteSink = std::function<void(QByteArrayView bytes)>;

// Writes a file as WriteTextFile does, with content that is made while it is
// written: produce is called once and gives the bytes to the sink in pieces.
// Where the file is written in place, the pieces are gathered first, so the
// old content is touched only once all of it is there. When produce or the
// sink raises, the old file is intact and no temporary file is left.
void WriteFileContent(const QString& path, const std::function<void(const TByteSink&)>& produce);

// Saves many files so that they become durable together rather than each
// with syncs of its own. A file that is replaced is written to an unnamed file
// beside it and waits in a group; a full group (by open files or content) is
// made durable at once (one syncfs for each file system), then each of its
// files is renamed into place and their folders synced once. A file written
// in place is saved at once, as WriteFileContent saves it. A kill at any
// moment leaves each replaced file old or new, and one written in place old,
// new, or old and whole in its backup; once Flush has returned every file
// added is on disk.
class TFileBatch {
public:
    // Told of each waiting file that could not be put in place, by the label
    // it was added with.
    using TFailed = std::function<void(const QString& label, const EFCreateError& error)>;

    explicit TFileBatch(TFailed onFailed);
    TFileBatch(const TFileBatch&) = delete;
    TFileBatch& operator=(const TFileBatch&) = delete;
    // Files still waiting are dropped: they keep their old content.
    ~TFileBatch();

    // Saves as WriteFileContent does, up to putting a replacement in place;
    // raises for this file as it does. May flush the group.
    void Add(const QString& path, const std::function<void(const TByteSink&)>& produce,
             const QString& label);
    void Flush();

private:
    struct TPending;
    TFailed FOnFailed;
    qsizetype FGroupFiles;
    qint64 FGroupBytes = 0;
    std::vector<TPending> FPending;
};

// CR LF and lone CR become LF.
QString NormalizeLineBreaks(const QString& text);

// True for an existing regular file (links followed).
bool IsRegularFile(const QString& path);

// Opens the file named by name (its bytes) for reading when it is a regular
// file. A FIFO, a device or a folder is never opened, since opening one can
// block or act on it; the opened file is looked at again, so one swapped in
// meanwhile is refused too. Returns the descriptor, with st describing the
// file, or -1 with error set to the system's error, or to 0 when the file is
// not regular (st.st_mode then tells its kind).
int OpenRegularFile(const QByteArray& name, struct stat& st, int& error);
// Why a file of this kind, not a regular one, is refused.
QString NotRegularReason(mode_t mode);
