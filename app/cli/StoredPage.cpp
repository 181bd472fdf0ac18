#include "StoredPage.h"

#include "IniFile.h"
#include "SysUtils.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The settings manager's AsBoolean: a stored default of "1", "True" or "Yes"
// (any case) counts as ticked; the stored text is an integer whose low byte
// decides, and anything that is not one reads as not ticked.
bool ReadBoolean(const TIniFile& ini, const TStoredSetting& setting) {
    const QString def = QString::fromLatin1(setting.StoredDefault).toUpper();
    const bool ticked = def == u"1" || def == u"TRUE" || def == u"YES";
    const QString stored =
        ini.ReadString(QString::fromLatin1(setting.Section), QString::fromLatin1(setting.Ident),
                       ticked ? QStringLiteral("1") : QStringLiteral("0"));
    return (StrToIntDef(stored, 0) & 0xFF) != 0;
}

bool IsHtmlBox(const TStoredSetting& setting) {
    return !setting.Value && setting.Control && qstrcmp(setting.Control, "CheckBox1") == 0;
}

} // namespace

TStoredPage ReadStoredPage(const QString& iniPath) {
    TStoredPage stored;
    SetDefaultPageSettings(stored.Page);
    const TIniFile ini(iniPath);
    for (const char* name : SettingsAccessOrder()) {
        const TStoredSetting& setting = *FindStoredSetting(QLatin1String(name));
        if (IsHtmlBox(setting)) {
            stored.Html = ReadBoolean(ini, setting);
        } else if (setting.Value) {
            QString& value = stored.Page.*setting.Value;
            value = ini.ReadString(QString::fromLatin1(setting.Section),
                                   QString::fromLatin1(setting.Ident), value);
        }
    }
    stored.Page.LinkExt = LinkExtension(stored.Html);
    return stored;
}

QString ProgramSettingsFile(const QString& programPath) {
    const QFileInfo program(programPath);
    const bool installed = QFileInfo::exists(
        program.dir().filePath(QStringLiteral("../share/applications/vexla.desktop")));
    if (!installed)
        return SettingsFileFor(programPath);
    const QString config = ConfigFolder();
    QDir().mkpath(config);
    return config + u'/' + ChangeFileExt(program.fileName(), QStringLiteral(".ini"));
}
