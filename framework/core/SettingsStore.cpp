#include "SettingsStore.h"

#include "SysUtils.h"

namespace {

class TBorrowedStore final : public TSettingsStore {
public:
    explicit TBorrowedStore(TSettingsStore& store) : FStore(store) {}
    QString ReadString(const QString& section, const QString& ident, const QString& def) override {
        return FStore.ReadString(section, ident, def);
    }
    void WriteString(const QString& section, const QString& ident, const QString& value) override {
        FStore.WriteString(section, ident, value);
    }
    bool DeleteKey(const QString& section, const QString& ident) override {
        return FStore.DeleteKey(section, ident);
    }

private:
    TSettingsStore& FStore;
};

} // namespace

std::unique_ptr<TSettingsStore> BorrowStore(TSettingsStore& store) {
    return std::make_unique<TBorrowedStore>(store);
}

QString BooleanText(bool value) {
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

bool StoredBoolean(const QString& stored) {
    return (StrToIntDef(stored, 0) & 0xFF) != 0;
}

QString BooleanDefault(const QString& defaultValue) {
    // Only ASCII letters have upper-case forms in the code page; Unicode
    // rules would also turn the long s of "yeſ" into an S.
    QString d = defaultValue;
    for (QChar& c : d)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    return BooleanText(d == u"1" || d == u"TRUE" || d == u"YES");
}
