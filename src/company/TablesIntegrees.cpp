#include "company/TablesIntegrees.h"

namespace brivane::company::integre {

namespace {

Colonne E(const char* nom) { return {QString::fromLatin1(nom), Type::Entier}; }
Colonne T(const char* nom) { return {QString::fromLatin1(nom), Type::Texte}; }
Colonne R(const char* nom) { return {QString::fromLatin1(nom), Type::Reel}; }

}  // namespace

const Table& TableUtilisateur() {
  static const Table t{QStringLiteral("utilisateur"),
                       QStringLiteral("code"),
                       {E("numero"), T("code"), T("nom")},
                       false,
                       true};
  return t;
}
const Table& TableClient() {
  static const Table t{
      QStringLiteral("client"),
      QStringLiteral("numero"),
      {T("numero"), E("constante_1"), E("constante_2"), E("constante_3"), T("nom"), T("adresse"),
       T("ville"), T("courriel_1"), T("courriel_2"), T("telephone_1"), T("telephone_2"),
       T("telephone_3"), T("code_postal"), T("province"), T("au_soin_de"), T("pays")}};
  return t;
}
const Table& TableProduit() {
  static const Table t{QStringLiteral("produit"),
                       QStringLiteral("numero"),
                       {T("numero"), E("groupe"), E("constante_1"), T("description_1"),
                        T("description_2"), T("localisation"), T("sous_groupe"), R("prix_0"),
                        R("prix_1"), R("prix_2"), R("prix_3"), T("format")}};
  return t;
}
const Table& TableGroupe() {
  static const Table t{
      QStringLiteral("groupe_produit"), QStringLiteral("numero"), {E("numero"), T("description")}};
  return t;
}
const Table& TableTaxe() {
  static const Table t{QStringLiteral("taxe"),
                       QStringLiteral("code"),
                       {T("code"), E("reference"), E("valeur"), E("taux_0"), E("taux_1"),
                        E("taux_2"), T("description")}};
  return t;
}
const Table& TableVendeur() {
  static const Table t{
      QStringLiteral("vendeur"), QStringLiteral("code"), {E("numero"), T("code"), T("nom")}};
  return t;
}
const Table& TableCompagnie() {
  static const Table t{
      QStringLiteral("compagnie"), QString(), {T("nom"), E("periode"), T("creee_le")}, true, true};
  return t;
}
const Table& TableTransaction() {
  static const Table t{QStringLiteral("transac"),
                       QStringLiteral("numero"),
                       {T("numero"),
                        E("type"),
                        E("constante_1"),
                        E("constante_2"),
                        T("client"),
                        E("nombre_lignes"),
                        T("nom_facturation"),
                        T("au_soin_de_facturation"),
                        T("adresse_facturation"),
                        T("ville_facturation"),
                        T("code_postal_facturation"),
                        T("pays_facturation"),
                        T("nom_livraison"),
                        T("au_soin_de_livraison"),
                        T("adresse_livraison"),
                        T("ville_livraison"),
                        T("code_postal_livraison"),
                        T("pays_livraison"),
                        T("conditions"),
                        {QStringLiteral("vendeur"), Type::Entier, true},
                        E("miroir_1"),
                        E("miroir_2"),
                        T("miroir_3"),
                        E("utilisateur"),
                        T("ajoutee_le")}};
  return t;
}

const std::vector<const Table*>& Tables() {
  static const std::vector<const Table*> tables{
      &TableUtilisateur(), &TableClient(),  &TableProduit(),   &TableGroupe(),
      &TableTaxe(),        &TableVendeur(), &TableCompagnie(), &TableTransaction()};
  return tables;
}

}  // namespace brivane::company::integre
