#pragma once
// The files of a prepared page on disk. Every file of the book is written below the
// temporary folder at: folder + the position of its CHM file in the book's archive
// list + its name inside the CHM file. Nothing is ever written outside the folder.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace pgwk {

// The temporary folder + archive number + name. Local paths use "/" throughout: a
// backslash in the stored name becomes "/", as the device turned slashes into its
// own separator.
std::string localPathOf(std::string_view temporaryFolder, int archiveNumber, std::string_view name);

// The part of a local path below the temporary folder, with "." and ".." segments
// resolved; empty when the path does not lie inside the folder (a ".." climbing out
// of it, a path not starting with the folder, a zero byte).
std::string pathBelowFolder(std::string_view temporaryFolder, std::string_view localPath);

// One file being written, closed when the object goes.
class LocalFile {
 public:
  LocalFile() = default;

  // Creates the folders on the way and the file (replacing one that exists). The
  // part below the temporary folder is converted from the book's code page for the
  // file system. Raises "Can't create directory:\n%s." or "Can't create file:\n%s.";
  // a path that would leave the temporary folder cannot be created.
  static LocalFile create(std::string_view temporaryFolder, std::string_view localPath, int codePage);

  // Writes all bytes; false on failure.
  bool write(std::string_view bytes);
  // Writes all bytes; on failure closes the file and raises
  // "Can't write file buffer:\n%s." with the local path.
  void writeOrRaise(std::string_view bytes);
  void close() { file_.reset(); }
  bool isOpen() const { return file_ != nullptr; }
  // The path on disk (UTF-8).
  const std::string& diskPath() const { return diskPath_; }

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
  std::string localPath_;
  std::string diskPath_;
};

// The path on disk of a local path (the part below the folder converted from the
// code page to UTF-8), or empty when the path does not lie inside the folder.
std::string diskPathOf(std::string_view temporaryFolder, std::string_view localPath, int codePage);

}  // namespace pgwk
