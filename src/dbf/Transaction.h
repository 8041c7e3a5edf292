#pragma once

#include "dbf/TableDbf.h"
#include "dbf/VerrouFichier.h"
#include "platform/os/Fichier.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace brivane::dbf {

inline std::string CheminSysteme(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

// One table of the folder, as the connection found it when it opened.
struct InfoTable {
  QString name;
  QString path;
  std::vector<ChampDbf> fields;
};

// A table that the posting under way writes: locked, and what it has written
// so far, kept here until the commit. Its handle comes from the connection's
// file system, so that the commit writes and syncs through it.
struct EcrituresEnAttente {
  std::unique_ptr<VerrouFichier> lock;  // null when the connection's own Lock() holds the table
  std::unique_ptr<os::Fichier> file;    // the handle to write with, when `lock` is null
  std::uint32_t count = 0;              // the header's record count when the table was taken
  int headerLength = 0;
  int recordLength = 1;
  QByteArray rows;                      // new records, one after the other
  std::map<int, QByteArray> rewritten;  // existing records, as they will be
  // Where the statement under way started, to undo it alone.
  qsizetype statementRows = 0;
  std::map<int, QByteArray> statementRewritten;

  os::Fichier& io() { return lock ? lock->file() : *file; }
  int added() const { return static_cast<int>(rows.size() / recordLength); }
  int total() const { return static_cast<int>(count) + added(); }
  bool changed() const { return !rows.isEmpty() || !rewritten.empty(); }
};

struct Transaction {
  bool implicit = false;  // one statement's, outside Begin
  std::map<std::size_t, EcrituresEnAttente> tables;
};

// Record n as this connection sees it: the file's, or what its posting wrote.
inline QByteArrayView RecordAt(TableDbf& table, EcrituresEnAttente* pending, int fileCount, int n) {
  if (pending != nullptr) {
    if (n >= fileCount) {
      const qsizetype at = static_cast<qsizetype>(n - fileCount) * pending->recordLength;
      return QByteArrayView(pending->rows).sliced(at, pending->recordLength);
    }
    if (const auto it = pending->rewritten.find(n); it != pending->rewritten.end()) {
      return QByteArrayView(it->second);
    }
  }
  return table.vueLigne(n);
}

}  // namespace brivane::dbf
