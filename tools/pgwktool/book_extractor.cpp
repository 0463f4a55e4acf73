#include "tools/pgwktool/book_extractor.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "document/lzx_decoder.h"
#include "foundation/reader_error.h"
#include "platform/code_page.h"

namespace pgwk::tool {

struct BookExtractor::Job {
  std::string storedName;
  std::string path;  // relative, UTF-8
  std::uint32_t section = 0, offset = 0, length = 0;
  bool started = false;  // the file has been created
  bool failed = false;
  std::uint64_t end() const { return std::uint64_t{offset} + length; }
};

namespace {

std::string errnoText() { return std::strerror(errno); }

constexpr std::uint64_t kMaxBlockLength = 1u << 20;

// The container mapped into memory for the whole run: the tool reads it all, and
// decoding straight from the mapping saves copying the compressed stream.
class MappedFile {
 public:
  explicit MappedFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) raiseError("Can't open chm file: %s.", path.c_str());
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
      size_ = static_cast<std::uint64_t>(info.st_size);
      void* mapped = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
      if (mapped != MAP_FAILED) {
        data_ = static_cast<const std::uint8_t*>(mapped);
        ::madvise(mapped, size_, MADV_SEQUENTIAL);
      }
    }
    ::close(fd);
    if (size_ && !data_) raiseError("Can't open chm file: %s.", path.c_str());
  }
  ~MappedFile() {
    if (data_) ::munmap(const_cast<std::uint8_t*>(data_), size_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // The bytes at offset..offset+length, or null when they are not all in the file.
  const std::uint8_t* at(std::uint64_t offset, std::uint64_t length) const {
    if (offset > size_ || length > size_ - offset) return nullptr;
    return data_ + offset;
  }

 private:
  const std::uint8_t* data_ = nullptr;
  std::uint64_t size_ = 0;
};

}  // namespace

class BookExtractor::Mapping : public MappedFile {
 public:
  using MappedFile::MappedFile;
};

// Creates files and their folders below the output folder, remembering the folders
// already made so that a book of thousands of pages costs one mkdir per folder.
class BookExtractor::Output {
 public:
  explicit Output(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    root_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root_ < 0) raiseError("Can't create folder %s: %s.", folder.c_str(), errnoText().c_str());
  }
  ~Output() { ::close(root_); }

  // Writes bytes at position of the file; the first write creates or truncates it.
  // Returns an error text, empty on success.
  std::string write(Job& job, std::uint64_t position, const std::uint8_t* bytes, std::size_t length) {
    if (!job.started) {
      std::string folderError = makeFolders(job.path);
      if (!folderError.empty()) return folderError;
    }
    int flags = O_WRONLY | O_CLOEXEC | (job.started ? 0 : O_CREAT | O_TRUNC);
    int fd = ::openat(root_, job.path.c_str(), flags, 0644);
    if (fd < 0) return "can't create " + job.path + ": " + errnoText();
    job.started = true;
    std::string error;
    while (length > 0) {
      ssize_t n = ::pwrite(fd, bytes, length, static_cast<off_t>(position));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error = "can't write " + job.path + ": " + errnoText();
        break;
      }
      bytes += n;
      length -= static_cast<std::size_t>(n);
      position += static_cast<std::uint64_t>(n);
    }
    if (::close(fd) != 0 && error.empty()) error = "can't write " + job.path + ": " + errnoText();
    return error;
  }

 private:
  std::string makeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1)) {
      std::string folder = path.substr(0, slash);
      if (made_.contains(folder)) continue;
      if (::mkdirat(root_, folder.c_str(), 0755) != 0 && errno != EEXIST)
        return "can't create folder " + folder + ": " + errnoText();
      made_.insert(std::move(folder));
    }
    return {};
  }

  int root_ = -1;
  std::unordered_set<std::string> made_;
};

BookExtractor::BookExtractor(Book& book, const ChmArchive& archive, std::filesystem::path folder)
    : book_(book), archive_(archive), folder_(std::move(folder)) {}

