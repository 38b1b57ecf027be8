// The run that shows what many small files cost where the host waits: a
// package of 10,000 entries of about 1 KiB in 50 folders new to the
// installation, whose host closes a second after it is told the package is
// verified. Run natively, or for the Windows build under Wine.
#ifndef BENCH_UPDATE_NEW_FOLDERS_RUN_H_
#define BENCH_UPDATE_NEW_FOLDERS_RUN_H_

#include <string>

// The programs of one build: the updater and the demonstration host, run
// directly or, for the Windows build, under Wine.
struct BuildUnderTest {
  std::string updater;
  std::string host;
  bool under_wine = false;
};

struct NewFoldersTimes {
  // From the host's exit to the start of the host the updater relaunched.
  double host_closed_seconds = -1;
  // From the updater's start to its end.
  double whole_run_seconds = -1;
};

// One such update with |build|; false when it did not go through.
bool MeasureNewFoldersRun(const BuildUnderTest& build, NewFoldersTimes* times);

#endif  // BENCH_UPDATE_NEW_FOLDERS_RUN_H_
