#include "FileDialogs.h"

#include <gtest/gtest.h>

TEST(FileDialogs, FiltersBecomeQtNameFiltersWithEveryFileForStarDotStar) {
    EXPECT_EQ(FilterToNameFilters("Htm(*.htm)|*.htm|Html(*.html)|*.html|All(*.*)|*.*"),
              QStringList({"Htm(*.htm)", "Html(*.html)", "All(*.*) (*)"}));
    EXPECT_EQ(FilterToNameFilters("テキスト|*.txt;*.log|odd"),
              QStringList({"テキスト (*.txt *.log)"}));
    EXPECT_TRUE(FilterToNameFilters("").isEmpty());
}

#include "StdCtrls.h"

TEST(SingleLineEdit, PastedTextIsCutAtItsFirstLineBreak) {
    int caret = -1;
    EXPECT_EQ(SingleLineEdit("XY", "Xab\ncdY", &caret), "XabY");
    EXPECT_EQ(caret, 3);
    EXPECT_EQ(SingleLineEdit("", "\r\nab", &caret), "");
    EXPECT_EQ(SingleLineEdit("aa", "aaa\naa", &caret), "aaa"); // the head is taken first
    EXPECT_EQ(SingleLineEdit("abc", "abc", &caret), "abc");
}
