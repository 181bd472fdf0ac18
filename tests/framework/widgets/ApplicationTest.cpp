#include "Application.h"
#include "SysUtils.h"

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Handlers that raise, connected to Qt signals through Guarded: the error
// reaches the application's handler inside the slot. The signals are also
// emitted from code, outside any event, where nothing but the slot could
// stop the exception before it crossed Qt's signal machinery.
class GuardedSlot : public ::testing::Test {
protected:
    void SetUp() override {
        Application()->OnException = [this](const QString& m) { Errors << m; };
    }
    void TearDown() override { Application()->OnException = nullptr; }

    QStringList Errors;
};

TEST_F(GuardedSlot, AMenuItemsErrorIsShownAsTheErrorBox) {
    QMainWindow window;
    QMenu* menu = window.menuBar()->addMenu(QStringLiteral("File"));
    QAction* item = menu->addAction(QStringLiteral("Save"));
    QObject::connect(item, &QAction::triggered, &window,
                     Guarded([] { throw Exception(QStringLiteral("cannot save")); }));
    window.show();
    QTest::mouseClick(window.menuBar(), Qt::LeftButton, {},
                      window.menuBar()->actionGeometry(menu->menuAction()).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    EXPECT_EQ(Errors, QStringList{QStringLiteral("cannot save")});
    EXPECT_NO_THROW(item->trigger());
    EXPECT_EQ(Errors.size(), 2);
}

TEST_F(GuardedSlot, AFieldsErrorIsShownAndTheFieldKeepsItsText) {
    QLineEdit field;
    QObject::connect(&field, &QLineEdit::textChanged, &field, Guarded([&field] {
        if (field.text().endsWith(u'!'))
            throw Exception(QStringLiteral("refused: ") + field.text());
    }));
    field.show();
    QTest::keyClicks(&field, QStringLiteral("a!"));
    EXPECT_EQ(Errors, QStringList{QStringLiteral("refused: a!")});
    EXPECT_EQ(field.text(), QStringLiteral("a!"));
    EXPECT_NO_THROW(field.setText(QStringLiteral("b!"))); // as the window fills its fields
    EXPECT_EQ(Errors.size(), 2);
    EXPECT_EQ(field.text(), QStringLiteral("b!"));
}

} // namespace
