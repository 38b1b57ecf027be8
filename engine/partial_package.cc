#include "engine/partial_package.h"

#include <sstream>
#include <vector>

#include "base/file_util.h"
#include "base/logging.h"
#include "base/utc_time.h"
#include "base/utf_string_conversions.h"
#include "engine/package_file.h"

namespace {

constexpr char16_t kPartialDirPrefix[] = u"updater_partial";
constexpr char16_t kRecordName[] = u"download.resume";
constexpr char16_t kNewRecordName[] = u"download.resume.new";
constexpr char kRecordHeader[] = "updater partial 1";

std::string Utf8(const base::FilePath& path) {
  return base::UTF16ToUTF8(path.value());
}

// The record's text; false when a value would not stay on its line.
bool RecordText(const PartialRecord& record, std::string* text) {
  const std::pair<const char*, std::string> fields[] = {
      {"installation", record.installation},
      {"file_url", record.file_url},
      {"md5", record.md5},
      {"validator", record.resume.validator},
      {"length", std::to_string(record.resume.length)},
      {"taken_up_at", std::to_string(record.taken_up_at)},
  };
  *text = std::string(kRecordHeader) + "\n";
  for (const auto& field : fields) {
    if (field.second.find_first_of("\r\n") != std::string::npos)
      return false;
    *text += std::string(field.first) + " " + field.second + "\n";
  }
  return true;
}

bool ParseRecord(const std::string& text, PartialRecord* record) {
  std::istringstream lines(text);
  std::string line;
  if (!std::getline(lines, line) || line != kRecordHeader)
    return false;
  int fields = 0;
  try {
    while (std::getline(lines, line)) {
      const size_t blank = line.find(' ');
      if (blank == std::string::npos)
        return false;
      const std::string name = line.substr(0, blank);
      const std::string value = line.substr(blank + 1);
      ++fields;
      if (name == "installation")
        record->installation = value;
      else if (name == "file_url")
        record->file_url = value;
      else if (name == "md5")
        record->md5 = value;
      else if (name == "validator")
        record->resume.validator = value;
      else if (name == "length")
        record->resume.length = std::stoull(value);
      else if (name == "taken_up_at")
        record->taken_up_at = std::stoll(value);
      else
        --fields;
    }
  } catch (const std::exception&) {
    return false;
  }
  return fields == 6;
}

bool ReadRecord(const base::FilePath& dir, PartialRecord* record) {
  base::ScopedFILE file = base::OpenFile(dir.Append(kRecordName), "rb");
  if (!file)
    return false;
  std::string text;
  char block[1024];
  size_t got = 0;
  while ((got = fread(block, 1, sizeof(block), file.get())) > 0 &&
         text.size() < 64 * 1024)
    text.append(block, got);
  return ParseRecord(text, record);
}

bool WriteRecord(const base::FilePath& dir, const PartialRecord& record) {
  std::string text;
  if (!RecordText(record, &text))
    return false;
  const base::FilePath new_record = dir.Append(kNewRecordName);
  base::ScopedFILE file = base::OpenFile(new_record, "wb");
  if (!file || fwrite(text.data(), 1, text.size(), file.get()) != text.size() ||
      fclose(file.release()) != 0) {
    return false;
  }
  return base::RenamePath(new_record, dir.Append(kRecordName));
}

// The updater's partial downloads in |temp_dir|: private directories of the
// user's own with the prefix, so that another user's can never be taken.
std::vector<base::FilePath> PartialDirs(const base::FilePath& temp_dir) {
  std::vector<std::u16string> names;
  base::ListDirectory(temp_dir, &names);
  std::vector<base::FilePath> dirs;
  for (const std::u16string& name : names) {
    const base::FilePath dir = temp_dir.Append(name);
    if (name.compare(0, std::char_traits<char16_t>::length(kPartialDirPrefix),
                     kPartialDirPrefix) == 0 &&
        base::IsPrivateDirectory(dir)) {
      dirs.push_back(dir);
    }
  }
  return dirs;
}

// Removes |dir|, whose lock |lock| holds, with what the updater put in it.
// The lock goes before the directory, which on Windows holds its file.
void RemovePartialDir(const base::FilePath& dir, base::DirectoryLock* lock) {
  for (const char16_t* name : {kPackageFileName, kRecordName, kNewRecordName})
    base::DeletePath(dir.Append(name), false);
  *lock = base::DirectoryLock();
  if (base::DeletePath(dir, false))
    LOG(INFO) << "Removed the partial download " << dir.value();
  else
    LOG(WARNING) << "Cannot remove the partial download " << dir.value();
}

}  // namespace

