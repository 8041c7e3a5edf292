#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <exception>
#include <utility>

namespace brivane::platform {

// The base of the project's own failures: a number and a French description
// that reaches the user unchanged. Each layer derives its own kind, so that a
// handler catches only the failures of the layer it calls.
class Erreur : public std::exception {
 public:
  Erreur(std::int32_t numero, QString description)
      : numero_(numero), description_(std::move(description)), what_(description_.toUtf8()) {}

  std::int32_t numero() const { return numero_; }
  const QString& description() const { return description_; }
  const char* what() const noexcept override { return what_.constData(); }

 private:
  std::int32_t numero_;
  QString description_;
  QByteArray what_;
};

}  // namespace brivane::platform
