// A fresh main window per test, with errors captured instead of shown.
#pragma once

#include "Application.h"
#include "Unit1.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application()->OnException = [this](const QString& m) { Errors << m; };
        Form = std::make_unique<TForm1>();
    }
    void TearDown() override {
        Form.reset();
        Application()->OnException = nullptr;
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
    QStringList EditorLines() const {
        QStringList out;
        for (int i = 0; i < Form->RichEdit1->Lines().Count(); ++i)
            out << Form->RichEdit1->Lines()[i];
        return out;
    }

    std::unique_ptr<TForm1> Form;
    QStringList Errors;
};
