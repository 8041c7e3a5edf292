#include "settings/StockageAvecCoffre.h"

#include "settings/ConfigurationTransfert.h"

namespace brivane {

namespace {

using platform::ReponseCoffre;

bool EstMotDePasse(const QString& application, const QString& section, const QString& key) {
  return application == kApplication && section == kSectionAcomba && key == cles::PWDAcomba;
}

}  // namespace

StockageAvecCoffre::StockageAvecCoffre(platform::StockageReglages& fichier,
                                       const QString& emplacement,
                                       platform::CoffreMotDePasse& coffre)
    : fichier_(fichier),
      emplacement_(emplacement),
      coffre_(coffre),
      compte_(kSectionAcomba + u'/' + cles::PWDAcomba + u'@' + emplacement) {}

void StockageAvecCoffre::Noter(ReponseCoffre reponse) const {
  repond_ = reponse != ReponseCoffre::Muet;
}

bool StockageAvecCoffre::CoffreRepond() const {
  if (!repond_) {
    QString ignore;
    Noter(coffre_.Lire(compte_, ignore));
  }
  return *repond_;
}

QString StockageAvecCoffre::GetSetting(const QString& application, const QString& section,
                                       const QString& key, const QString& defaut) const {
  if (!EstMotDePasse(application, section, key)) {
    return fichier_.GetSetting(application, section, key, defaut);
  }
  // A password left in the file wins: it is the latest one saved where no
  // keyring answered, or one the keyring has not received yet.
  const QString dansFichier = fichier_.GetSetting(application, section, key, QString());
  if (!dansFichier.isEmpty()) {
    return dansFichier;
  }
  QString motDePasse;
  const ReponseCoffre reponse = coffre_.Lire(compte_, motDePasse);
  Noter(reponse);
  if (reponse == ReponseCoffre::Fait) {
    return motDePasse;
  }
  return fichier_.GetSetting(application, section, key, defaut);
}

bool StockageAvecCoffre::SaveSetting(const QString& application, const QString& section,
                                     const QString& key, const QString& valeur) {
  if (!EstMotDePasse(application, section, key)) {
    return fichier_.SaveSetting(application, section, key, valeur);
  }
  const ReponseCoffre reponse =
      valeur.isEmpty() ? coffre_.Supprimer(compte_) : coffre_.Ecrire(compte_, valeur);
  Noter(reponse);
  if (reponse == ReponseCoffre::Fait) {
    // In the keyring now: no copy may stay in the file, where it would win.
    return fichier_.DeleteSetting(application, section, key);
  }
  // No keyring: the file, as before keyrings. An entry it may still hold is
  // hidden by the file's value, except an empty one (the keyring's is read
  // again once it answers).
  return fichier_.SaveSetting(application, section, key, valeur);
}

bool StockageAvecCoffre::DeleteSetting(const QString& application, const QString& section,
                                       const QString& key) {
  if (EstMotDePasse(application, section, key)) {
    Noter(coffre_.Supprimer(compte_));
  }
  return fichier_.DeleteSetting(application, section, key);
}

bool StockageAvecCoffre::Lisible(const QString& application, QString& raison) const {
  return fichier_.Lisible(application, raison);
}

QString StockageAvecCoffre::EmplacementValeur(const QString& application, const QString& section,
                                              const QString& key) const {
  if (!EstMotDePasse(application, section, key)) {
    return fichier_.EmplacementValeur(application, section, key);
  }
  if (!CoffreRepond()) {
    return QStringLiteral(
               "Aucun trousseau du système ne répond\u00a0: le mot de passe est gardé avec les "
               "autres réglages, dans «\u00a0%1\u00a0», lisible par vous seul.")
        .arg(emplacement_);
  }
  if (!fichier_.GetSetting(application, section, key, QString()).isEmpty()) {
    return QStringLiteral(
               "Le mot de passe est encore dans «\u00a0%1\u00a0»\u00a0: il passera dans %2 au "
               "prochain enregistrement.")
        .arg(emplacement_, coffre_.Nom());
  }
  return QStringLiteral("Le mot de passe est gardé dans %1.").arg(coffre_.Nom());
}

}  // namespace brivane
