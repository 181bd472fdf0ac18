// Streams a text file into the page the window makes of it: the head lines,
// the text, the tail lines, as CP932 with CR LF, byte for byte what Open, the
// conversion and Save give. Memory stays bounded by a few chunks whatever the
// input size.
#pragma once

#include "PageTemplate.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>

class QIODevice;

// How the input's bytes become text. The decoder is chosen once per file from
// its first bytes; this is the one place where further input encodings plug in.
class TInputDecoder {
public:
    static TInputDecoder Detect(QByteArrayView firstBytes);

    QString Decode(QByteArrayView bytes) const;
    // True when encoding Decode(bytes) back would give bytes themselves, so
    // that the bytes can be written as they are (line breaks aside).
    bool PassesThrough(QByteArrayView bytes) const;
    // Length of the longest prefix of bytes after which decoding may stop and
    // start again with the same result as decoding the whole, without parting
    // a CR from the LF after it; 0 when there is none yet.
    qsizetype SplitPoint(QByteArrayView bytes) const;
};

struct TPageStreamOptions {
    // Characters CP932 cannot hold become numeric character references
    // ("&#8364;") instead of stopping the page.
    bool CharRefs = false;
    // Called after each chunk with the number of input bytes consumed so far.
    std::function<void(qint64)> OnProgress;
};

// Text as CP932 bytes with every line break (CR LF, CR, LF) as CR LF.
// firstLine is the page line the text starts on, for the error that names
// the line of a character CP932 cannot hold (raised unless options.CharRefs).
QByteArray EncodePageText(const QString& text, qint64 firstLine, bool charRefs);

// Writes the page of the text read from in to out. Raises EEncodingError for
// a character CP932 cannot hold (settings or text) and EFOpenError or
// EFCreateError, naming inputName or outputName, when reading or writing
// fails; out may then hold part of the page.
void WritePage(QIODevice& in, QIODevice& out, const TPageSettings& page, const QString& inputName,
               const QString& outputName, const TPageStreamOptions& options = {});
