#pragma once

#include "platform/BaseDonnees.h"
#include "platform/os/Fichier.h"

#include <chrono>

namespace brivane::dbf {

// Opens a folder of dBASE tables as one database: SQLite parses and runs the
// statements on an in-memory connection where every .dbf file of the folder
// is a virtual table of ours, named after the file without its extension.
// Table and column names match in any letter case; text compares exactly,
// trailing blanks aside (see docs/dbase-tables.md).
class FournisseurDbfSqlite final : public platform::FournisseurBaseDonnees {
 public:
  // `fichiers`: what the connections write through; it outlives them.
  // `writeWait`: how long a statement waits for a table that another
  // connection is writing or holds locked.
  explicit FournisseurDbfSqlite(os::SystemeFichiers& fichiers,
                                std::chrono::milliseconds writeWait = std::chrono::seconds(10))
      : fichiers_(fichiers), writeWait_(writeWait) {}

  // The folder is what follows "Data Source=" in the connection string. Fails
  // when the folder is missing, holds no table, or holds a table that cannot
  // be read.
  std::unique_ptr<platform::BaseDonnees> Open(const QString& connectionString) override;

 private:
  os::SystemeFichiers& fichiers_;
  std::chrono::milliseconds writeWait_;
};

}  // namespace brivane::dbf
