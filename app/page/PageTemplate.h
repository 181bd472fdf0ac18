// The page settings and the HTML page built from them. Widget-free, so that
// every front end writes exactly the same lines. The remembered settings
// are in StoredSettings.h.
#pragma once

#include <QString>
#include <QStringList>

// The thirteen values filled into the page, and the page's options.
struct TPageSettings {
    QString bgc;     // page and table-row background colour
    QString mclo;    // body text and back-link colour
    QString Lcl;     // rule-line colour
    QString Dai;     // heading colour
    QString Mfn;     // font face
    QString Tad;     // heading text
    QString Tht;     // page title
    QString Tsiz;    // table width
    QString Lsiz;    // rule-line width
    QString Fs;      // font size
    QString Hbak;    // back-link target without extension
    QString Bac;     // back-link caption
    QString LinkExt; // back-link extension ("htm" or "html")
    // A UTF-8 page: its Content-Type line names UTF-8 and it is saved as UTF-8.
    bool Utf8 = false;
    // The text's "&", "<" and ">" are written as entities, so that it shows
    // as text rather than as markup.
    bool Escape = false;
};

// The faces the Mincho/Gothic toggle switches between.
QString MinchoFace();
QString GothicFace();

// Assigns the built-in defaults to the twelve stored page values.
void SetDefaultPageSettings(TPageSettings& page);
// "html" when the html box is ticked, otherwise "htm".
QString LinkExtension(bool html);

// The thirteen lines inserted before the text and the twelve appended after it.
QStringList PageHeadLines(const TPageSettings& page);
QStringList PageTailLines(const TPageSettings& page);

// The page's text as the conversion leaves it in the editor: the head lines,
// the text (whose final line break is not a line), the tail lines, joined by
// LF. A text that already is a page, its first line the template's first,
// is given back as it is.
QString PageText(QStringView text, const TPageSettings& page);

// The text with "&", "<" and ">" written as "&amp;", "&lt;" and "&gt;".
QString EscapeText(QStringView text);