BookExtractor::~BookExtractor() = default;

std::string BookExtractor::outputPath(std::string_view storedName, int codePage) {
  if (storedName.find('\0') != std::string_view::npos) return {};
  std::string utf8 = utf8FromCodePage(storedName, codePage);
  std::string path;
  std::size_t start = 0;
  while (start <= utf8.size()) {
    std::size_t slash = utf8.find('/', start);
    if (slash == std::string::npos) slash = utf8.size();
    std::string_view part = std::string_view(utf8).substr(start, slash - start);
    start = slash + 1;
    if (part.empty()) continue;
    if (part == "." || part == "..") return {};
    if (!path.empty()) path += '/';
    path += part;
  }
  return path;
}

void BookExtractor::fail(Job& job, const std::string& message) {
  if (job.failed) return;
  job.failed = true;
  ++failures_;
  failure_(message);
  finished(job);
}

void BookExtractor::finished(Job& job) {
  ++done_;
  if (progress_ && (done_ % 64 == 0 || done_ == total_)) progress_(done_, total_);
}

std::uint64_t BookExtractor::run(const Failure& failure, const Progress& progress) {
  failure_ = failure;
  progress_ = progress;
  output_ = std::make_unique<Output>(folder_);
  file_ = std::make_unique<Mapping>(archive_.path());

  const int codePage = archive_.nameCodePage();
  std::vector<Job> jobs;
  std::unordered_set<std::string_view> seen;
  jobs.reserve(archive_.entryCount());
  for (const DirectoryEntry& entry : archive_.entries()) {
    if (entry.isFolder() || !seen.insert(entry.name).second) continue;
    Job job;
    job.storedName = entry.name;
    job.path = outputPath(entry.name, codePage);
    job.section = entry.section;
    job.offset = entry.offset;
    job.length = entry.length;
    jobs.push_back(std::move(job));
  }
  total_ = jobs.size();
  done_ = failures_ = 0;

  const std::vector<ContentSection>& sections = archive_.sections();
  std::vector<std::vector<Job*>> compressed(sections.size());
  for (Job& job : jobs) {
    const std::string printableName = utf8FromCodePage(job.storedName, codePage);
    if (job.path.empty()) {
      fail(job, "not extracting " + printableName + ": the name is not a path below the folder");
    } else if (job.length == 0) {
      // Nothing to read or decode, wherever the entry points.
      std::string error = output_->write(job, 0, nullptr, 0);
      if (!error.empty()) fail(job, error);
      else finished(job);
    } else if (job.section < sections.size() && sections[job.section].compressed) {
      compressed[job.section].push_back(&job);
    } else if (job.section < sections.size() || sections.empty()) {
      std::uint32_t sectionOffset = job.section < sections.size() ? sections[job.section].offset : 0;
      extractPlain(job, std::uint64_t{archive_.contentOffset()} + sectionOffset);
    } else {
      fail(job, printableName + ": Wrong content section id.");
    }
  }
  for (std::uint32_t section = 0; section < compressed.size(); ++section)
    if (!compressed[section].empty()) extractCompressedSection(section, compressed[section]);
  return failures_;
}

void BookExtractor::extractPlain(Job& job, std::uint64_t sectionStart) {
  const std::uint8_t* bytes = file_->at(sectionStart + job.offset, job.length);
  if (!bytes) return fail(job, "Can't read file " + job.path + " buffer: it runs past the end of the book.");
  std::string error = output_->write(job, 0, bytes, job.length);
  if (!error.empty()) return fail(job, error);
  finished(job);
}

