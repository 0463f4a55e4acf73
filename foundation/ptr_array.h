#pragma once
// A growable array of owned elements that grows by the owner's fixed step. Clearing,
// removing and destruction delete the elements.

#include <memory>
#include <utility>
#include <vector>

namespace pgwk {

template <typename T>
class PtrArray {
 public:
  PtrArray(int initialCapacity, int growth) : growth_(growth < 1 ? 1 : growth) {
    slots_.resize(initialCapacity < 0 ? 0 : static_cast<std::size_t>(initialCapacity));
  }

  int count() const { return count_; }
  int capacity() const { return static_cast<int>(slots_.size()); }
  bool empty() const { return count_ == 0; }

  // Takes ownership; returns the stored element.
  T* add(std::unique_ptr<T> item) {
    if (count_ == capacity()) slots_.resize(slots_.size() + growth_);
    slots_[count_] = std::move(item);
    return slots_[count_++].get();
  }
  // Callers stay within 0..count-1.
  T* at(int index) const { return slots_[index].get(); }

  void clear() {
    for (auto& slot : slots_) slot.reset();
    count_ = 0;
  }
  // Does nothing outside 0..count-1; later elements move down in order.
  void removeAt(int index) {
    if (index < 0 || index >= count_) return;
    for (int i = index; i + 1 < count_; ++i) slots_[i] = std::move(slots_[i + 1]);
    slots_[--count_].reset();
  }
  // Position of the first slot holding item; -1 for none, also for a null pointer.
  int indexOf(const T* item) const {
    if (!item) return -1;
    for (int i = 0; i < count_; ++i)
      if (slots_[i].get() == item) return i;
    return -1;
  }
  // Hands an element out of the array without deleting it.
  std::unique_ptr<T> release(int index) {
    if (index < 0 || index >= count_) return nullptr;
    std::unique_ptr<T> item = std::move(slots_[index]);
    for (int i = index; i + 1 < count_; ++i) slots_[i] = std::move(slots_[i + 1]);
    slots_[--count_].reset();
    return item;
  }

 private:
  std::vector<std::unique_ptr<T>> slots_;
  int count_ = 0;
  int growth_;
};

}  // namespace pgwk
