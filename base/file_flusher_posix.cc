#include "base/file_flusher.h"

#include <fcntl.h>
#include <unistd.h>

#include <utility>

namespace base {

struct FileFlusher::State {
  FilePath dir;
  bool failed = false;
  bool finished = false;
};

FileFlusher::FileFlusher(const FilePath& dir) : state_(new State{dir}) {}

FileFlusher::~FileFlusher() {
  if (!state_->finished)
    Finish();
}

void FileFlusher::Add(File file) {
  // A failed close can be the first sign of a failed write.
  if (!file.Close())
    state_->failed = true;
}

bool FileFlusher::Finish() {
  if (state_->finished)
    return false;
  state_->finished = true;
  const int fd = open(state_->dir.AsSystemPath().c_str(),
                      O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return false;
  // One flush of the file system: a flush per file costs a journal commit
  // each, which for thousands of small files takes longer than the writing.
  const bool flushed = syncfs(fd) == 0;
  close(fd);
  return flushed && !state_->failed;
}

}  // namespace base
