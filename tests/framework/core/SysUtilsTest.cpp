#include "SysUtils.h"

#include "RowName.h"

#include <gtest/gtest.h>

// The integer parse of every number read back from stored text: a row
// without a value is invalid.
struct TParseRow {
    const char* Name;
    const char* Text;
    std::optional<std::int32_t> Value;
};

class IntegerParse : public ::testing::TestWithParam<TParseRow> {};

TEST_P(IntegerParse, GivesTheValueOrNone) {
    EXPECT_EQ(TryStrToInt(QString::fromLatin1(GetParam().Text)), GetParam().Value);
    EXPECT_EQ(StrToIntDef(QString::fromLatin1(GetParam().Text), 9), GetParam().Value.value_or(9));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IntegerParse,
    ::testing::Values(TParseRow{"LeadingBlank", " 42", 42}, TParseRow{"Plus", "+7", 7},
                      TParseRow{"Minus", "-5", -5}, TParseRow{"Dollar", "$1F", 31},
                      TParseRow{"LowerX", "x1f", 31}, TParseRow{"UpperX", "X1F", 31},
                      TParseRow{"ZeroX", "0x10", 16}, TParseRow{"ZeroUpperX", "0X10", 16},
                      TParseRow{"HexPattern", "$FFFFFFFF", -1},
                      TParseRow{"Min", "-2147483648", INT32_MIN},
                      TParseRow{"Max", "2147483647", INT32_MAX}, TParseRow{"Empty", "", {}},
                      TParseRow{"Blank", " ", {}}, TParseRow{"TrailingBlank", "42 ", {}},
                      TParseRow{"Letters", "abc", {}}, TParseRow{"SignAlone", "-", {}},
                      TParseRow{"DollarAlone", "$", {}}, TParseRow{"ZeroXAlone", "0x", {}},
                      TParseRow{"NineHexDigits", "$123456789", {}},
                      TParseRow{"AboveMax", "2147483648", {}},
                      TParseRow{"BelowMin", "-2147483649", {}}, TParseRow{"Fraction", "1.5", {}},
                      TParseRow{"BlankAfterSign", "- 1", {}}, TParseRow{"SignedHex", "-$10", {}},
                      TParseRow{"InnerBlank", "4 2", {}}),
    TRowName());

TEST(IntegerParseWithoutDefault, NamesTheText) {
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
