#pragma once

#include "dbf/FormeInstruction.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <sqlite3.h>

#include <string>
#include <unordered_map>

namespace brivane::dbf {

// The statements of one connection compiled once per shape: a text whose
// shape was seen before reuses its compiled statement, its literals bound
// with the types SQLite gives them as literals. One thread at a time.
class InstructionsPreparees final {
 public:
  struct Gardee {
    sqlite3_stmt* instruction = nullptr;  // null: the shape does not compile
    QStringList noms;                     // of its result columns, once read
  };

  explicit InstructionsPreparees(sqlite3* db) : db_(db) {}
  ~InstructionsPreparees() { Vider(); }
  InstructionsPreparees(const InstructionsPreparees&) = delete;
  InstructionsPreparees& operator=(const InstructionsPreparees&) = delete;

  // The compiled statement of the shape, its literals bound (texts point into
  // `forme`, which must outlive its run), or null when the shape does not
  // compile to one statement: the text is then compiled as it is, so that its
  // errors name its own words.
  Gardee* Lier(const FormeInstruction& forme);
  // After a run: the statement is ready for its next text.
  static void Relacher(sqlite3_stmt* statement) {
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
  }
  void Vider();

 private:
  bool Reel(QByteArrayView nombre, double& valeur);

  static constexpr qsizetype kFormesMax = 256;
  sqlite3* db_;
  QHash<QByteArray, Gardee*> formes_;
  sqlite3_stmt* conversion_ = nullptr;
  std::unordered_map<std::string, double> reels_;
};

}  // namespace brivane::dbf
