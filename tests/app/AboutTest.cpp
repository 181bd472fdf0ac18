// The About box, opened from the menu with the mouse.
#include "AppFixture.h"
#include "ModalDriver.h"

#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QTest>

namespace {

// Clicks the menu bar's title of the menu holding item, then item itself.
void ClickMenuItem(QMenuBar* bar, QAction* item) {
    auto* menu = qobject_cast<QMenu*>(item->associatedObjects().value(0));
    ASSERT_TRUE(menu);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
}

} // namespace

TEST_F(AppTest, AboutBoxShowsTheBuildsVersionAndTheToolkitsWhileTheBannerKeepsItsOwn) {
    EXPECT_EQ(Form->StatusBar1->currentMessage(), QStringLiteral("Vexla ver1.04"));
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    MessageBoxSeen seen;
    AnswerMessageBox("OK", &seen);
    ClickMenuItem(Form->menuBar(), MenuItem("version1"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.Shown; }));

    const QStringList lines = seen.Text.split(u'\n');
    ASSERT_EQ(lines.size(), 3) << seen.Text.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Vexla バージョン ") + QStringLiteral(VEXLA_VERSION));
    EXPECT_TRUE(lines[1].contains(QString::fromLatin1(qVersion()))) << lines[1].toStdString();
    EXPECT_FALSE(lines[2].isEmpty());
    EXPECT_EQ(seen.Caption, QStringLiteral("バージョン情報"));
    EXPECT_EQ(seen.Icon, QMessageBox::Information);
    EXPECT_EQ(seen.Buttons, QStringList{"OK"});
}
