// File names as the system has them: byte strings, most of them UTF-8.
//
// A name that is not valid UTF-8 (common for names made on Japanese systems
// in Shift-JIS) still has to be opened, saved and shown. Such a name is kept
// losslessly inside a QString: each byte that is not part of a valid UTF-8
// sequence becomes the lone low surrogate U+DC00 + byte, which valid UTF-8
// never produces. Files are then opened by the bytes (PathToBytes), never
// through Qt's own file-name conversion, which would replace the byte.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QUrl>
#include <optional>

// The name as a lossless QString.
QString PathFromBytes(QByteArrayView bytes);
// The bytes the name stands for; the inverse of PathFromBytes.
QByteArray PathToBytes(QStringView path);

// The name for people: each path component that is not UTF-8 is read as
// CP932, and bytes that are neither show as U+FFFD.
QString DisplayPath(QStringView path);

// The local path a file URL names, with its percent-encoded bytes kept; none
// for a URL that is not a file URL or names another host.
std::optional<QString> LocalPathFromFileUrl(const QUrl& url);
// The file URL for a local path (the inverse of LocalPathFromFileUrl).
QUrl FileUrlFromLocalPath(const QString& path);

// The regular files (symlinks followed) in folder whose names are not UTF-8,
// which the toolkit's own listing leaves out, as lossless names.
QStringList FilesNamedNotInUtf8(const QString& folder);

// A name chosen in a file dialog, which lists and returns names as text: a
// component that does not exist is matched against the folder's entries
// shown by DisplayPath, so that a name the dialog shows or the user typed
// in readable form leads to the file whose bytes are not UTF-8. Returns the
// path unchanged when it exists or nothing matches exactly once.
QString ResolveChosenPath(const QString& path);
