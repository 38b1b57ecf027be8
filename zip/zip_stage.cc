#include "zip/zip_stage.h"

#include <map>
#include <set>
#include <utility>

#include "base/file.h"
#include "base/file_flusher.h"
#include "base/file_util.h"
#include "base/utf_string_conversions.h"
#include "zip/zip_reader.h"

namespace zip {

namespace {

// |path| without empty and "." components, each joined by the system's
// separator: "a//b/./c" and "a\b\c" name the same file.
base::FilePath Normalize(const base::FilePath& path) {
  base::FilePath normal;
  std::u16string component;
  const std::u16string& text = path.value();
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !base::FilePath::IsSeparator(text[i])) {
      component.push_back(text[i]);
      continue;
    }
    if (!component.empty() && component != u".")
      normal = normal.Append(component);
    component.clear();
  }
  return normal;
}

// Why |entry| cannot be installed under |install_dir|; empty when it can.
std::string WhyRefused(const ZipEntryInfo& entry,
                       const base::FilePath& install_dir) {
  if (entry.is_unsafe())
    return "unsafe entry name";
  const ZipEntryStorage& storage = entry.storage();
  if (!entry.is_directory()) {
    if (storage.compression_method != ZipEntryStorage::kStored &&
        storage.compression_method != ZipEntryStorage::kDeflated) {
      return "compression method " +
             std::to_string(storage.compression_method) + " not supported";
    }
    if (storage.encrypted)
      return "encrypted entry";
    if (Normalize(entry.path()).empty())
      return "entry names no file";
  }
  const base::FilePath entry_path = install_dir.Append(entry.path());
  if (entry_path.value().size() >= base::kMaxPathLength)
    return "destination path too long";
  if (!base::NameLengthsFit(entry_path))
    return "name too long for the file system";
  return std::string();
}

// |what| about |entry|, for the log.
std::string Describe(const std::string& what, const ZipEntryInfo& entry) {
  return what + ": " + base::UTF16ToUTF8(entry.path().value());
}

// The package's directories and files, gathered from the central directory,
// as the file system will tell their names apart.
class Layout {
 public:
  void AddDirectory(const base::FilePath& path) {
    if (path.empty() || !directory_keys_.insert(Note(path)).second)
      return;
    AddDirectory(Parent(path));
    directories_.push_back(path);
  }
  // |entry| is the entry's number in the archive: a later entry for the
  // same path takes the path over.
  void AddFile(const base::FilePath& path, size_t entry) {
    AddDirectory(Parent(path));
    auto [it, added] = last_entry_.emplace(Note(path), entry);
    if (added)
      files_.push_back(path);
    else
      it->second = entry;
  }
  // Why the package's paths cannot all be laid out; empty when they can.
  std::string Conflict() const {
    if (!case_conflict_.empty())
      return case_conflict_;
    for (const auto& [key, entry] : last_entry_) {
      if (directory_keys_.count(key))
        return "a path is both a file and a directory: " +
               base::UTF16ToUTF8(names_.at(key));
    }
    return std::string();
  }
  bool IsLastEntryFor(const base::FilePath& path, size_t entry) const {
    return last_entry_.at(path.ComparisonKey()) == entry;
  }
  // Every directory the package names or implies, parents first.
  const std::vector<base::FilePath>& directories() const {
    return directories_;
  }
  // Every file, in the order of their first entries.
  const std::vector<base::FilePath>& files() const { return files_; }

 private:
  static base::FilePath Parent(const base::FilePath& path) {
    base::FilePath parent = path.DirName();
    return parent.value() == base::FilePath::kCurrentDirectory
               ? base::FilePath()
               : parent;
  }
  // |path|'s comparison key. Where the file system ignores letter case, a
  // path that differs from an earlier one only in case would be the same
  // file or folder on disk: that is a conflict.
  std::u16string Note(const base::FilePath& path) {
    std::u16string key = path.ComparisonKey();
    auto [it, added] = names_.emplace(key, path.value());
    if (!added && it->second != path.value() && case_conflict_.empty()) {
      case_conflict_ =
          "paths differ only in letter case: " + base::UTF16ToUTF8(it->second) +
          " and " + base::UTF16ToUTF8(path.value());
    }
    return key;
  }

