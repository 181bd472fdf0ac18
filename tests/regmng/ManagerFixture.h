// A settings manager over a fresh folder: an INI file and a registry
// database of its own, neither there at the start.
#pragma once

#include "RegMng.h"
#include "Registry.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

class ManagerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        TRegIniFile::SetDatabasePath(FDir.filePath("registry.sqlite3"));
        FIni = FDir.filePath("conv.ini");
    }
    void TearDown() override { TRegIniFile::SetDatabasePath({}); }

    void UseIni() {
        FManager.SetRegType(rtIni);
        FManager.SetIniFileName(FIni);
    }
    void UseRegistry() {
        FManager.SetRegType(rtReg);
        FManager.SetRegDir(QStringLiteral("Software\\Example"));
    }

    QTemporaryDir FDir;
    QString FIni;
    TRegManager FManager;
};
