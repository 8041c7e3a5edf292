#include "document/Item.h"

#include "document/Validation.h"

namespace brivane {

bool Item::IsValide(std::int32_t typeSys) {
  using validation::Regle;
  using validation::Si;

  // In table order; each rule names the failure under code 1 and under code 2.
  const Regle regles[] = {
      {Si::Vide(code_), Si::Vide(code_), u"Le numéro d'article est obligatoire."},
      {Si::Jamais(), Si::PlusDe(code_.size(), 21),
       u"Le numéro d'article est limité à 21 caractères."},
      {Si::PlusDe(code_.size(), 20), Si::Jamais(),
       u"Le numéro d'article est limité à 20 caractères."},
      {Si::Vide(description_), Si::Vide(description_), u"La description est obligatoire."},
      {Si::Jamais(), Si::PlusDe(description_.size(), 63),
       u"La description est limitée à 63 caractères."},
      {Si::PlusDe(description_.size(), 60), Si::Jamais(),
       u"La description est limitée à 60 caractères."},
      {Si::Jamais(), Si::Vide(fournisseur_), u"Le numéro de fournisseur est obligatoire."},
      {Si::Jamais(), Si::PlusDe(fournisseur_.size(), 10),
       u"Le numéro fournisseur est limité à 10 caractères."},
      {Si::Jamais(), Si::Vide(posteGlVente_), u"Le poste de vente du grand livre est obligatoire."},
      {Si::Jamais(), Si::PlusDe(posteGlVente_.size(), 5),
       u"Le numéro du poste de vente est limité à 5 caractères."},
      {Si::Jamais(), Si::Vide(posteGlAchat_),
       u"Le poste d'inventaire du grand livre est obligatoire."},
      {Si::Jamais(), Si::PlusDe(posteGlAchat_.size(), 5),
       u"Le poste d'achat est limité à 5 caractères."},
      {Si::Echec(groupeProduit_ == 0), Si::Jamais(), u"Le groupe de produit est obligatoire."},
      {Si::Jamais(), Si::PlusDe(format_.size(), 20), u"Le format est limité à 20 caractères."},
      {Si::PlusDe(format_.size(), 15), Si::Jamais(), u"Le format est limité à 15 caractères."},
      {Si::Jamais(), Si::PlusDe(departement_.size(), 10),
       u"Le département est limité à 10 caractères."},
      {Si::Jamais(), Si::PlusDe(specification_.size(), 20),
       u"La spécification est limité à 20 caractères."},
      {Si::Jamais(), Si::PlusDe(sousGroupe_.size(), 10),
       u"Le sous groupe est limité à 10 caractères."},
      {Si::PlusDe(sousGroupe_.size(), 5), Si::Jamais(),
       u"Le sous groupe est limité à 5 caractères."},
      {Si::Jamais(), Si::PlusDe(localisation_.size(), 8),
       u"La localisation est limité à 8 caractères."},
      {Si::PlusDe(localisation_.size(), 15), Si::Jamais(),
       u"La localisation est limité à 15 caractères."},
  };
  return validation::Appliquer(regles, typeSys, message_);
}

}  // namespace brivane
