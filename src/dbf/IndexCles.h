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
// reading the table again. The hashes are first kept as a list that the
// first lookup walks: a column asked once (the customer of a posting) does
// not pay for a table; the second lookup builds it from the list.
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
    slots_.clear();
    listed_.clear();
    used_ = 0;
    lookups_ = 0;
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
  // Adds record n, whose key is `key`; new records come in ascending order,
  // a rewritten one may come again.
  void Add(QByteArrayView key, int n) { AddHash(Hash(key), n); }
  void AddHash(std::uint64_t hash, int n) {
    if (slots_.empty()) {
      listed_.push_back({static_cast<std::uint32_t>(hash >> 32), n + 1, hash});
    } else {
      Insert({static_cast<std::uint32_t>(hash >> 32), n + 1, hash});
    }
    indexed_ = std::max(indexed_, n + 1);
  }
  // The records that may hold `key`, in ascending order.
  std::vector<int> Candidates(QByteArrayView key) {
    std::vector<int> rows;
    const std::uint64_t hash = Hash(key);
    if (slots_.empty() && lookups_++ == 0) {
      for (const Slot& slot : listed_) {
        if (slot.hash == hash) {
          rows.push_back(slot.row - 1);
        }
      }
    } else {
      if (slots_.empty()) {
        Build();
      }
      const auto tag = static_cast<std::uint32_t>(hash >> 32);
      for (std::size_t i = hash & (slots_.size() - 1); slots_[i].row != 0;
           i = (i + 1) & (slots_.size() - 1)) {
        if (slots_[i].tag == tag) {
          rows.push_back(slots_[i].row - 1);
        }
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
  void Build() {
    std::size_t size = kFirstSize;
    while (size < 2 * (listed_.size() + 1)) {
      size *= 2;
    }
    slots_.assign(size, Slot{});
    for (const Slot& slot : listed_) {
      Put(slot);
    }
    used_ = listed_.size();
    listed_ = {};
  }
  void Insert(const Slot& slot) {
    if (2 * (used_ + 1) > slots_.size()) {
      Grow();
    }
    Put(slot);
    ++used_;
  }
  void Put(const Slot& slot) {
    std::size_t i = slot.hash & (slots_.size() - 1);
    while (slots_[i].row != 0) {
      i = (i + 1) & (slots_.size() - 1);
    }
    slots_[i] = slot;
  }
  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.row != 0) {
        Put(slot);
      }
    }
  }

  std::vector<Slot> slots_;   // empty until the second lookup
  std::vector<Slot> listed_;  // the hashes until then
  std::size_t used_ = 0;
  int lookups_ = 0;
  int indexed_ = 0;
  Stamp stamp_;
  bool trusted_ = false;
};

}  // namespace brivane::dbf
