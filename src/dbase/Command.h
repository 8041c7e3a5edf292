#pragma once

#include "platform/BaseDonnees.h"

#include <QString>

#include <memory>

namespace brivane::dbase {

// A statement object bound to a connection: set its text, then execute it.
struct Command final {
  platform::BaseDonnees* ActiveConnection = nullptr;
  QString CommandText;

  // The row set of the statement; throws platform::ErreurBaseDonnees.
  std::unique_ptr<platform::JeuLignes> Execute() const {
    return ActiveConnection->Execute(CommandText);
  }
};

}  // namespace brivane::dbase
