// Time spans and monotonic tick times, both signed 64-bit microsecond counts.
// Plain values: any thread may create, copy and compare them; TimeTicks::Now()
// may be called from any thread.
#ifndef BASE_TIME_H_
#define BASE_TIME_H_

#include <cstdint>

namespace base {

class TimeDelta {
 public:
  constexpr TimeDelta() = default;

  static constexpr TimeDelta FromDays(int64_t days) {
    return TimeDelta(days * kMicrosecondsPerDay);
  }
  static constexpr TimeDelta FromHours(int64_t hours) {
    return TimeDelta(hours * kMicrosecondsPerHour);
  }
  static constexpr TimeDelta FromMinutes(int64_t minutes) {
    return TimeDelta(minutes * kMicrosecondsPerMinute);
  }
  static constexpr TimeDelta FromSeconds(int64_t seconds) {
    return TimeDelta(seconds * kMicrosecondsPerSecond);
  }
  static constexpr TimeDelta FromMilliseconds(int64_t ms) {
    return TimeDelta(ms * kMicrosecondsPerMillisecond);
  }
  static constexpr TimeDelta FromMicroseconds(int64_t us) {
    return TimeDelta(us);
  }

  constexpr int64_t InMicroseconds() const { return delta_; }
  // Truncates toward zero.
  constexpr int64_t InMilliseconds() const {
    return delta_ / kMicrosecondsPerMillisecond;
  }
  // Rounds toward positive infinity, so a wait never ends early.
  constexpr int64_t InMillisecondsRoundedUp() const {
    return delta_ / kMicrosecondsPerMillisecond +
           (delta_ % kMicrosecondsPerMillisecond > 0 ? 1 : 0);
  }

  constexpr TimeDelta operator+(TimeDelta other) const {
    return TimeDelta(delta_ + other.delta_);
  }
  constexpr TimeDelta operator-(TimeDelta other) const {
    return TimeDelta(delta_ - other.delta_);
  }
  constexpr TimeDelta operator-() const { return TimeDelta(-delta_); }
  constexpr TimeDelta operator*(int64_t factor) const {
    return TimeDelta(delta_ * factor);
  }
  constexpr TimeDelta operator/(int64_t divisor) const {
    return TimeDelta(delta_ / divisor);
  }
  TimeDelta& operator+=(TimeDelta other) {
    delta_ += other.delta_;
    return *this;
  }
  TimeDelta& operator-=(TimeDelta other) {
    delta_ -= other.delta_;
    return *this;
  }

  constexpr bool operator==(TimeDelta other) const {
    return delta_ == other.delta_;
  }
  constexpr bool operator!=(TimeDelta other) const {
    return delta_ != other.delta_;
  }
  constexpr bool operator<(TimeDelta other) const {
    return delta_ < other.delta_;
  }
  constexpr bool operator<=(TimeDelta other) const {
    return delta_ <= other.delta_;
  }
  constexpr bool operator>(TimeDelta other) const {
    return delta_ > other.delta_;
  }
  constexpr bool operator>=(TimeDelta other) const {
    return delta_ >= other.delta_;
  }

  static constexpr int64_t kMicrosecondsPerMillisecond = 1000;
  static constexpr int64_t kMicrosecondsPerSecond =
      1000 * kMicrosecondsPerMillisecond;
  static constexpr int64_t kMicrosecondsPerMinute = 60 * kMicrosecondsPerSecond;
  static constexpr int64_t kMicrosecondsPerHour = 60 * kMicrosecondsPerMinute;
  static constexpr int64_t kMicrosecondsPerDay = 24 * kMicrosecondsPerHour;

 private:
  constexpr explicit TimeDelta(int64_t delta_us) : delta_(delta_us) {}

  int64_t delta_ = 0;
};

constexpr TimeDelta operator*(int64_t factor, TimeDelta delta) {
  return delta * factor;
}

// A point on the process's tick clock; 0 (the null time) means "no time".
class TimeTicks {
 public:
  constexpr TimeTicks() = default;

  // Reads the tick clock: the system's 32-bit millisecond counter extended
  // past its wrap, in microseconds.
  static TimeTicks Now();

  static constexpr TimeTicks FromInternalValue(int64_t ticks_us) {
    return TimeTicks(ticks_us);
  }

  constexpr bool is_null() const { return ticks_ == 0; }
  constexpr int64_t ToInternalValue() const { return ticks_; }

  constexpr TimeTicks operator+(TimeDelta delta) const {
    return TimeTicks(ticks_ + delta.InMicroseconds());
  }
  constexpr TimeTicks operator-(TimeDelta delta) const {
    return TimeTicks(ticks_ - delta.InMicroseconds());
  }
  constexpr TimeDelta operator-(TimeTicks other) const {
    return TimeDelta::FromMicroseconds(ticks_ - other.ticks_);
  }
  TimeTicks& operator+=(TimeDelta delta) {
    ticks_ += delta.InMicroseconds();
    return *this;
  }
  TimeTicks& operator-=(TimeDelta delta) {
    ticks_ -= delta.InMicroseconds();
    return *this;
  }

  constexpr bool operator==(TimeTicks other) const {
    return ticks_ == other.ticks_;
  }
  constexpr bool operator!=(TimeTicks other) const {
    return ticks_ != other.ticks_;
  }
  constexpr bool operator<(TimeTicks other) const {
    return ticks_ < other.ticks_;
  }
  constexpr bool operator<=(TimeTicks other) const {
    return ticks_ <= other.ticks_;
  }
  constexpr bool operator>(TimeTicks other) const {
    return ticks_ > other.ticks_;
  }
  constexpr bool operator>=(TimeTicks other) const {
    return ticks_ >= other.ticks_;
  }

 private:
  constexpr explicit TimeTicks(int64_t ticks_us) : ticks_(ticks_us) {}

  int64_t ticks_ = 0;
};

}  // namespace base

#endif  // BASE_TIME_H_