bool PartialPackage::TakeUp(const base::FilePath& temp_dir,
                            const base::FilePath& installation,
                            const std::string& file_url,
                            const std::string& md5) {
  const std::string installation_text = Utf8(installation);
  for (const base::FilePath& dir : PartialDirs(temp_dir)) {
    PartialRecord record;
    base::DirectoryLock lock;
    if (!ReadRecord(dir, &record) || record.installation != installation_text ||
        lock.Acquire(dir) != base::DirectoryLock::Result::kAcquired) {
      continue;
    }
    if (dir_.empty() && record.file_url == file_url && record.md5 == md5) {
      dir_ = dir;
      lock_ = std::move(lock);
      record_ = record;
      LOG(INFO) << "Resuming the partial download " << dir.value();
    } else {
      RemovePartialDir(dir, &lock);
    }
  }
  if (dir_.empty()) {
    base::FilePath dir;
    base::DirectoryLock lock;
    if (!base::CreateUniqueDirIn(temp_dir, kPartialDirPrefix, &dir)) {
      LOG(ERROR) << "Cannot create a private directory for the package in "
                 << temp_dir.value();
      return false;
    }
    if (lock.Acquire(dir) != base::DirectoryLock::Result::kAcquired) {
      LOG(ERROR) << "Cannot lock the package's directory " << dir.value();
      base::DeletePath(dir, true);
      return false;
    }
    dir_ = dir;
    lock_ = std::move(lock);
    record_ = PartialRecord();
    record_.installation = installation_text;
    record_.file_url = file_url;
    record_.md5 = md5;
  }
  // The record is there before any byte of the package, and its age counts
  // from now.
  record_.taken_up_at = base::UtcNowSeconds();
  Remember(record_.resume);
  return true;
}

base::FilePath PartialPackage::package_path() const {
  return dir_.Append(kPackageFileName);
}

void PartialPackage::Remember(const ResumeState& resume) {
  record_.resume = resume;
  if (!WriteRecord(dir_, record_))
    LOG(WARNING) << "Cannot record how to resume the package in "
                 << dir_.value();
}

void PartialPackage::Remove() {
  if (dir_.empty())
    return;
  RemovePartialDir(dir_, &lock_);
  dir_ = base::FilePath();
}

void DiscardPartialPackagesNotOffered(const base::FilePath& temp_dir,
                                      const base::FilePath& installation,
                                      const UpdateInfo* offer) {
  const std::string installation_text = Utf8(installation);
  for (const base::FilePath& dir : PartialDirs(temp_dir)) {
    PartialRecord record;
    base::DirectoryLock lock;
    if (ReadRecord(dir, &record) && record.installation == installation_text &&
        (!offer || record.file_url != offer->file_url ||
         record.md5 != offer->md5) &&
        lock.Acquire(dir) == base::DirectoryLock::Result::kAcquired) {
      RemovePartialDir(dir, &lock);
    }
  }
}

int RemoveOldPartialPackages(const base::FilePath& temp_dir, int64_t now) {
  int removed = 0;
  for (const base::FilePath& dir : PartialDirs(temp_dir)) {
    PartialRecord record;
    base::DirectoryLock lock;
    const bool old = !ReadRecord(dir, &record) ||
                     now - record.taken_up_at > kPartialPackageLifetimeSeconds;
    if (old && lock.Acquire(dir) == base::DirectoryLock::Result::kAcquired) {
      RemovePartialDir(dir, &lock);
      ++removed;
    }
  }
  return removed;
}
