#pragma once

#include "platform/Database.h"

#include <QString>

#include <memory>

namespace brivane::dbase {

// A statement object bound to a connection: set its text, then execute it.
struct Command final {
  platform::Database* ActiveConnection = nullptr;
  QString CommandText;

  // The row set of the statement; throws platform::DatabaseError.
  std::unique_ptr<platform::RowSet> Execute() const {
    return ActiveConnection->Execute(CommandText);
  }
};

}  // namespace brivane::dbase
