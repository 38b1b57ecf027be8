#include "tests/child_action.h"

#include <stdio.h>
#include <stdlib.h>

#include <gtest/gtest.h>

namespace test {

namespace {

constexpr char kChildActionPrefix[] = "--child-action=";
constexpr int kUnknownChildAction = 99;

// Where "--child-action=" stands among |args|, or 0.
size_t ChildActionIndex(const std::vector<std::string>& args) {
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i].rfind(kChildActionPrefix, 0) == 0)
      return i;
  }
  return 0;
}

// A child whose action no file ran must not go on to run the tests.
class ChildActionEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    if (!ChildAction().empty()) {
      fprintf(stderr, "no test file runs the child action \"%s\"\n",
              ChildAction().c_str());
      EndChild(kUnknownChildAction);
    }
  }
};

[[maybe_unused]] testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new ChildActionEnvironment);

}  // namespace

std::string ChildAction() {
  const std::vector<std::string> args = ThisProcessArguments();
  const size_t index = ChildActionIndex(args);
  return index == 0 ? std::string()
                    : args[index].substr(sizeof(kChildActionPrefix) - 1);
}

std::vector<std::string> ChildArguments() {
  const std::vector<std::string> args = ThisProcessArguments();
  const size_t index = ChildActionIndex(args);
  if (index == 0)
    return {};
  return std::vector<std::string>(args.begin() + index + 1, args.end());
}

void EndChild(int exit_code) {
  fflush(nullptr);
  _exit(exit_code);
}

}  // namespace test
