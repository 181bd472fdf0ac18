// A window of its own showing a page rendered: the page that the main
// window's text and settings make, before or after the conversion.
#pragma once

#include <QWidget>

class QLabel;
class QTextBrowser;

class TPagePreview : public QWidget {
    Q_OBJECT
public:
    // Text beyond this many characters is left out of the page shown; the
    // rendering of a long page would hold the window up at every change.
    static constexpr qsizetype kMaxChars = 256 * 1024;

    // A window owned by owner and deleted with it.
    explicit TPagePreview(QWidget* owner);

    // Shows the page, keeping the scroll position; shortened says that the
    // text was cut to kMaxChars.
    void ShowPage(const QString& html, bool shortened);

    QTextBrowser* Browser() const { return FBrowser; }

    // The page with the attributes Qt's rich text needs to lay it out as a
    // browser does.
    static QString ForQtRichText(const QString& html);

private:
    QTextBrowser* FBrowser;
    QLabel* FNotice;
};
