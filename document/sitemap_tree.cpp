#include "document/sitemap_tree.h"

#include <string>
#include <vector>

namespace pgwk {

namespace {

// Moves the entry's children, last first, onto the work list.
template <typename Entry>
void takeChildren(PtrArray<Entry>& children, std::vector<std::unique_ptr<Entry>>& work) {
  while (!children.empty()) work.push_back(children.release(children.count() - 1));
}

}  // namespace

TocEntry::~TocEntry() {
  std::vector<std::unique_ptr<TocEntry>> work;
  takeChildren(children, work);
  while (!work.empty()) {
    std::unique_ptr<TocEntry> entry = std::move(work.back());
    work.pop_back();
    takeChildren(entry->children, work);
  }
}

int countEntries(const TocEntry& entry) {
  int count = 0;
  std::vector<const TocEntry*> work{&entry};
  while (!work.empty()) {
    const TocEntry* e = work.back();
    work.pop_back();
    count += e->children.count();
    for (int i = 0; i < e->children.count(); ++i) work.push_back(e->children.at(i));
  }
  return count;
}

SitemapTree::SitemapTree()
    : root_(std::make_unique<TocEntry>()), missingFiles_(std::make_unique<TocEntry>()) {}

void SitemapTree::createPools(std::uint32_t capacity, int growth) {
  names_.create(capacity, growth);
  locations_.create(capacity, growth);
}

void SitemapTree::link(TocEntry& entry) {
  entry.previous = last_;
  entry.next = nullptr;
  if (last_) last_->next = &entry;
  else first_ = &entry;
  last_ = &entry;
}

void SitemapTree::unlink(TocEntry& entry) {
  bool linked = entry.previous || entry.next || first_ == &entry;
  if (!linked) return;
  if (entry.previous) entry.previous->next = entry.next;
  else first_ = entry.next;
  if (entry.next) entry.next->previous = entry.previous;
  else last_ = entry.previous;
  entry.previous = entry.next = nullptr;
}

void SitemapTree::unlinkSubtree(TocEntry& entry) {
  std::vector<TocEntry*> work{&entry};
  while (!work.empty()) {
    TocEntry* e = work.back();
    work.pop_back();
    unlink(*e);
    for (int i = 0; i < e->children.count(); ++i) work.push_back(e->children.at(i));
  }
}

void SitemapTree::adoptMissingFiles() {
  if (!missingFiles_ || missingFiles_->children.empty()) return;
  std::string title = "Missing files (" + std::to_string(missingFiles_->children.count()) + ")";
  missingFiles_->name = names_.add(title);
  missingFiles_->imageNumber = kMissingFilesImage;
  root_->children.add(std::move(missingFiles_));
  // Later failures (a reference followed while reading) gather in a fresh entry.
  missingFiles_ = std::make_unique<TocEntry>();
}

}  // namespace pgwk
