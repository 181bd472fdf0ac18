#include "PageTemplate.h"

QString MinchoFace() {
    return QStringLiteral("ＭＳ 明朝");
}

QString GothicFace() {
    return QStringLiteral("ＭＳ ゴシック");
}

QString LinkExtension(bool html) {
    return html ? QStringLiteral("html") : QStringLiteral("htm");
}

QStringList PageHeadLines(const TPageSettings& p) {
    return {
        QStringLiteral("<HTML>"),
        QStringLiteral("<HEAD>"),
        p.Utf8 ? QStringLiteral(
                     "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">")
               : QStringLiteral(
                     "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-sjis\">"),
        QStringLiteral("<TITLE>") + p.Tht + QStringLiteral("</TITLE>"),
        QStringLiteral("</HEAD>"),
        QStringLiteral("<body bgcolor=\"") + p.bgc +
            QStringLiteral("\" link=\"#0000D9\" vlink=\"#FFA477\">"),
        QStringLiteral("<BR><BR><P>"),
        QStringLiteral("<CENTER><FONT size=\"") + p.Fs + QStringLiteral("\" color=\"") + p.Dai +
            QStringLiteral("\" face=\"") + p.Mfn + QStringLiteral("\">") + p.Tad +
            QStringLiteral("</FONT></CENTER><BR><BR>"),
        QStringLiteral("<HR align=\"center\" width=\"") + p.Lsiz + QStringLiteral("\" color=\"") +
            p.Lcl + QStringLiteral("\"><BR><BR><BR>"),
        QStringLiteral("<CENTER><TABLE width=\"") + p.Tsiz + QStringLiteral("\" \">"),
        QStringLiteral("<TR BGCOLOR=\"") + p.bgc + QStringLiteral("\" ALIGN=CENTER VALIGN=TOP>"),
        QStringLiteral("<td width=\"100%\"><pre>"),
        QStringLiteral("<font size=\"") + p.Fs + QStringLiteral("\" color=\"") + p.mclo +
            QStringLiteral("\" face=\"") + p.Mfn + QStringLiteral("\">"),
    };
}

QStringList PageTailLines(const TPageSettings& p) {
    return {
        QStringLiteral("</font>"),
        QStringLiteral("</Pre>"),
        QStringLiteral("</td>"),
        QStringLiteral("</tr>"),
        QStringLiteral("</TABLE>"),
        QStringLiteral("<BR><BR><BR><BR>"),
        QStringLiteral("<HR align=\"center\" width=\"") + p.Lsiz + QStringLiteral("\" color=\"") +
            p.Lcl + QStringLiteral("\"><BR><BR><BR><BR>"),
        QStringLiteral("<font size=\"") + p.Fs + QStringLiteral("\" color=\"") + p.mclo +
            QStringLiteral("\" face=\"") + p.Mfn + QStringLiteral("\">"),
        QStringLiteral("<a href=\"") + p.Hbak + u'.' + p.LinkExt + QStringLiteral("\">") + p.Bac +
            QStringLiteral("</a></font><BR><BR><BR><BR>"),
        QStringLiteral("</CENTER>"),
        QStringLiteral("</body>"),
        QStringLiteral("</HTML>"),
    };
}

QString PageText(QStringView text, const TPageSettings& page) {
    const QStringList head = PageHeadLines(page);
    const QString& first = head.constFirst();
    if (text.startsWith(first) && (text.size() == first.size() || text[first.size()] == u'\n'))
        return text.toString();
    QString out = head.join(u'\n');
    out += u'\n';
    out += page.Escape ? EscapeText(text) : text.toString();
    if (!text.isEmpty() && !text.endsWith(u'\n'))
        out += u'\n';
    out += PageTailLines(page).join(u'\n');
    return out;
}

QString EscapeText(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += QLatin1StringView("&amp;");
            break;
        case u'<':
            out += QLatin1StringView("&lt;");
            break;
        case u'>':
            out += QLatin1StringView("&gt;");
            break;
        default:
            out += c;
        }
    }
    return out;
}
