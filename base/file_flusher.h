// FileFlusher: makes the files that a writer hands over durable while it
// goes on writing the next ones. On Windows a few threads of its own flush
// each file as it comes, several at once; on Linux one flush of the whole
// file system at the end costs less than a flush per file. One thread
// hands files over and finishes.
#ifndef BASE_FILE_FLUSHER_H_
#define BASE_FILE_FLUSHER_H_

#include <memory>

#include "base/file.h"
#include "base/file_path.h"

namespace base {

class FileFlusher {
 public:
  // The files handed over lie below |dir|.
  explicit FileFlusher(const FilePath& dir);
  // Finishes, if that has not been done.
  ~FileFlusher();
  FileFlusher(const FileFlusher&) = delete;
  FileFlusher& operator=(const FileFlusher&) = delete;

  // Takes |file|, written and still open, and closes it once it is durable.
  // May wait while many files are still being flushed.
  void Add(File file);

  // Waits until every file handed over is durable and closed, with the
  // names below the directory. False when any flush or close failed, or
  // when called twice.
  bool Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace base

#endif  // BASE_FILE_FLUSHER_H_
