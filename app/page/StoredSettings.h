// The remembered settings (the fourteen and the page options): one table row each, and the one
// reader that both front ends use to read them. Widget-free.
//
// Adding a remembered page setting is one row here (and its member in
// TPageSettings) plus the control that shows it.
#pragma once

#include "PageTemplate.h"

#include <QString>
#include <span>

class TSettingsStore;

// What the remembered settings hold.
struct TStoredValues {
    TPageSettings Page;   // LinkExt follows Html
    bool Html = false;    // CheckBox1: .html for the back link and the saved page
    bool Preview = false; // CheckBox2: open the saved page
};

// One remembered setting: its item name, where it is stored, the item's
// stored default, and a page value (with its built-in default), a check
// box's state or a page option, with the control that shows it.
struct TStoredSetting {
    const char* Name;
    const char* Section;
    const char* Ident;
    const char* StoredDefault;
    QString TPageSettings::*Value;  // null for a check box and a page option
    const char16_t* BuiltInDefault; // of the page value
    bool TStoredValues::*Checked;   // null for a page value and a page option
    const char* Control;            // the field, check box or check item showing it
    bool HintIsText;                // the field's hint is its text
    // A page option (a check item), beyond the original fourteen: written only
    // once set or already stored, so that the settings file stays as the
    // fourteen make it until used. Null for the others.
    bool TPageSettings::*Option;
};

// The settings in storage order: the fourteen, then the page options.
std::span<const TStoredSetting> StoredSettings();
// The same settings in the order they are read and written.
std::span<const TStoredSetting* const> SettingsInAccessOrder();
const TStoredSetting* FindStoredSetting(const QString& name);

// Where the remembered settings are read from, one item at a time.
class TStoredSettingsSource {
public:
    virtual ~TStoredSettingsSource() = default;
    // The stored text of a page value; def while nothing is stored.
    virtual QString ReadText(const TStoredSetting& setting, const QString& def) = 0;
    // A check box's state under the store's truth-value rules.
    virtual bool ReadChecked(const TStoredSetting& setting) = 0;
};

// Reads the settings in access order. A page value with nothing
// stored keeps its built-in default (a stored empty value is a value);
// LinkExt follows Html.
TStoredValues ReadStoredValues(TStoredSettingsSource& source);

// The settings as they are in a store, read without a settings manager.
class TStoreSettingsSource : public TStoredSettingsSource {
public:
    explicit TStoreSettingsSource(TSettingsStore& store) : FStore(store) {}
    QString ReadText(const TStoredSetting& setting, const QString& def) override;
    bool ReadChecked(const TStoredSetting& setting) override;

private:
    TSettingsStore& FStore;
};

// The settings in the INI file at path, read once and never written. A
// missing file, or one that is not a regular file, gives the defaults.
TStoredValues ReadStoredSettingsFile(const QString& path);

// The settings file of a program file: beside it with the extension ".ini",
// or, where that folder is not writable, the same name in the user's
// configuration folder (vexla/ below $XDG_CONFIG_HOME), which is created.
QString SettingsFileFor(const QString& programPath);

// The settings file of the program at programPath, for the window and the
// batch mode alike: an installed program (its desktop entry in
// ../share/applications) keeps it in the user's configuration folder, any
// other as SettingsFileFor finds it.
QString ProgramSettingsFile(const QString& programPath);
