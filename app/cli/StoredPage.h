// The page settings as the window reads them from its settings file, without
// the window: for front ends that must produce the same page.
#pragma once

#include "PageTemplate.h"

#include <QString>

struct TStoredPage {
    TPageSettings Page; // LinkExt follows Html
    bool Html = false;  // the "Html" box: .html for the back link and the saved page
};

// Reads the remembered settings from iniPath as the window does at start-up:
// a text item with nothing stored keeps its built-in default (an empty stored
// value is kept), a check box item reads as the settings manager's AsBoolean
// does. A missing or unreadable file gives the defaults. Never writes.
TStoredPage ReadStoredPage(const QString& iniPath);

// The settings file of the program at programPath, for the window and the
// batch mode alike: an installed program (its desktop entry in
// ../share/applications) keeps it in the user's configuration folder, any
// other beside itself where that folder is writable (see SettingsFileFor).
QString ProgramSettingsFile(const QString& programPath);
