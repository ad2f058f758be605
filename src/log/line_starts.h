// The log file index's entries: the byte offsets at which lines start, kept in 4 bytes a line
// (a log viewer may index a file of millions of lines). Each entry keeps the low 32 bits of its
// offset; offsets only grow, so the high bits change only where the offsets cross a 4 GiB
// boundary, and those few places are kept apart.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tk52 {

// A byte position in the log file. A type of its own, so that it cannot be mixed up with a
// line number.
struct FileOffset {
  std::uint64_t value = 0;
};

class LineStarts {
 public:
  // One entry, 0.
  LineStarts() { reset(); }

  std::size_t size() const { return low_.size(); }
  FileOffset operator[](std::size_t entry) const {
    const auto crossed = std::upper_bound(crossings_.begin(), crossings_.end(), entry);
    const std::uint64_t high =
        base_high_ + static_cast<std::uint64_t>(crossed - crossings_.begin());
    return FileOffset{high << 32 | low_[entry]};
  }
  FileOffset back() const { return (*this)[size() - 1]; }

  // Adds an entry; `offset` is not below the last one.
  void push_back(FileOffset offset) {
    const std::uint64_t high = offset.value >> 32;
    while (base_high_ + crossings_.size() < high)
      crossings_.push_back(low_.size());
    low_.push_back(static_cast<std::uint32_t>(offset.value));
  }
  // Keeps the first `count` entries (at least one).
  void truncate(std::size_t count) {
    low_.resize(count);
    crossings_.erase(std::lower_bound(crossings_.begin(), crossings_.end(), count),
                     crossings_.end());
  }
  // Forgets the first `count` entries (fewer than there are); the next becomes entry 0.
  void erase_front(std::size_t count) {
    low_.erase(low_.begin(), low_.begin() + static_cast<std::ptrdiff_t>(count));
    const auto passed = std::upper_bound(crossings_.begin(), crossings_.end(), count);
    base_high_ += static_cast<std::uint64_t>(passed - crossings_.begin());
    crossings_.erase(crossings_.begin(), passed);
    for (std::size_t& crossing : crossings_)
      crossing -= count;
  }
  // Back to the one entry 0, memory released.
  void reset() {
    std::vector<std::uint32_t>{0}.swap(low_);
    crossings_ = {};
    base_high_ = 0;
  }
  // The bytes the entries take.
  std::size_t memory() const {
    return low_.capacity() * sizeof(std::uint32_t) + crossings_.capacity() * sizeof(std::size_t);
  }

 private:
  std::vector<std::uint32_t> low_;
  // crossings_[k]: the first entry whose offset's high half exceeds base_high_ + k.
  std::vector<std::size_t> crossings_;
  std::uint64_t base_high_ = 0;
};

}  // namespace tk52
