#include "StoredSettings.h"

#include "IniFile.h"
#include "SettingsStore.h"
#include "SysUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <unistd.h>

namespace {

using P = TPageSettings;
using V = TStoredValues;
constexpr TStoredSetting kStoredSettings[] = {
    {"CheckBox1Checked", "Form\\CheckBox1", "Checked", "", nullptr, nullptr, &V::Html, "CheckBox1",
     false, nullptr},
    {"CheckBox2Checked", "Form\\CheckBox2", "Checked", "True", nullptr, nullptr, &V::Preview,
     "CheckBox2", false, nullptr},
    {"bgc", "Form\\bgc", "string", "", &P::bgc, u"#fff8dc", nullptr, nullptr, false, nullptr},
    {"mclo", "Form\\mclo", "string", "", &P::mclo, u"#000000", nullptr, nullptr, false, nullptr},
    {"Lcl", "Form\\Lcl", "string", "", &P::Lcl, u"#CDC0A5", nullptr, nullptr, false, nullptr},
    {"Tad", "Form\\Tad", "string", "", &P::Tad, u"Tips", nullptr, "Edit1", true, nullptr},
    {"Tht", "Form\\Tht", "string", "", &P::Tht, u"Tips", nullptr, "Edit8", false, nullptr},
    {"Mfn", "Form\\Mfn", "string", "", &P::Mfn, u"ＭＳ 明朝", nullptr, nullptr, false, nullptr},
    {"Dai", "Form\\Dai", "string", "", &P::Dai, u"#CDC0A5", nullptr, nullptr, false, nullptr},
    {"Tsiz", "Form\\Tsiz", "string", "", &P::Tsiz, u"700", nullptr, "Edit3", false, nullptr},
    {"Lsiz", "Form\\Lsiz", "string", "", &P::Lsiz, u"800", nullptr, "Edit4", false, nullptr},
    {"Fs", "Form\\Fs", "string", "", &P::Fs, u"3", nullptr, "Edit5", false, nullptr},
    {"Hbak", "Form\\Hbak", "string", "", &P::Hbak, u"index", nullptr, "Edit6", false, nullptr},
    {"Bac", "Form\\Bac", "string", "", &P::Bac, u"Back", nullptr, "Edit7", false, nullptr},
    {"Utf8PageChecked", "Form\\utf8Page1", "Checked", "", nullptr, nullptr, nullptr, "utf8Page1",
     false, &P::Utf8},
    {"EscapeTextChecked", "Form\\escapeText1", "Checked", "", nullptr, nullptr, nullptr,
     "escapeText1", false, &P::Escape},
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
    "Utf8PageChecked",
    "EscapeTextChecked",
};
static_assert(std::size(kAccessOrder) == std::size(kStoredSettings));

QString Latin1(const char* text) {
    return QString::fromLatin1(text);
}

} // namespace

std::span<const TStoredSetting> StoredSettings() {
    return kStoredSettings;
}

std::span<const TStoredSetting* const> SettingsInAccessOrder() {
    static const auto order = [] {
        std::array<const TStoredSetting*, std::size(kAccessOrder)> rows{};
        for (size_t i = 0; i < rows.size(); ++i)
            rows[i] = FindStoredSetting(QString::fromLatin1(kAccessOrder[i]));
        return rows;
    }();
    return order;
}

const TStoredSetting* FindStoredSetting(const QString& name) {
    for (const TStoredSetting& s : kStoredSettings)
        if (name == QLatin1StringView(s.Name))
            return &s;
    return nullptr;
}

void SetDefaultPageSettings(TPageSettings& page) {
    for (const TStoredSetting& s : kStoredSettings)
        if (s.Value)
            page.*s.Value = QString::fromUtf16(s.BuiltInDefault);
}

TStoredValues ReadStoredValues(TStoredSettingsSource& source) {
    TStoredValues values;
    SetDefaultPageSettings(values.Page);
    for (const TStoredSetting* setting : SettingsInAccessOrder()) {
        if (setting->Checked) {
            values.*setting->Checked = source.ReadChecked(*setting);
        } else if (setting->Option) {
            values.Page.*setting->Option = source.ReadChecked(*setting);
        } else {
            QString& value = values.Page.*setting->Value;
            value = source.ReadText(*setting, value);
        }
    }
    values.Page.LinkExt = LinkExtension(values.Html);
    return values;
}

QString TStoreSettingsSource::ReadText(const TStoredSetting& setting, const QString& def) {
    return FStore.ReadString(Latin1(setting.Section), Latin1(setting.Ident), def);
}

bool TStoreSettingsSource::ReadChecked(const TStoredSetting& setting) {
    return StoredBoolean(FStore.ReadString(Latin1(setting.Section), Latin1(setting.Ident),
                                           BooleanDefault(Latin1(setting.StoredDefault))));
}

TStoredValues ReadStoredSettingsFile(const QString& path) {
    TIniSnapshot file(path);
    TStoreSettingsSource source(file);
    return ReadStoredValues(source);
}

namespace {

// name in the user's configuration folder, which is created.
QString InConfigFolder(const QString& name) {
    const QString config = ConfigFolder();
    QDir().mkpath(config);
    return config + u'/' + name;
}

} // namespace

QString SettingsFileFor(const QString& programPath) {
    const QString beside = ChangeFileExt(programPath, QStringLiteral(".ini"));
    const QString folder = ExtractFilePath(beside);
    if (!folder.isEmpty() && access(QFile::encodeName(folder).constData(), W_OK) == 0)
        return beside;
    return InConfigFolder(QFileInfo(beside).fileName());
}

QString ProgramSettingsFile(const QString& programPath) {
    const QFileInfo program(programPath);
    const bool installed = QFileInfo::exists(
        program.dir().filePath(QStringLiteral("../share/applications/vexla.desktop")));
    if (!installed)
        return SettingsFileFor(programPath);
    return InConfigFolder(ChangeFileExt(program.fileName(), QStringLiteral(".ini")));
}
