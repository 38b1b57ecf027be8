// The worker that installs an offered update: a framework thread whose one
// task downloads the package into a private temporary directory and hands
// the result to the installation steps. Created, started and destroyed by
// its owner (the dialog) on the main thread; everything else runs on the
// worker.
#ifndef ENGINE_UPDATE_THREAD_H_
#define ENGINE_UPDATE_THREAD_H_

#include <string>

#include "base/threading/thread.h"
#include "base/unique_temp_dir.h"

class Installation;

class UpdateThread : public base::Thread {
 public:
  // |installation| is not owned and outlives the worker.
  UpdateThread(Installation* installation, const std::string& file_url);
  // Stops and joins the thread, then deletes the temporary directory with
  // the package in it.
  ~UpdateThread() override;

  // The installation: prepares the package path and downloads into it.
  void DoUpdate();
  // Downloads the package and calls the installation's OnDownloadComplete
  // with the outcome.
  void DownloadPackage();

 protected:
  void Init() override;

 private:
  const std::string file_url_;
  base::FilePath package_path_;
  base::UniqueTempDir temp_dir_;
  Installation* const installation_;
};

// The single worker. Main thread only.
extern UpdateThread* g_pUpdateThread;

#endif  // ENGINE_UPDATE_THREAD_H_
