#include <gtest/gtest.h>

#include "fixedformat/edit_list.hpp"

using korvex::ff::EditList;
using korvex::ff::formatReal;

TEST(EditListSmoke, FormatsARecord) {
  EditList l("(3I4,F8.3,1X,A3)");
  auto r = l.records({1, -2, 3, 0.5f, "NEW"});
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0], "   1  -2   3   0.500 NEW");
  EXPECT_EQ(formatReal(0.5, 4, 3), ".500");
}
