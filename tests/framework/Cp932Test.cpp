#include "Cp932.h"
#include <gtest/gtest.h>
TEST(Cp932, Smoke) { EXPECT_EQ(Cp932::Decode("abc"), QStringLiteral("abc")); }
