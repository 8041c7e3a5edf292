#pragma once

#include "dbf/IndexCles.h"
#include "dbf/TableDbf.h"
#include "dbf/Transaction.h"

#include <cstddef>
#include <map>
#include <memory>

namespace brivane::dbf {

// Opens the table and checks it still has the columns declared; throws
// ErreurBaseDonnees.
std::unique_ptr<TableDbf> OuvrirDeclaree(const InfoTable& info);

// The connection's readers of its tables: each table is opened once (its
// header read, its code page probed) and opened again only when its file has
// changed, as its identity tells. One thread at a time.
class CacheTables final {
 public:
  // The reader of the table. `locked`: the connection holds the table, so no
  // one else writes it and the file is not looked at again.
  TableDbf& Reader(const InfoTable& info, std::size_t index, bool locked);
  // Keeps a reader opened elsewhere, with the identity of the file it read.
  void Keep(std::size_t index, std::unique_ptr<TableDbf> table, IndexCles::Stamp stamp);
  // The file changed under this connection's own hands.
  void Forget(std::size_t index) { readers_.erase(index); }
  void ForgetAll() { readers_.clear(); }

 private:
  struct Cached {
    std::unique_ptr<TableDbf> table;
    IndexCles::Stamp stamp;
  };
  std::map<std::size_t, Cached> readers_;
};

}  // namespace brivane::dbf