  // Comparison key to the first path noted with it.
  std::map<std::u16string, std::u16string> names_;
  std::set<std::u16string> directory_keys_;
  // A file's comparison key to the number of its last entry.
  std::map<std::u16string, size_t> last_entry_;
  std::vector<base::FilePath> directories_;
  std::vector<base::FilePath> files_;
  std::string case_conflict_;
};

bool CheckEveryEntry(ZipReader* reader,
                     const base::FilePath& install_dir,
                     Layout* layout,
                     std::string* error) {
  for (size_t number = 0; reader->HasEntry(); ++number) {
    if (!reader->ReadCurrentEntry()) {
      *error = "cannot read an entry of the archive";
      return false;
    }
    const ZipEntryInfo& entry = *reader->current_entry_info();
    const std::string reason = WhyRefused(entry, install_dir);
    if (!reason.empty()) {
      *error = Describe(reason, entry);
      return false;
    }
    if (entry.is_directory())
      layout->AddDirectory(Normalize(entry.path()));
    else
      layout->AddFile(Normalize(entry.path()), number);
    if (!reader->MoveToNextEntry()) {
      *error = "cannot step through the archive";
      return false;
    }
  }
  *error = layout->Conflict();
  return error->empty();
}

// Writes the current file entry of |reader| to |staged_path| and hands the
// file to |flusher|.
bool StageEntry(ZipReader* reader,
                const base::FilePath& installed_path,
                const base::FilePath& staged_path,
                base::FileFlusher* flusher) {
  const ZipEntryInfo& entry = *reader->current_entry_info();
  base::File output =
      base::File::CreateNew(staged_path, entry.is_owner_executable());
  if (!output.IsValid())
    return false;
  // A link in the installation is replaced like a file, but what it points
  // at is none of the update's business: the new file gets its own bits.
  base::FileInfo installed;
  if (base::ReadFileInfo(installed_path, &installed) &&
      !installed.is_directory && !installed.is_symbolic_link &&
      !output.CopyPermissionsFrom(installed_path)) {
    return false;
  }
  if (!reader->ExtractCurrentEntryTo(&output))
    return false;
  flusher->Add(std::move(output));
  return true;
}

}  // namespace

bool StageArchive(const base::FilePath& archive_path,
                  const base::FilePath& install_dir,
                  const base::FilePath& staging_dir,
                  StagedPackage* staged,
                  std::string* error) {
  ZipReader reader;
  if (!reader.OpenArchive(archive_path)) {
    *error = "cannot open the archive";
    return false;
  }
  Layout layout;
  if (!CheckEveryEntry(&reader, install_dir, &layout, error))
    return false;
  if (!reader.Rewind()) {
    *error = "cannot step through the archive";
    return false;
  }

  // The staging directory mirrors the package's folders, so that none holds
  // more new names than the package puts in one folder, and a folder that
  // is new to the installation can be moved there whole.
  for (const base::FilePath& dir : layout.directories()) {
    if (!base::CreateDirectoryTree(staging_dir.Append(dir))) {
      *error = "cannot create " + base::UTF16ToUTF8(dir.value()) +
               " in the staging directory";
      return false;
    }
  }
  base::FileFlusher flusher(staging_dir);
  for (size_t number = 0; reader.HasEntry(); ++number) {
    if (!reader.ReadCurrentEntry()) {
      *error = "cannot read an entry of the archive";
      return false;
    }
    const ZipEntryInfo& entry = *reader.current_entry_info();
    const base::FilePath path = Normalize(entry.path());
    if (!entry.is_directory() && layout.IsLastEntryFor(path, number) &&
        !StageEntry(&reader, install_dir.Append(path), staging_dir.Append(path),
                    &flusher)) {
      *error = Describe("cannot stage entry", entry);
      return false;
    }
    if (!reader.MoveToNextEntry()) {
      *error = "cannot step through the archive";
      return false;
    }
  }
  if (!flusher.Finish()) {
    *error = "cannot flush the staged files to disk";
    return false;
  }
  staged->directories = layout.directories();
  staged->files.clear();
  for (const base::FilePath& file : layout.files())
    staged->files.push_back({file, file.value()});
  return true;
}

}  // namespace zip
