// The journal of a commit, kept in the installation directory: the plan and
// how far the commit has got, in one file that is whole or absent. It is
// written under another name, flushed and renamed into place, and it carries
// its own length and checksum, so that a damaged journal is never taken for
// a whole one. Called on one thread at a time.
#ifndef ENGINE_JOURNAL_H_
#define ENGINE_JOURNAL_H_

#include <string>

#include "base/file_path.h"
#include "engine/commit_plan.h"
#include "engine/file_operations.h"

// How far the journaled commit has got.
enum class JournalMark {
  kNone,       // steps may have been taken: the commit is to be undone
  kCommitted,  // every step is on disk
  kUndone,     // every step taken has been undone and is on disk
};

// The journal's text for |plan| with |mark|.
std::string JournalText(const CommitPlan& plan, JournalMark mark);

// Reads a journal's text. False when it is not a whole journal. Journals
// written by earlier updaters, which carry no checksum, are read when their
// plan is complete.
bool ParseJournal(const std::string& text, CommitPlan* plan, JournalMark* mark);

// Puts the journal of |plan| with |mark| in place in |install_dir|, where it
// replaces the one there in one step: written whole under another name and
// flushed, renamed, and the directory flushed. False when it may not have
// reached the disk.
bool WriteJournal(const base::FilePath& install_dir,
                  const CommitPlan& plan,
                  JournalMark mark,
                  FileOperations* operations);

enum class JournalState { kAbsent, kDamaged, kWhole };

// Reads the journal in |install_dir| into |plan| and |mark| when it is whole.
JournalState ReadJournal(const base::FilePath& install_dir,
                         CommitPlan* plan,
                         JournalMark* mark);

#endif  // ENGINE_JOURNAL_H_
