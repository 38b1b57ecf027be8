// Bind(function, args...) makes a Closure from a plain function or a member
// function and all of its arguments; for a member function the first argument
// is the object (a raw pointer, not kept alive, or a scoped_refptr, which is).
// Bound arguments are copied into the state and passed to each run as const.
#ifndef BASE_BIND_H_
#define BASE_BIND_H_

#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

#include "base/callback.h"

namespace base {
namespace internal {

// Calls a plain or member function pointer with a uniform interface.
template <typename Functor>
class RunnableAdapter;

template <typename R, typename... Args>
class RunnableAdapter<R (*)(Args...)> {
 public:
  static constexpr size_t kArity = sizeof...(Args);
  explicit RunnableAdapter(R (*function)(Args...)) : function_(function) {}
  template <typename... Bound>
  void Run(const Bound&... bound) const {
    function_(bound...);
  }

 private:
  R (*function_)(Args...);
};

template <typename R, typename T, typename... Args>
class RunnableAdapter<R (T::*)(Args...)> {
 public:
  static constexpr size_t kArity = sizeof...(Args) + 1;
  explicit RunnableAdapter(R (T::*method)(Args...)) : method_(method) {}
  template <typename Object, typename... Bound>
  void Run(const Object& object, const Bound&... bound) const {
    ((*object).*method_)(bound...);
  }

 private:
  R (T::*method_)(Args...);
};

template <typename R, typename T, typename... Args>
class RunnableAdapter<R (T::*)(Args...) const> {
 public:
  static constexpr size_t kArity = sizeof...(Args) + 1;
  explicit RunnableAdapter(R (T::*method)(Args...) const) : method_(method) {}
  template <typename Object, typename... Bound>
  void Run(const Object& object, const Bound&... bound) const {
    ((*object).*method_)(bound...);
  }

 private:
  R (T::*method_)(Args...) const;
};

template <typename Runnable, typename... Bound>
class BindState : public BindStateBase {
 public:
  template <typename... Args>
  BindState(Runnable runnable, Args&&... args)
      : runnable_(runnable), bound_(std::forward<Args>(args)...) {}

  static void Invoke(BindStateBase* base) {
    const BindState* state = static_cast<const BindState*>(base);
    std::apply(
        [state](const Bound&... bound) { state->runnable_.Run(bound...); },
        state->bound_);
  }

 private:
  ~BindState() override = default;

  Runnable runnable_;
  std::tuple<Bound...> bound_;
};

}  // namespace internal

template <typename Functor, typename... Args>
Closure Bind(Functor functor, Args&&... args) {
  using Runnable = internal::RunnableAdapter<Functor>;
  static_assert(Runnable::kArity == sizeof...(Args),
                "a Closure binds every argument of the function");
  using State = internal::BindState<Runnable, std::decay_t<Args>...>;
  return Closure(new State(Runnable(functor), std::forward<Args>(args)...),
                 &State::Invoke);
}

}  // namespace base

#endif  // BASE_BIND_H_
