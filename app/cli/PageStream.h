// Streams a text file into the page the window makes of it: the head lines,
// the text, the tail lines, as CP932 (or, for a UTF-8 page, UTF-8) with CR LF,
// byte for byte what Open, the conversion and Save give. Memory stays bounded by a few chunks
// whatever the input size.
#pragma once

#include "PageTemplate.h"
#include "TextFile.h"

#include <QByteArrayView>
#include <QString>
#include <functional>

class QIODevice;

// How the input's bytes become text: detected as the window's Open does, or
// in the encoding its reopen menu gives (UTF-16 in the byte order of its mark
// or its text), or UTF-16 in a byte order given whatever the file shows.
enum class TInputEncoding { Detect, Cp932, Utf8, Utf16, Utf16LE, Utf16BE };

struct TPageStreamOptions {
    TInputEncoding Encoding = TInputEncoding::Detect;
    // Characters CP932 cannot hold become hexadecimal character references
    // ("&#x20AC;"), as the window's Save writes them when its question is
    // answered Yes, instead of failing the page.
    bool CharRefs = false;
    // The output cannot take back what it was given: a page that fails does
    // so before anything is written (the input is then read twice).
    bool CheckFirst = false;
    // Called after each chunk with the number of input bytes consumed so far.
    std::function<void(qint64)> OnProgress;
};

// Writes the page of the text read from in to out. in must be seekable when
// the encoding is detected or options.CheckFirst is set. Raises
// EEncodingError naming the page line of a character CP932 cannot hold
// (settings or text, unless options.CharRefs) and EFOpenError naming
// inputName when reading fails; out raises its own errors. out may then have
// been given part of the page.
void WritePage(QIODevice& in, const TByteSink& out, const TPageSettings& page,
               const QString& inputName, const TPageStreamOptions& options = {});

// True when decoding the CP932 bytes and encoding the text again is known to
// give the bytes back, so that the page can carry them as they are.
bool Cp932RoundTrips(QByteArrayView bytes);
