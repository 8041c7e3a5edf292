#pragma once

#include <QString>
#include <QStringList>
#include "platform/ValeurColonne.h"

#include <chrono>
#include <memory>

namespace brivane::platform {

// What a statement gave back. A select's row set is positioned on its first
// row; an insert's or an update's is closed from the start.
class JeuLignes {
 public:
  virtual ~JeuLignes() = default;
  virtual bool IsOpen() const = 0;
  // True when the row set has no current row. Throws ErreurBaseDonnees when closed.
  virtual bool Eof() const = 0;
  // The named column (any letter case) of the current row: null, a whole
  // number, a real or a text. Throws ErreurBaseDonnees when there is no
  // current row or no such column.
  virtual ValeurColonne Field(const QString& name) const = 0;
  virtual void Close() = 0;
};

// Held while a table is locked against other connections; released on destruction.
class VerrouTable {
 public:
  virtual ~VerrouTable() = default;
};

// An open folder of tables seen as one database. One thread at a time.
//
// Outside a posting every statement that writes is a posting of its own.
// Within one (Begin to Commit or Rollback), what the statements write is seen
// by this connection at once and by every other reader only after Commit,
// and then all of it; after Rollback, a failure or a kill at any moment,
// none of it.
class BaseDonnees {
 public:
  virtual ~BaseDonnees() = default;
  // Runs one statement whose values are all written into its text. Throws
  // ErreurBaseDonnees when it is refused; a refused statement writes nothing.
  virtual std::unique_ptr<JeuLignes> Execute(const QString& sql) = 0;
  // Locks the table against every other connection, waiting at most `wait`
  // for one that holds it; throws ErreurBaseDonnees when the wait runs out.
  virtual std::unique_ptr<VerrouTable> Lock(const QString& table,
                                            std::chrono::milliseconds wait) = 0;
  // Starts a posting that will write the named tables: they are locked now,
  // in one fixed order whatever the order given, and stay locked until
  // Commit or Rollback. Names of tables the folder lacks are passed over (a
  // statement on them fails). Throws ErreurBaseDonnees when a lock cannot be had
  // within `wait`; nothing is then held.
  virtual void Begin(const QStringList& tables, std::chrono::milliseconds wait) = 0;
  // Makes the posting's rows durable and visible; throws ErreurBaseDonnees when
  // the system cannot, and the posting is then undone. Releases the locks.
  virtual void Commit() = 0;
  // Forgets what the posting wrote and releases the locks. Never throws.
  virtual void Rollback() noexcept = 0;
};

// Opens databases from connection strings.
class FournisseurBaseDonnees {
 public:
  virtual ~FournisseurBaseDonnees() = default;
  // Throws ErreurBaseDonnees when the database cannot be opened.
  virtual std::unique_ptr<BaseDonnees> Open(const QString& connectionString) = 0;
};

}  // namespace brivane::platform
