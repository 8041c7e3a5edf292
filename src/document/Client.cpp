#include "document/Client.h"

#include "document/Validation.h"

namespace brivane {

bool Client::IsValide(std::int32_t typeSys) {
  using validation::Regle;
  using validation::Si;
  const auto longueur = [](const QString& s) { return s.size(); };
  const auto telephoneValide = [](const QString& s) {
    const auto n = s.size();
    return n == 0 || n == 7 || n == 10 || n == 11;
  };

  // In table order; each rule names the failure under code 1 and under code 2.
  const Regle regles[] = {
      {Si::Vide(numero_), Si::Vide(numero_), u"Code de client obligatoire."},
      {Si::Jamais(), Si::PlusDe(longueur(numero_), 10),
       u"Le numéro de client est limité à 10 caractères."},
      {Si::PlusDe(longueur(numero_), 20), Si::Jamais(),
       u"Le numéro de client est limité à 20 caractères."},
      {Si::Vide(nom_), Si::Vide(nom_), u"Nom de client obligatoire."},
      {Si::Jamais(), Si::PlusDe(longueur(nom_), 45),
       u"Le nom du client est limité à 45 caractères."},
      {Si::PlusDe(longueur(nom_), 40), Si::Jamais(),
       u"Le nom du client est limité à 40 caractères."},
      {Si::Jamais(), Si::PlusDe(longueur(adresse_), 45),
       u"L'adresse du client est limité à 45 caractères."},
      {Si::PlusDe(longueur(adresse_), 40), Si::Jamais(),
       u"L'adresse du client est limité à 40 caractères."},
      {Si::Jamais(), Si::PlusDe(longueur(ville_), 30),
       u"La ville du client est limitée à 30 carractères."},
      {Si::PlusDe(longueur(ville_), 40), Si::Jamais(),
       u"La ville du client est limitée à 40 caractères."},
      {Si::PlusDe(longueur(province_), 2), Si::PlusDe(longueur(province_), 2),
       u"Le code de province du client est limité à 2 caractères."},
      {Si::Jamais(), Si::PlusDe(longueur(cp_), 7),
       u"Le code postal du client est limitée à 7 caractères."},
      {Si::PlusDe(longueur(cp_), 11), Si::Jamais(),
       u"Le code postal du client est limitée à 11 caractères."},
      {Si::Jamais(), Si::PlusDe(longueur(noTelephone_), 12),
       u"Le téléphone du client est limité à 12 caractères."},
      {Si::Jamais(), Si::Echec(!telephoneValide(noTelephone_)),
       u"Le téléphone du client est validé à 7, 10 ou 11 caractères."},
      {Si::Jamais(), Si::PlusDe(longueur(noFax_), 12),
       u"Le fax du client est limité à 12 caractères."},
      {Si::Echec(!telephoneValide(noFax_)), Si::Jamais(),
       u"Le fax du client est validé à 7, 10 ou 11 carractères."},
      {Si::Jamais(), Si::PlusDe(longueur(courriel_), 60),
       u"Le courriel du client est limité à 60 caractères."},
      {Si::PlusDe(longueur(courriel_), 80), Si::Jamais(),
       u"Le courriel du client est limité à 80 caractères."},
      {Si::Jamais(), Si::PlusDe(longueur(pays_), 3),
       u"Le pays du client est limité à 3 caractères."},
      {Si::PlusDe(longueur(pays_), 2), Si::Jamais(),
       u"Le pays du client est limité à 2 caractères."},
      {Si::Jamais(), Si::PlusDe(longueur(auSoinDe_), 30),
       u"Le champ «Au soin de» du client est limité à 30 caractères."},
      {Si::PlusDe(longueur(auSoinDe_), 40), Si::Jamais(),
       u"Le champ «Au soin de» du client est limité à 40 caractères."},
  };

  const bool resultat = validation::Appliquer(regles, typeSys, message_);
  systemeValidation_ = typeSys;
  return resultat;
}

QString Client::Numero() {
  if (systemeValidation_ == 2 && numero_.size() < 10) {
    numero_ = numero_.rightJustified(10, u'0');
  }
  return numero_;
}

}  // namespace brivane
