// The worker that installs an offered update: a framework thread whose one
// task downloads the package into its partial download in the user's
// temporary directory, resuming what an earlier run left of it, and hands
// the result to the installation steps. Created, started and destroyed by
// its owner (the dialog) on the main thread; everything else runs on the
// worker.
#ifndef ENGINE_UPDATE_THREAD_H_
#define ENGINE_UPDATE_THREAD_H_

#include <string>

#include "base/threading/thread.h"
#include "engine/partial_package.h"

class Installation;

class UpdateThread : public base::Thread {
 public:
  // |installation| is not owned and outlives the worker.
  UpdateThread(Installation* installation, const std::string& file_url);
  // Stops and joins the thread; a partial download it kept is released
  // for the next run.
  ~UpdateThread() override;

  // The installation: takes up the partial download and downloads into it.
  void DoUpdate();
  // Downloads the package and calls the installation's OnDownloadComplete
  // with the outcome. A package that came whole has served, installed or
  // not, and goes; one that did not stays for the next run.
  void DownloadPackage();

 protected:
  void Init() override;

 private:
  const std::string file_url_;
  PartialPackage partial_;
  Installation* const installation_;
};

// The single worker. Main thread only.
extern UpdateThread* g_pUpdateThread;

#endif  // ENGINE_UPDATE_THREAD_H_
