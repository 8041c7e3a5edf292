#pragma once

#include "platform/Erreur.h"

#include <cstdint>

namespace brivane::platform {

// A failure of the database layer: a number and a French description that
// the back end passes on to the user unchanged.
class ErreurBaseDonnees : public Erreur {
 public:
  // Numbers of our own (status codes of SQLite itself are positive).
  static constexpr std::int32_t kCannotOpen = -2001;
  static constexpr std::int32_t kStatementRefused = -2002;
  static constexpr std::int32_t kValueDoesNotFit = -2003;
  static constexpr std::int32_t kCorruptTable = -2004;
  static constexpr std::int32_t kIndexedTable = -2005;
  static constexpr std::int32_t kInputOutput = -2006;
  static constexpr std::int32_t kLocked = -2007;
  static constexpr std::int32_t kNoRow = -2008;
  static constexpr std::int32_t kNoColumn = -2009;
  static constexpr std::int32_t kUnsupported = -2010;
  static constexpr std::int32_t kChangedMeanwhile = -2011;

  using Erreur::Erreur;
  std::int32_t number() const { return numero(); }
};

}  // namespace brivane::platform
