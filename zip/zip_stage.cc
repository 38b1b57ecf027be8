#include "zip/zip_stage.h"

#include <map>
#include <set>
#include <utility>

#include "base/file.h"
#include "base/file_util.h"
#include "base/sys_string_conversions.h"
#include "base/utf_string_conversions.h"
#include "zip/zip_reader.h"

namespace zip {

namespace {

// Whether |path| survives the system ANSI code page, through which the
// installation's files are opened on the systems the updater serves.
bool IsRepresentableInAnsi(const base::FilePath& path) {
  return base::AnsiToWide(base::WideToAnsi(path.value())) == path.value();
}

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
std::string WhyRefused(const ZipEntryInfo& entry, const base::FilePath& install_dir) {
  if (entry.is_unsafe())
    return "unsafe entry name";
  const ZipEntryStorage& storage = entry.storage();
  if (!entry.is_directory()) {
    if (storage.compression_method != ZipEntryStorage::kStored &&
        storage.compression_method != ZipEntryStorage::kDeflated) {
      return "compression method " + std::to_string(storage.compression_method) +
             " not supported";
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
  if (!IsRepresentableInAnsi(entry_path))
    return "destination path not representable in the ANSI code page";
  return std::string();
}

// |what| about |entry|, for the log.
std::string Describe(const std::string& what, const ZipEntryInfo& entry) {
  return what + ": " + base::UTF16ToUTF8(entry.path().value());
}

// The package's directories and files, gathered from the central directory.
class Layout {
 public:
  void AddDirectory(const base::FilePath& path) {
    if (path.empty() || !directory_set_.insert(path.value()).second)
      return;
    AddDirectory(Parent(path));
    directories_.push_back(path);
  }
  void AddFile(const base::FilePath& path) {
    AddDirectory(Parent(path));
    file_set_.insert(path.value());
  }
  // A path that is both a file and a directory, or nullptr.
  const std::u16string* Conflict() const {
    for (const std::u16string& file : file_set_) {
      if (directory_set_.count(file))
        return &file;
    }
    return nullptr;
  }
  std::vector<base::FilePath> TakeDirectories() { return std::move(directories_); }

 private:
  static base::FilePath Parent(const base::FilePath& path) {
    base::FilePath parent = path.DirName();
    return parent.value() == base::FilePath::kCurrentDirectory ? base::FilePath() : parent;
  }

  std::vector<base::FilePath> directories_;  // parents first
  std::set<std::u16string> directory_set_;
  std::set<std::u16string> file_set_;
};

bool CheckEveryEntry(ZipReader* reader, const base::FilePath& install_dir,
                     Layout* layout, std::string* error) {
  while (reader->HasEntry()) {
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
      layout->AddFile(Normalize(entry.path()));
    if (!reader->MoveToNextEntry()) {
      *error = "cannot step through the archive";
      return false;
    }
  }
  if (const std::u16string* path = layout->Conflict()) {
    *error = "a path is both a file and a directory: " + base::UTF16ToUTF8(*path);
    return false;
  }
  return true;
}

// Writes the current file entry of |reader| to |staged_path|.
bool StageEntry(ZipReader* reader, const base::FilePath& installed_path,
                const base::FilePath& staged_path) {
  const ZipEntryInfo& entry = *reader->current_entry_info();
  base::File output = base::File::CreateNew(staged_path, entry.is_owner_executable());
  if (!output.IsValid())
    return false;
  // A link in the installation is replaced like a file, but what it points
  // at is none of the update's business: the new file gets its own bits.
  base::FileInfo installed;
  if (base::ReadFileInfo(installed_path, &installed) && !installed.is_directory &&
      !installed.is_symbolic_link && !output.CopyPermissionsFrom(installed_path)) {
    return false;
  }
  return reader->ExtractCurrentEntryTo(&output) && output.Close();
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

  // Each file entry gets a staged file of its own; a later entry for the
  // same path takes the path over.
  std::map<std::u16string, size_t> file_index;
  std::vector<StagedPackage::File> files;
  for (size_t number = 0; reader.HasEntry(); ++number) {
    if (!reader.ReadCurrentEntry()) {
      *error = "cannot read an entry of the archive";
      return false;
    }
    const ZipEntryInfo& entry = *reader.current_entry_info();
    if (!entry.is_directory()) {
      const base::FilePath path = Normalize(entry.path());
      const std::u16string staged_name = base::ASCIIToUTF16(std::to_string(number));
      if (!StageEntry(&reader, install_dir.Append(path), staging_dir.Append(staged_name))) {
        *error = Describe("cannot stage entry", entry);
        return false;
      }
      auto [it, added] = file_index.emplace(path.value(), files.size());
      if (added)
        files.push_back({path, staged_name});
      else
        files[it->second].staged_name = staged_name;
    }
    if (!reader.MoveToNextEntry()) {
      *error = "cannot step through the archive";
      return false;
    }
  }
  if (!base::FlushFilesBelow(staging_dir)) {
    *error = "cannot flush the staged files to disk";
    return false;
  }
  staged->directories = layout.TakeDirectories();
  staged->files = std::move(files);
  return true;
}

}  // namespace zip
