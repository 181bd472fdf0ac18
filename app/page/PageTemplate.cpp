#include "PageTemplate.h"

#include "SysUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace {

using P = TPageSettings;
constexpr TStoredSetting kStoredSettings[] = {
    {"CheckBox1Checked", "Form\\CheckBox1", "Checked", "", nullptr, nullptr, "CheckBox1"},
    {"CheckBox2Checked", "Form\\CheckBox2", "Checked", "True", nullptr, nullptr, "CheckBox2"},
    {"bgc", "Form\\bgc", "string", "", &P::bgc, u"#fff8dc", nullptr},
    {"mclo", "Form\\mclo", "string", "", &P::mclo, u"#000000", nullptr},
    {"Lcl", "Form\\Lcl", "string", "", &P::Lcl, u"#CDC0A5", nullptr},
    {"Tad", "Form\\Tad", "string", "", &P::Tad, u"Tips", "Edit1"},
    {"Tht", "Form\\Tht", "string", "", &P::Tht, u"Tips", "Edit8"},
    {"Mfn", "Form\\Mfn", "string", "", &P::Mfn, u"ＭＳ 明朝", nullptr},
    {"Dai", "Form\\Dai", "string", "", &P::Dai, u"#CDC0A5", nullptr},
    {"Tsiz", "Form\\Tsiz", "string", "", &P::Tsiz, u"700", "Edit3"},
    {"Lsiz", "Form\\Lsiz", "string", "", &P::Lsiz, u"800", "Edit4"},
    {"Fs", "Form\\Fs", "string", "", &P::Fs, u"3", "Edit5"},
    {"Hbak", "Form\\Hbak", "string", "", &P::Hbak, u"index", "Edit6"},
    {"Bac", "Form\\Bac", "string", "", &P::Bac, u"Back", "Edit7"},
};

constexpr const char* kAccessOrder[] = {
    "CheckBox1Checked",
    "CheckBox2Checked",
    "bgc",
    "mclo",
    "Lcl",
    "Dai",
    "Mfn",
    "Tad",
    "Tht",
    "Tsiz",
    "Lsiz",
    "Fs",
    "Hbak",
    "Bac",
};
static_assert(std::size(kAccessOrder) == std::size(kStoredSettings));

} // namespace

std::span<const TStoredSetting> StoredSettings() {
    return kStoredSettings;
}

std::span<const char* const> SettingsAccessOrder() {
    return kAccessOrder;
}

const TStoredSetting* FindStoredSetting(const QString& name) {
    for (const TStoredSetting& s : kStoredSettings)
        if (name == QLatin1String(s.Name))
            return &s;
    return nullptr;
}

QString SettingsFileFor(const QString& programPath) {
    const QString beside = ChangeFileExt(programPath, QStringLiteral(".ini"));
    const QString folder = ExtractFilePath(beside);
    if (!folder.isEmpty() && access(QFile::encodeName(folder).constData(), W_OK) == 0)
        return beside;
    const QString config = ConfigFolder();
    QDir().mkpath(config);
    return config + u'/' + QFileInfo(beside).fileName();
}

QString MinchoFace() {
    return QStringLiteral("ＭＳ 明朝");
}

QString GothicFace() {
    return QStringLiteral("ＭＳ ゴシック");
}

void SetDefaultPageSettings(TPageSettings& page) {
    for (const TStoredSetting& s : kStoredSettings)
        if (s.Value)
            page.*s.Value = QString::fromUtf16(s.BuiltInDefault);
}

QString LinkExtension(bool html) {
    return html ? QStringLiteral("html") : QStringLiteral("htm");
}

QStringList PageHeadLines(const TPageSettings& p) {
    return {
        QStringLiteral("<HTML>"),
        QStringLiteral("<HEAD>"),
        QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-sjis\">"),
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
    out += text;
    if (!text.isEmpty() && !text.endsWith(u'\n'))
        out += u'\n';
    out += PageTailLines(page).join(u'\n');
    return out;
}
