#pragma once

#include <QString>

#include <cstdint>
#include <exception>

namespace brivane {

// A failure that a back end cannot handle itself (a failed SDK or database
// call). Enregistrer catches it and reports its number and description.
class ErreurInattendue : public std::exception {
 public:
  // Numbers of our own, for failures that carry no status of their own.
  static constexpr std::int32_t kBackEndIndisponible = -1001;
  static constexpr std::int32_t kErreurInterne = -1002;
  static constexpr std::int32_t kMemoireInsuffisante = -1003;

  ErreurInattendue(std::int32_t numero, QString description)
      : numero_(numero), description_(std::move(description)), what_(description_.toUtf8()) {}

  std::int32_t numero() const { return numero_; }
  const QString& description() const { return description_; }
  const char* what() const noexcept override { return what_.constData(); }

 private:
  std::int32_t numero_;
  QString description_;
  QByteArray what_;
};

}  // namespace brivane
