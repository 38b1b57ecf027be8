#include "base/callback.h"

#include <string>

#include <gtest/gtest.h>

#include "base/bind.h"
#include "base/ref_counted.h"

namespace base {
namespace {

void Add(int* sum, int a, int b) {
  *sum += a + b;
}

void Append(std::string* out, const std::string& text) {
  *out += text;
}

class Counter {
 public:
  void Increment(int by) { value_ += by; }
  void Report(int* out) const { *out = value_; }
  int value() const { return value_; }

 private:
  int value_ = 0;
};

// Sets a flag when the last reference goes.
class Tracked : public RefCountedThreadSafe<Tracked> {
 public:
  explicit Tracked(bool* destroyed) : destroyed_(destroyed) {}
  void Touch(int* touches) { ++*touches; }

 private:
  friend class RefCountedThreadSafe<Tracked>;
  ~Tracked() { *destroyed_ = true; }

  bool* destroyed_;
};

TEST(ClosureTest, DefaultClosureIsNull) {
  Closure closure;
  EXPECT_TRUE(closure.is_null());
}

TEST(ClosureTest, ResetMakesItNull) {
  int sum = 0;
  Closure closure = Bind(&Add, &sum, 1, 2);
  EXPECT_FALSE(closure.is_null());
  closure.Reset();
  EXPECT_TRUE(closure.is_null());
}

TEST(ClosureTest, CopiesShareTheBoundStateAndAreEqual) {
  int sum = 0;
  Closure original = Bind(&Add, &sum, 1, 2);
  Closure copy = original;
  EXPECT_TRUE(copy.Equals(original));
  copy.Run();
  original.Run();
  EXPECT_EQ(6, sum);
}

TEST(ClosureTest, SeparatelyBoundClosuresAreNotEqual) {
  int sum = 0;
  EXPECT_FALSE(Bind(&Add, &sum, 1, 2).Equals(Bind(&Add, &sum, 1, 2)));
  EXPECT_FALSE(Bind(&Add, &sum, 1, 2).Equals(Closure()));
  EXPECT_TRUE(Closure().Equals(Closure()));
}

TEST(BindTest, PlainFunctionGetsItsBoundArguments) {
  std::string out;
  Closure closure = Bind(&Append, &out, std::string("abc"));
  closure.Run();
  closure.Run();
  EXPECT_EQ("abcabc", out);
}

TEST(BindTest, BoundArgumentsAreCopiedAtBindTime) {
  std::string out;
  std::string text = "before";
  Closure closure = Bind(&Append, &out, text);
  text = "after";
  closure.Run();
  EXPECT_EQ("before", out);
}

TEST(BindTest, MemberFunctionRunsOnTheBoundObject) {
  Counter counter;
  Closure closure = Bind(&Counter::Increment, &counter, 5);
  closure.Run();
  closure.Run();
  EXPECT_EQ(10, counter.value());

  int reported = 0;
  Bind(&Counter::Report, &counter, &reported).Run();
  EXPECT_EQ(10, reported);
}

TEST(BindTest, RefCountedObjectLivesAsLongAsTheClosure) {
  bool destroyed = false;
  int touches = 0;
  Closure closure;
  {
    scoped_refptr<Tracked> tracked = new Tracked(&destroyed);
    closure = Bind(&Tracked::Touch, tracked, &touches);
  }
  EXPECT_FALSE(destroyed);
  closure.Run();
  EXPECT_EQ(1, touches);

  Closure copy = closure;
  closure.Reset();
  EXPECT_FALSE(destroyed);
  copy.Reset();
  EXPECT_TRUE(destroyed);
}

}  // namespace
}  // namespace base
