#include "content/local_file.h"

#include <sys/stat.h>
#include <cerrno>
#include <vector>

#include "foundation/reader_error.h"
#include "platform/code_page.h"

namespace pgwk {

std::string localPathOf(std::string_view temporaryFolder, int archiveNumber, std::string_view name) {
  std::string path(temporaryFolder);
  path += std::to_string(archiveNumber);
  for (char c : name) path.push_back(c == '\\' ? '/' : c);
  return path;
}

std::string pathBelowFolder(std::string_view temporaryFolder, std::string_view localPath) {
  if (localPath.substr(0, temporaryFolder.size()) != temporaryFolder) return {};
  std::string_view rest = localPath.substr(temporaryFolder.size());
  if (rest.find('\0') != std::string_view::npos) return {};
  std::vector<std::string_view> segments;
  while (!rest.empty()) {
    std::size_t cut = rest.find_first_of("/\\");
    std::string_view segment = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    if (segment.empty() || segment == ".") continue;
    if (segment == "..") {
      if (segments.empty()) return {};
      segments.pop_back();
      continue;
    }
    segments.push_back(segment);
  }
  std::string below;
  for (std::string_view segment : segments) {
    if (!below.empty()) below.push_back('/');
    below.append(segment);
  }
  return below;
}

std::string diskPathOf(std::string_view temporaryFolder, std::string_view localPath, int codePage) {
  std::string below = pathBelowFolder(temporaryFolder, localPath);
  if (below.empty()) return {};
  if (!isCodePageUsable(codePage)) codePage = 1252;
  return std::string(temporaryFolder) + utf8FromCodePage(below, codePage);
}

LocalFile LocalFile::create(std::string_view temporaryFolder, std::string_view localPath, int codePage) {
  LocalFile file;
  file.localPath_ = localPath;
  file.diskPath_ = diskPathOf(temporaryFolder, localPath, codePage);
  if (file.diskPath_.empty()) raiseError("Can't create file:\n%s.", file.localPath_.c_str());

  // Every folder on the way, the temporary folder's own included, is made when
  // nothing of that name exists yet.
  const std::string& path = file.diskPath_;
  for (std::size_t cut = path.find('/', 1); cut != std::string::npos; cut = path.find('/', cut + 1)) {
    std::string folder = path.substr(0, cut);
    struct stat info;
    if (::lstat(folder.c_str(), &info) == 0) continue;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
      raiseError("Can't create directory:\n%s.", folder.c_str());
  }
  file.file_.reset(std::fopen(path.c_str(), "wb"));
  if (!file.file_) raiseError("Can't create file:\n%s.", path.c_str());
  return file;
}

bool LocalFile::write(std::string_view bytes) {
  if (!file_) return false;
  if (bytes.empty()) return true;
  return std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) == bytes.size();
}

void LocalFile::writeOrRaise(std::string_view bytes) {
  bool written = write(bytes) && std::fflush(file_.get()) == 0;
  if (!written) {
    close();
    raiseError("Can't write file buffer:\n%s.", localPath_.c_str());
  }
}

}  // namespace pgwk