void BookExtractor::extractCompressedSection(std::uint32_t sectionIndex, std::vector<Job*>& jobs) {
  const ContentSection section = archive_.sections()[sectionIndex];
  auto failAll = [&](const std::string& message) {
    for (Job* job : jobs) fail(*job, job->path + ": " + message);
  };
  LzxControl control;
  std::optional<ResetTable> table;
  try {
    FileBuffer controlData = book_.readFile(sectionControlDataName(section.name), false);
    control = parseControlData(controlData.data(), controlData.length());
    FileBuffer resetTable = book_.readFile(sectionResetTableName(section.name), false);
    table = ResetTable::parse(resetTable.data(), resetTable.length(), section.name);
  } catch (const ReaderError& e) {
    std::string message = e.message();
    while (!message.empty() && message.back() == '\n') message.pop_back();
    return failAll(message);
  }

  const std::uint64_t streamStart = std::uint64_t{archive_.contentOffset()} + section.offset;
  const std::uint32_t blocks = table->blockCount();
  const std::uint64_t blockLength = table->blockLength();
  const std::uint32_t interval = control.windowBlocks;
  // Books use 32 KB blocks; a block length far beyond that is a damaged table, not a
  // reason to allocate gigabytes.
  if (blockLength > kMaxBlockLength) return failAll("the reset table's block length is not usable");

  std::stable_sort(jobs.begin(), jobs.end(), [](const Job* a, const Job* b) { return a->offset < b->offset; });
  for (Job* job : jobs)
    if (job->end() > table->totalUncompressed()) fail(*job, job->path + ": the file lies outside its content section.");

  LzxDecoder& decoder = book_.decoder();
  std::vector<std::uint8_t> out(interval * blockLength);
  std::vector<Job*> active;
  std::size_t next = 0;
  for (std::uint64_t start = 0; start < blocks; start += interval) {
    const std::uint64_t end = start + interval;
    const std::uint64_t uncompressedStart = start * blockLength;
    const std::uint64_t uncompressedEnd = end < blocks ? end * blockLength : table->totalUncompressed();
    const std::uint64_t compressedStart = table->blockOffset(static_cast<std::uint32_t>(start));
    const std::uint64_t compressedEnd = end < blocks ? table->blockOffset(static_cast<std::uint32_t>(end))
                                                     : table->totalCompressed();
    for (; next < jobs.size() && jobs[next]->offset < uncompressedEnd; ++next) {
      Job* job = jobs[next];
      if (!job->failed) active.push_back(job);
    }
    if (active.empty()) continue;

    const std::uint8_t* input = nullptr;
    int result = LzxDecoder::kInvalidData;
    if (uncompressedEnd >= uncompressedStart && uncompressedEnd - uncompressedStart <= out.size() &&
        compressedEnd >= compressedStart)
      input = file_->at(streamStart + compressedStart, compressedEnd - compressedStart);
    if (input) {
      result = decoder.initialise(static_cast<int>(control.windowBits));
      if (result == LzxDecoder::kOk)
        result = decoder.decode(input, compressedEnd - compressedStart, out.data(), uncompressedEnd - uncompressedStart);
    }

    std::vector<Job*> still;
    for (Job* job : active) {
      if (job->failed) continue;
      if (result != LzxDecoder::kOk) {
        fail(*job, input ? "Can't decompress file " + job->path + " (LZX error " + std::to_string(result) + ")."
                         : "Can't read file " + job->path + " buffer: the reset table gives a span outside the book.");
        continue;
      }
      const std::uint64_t pieceStart = std::max<std::uint64_t>(job->offset, uncompressedStart);
      const std::uint64_t pieceEnd = std::min<std::uint64_t>(job->end(), uncompressedEnd);
      std::string error = output_->write(*job, pieceStart - job->offset, out.data() + (pieceStart - uncompressedStart),
                                         pieceEnd - pieceStart);
      if (!error.empty()) fail(*job, error);
      else if (job->end() <= uncompressedEnd) finished(*job);
      else still.push_back(job);
    }
    active.swap(still);
  }
  // Whatever is left ran past the blocks the reset table lists.
  for (std::size_t i = next; i < jobs.size(); ++i) active.push_back(jobs[i]);
  for (Job* job : active)
    if (!job->failed && job->length) fail(*job, "Can't read file " + job->path + " buffer: the reset table ends before it.");
}

}  // namespace pgwk::tool
