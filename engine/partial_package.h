// A package download that a run did not finish, kept for the next run of the
// same installation that is offered the same package (same file_url and
// md5): a private directory "updater_partial<pid>_<n>" in the user's
// temporary directory, never in the installation, holding the package file
// and a record of what resumes it (address, digest, validator, length, the
// installation it is for, when a run last took it up). A run holds the lock
// of the one it uses until it ends, so that no other run takes it or
// removes it meanwhile. One thread at a time.
#ifndef ENGINE_PARTIAL_PACKAGE_H_
#define ENGINE_PARTIAL_PACKAGE_H_

#include <stdint.h>

#include <string>

#include "app/update_info.h"
#include "base/directory_lock.h"
#include "base/file_path.h"
#include "engine/package_download.h"

// Partial downloads last taken up longer ago than this are removed at start.
inline constexpr int64_t kPartialPackageLifetimeSeconds = 7 * 24 * 3600;

// What resumes a partial download, and whose it is.
struct PartialRecord {
  std::string installation;  // the installation directory, UTF-8
  std::string file_url;
  std::string md5;
  ResumeState resume;
  int64_t taken_up_at = 0;  // seconds since 1970, UTC
};

class PartialPackage {
 public:
  PartialPackage() = default;
  PartialPackage(const PartialPackage&) = delete;
  PartialPackage& operator=(const PartialPackage&) = delete;

  // Takes up, in |temp_dir|, the partial download of the package at
  // |file_url| with |md5| for |installation| that an earlier run left, or
  // a new, empty one, and locks it. Partial downloads of |installation| for
  // another package are removed on the way. False, with the reason in the
  // log, when none could be had. Only on an object that holds none.
  bool TakeUp(const base::FilePath& temp_dir,
              const base::FilePath& installation,
              const std::string& file_url,
              const std::string& md5);

  base::FilePath package_path() const;
  const ResumeState& resume() const { return record_.resume; }

  // Records |resume| for the next run. A record that cannot be written
  // leaves the next run to start over.
  void Remember(const ResumeState& resume);

  // Removes the partial download with everything in it: its package has
  // been verified, or refused.
  void Remove();

 private:
  base::FilePath dir_;
  base::DirectoryLock lock_;
  PartialRecord record_;
};

// Removes, in |temp_dir|, the partial downloads of |installation| that are
// not of |offer| (null when none is offered: up to date). Those another run
// holds stay.
void DiscardPartialPackagesNotOffered(const base::FilePath& temp_dir,
                                      const base::FilePath& installation,
                                      const UpdateInfo* offer);

// Removes, in |temp_dir|, the partial downloads of any installation last
// taken up more than kPartialPackageLifetimeSeconds before |now| (seconds
// since 1970, UTC), and those without a record. Those another run holds
// stay. Returns how many were removed.
int RemoveOldPartialPackages(const base::FilePath& temp_dir, int64_t now);

#endif  // ENGINE_PARTIAL_PACKAGE_H_
