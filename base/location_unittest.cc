#include "base/location.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

Location WhereAmI() {
  return FROM_HERE;
}

TEST(LocationTest, FromHereRecordsFunctionFileAndLine) {
  const int line = __LINE__ + 1;
  const Location location = FROM_HERE;
  EXPECT_STREQ("TestBody", location.function_name());
  EXPECT_STREQ(__FILE__, location.file_name());
  EXPECT_EQ(line, location.line_number());
  EXPECT_NE(nullptr, location.program_counter());
}

TEST(LocationTest, QualifiedFunctionNameIsKept) {
  const Location location = FROM_HERE_WITH_FUNCTION("base::Thread::StopSoon");
  EXPECT_STREQ("base::Thread::StopSoon", location.function_name());
}

TEST(LocationTest, ProgramCounterDiffersBetweenPostingSites) {
  EXPECT_NE(WhereAmI().program_counter(), FROM_HERE.program_counter());
}

TEST(LocationTest, ToStringJoinsFunctionFileAndLine) {
  const Location location("Post", "a/b.cc", 12, nullptr);
  EXPECT_EQ("Post@a/b.cc:12", location.ToString());
}

}  // namespace
}  // namespace base
