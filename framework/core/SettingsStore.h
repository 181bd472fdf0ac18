// The stores settings are kept in: an INI file (or a batch or snapshot of
// one) and the registry. Each keeps text values by section and ident.
#pragma once

#include <QString>
#include <memory>

class TSettingsStore {
public:
    TSettingsStore() = default;
    virtual ~TSettingsStore() = default;
    TSettingsStore(const TSettingsStore&) = delete;
    TSettingsStore& operator=(const TSettingsStore&) = delete;

    // def when nothing is stored.
    virtual QString ReadString(const QString& section, const QString& ident,
                               const QString& def) = 0;
    // Creates what is missing; the store's errors pass out.
    virtual void WriteString(const QString& section, const QString& ident,
                             const QString& value) = 0;
    // Whether a value was there and is now gone; failures are not reported.
    virtual bool DeleteKey(const QString& section, const QString& ident) = 0;
};

// A store someone else owns, under a handle the caller may free.
std::unique_ptr<TSettingsStore> BorrowStore(TSettingsStore& store);

// Truth values are stored as "1" and "0". A stored text is true when it is
// an integer (the integer parse) whose low byte is not zero.
QString BooleanText(bool value);
bool StoredBoolean(const QString& stored);
// What a truth value reads as while nothing is stored: "1" when
// defaultValue, upper-cased as the code page's ANSI rules do (ASCII letters
// only), is exactly "1", "TRUE" or "YES", else "0".
QString BooleanDefault(const QString& defaultValue);
