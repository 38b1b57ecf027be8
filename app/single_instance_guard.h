// Keeps a second updater from doing anything while one runs: a named mutex
// held open for the life of the process. Its existence is the only signal;
// it is never waited on or owned.
#ifndef APP_SINGLE_INSTANCE_GUARD_H_
#define APP_SINGLE_INSTANCE_GUARD_H_

class SingleInstanceGuard {
 public:
  SingleInstanceGuard();
  ~SingleInstanceGuard();
  SingleInstanceGuard(const SingleInstanceGuard&) = delete;
  SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

  // True when the mutex already existed when this process created it.
  bool anotherInstanceRunning() const { return anotherInstanceRunning_; }

 private:
  void* mutex_;  // platform handle; null when creation failed
  bool anotherInstanceRunning_;
};

// Constructed before the entry function runs.
extern SingleInstanceGuard g_singleInstance;

#endif  // APP_SINGLE_INSTANCE_GUARD_H_
