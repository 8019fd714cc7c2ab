#include <gtest/gtest.h>
TEST(SSExp, Placeholder) {}
