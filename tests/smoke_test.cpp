#include <gtest/gtest.h>
#include "app/text.h"
TEST(Smoke, Builds) { EXPECT_EQ(pelmora::Text("a"), "a"); }
