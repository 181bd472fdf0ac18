#include "TextDlgs.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

QString FilterExt(const QString& filter, int index) {
    QString ext = "unchanged";
    return GetFilterExt(filter, index, ext) ? ext : "<false:" + ext + ">";
}

QByteArray TemplateResource() {
    TEnhOpenDialog registersResources;
    QFile file(":/dialogs/ENHDLG1");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(TextDlgsRoutines, FilterExtensionIsTheFirstPatternsOne) {
    EXPECT_EQ(NthCharPos(u'|', "a|b|c", 2), 4);
    EXPECT_EQ(NthCharPos(u'|', "a|b|c", 3), 0);
    EXPECT_EQ(NthCharPos(u'|', "a|b|c", 0), 0);
    EXPECT_EQ(NthCharPos(u'|', "", 1), 0);

    const QString web = "Html(*.html)|*.html|Htm(*.htm)|*.htm|All(*.*)|*.*";
    EXPECT_EQ(FilterExt(web, 1), ".html");
    EXPECT_EQ(FilterExt(web, 2), ".htm");
    EXPECT_EQ(FilterExt(web, 3), ".*");
    for (int index : {4, 0, -1, INT_MAX})
        EXPECT_EQ(FilterExt(web, index), "<false:unchanged>") << index;
    EXPECT_EQ(FilterExt("", 1), "<false:unchanged>");
    EXPECT_EQ(FilterExt("Any|*", 1), "");
    EXPECT_EQ(FilterExt("Text|*.txt;*.log|Web|*.htm", 1), ".txt");
    // A ";" beyond the filter's own patterns does not cut them.
    EXPECT_EQ(FilterExt("Web|*.htm|Text|*.txt;*.log", 1), ".htm");
    EXPECT_EQ(FilterExt("Web|*.htm|Text|*.txt;*.log", 2), ".txt");
}

TEST(TextDlgsTemplate, Enhdlg1LeavesEightyDialogUnitsBelowThePlaceholder) {
    const QByteArray bytes = TemplateResource();
    ASSERT_EQ(bytes.size(), 82);
    const auto parsed = ParseDialogTemplate(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->FontName, "MS Sans Serif");
    EXPECT_EQ(parsed->FontPointSize, 8);
    EXPECT_EQ(parsed->Size, QSize(200, 100));
    ASSERT_EQ(parsed->Items.size(), 1);
    EXPECT_EQ(parsed->Items[0].Id, stc32);
    EXPECT_EQ(parsed->Items[0].Bounds, QRect(0, 0, 200, 20));

    TDialogTemplate whole = *parsed;
    whole.Items.clear();
    const QSize area = ExtraAreaSize(*parsed);
    EXPECT_GT(area.height(), 0);
    EXPECT_EQ(area.width(), ExtraAreaSize(whole).width());
    EXPECT_NEAR(area.height() * 100.0 / 80.0, ExtraAreaSize(whole).height(), 2);
}

TEST(TextDlgsTemplate, DamagedTemplatesAreRefused) {
    const QByteArray bytes = TemplateResource();
    ASSERT_EQ(bytes.size(), 82);
    for (int size : {0, 3, 20, 40, 60, 81})
        EXPECT_FALSE(ParseDialogTemplate(bytes.first(size))) << size;
    // Extended format: version 1, signature FFFF.
    EXPECT_FALSE(ParseDialogTemplate(QByteArray("\x01\x00\xff\xff", 4) + bytes.mid(4)));
    QByteArray manyControls = bytes;
    manyControls[8] = '\x7f';
    EXPECT_FALSE(ParseDialogTemplate(manyControls));
}
