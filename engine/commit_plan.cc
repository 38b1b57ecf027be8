#include "engine/commit_plan.h"

#include <sstream>

#include "base/file_util.h"
#include "base/utf_string_conversions.h"

const char16_t kStagingDirPrefix[] = u"..updater_staging";
const char16_t kBackupDirPrefix[] = u"..updater_backup";
const char16_t kJournalName[] = u"..updater_journal";
const char kCommittedLine[] = "committed\n";

namespace {

constexpr char kHeader[] = "updater journal 1";
constexpr char kPlanEnd[] = "end";
constexpr char kHexDigits[] = "0123456789abcdef";

// UTF-8 with '%', blanks and control bytes written as %xx, so that every
// field is one word and every record one line, whatever a name holds.
std::string Escape(const std::u16string& text) {
  std::string escaped;
  for (unsigned char c : base::UTF16ToUTF8(text)) {
    if (c <= 0x20 || c == 0x7f || c == '%') {
      escaped += '%';
      escaped += kHexDigits[c >> 4];
      escaped += kHexDigits[c & 15];
    } else {
      escaped += static_cast<char>(c);
    }
  }
  return escaped;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

bool Unescape(const std::string& text, std::u16string* result) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      bytes += text[i];
      continue;
    }
    if (i + 2 >= text.size())
      return false;
    int high = HexValue(text[i + 1]);
    int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0)
      return false;
    bytes += static_cast<char>(high << 4 | low);
    i += 2;
  }
  *result = base::UTF8ToUTF16(bytes);
  return !result->empty();
}

const char* KindWord(CommitStep::Kind kind) {
  switch (kind) {
    case CommitStep::Kind::kMakeDirectory:
      return "dir";
    case CommitStep::Kind::kAddFile:
      return "add";
    case CommitStep::Kind::kReplaceFile:
      return "replace";
  }
  return "";
}

bool ParseStep(std::istringstream* fields, const std::string& word, CommitStep* step) {
  std::string path;
  std::string staged;
  std::u16string path_text;
  if (word == "dir") {
    step->kind = CommitStep::Kind::kMakeDirectory;
  } else if (word == "add") {
    step->kind = CommitStep::Kind::kAddFile;
  } else if (word == "replace") {
    step->kind = CommitStep::Kind::kReplaceFile;
  } else {
    return false;
  }
  if (!(*fields >> path) || !Unescape(path, &path_text))
    return false;
  step->path = base::FilePath(path_text);
  if (step->kind != CommitStep::Kind::kMakeDirectory &&
      (!(*fields >> staged) || !Unescape(staged, &step->staged_name))) {
    return false;
  }
  std::string extra;
  return !(*fields >> extra);
}

}  // namespace

bool PlanCommit(const zip::StagedPackage& staged, const base::FilePath& install_dir,
                const std::u16string& staging_dir, const std::u16string& backup_dir,
                CommitPlan* plan, std::string* error) {
  plan->staging_dir = staging_dir;
  plan->backup_dir = backup_dir;
  plan->steps.clear();
  for (const base::FilePath& dir : staged.directories) {
    base::FileInfo info;
    if (!base::ReadFileInfo(install_dir.Append(dir), &info)) {
      plan->steps.push_back({CommitStep::Kind::kMakeDirectory, dir, std::u16string()});
    } else if (!info.is_directory) {
      *error = "something other than a directory stands at " + base::UTF16ToUTF8(dir.value());
      return false;
    }
  }
  for (const zip::StagedPackage::File& file : staged.files) {
    base::FileInfo info;
    CommitStep::Kind kind = CommitStep::Kind::kAddFile;
    if (base::ReadFileInfo(install_dir.Append(file.path), &info)) {
      if (info.is_directory) {
        *error = "a directory stands where the package puts the file " +
                 base::UTF16ToUTF8(file.path.value());
        return false;
      }
      kind = CommitStep::Kind::kReplaceFile;
    }
    plan->steps.push_back({kind, file.path, file.staged_name});
  }
  return true;
}

std::string PlanToText(const CommitPlan& plan) {
  std::string text = std::string(kHeader) + "\n";
  text += "staging " + Escape(plan.staging_dir) + "\n";
  text += "backup " + Escape(plan.backup_dir) + "\n";
  for (const CommitStep& step : plan.steps) {
    text += std::string(KindWord(step.kind)) + " " + Escape(step.path.value());
    if (step.kind != CommitStep::Kind::kMakeDirectory)
      text += " " + Escape(step.staged_name);
    text += "\n";
  }
  return text + kPlanEnd + "\n";
}

bool ParseJournal(const std::string& text, CommitPlan* plan, bool* plan_whole,
                  bool* committed) {
  *plan = CommitPlan();
  *plan_whole = false;
  *committed = false;
  // Only lines ended by a line break count: a crash can cut the last one.
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
       start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  size_t plan_end = 0;
  while (plan_end < lines.size() && lines[plan_end] != kPlanEnd)
    ++plan_end;
  // The plan is flushed whole before the first step, so a plan without its
  // end, whatever else it holds, was never acted on.
  if (plan_end == lines.size())
    return true;
  *plan_whole = true;
  if (lines[0] != kHeader)
    return false;
  bool have_staging = false;
  bool have_backup = false;
  for (size_t i = 1; i < plan_end; ++i) {
    std::istringstream fields(lines[i]);
    std::string word;
    fields >> word;
    if (word == "staging" || word == "backup") {
      bool& have = word == "staging" ? have_staging : have_backup;
      std::u16string& name = word == "staging" ? plan->staging_dir : plan->backup_dir;
      std::string escaped;
      std::string extra;
      if (have || !(fields >> escaped) || !Unescape(escaped, &name) || fields >> extra)
        return false;
      have = true;
      continue;
    }
    CommitStep step;
    if (!ParseStep(&fields, word, &step))
      return false;
    plan->steps.push_back(step);
  }
  if (!have_staging || !have_backup)
    return false;
  const size_t after = lines.size() - plan_end - 1;
  *committed = after == 1 && lines.back() + "\n" == kCommittedLine;
  return after == 0 || *committed;
}
