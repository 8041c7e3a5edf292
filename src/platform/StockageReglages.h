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
  // Removes the key. A store that cannot remove one empties its value, which
  // readers of a password take as none.
  virtual bool DeleteSetting(const QString& application, const QString& section,
                             const QString& key) {
    return SaveSetting(application, section, key, QString());
  }
  // Where the value of key is kept, as a French sentence for the user; empty
  // when the store has nothing to say.
  virtual QString EmplacementValeur(const QString& application, const QString& section,
                                    const QString& key) const {
    (void)application;
    (void)section;
    (void)key;
    return {};
  }
  // False, with a French sentence naming where they live in raison, when the
  // values of application exist but cannot be read (a damaged file).
  virtual bool Lisible(const QString& application, QString& raison) const {
    (void)application;
    (void)raison;
    return true;
  }
};

}  // namespace brivane::platform
