#include "document/Item.h"

#include "document/Validation.h"

#include <array>

namespace brivane {

namespace {

// Two texts are the same value when equal and both null or both not: a
// getter gives back exactly what its setter was given.
bool Meme(const QString& a, const QString& b) { return a.isNull() == b.isNull() && a == b; }

}  // namespace

bool Item::Attributs::operator==(const Attributs& autre) const {
  return Meme(fournisseur, autre.fournisseur) && Meme(posteGlVente, autre.posteGlVente) &&
         Meme(posteGlAchat, autre.posteGlAchat) && Meme(codeActivite, autre.codeActivite) &&
         Meme(format, autre.format) && Meme(departement, autre.departement) &&
         Meme(specification, autre.specification) && Meme(projet, autre.projet) &&
         Meme(glVente, autre.glVente) && Meme(sousGroupe, autre.sousGroupe) &&
         Meme(localisation, autre.localisation);
}

const Item::Attributs& Item::attributs() const {
  static const Attributs vides;
  return attributs_ ? *attributs_ : vides;
}

void Item::Modifier(QString Attributs::*champ, const QString& v) {
  if (Meme(attributs().*champ, v)) {
    return;
  }
  Attributs nouveaux = attributs();
  nouveaux.*champ = v;
  // The lines of one file are filled one after the other with the same
  // texts: the few sets of texts made last are looked up before a new one is
  // made, so that a whole invoice holds them once.
  thread_local std::array<std::shared_ptr<const Attributs>, 8> recents;
  thread_local std::size_t prochain = 0;
  for (const auto& r : recents) {
    if (r && *r == nouveaux) {
      attributs_ = r;
      return;
    }
  }
  attributs_ = std::make_shared<const Attributs>(std::move(nouveaux));
  recents[prochain] = attributs_;
  prochain = (prochain + 1) % recents.size();
}

bool Item::IsValide(std::int32_t typeSys) {
  using validation::Regle;
  using validation::Si;
  const Attributs& a = attributs();

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
      {Si::Jamais(), Si::Vide(a.fournisseur), u"Le numéro de fournisseur est obligatoire."},
      {Si::Jamais(), Si::PlusDe(a.fournisseur.size(), 10),
       u"Le numéro fournisseur est limité à 10 caractères."},
      {Si::Jamais(), Si::Vide(a.posteGlVente),
       u"Le poste de vente du grand livre est obligatoire."},
      {Si::Jamais(), Si::PlusDe(a.posteGlVente.size(), 5),
       u"Le numéro du poste de vente est limité à 5 caractères."},
      {Si::Jamais(), Si::Vide(a.posteGlAchat),
       u"Le poste d'inventaire du grand livre est obligatoire."},
      {Si::Jamais(), Si::PlusDe(a.posteGlAchat.size(), 5),
       u"Le poste d'achat est limité à 5 caractères."},
      {Si::Echec(groupeProduit_ == 0), Si::Jamais(), u"Le groupe de produit est obligatoire."},
      {Si::Jamais(), Si::PlusDe(a.format.size(), 20), u"Le format est limité à 20 caractères."},
      {Si::PlusDe(a.format.size(), 15), Si::Jamais(), u"Le format est limité à 15 caractères."},
      {Si::Jamais(), Si::PlusDe(a.departement.size(), 10),
       u"Le département est limité à 10 caractères."},
      {Si::Jamais(), Si::PlusDe(a.specification.size(), 20),
       u"La spécification est limité à 20 caractères."},
      {Si::Jamais(), Si::PlusDe(a.sousGroupe.size(), 10),
       u"Le sous groupe est limité à 10 caractères."},
      {Si::PlusDe(a.sousGroupe.size(), 5), Si::Jamais(),
       u"Le sous groupe est limité à 5 caractères."},
      {Si::Jamais(), Si::PlusDe(a.localisation.size(), 8),
       u"La localisation est limité à 8 caractères."},
      {Si::PlusDe(a.localisation.size(), 15), Si::Jamais(),
       u"La localisation est limité à 15 caractères."},
  };
  return validation::Appliquer(regles, typeSys, message_);
}

}  // namespace brivane
