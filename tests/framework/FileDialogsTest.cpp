#include "FileDialogs.h"

#include <gtest/gtest.h>

TEST(FileDialogs, FiltersBecomeQtNameFiltersWithEveryFileForStarDotStar) {
    EXPECT_EQ(FilterToNameFilters("Htm(*.htm)|*.htm|Html(*.html)|*.html|All(*.*)|*.*"),
              QStringList({"Htm(*.htm)", "Html(*.html)", "All(*.*) (*)"}));
    EXPECT_EQ(FilterToNameFilters("テキスト|*.txt;*.log|odd"),
              QStringList({"テキスト (*.txt *.log)"}));
    EXPECT_TRUE(FilterToNameFilters("").isEmpty());
}
