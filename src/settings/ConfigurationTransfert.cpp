#include "settings/ConfigurationTransfert.h"

#include <utility>

namespace brivane {

namespace {

QString lire(const platform::StockageReglages& store, const QString& cle) {
  return store.GetSetting(kApplication, kSectionAcomba, cle, QString());
}

}  // namespace

ConfigurationTransfert ConfigurationTransfert::Lire(const platform::StockageReglages& store) {
  ConfigurationTransfert c;
  c.PathCie = lire(store, cles::PathCie);
  c.PathAcomba = lire(store, cles::PathAcomba);
  c.UserAcomba = lire(store, cles::UserAcomba);
  c.PWDAcomba = lire(store, cles::PWDAcomba);
  c.GroupeProd = lire(store, cles::GroupeProd);
  c.DossierTraite = lire(store, cles::DossierTraite);
  c.SystemeComptable = lire(store, cles::SystemeComptable);
  c.Fournisseur = lire(store, cles::Fournisseur);
  c.PosteGlVente = lire(store, cles::PosteGlVente);
  c.PosteGlAchat = lire(store, cles::PosteGlAchat);
  return c;
}

bool ConfigurationTransfert::Enregistrer(platform::StockageReglages& store) const {
  const std::pair<const QString&, const QString&> valeurs[] = {
      {cles::PathCie, PathCie},
      {cles::PathAcomba, PathAcomba},
      {cles::UserAcomba, UserAcomba},
      {cles::PWDAcomba, PWDAcomba},
      {cles::GroupeProd, GroupeProd},
      {cles::DossierTraite, DossierTraite},
      {cles::SystemeComptable, SystemeComptable},
      {cles::Fournisseur, Fournisseur},
      {cles::PosteGlVente, PosteGlVente},
      {cles::PosteGlAchat, PosteGlAchat},
  };
  // Every value is written even after a failure, so that as much as possible is kept.
  bool ok = true;
  for (const auto& [cle, valeur] : valeurs) {
    ok = store.SaveSetting(kApplication, kSectionAcomba, cle, valeur) && ok;
  }
  return ok;
}

std::int32_t ConfigurationTransfert::Systeme() const {
  if (SystemeComptable.isEmpty() || SystemeComptable == QStringLiteral("1")) {
    return kSystemeSdk;
  }
  if (SystemeComptable == QStringLiteral("2")) {
    return kSystemeDbase;
  }
  return 0;
}

bool ConfigurationTransfert::EstComplete() const {
  switch (Systeme()) {
    case kSystemeSdk:
      return !PathAcomba.isEmpty() && !GroupeProd.isEmpty() && !PathCie.isEmpty() &&
             !PWDAcomba.isEmpty() && !UserAcomba.isEmpty();
    case kSystemeDbase:
      return !PathCie.isEmpty() && !GroupeProd.isEmpty() && !Fournisseur.isEmpty() &&
             !PosteGlVente.isEmpty() && !PosteGlAchat.isEmpty();
    default:
      return false;
  }
}

QString ConfigurationTransfert::MessageIncomplete() const {
  switch (Systeme()) {
    case kSystemeSdk:
      return QStringLiteral(
          "La configuration du transfert pour Acomba n'est pas compléte. Veuillez la faire avant "
          "de continuer.");
    case kSystemeDbase:
      return QStringLiteral(
          "La configuration du transfert vers les tables dBASE n'est pas complète (dossier de la "
          "compagnie, groupe de produit, fournisseur et postes du grand livre). Veuillez la "
          "faire avant de continuer.");
    default:
      return QStringLiteral(
                 "Le système comptable «\u00a0%1\u00a0» de la configuration est inconnu\u00a0: "
                 "choisissez 1 ou 2 dans la fenêtre «\u00a0Configuration Acomba\u00a0», puis "
                 "réessayez.")
          .arg(SystemeComptable);
  }
}

}  // namespace brivane
