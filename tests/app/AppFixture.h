// A fresh main window per test, with errors captured instead of shown.
#pragma once

#include "Application.h"
#include "QtPrint.h"
#include "Unit1.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application()->OnException = [this](const QString& m) { Errors << m; };
        Unit1::SettingsFileOverride = SettingsFile();
        Form = std::make_unique<TForm1>();
    }
    void TearDown() override {
        Form.reset();
        Unit1::SettingsFileOverride.clear();
        Application()->OnException = nullptr;
    }
    // Each test has a settings file of its own, absent at the start.
    QString SettingsFile() const { return SettingsDir.filePath("vexla.ini"); }
    // Closes the shown window, as the user does; true when it closed.
    bool CloseForm() {
        Form->show();
        return Form->close();
    }
    // Closes the window and opens a new one, as a restart of the program does.
    void Restart() {
        EXPECT_TRUE(CloseForm());
        Form = std::make_unique<TForm1>();
    }
    // Runs a command as the application does: an error ends it and is
    // reported (here: recorded in Errors).
    template <typename F> void Run(F&& command) {
        try {
            command();
        } catch (...) {
            Application()->HandleCurrentException();
        }
    }
    // The menu item with the given object name.
    QAction* MenuItem(const char* name) const {
        return Form->menuBar()->findChild<QAction*>(QLatin1String(name));
    }
    // A click on the button as the mouse gives it, on the shown window.
    void ClickButton(QWidget* button) {
        Form->show();
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }
    // Chooses the menu item as the mouse does: its title in the menu bar,
    // then each menu down to the item.
    void ChooseMenuItem(const char* name) {
        Form->show();
        QList<QAction*> path;
        ASSERT_TRUE(PathTo(Form->menuBar()->actions(), MenuItem(name), path)) << name;
        QWidget* on = Form->menuBar();
        for (QAction* step : path) {
            auto* menu = qobject_cast<QMenu*>(on);
            const QRect r =
                menu ? menu->actionGeometry(step) : Form->menuBar()->actionGeometry(step);
            ASSERT_TRUE(r.isValid()) << step->text().toStdString();
            QTest::mouseClick(on, Qt::LeftButton, {}, r.center());
            if (!step->menu())
                break;
            ASSERT_TRUE(QTest::qWaitFor([&] { return step->menu()->isVisible(); }));
            on = step->menu();
        }
    }
    QStringList EditorLines() const {
        QStringList out;
        for (int i = 0; i < Form->RichEdit1->Lines().Count(); ++i)
            out << Form->RichEdit1->Lines()[i];
        return out;
    }

    QTemporaryDir SettingsDir;

private:
    // The actions to click from the menu bar's down to item.
    static bool PathTo(const QList<QAction*>& actions, const QAction* item, QList<QAction*>& path) {
        for (QAction* action : actions) {
            path.append(action);
            if (action == item || (action->menu() && PathTo(action->menu()->actions(), item, path)))
                return true;
            path.removeLast();
        }
        return false;
    }

protected:
    std::unique_ptr<TForm1> Form;
    QStringList Errors;
};
