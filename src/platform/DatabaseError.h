#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <exception>

namespace brivane::platform {

// A failure of the database layer: a number and a French description that
// the back end passes on to the user unchanged.
class DatabaseError : public std::exception {
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

  DatabaseError(std::int32_t number, QString description)
      : number_(number), description_(std::move(description)), what_(description_.toUtf8()) {}

  std::int32_t number() const { return number_; }
  const QString& description() const { return description_; }
  const char* what() const noexcept override { return what_.constData(); }

 private:
  std::int32_t number_;
  QString description_;
  QByteArray what_;
};

}  // namespace brivane::platform
