#pragma once

#include "platform/os/Fichier.h"

#include <QByteArrayView>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace brivane::dbf {

// Record numbers by the hash of one text column, so that a posting reads a
// searched table once instead of once per lookup. Only hashes are kept:
// every record a lookup gets from here is read and compared again, so a
// collision costs a read, never a wrong row. The index is trusted only while
// the file is as this connection last saw it; a write by anyone else means
// reading the table again.
class IndexCles final {
 public:
  using Stamp = std::optional<os::IdentiteFichier>;

  static std::uint64_t Hash(QByteArrayView key) {
    return std::hash<std::string_view>{}(std::string_view(key.data(), key.size()));
  }

  bool current(const Stamp& stamp) const { return trusted_ && stamp && stamp_ == stamp; }
  bool trusted() const { return trusted_; }
  int indexed() const { return indexed_; }
  void Clear() {
    slots_.assign(kFirstSize, Slot{});
    used_ = 0;
    indexed_ = 0;
    stamp_.reset();
    trusted_ = true;
  }
  // The file is as this index knows it.
  void Seen(const Stamp& stamp) {
    if (trusted_) {
      stamp_ = stamp;
    }
  }
  void Forget() { trusted_ = false; }
  // Adds record n, whose key is `key`; records come in ascending order.
  void Add(QByteArrayView key, int n) {
    if (2 * (used_ + 1) > slots_.size()) {
      Grow();
    }
    Put(Hash(key), n);
    ++used_;
    indexed_ = std::max(indexed_, n + 1);
  }
  // The records that may hold `key`, in ascending order.
  std::vector<int> Candidates(QByteArrayView key) const {
    std::vector<int> rows;
    const std::uint64_t hash = Hash(key);
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t i = hash & (slots_.size() - 1); slots_[i].row != 0;
         i = (i + 1) & (slots_.size() - 1)) {
      if (slots_[i].tag == tag) {
        rows.push_back(slots_[i].row - 1);
      }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
  }

 private:
  static constexpr std::size_t kFirstSize = 1024;
  struct Slot {
    std::uint32_t tag = 0;
    std::int32_t row = 0;  // record number + 1; 0 is an empty slot
    std::uint64_t hash = 0;
  };
  void Put(std::uint64_t hash, int n) {
    std::size_t i = hash & (slots_.size() - 1);
    while (slots_[i].row != 0) {
      i = (i + 1) & (slots_.size() - 1);
    }
    slots_[i] = {static_cast<std::uint32_t>(hash >> 32), n + 1, hash};
  }
  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    // Reinserted in record order, so that equal hashes keep their order.
    std::sort(old.begin(), old.end(), [](const Slot& a, const Slot& b) { return a.row < b.row; });
    for (const Slot& slot : old) {
      if (slot.row != 0) {
        Put(slot.hash, slot.row - 1);
      }
    }
  }

  std::vector<Slot> slots_ = std::vector<Slot>(kFirstSize);
  std::size_t used_ = 0;
  int indexed_ = 0;
  Stamp stamp_;
  bool trusted_ = false;
};

}  // namespace brivane::dbf
