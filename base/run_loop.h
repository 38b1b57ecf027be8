// One activation of the current thread's MessageLoop. Lives on the stack of
// the loop's owning thread; RunLoops nest, and only the outermost (depth 1)
// runs top-level tasks.
#ifndef BASE_RUN_LOOP_H_
#define BASE_RUN_LOOP_H_

namespace base {

class MessageLoop;

class RunLoop {
 public:
  // Runs the calling thread's loop, which must exist.
  RunLoop();
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  // Runs until this RunLoop is quit. Returns at once if Quit came first.
  void Run();
  // Stops after the current task; when called on an outer RunLoop, that one
  // stops as soon as the inner ones have returned.
  void Quit();

 private:
  friend class MessageLoop;

  MessageLoop* loop_;
  RunLoop* previous_run_loop_ = nullptr;
  // 1 for the outermost RunLoop.
  int run_depth_ = 0;
  bool run_called_ = false;
  bool quit_called_ = false;
  bool running_ = false;
  bool quit_when_idle_received_ = false;
};

}  // namespace base

#endif  // BASE_RUN_LOOP_H_
