#pragma once

#include <QString>

namespace brivane::platform {

// The per-user store of text settings, addressed by application, section and
// key. Values are kept exactly as given.
class StockageReglages {
 public:
  virtual ~StockageReglages() = default;
  // The stored text, or defaut when the key is missing.
  virtual QString GetSetting(const QString& application, const QString& section, const QString& key,
                             const QString& defaut) const = 0;
  // Creates or replaces the value. False when the store could not be written.
  virtual bool SaveSetting(const QString& application, const QString& section, const QString& key,
                           const QString& valeur) = 0;
  // False, with a French sentence naming where they live in raison, when the
  // values of application exist but cannot be read (a damaged file).
  virtual bool Lisible(const QString& application, QString& raison) const {
    (void)application;
    (void)raison;
    return true;
  }
};

}  // namespace brivane::platform
