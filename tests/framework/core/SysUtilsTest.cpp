#include "SysUtils.h"

#include <gtest/gtest.h>

TEST(IntegerParse, AcceptsDecimalAndHexForms) {
    EXPECT_EQ(TryStrToInt(" 42"), 42);
    EXPECT_EQ(TryStrToInt("+7"), 7);
    EXPECT_EQ(TryStrToInt("-5"), -5);
    EXPECT_EQ(TryStrToInt("$1F"), 31);
    EXPECT_EQ(TryStrToInt("x1f"), 31);
    EXPECT_EQ(TryStrToInt("X1F"), 31);
    EXPECT_EQ(TryStrToInt("0x10"), 16);
    EXPECT_EQ(TryStrToInt("0X10"), 16);
    EXPECT_EQ(TryStrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(TryStrToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(TryStrToInt("2147483647"), INT32_MAX);
}

TEST(IntegerParse, RejectsEverythingElse) {
    for (const char* bad : {"", " ", "42 ", "abc", "-", "$", "0x", "$123456789", "2147483648",
                            "-2147483649", "1.5", "- 1", "-$10", "4 2"})
        EXPECT_FALSE(TryStrToInt(QString::fromLatin1(bad)).has_value()) << bad;
    EXPECT_EQ(StrToIntDef("abc", 9), 9);
    try {
        StrToInt(QStringLiteral("red"));
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'red' は整数ではありません"));
    }
}

TEST(Paths, ExtensionIsReplacedOnlyInTheLastComponent) {
    EXPECT_EQ(ChangeFileExt("/tools/conv.exe", ".ini"), "/tools/conv.ini");
    EXPECT_EQ(ChangeFileExt("/tools/conv", ".ini"), "/tools/conv.ini");
    EXPECT_EQ(ChangeFileExt("/a.b/conv", ".ini"), "/a.b/conv.ini");
    EXPECT_EQ(ChangeFileExt("/a/conv.tar.gz", ".ini"), "/a/conv.tar.ini");
    EXPECT_EQ(ExtractFilePath("/home/u/a.txt"), "/home/u/");
    EXPECT_EQ(ExtractFilePath("a.txt"), "");
}

TEST(Errors, FileMessagesNameTheFile) {
    EXPECT_EQ(EFOpenError("/x/a.txt").Message(), QStringLiteral("ファイル /x/a.txt は開けません"));
    EXPECT_EQ(EFCreateError("/x/a.htm").Message(),
              QStringLiteral("ファイル /x/a.htm を作成できません"));
}
