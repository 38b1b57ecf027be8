#include "engine/journal.h"

#include <sstream>
#include <vector>

#include "base/file.h"
#include "base/file_util.h"
#include "base/md5.h"
#include "base/utf_string_conversions.h"

namespace {

constexpr char kHeader[] = "updater journal 2";
// Earlier updaters' journals: written in place, without a check line or an
// undone mark.
constexpr char kFirstHeader[] = "updater journal 1";
constexpr char kPlanEnd[] = "end";
constexpr char kCommittedWord[] = "committed";
constexpr char kUndoneWord[] = "undone";
constexpr char kCheckWord[] = "check";
constexpr char kHexDigits[] = "0123456789abcdef";
// Far more than any plan needs; a bigger file is not read.
constexpr size_t kMaxJournalBytes = 64 * 1024 * 1024;

// A checksum against damage, not against anyone who can write the
// installation: they could change its files as well.
std::string Checksum(const std::string& text) {
  base::MD5Context context;
  base::MD5Init(&context);
  base::MD5Update(&context, text.data(), text.size());
  base::MD5Digest digest;
  base::MD5Final(&digest, &context);
  return base::MD5DigestToBase16(digest);
}

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
    case CommitStep::Kind::kMoveDirectory:
      return "movedir";
    case CommitStep::Kind::kMakeDirectory:
      return "dir";
    case CommitStep::Kind::kAddFile:
      return "add";
    case CommitStep::Kind::kReplaceFile:
      return "replace";
  }
  return "";
}

bool ParseStep(std::istringstream* fields,
               const std::string& word,
               CommitStep* step) {
  std::string path;
  std::string staged;
  std::u16string path_text;
  if (word == "movedir") {
    step->kind = CommitStep::Kind::kMoveDirectory;
  } else if (word == "dir") {
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

// The plan held by lines[1] up to the end line; false when it is damaged.
bool ParsePlan(const std::vector<std::string>& lines,
               size_t plan_end,
               CommitPlan* plan) {
  bool have_staging = false;
  bool have_backup = false;
  for (size_t i = 1; i < plan_end; ++i) {
    std::istringstream fields(lines[i]);
    std::string word;
    fields >> word;
    if (word == "staging" || word == "backup") {
      bool& have = word == "staging" ? have_staging : have_backup;
      std::u16string& name =
          word == "staging" ? plan->staging_dir : plan->backup_dir;
      std::string escaped;
      std::string extra;
      if (have || !(fields >> escaped) || !Unescape(escaped, &name) ||
          fields >> extra)
        return false;
      have = true;
      continue;
    }
    CommitStep step;
    if (!ParseStep(&fields, word, &step))
      return false;
    plan->steps.push_back(step);
  }
  return have_staging && have_backup;
}

// Whether the last line of |text| is the check line that its length and
// checksum cover; then |body| is |text| without it.
bool CheckedBody(const std::string& text, std::string* body) {
  if (text.empty() || text.back() != '\n')
    return false;
  const size_t previous_end = text.rfind('\n', text.size() - 2);
  if (previous_end == std::string::npos)
    return false;
  *body = text.substr(0, previous_end + 1);
  std::istringstream fields(text.substr(previous_end + 1));
  std::string word;
  size_t length = 0;
  std::string checksum;
  std::string extra;
  return fields >> word >> length >> checksum && !(fields >> extra) &&
         word == kCheckWord && length == body->size() &&
         checksum == Checksum(*body);
}

}  // namespace

std::string JournalText(const CommitPlan& plan, JournalMark mark) {
  std::string text = std::string(kHeader) + "\n";
  text += "staging " + Escape(plan.staging_dir) + "\n";
  text += "backup " + Escape(plan.backup_dir) + "\n";
  for (const CommitStep& step : plan.steps) {
    text += std::string(KindWord(step.kind)) + " " + Escape(step.path.value());
    if (step.kind != CommitStep::Kind::kMakeDirectory)
      text += " " + Escape(step.staged_name);
    text += "\n";
  }
  text += std::string(kPlanEnd) + "\n";
  if (mark == JournalMark::kCommitted)
    text += std::string(kCommittedWord) + "\n";
  else if (mark == JournalMark::kUndone)
    text += std::string(kUndoneWord) + "\n";
  return text + kCheckWord + " " + std::to_string(text.size()) + " " +
         Checksum(text) + "\n";
}

bool ParseJournal(const std::string& text,
                  CommitPlan* plan,
                  JournalMark* mark) {
  *plan = CommitPlan();
  *mark = JournalMark::kNone;
  std::string body = text;
  const bool checked = text.rfind(kHeader, 0) == 0;
  if (checked && !CheckedBody(text, &body))
    return false;
  // Only lines ended by a line break count: an earlier updater's journal
  // can be cut after its plan, in the middle of its committed mark.
  std::vector<std::string> lines;
  for (size_t start = 0, end;
       (end = body.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(body.substr(start, end - start));
  }
  if (lines.empty() || lines[0] != (checked ? kHeader : kFirstHeader))
    return false;
  size_t plan_end = 1;
  while (plan_end < lines.size() && lines[plan_end] != kPlanEnd)
    ++plan_end;
  if (plan_end == lines.size() || !ParsePlan(lines, plan_end, plan))
    return false;
  const size_t after = lines.size() - plan_end - 1;
  if (after == 0)
    return true;
  if (after > 1)
    return false;
  if (lines.back() == kCommittedWord)
    *mark = JournalMark::kCommitted;
  else if (checked && lines.back() == kUndoneWord)
    *mark = JournalMark::kUndone;
  else
    return false;
  return true;
}

bool WriteJournal(const base::FilePath& install_dir,
                  const CommitPlan& plan,
                  JournalMark mark,
                  FileOperations* operations) {
  const base::FilePath fresh = install_dir.Append(kNewJournalName);
  return operations->RemovePath(fresh, false) &&
         operations->WriteNewFile(fresh, JournalText(plan, mark)) &&
         operations->Rename(fresh, install_dir.Append(kJournalName)) &&
         operations->FlushDirectory(install_dir);
}

JournalState ReadJournal(const base::FilePath& install_dir,
                         CommitPlan* plan,
                         JournalMark* mark) {
  const base::FilePath path = install_dir.Append(kJournalName);
  if (!base::PathPresent(path))
    return JournalState::kAbsent;
  base::File file = base::File::OpenForRead(path);
  if (!file.IsValid())
    return JournalState::kDamaged;
  std::string text;
  char block[64 * 1024];
  for (;;) {
    const int64_t read = file.Read(block, sizeof(block));
    if (read < 0 || text.size() > kMaxJournalBytes)
      return JournalState::kDamaged;
    if (read == 0)
      break;
    text.append(block, static_cast<size_t>(read));
  }
  return ParseJournal(text, plan, mark) ? JournalState::kWhole
                                        : JournalState::kDamaged;
}
