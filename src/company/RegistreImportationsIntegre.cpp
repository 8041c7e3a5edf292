#include "company/RegistreImportationsIntegre.h"

#include "company/EnregistrementIntegre.h"

namespace brivane::company {

using acomba::kIntrouvable;
using acomba::kSucces;
using integre::EtatCompagnie;
using integre::Garde;
using integre::RequetePreparee;

RegistreImportationsIntegre::RegistreImportationsIntegre(std::shared_ptr<EtatCompagnie> etat)
    : etat_(std::move(etat)) {}

std::int32_t RegistreImportationsIntegre::Acces() const {
  if (!etat_->base) {
    return statuts::kCompagnieFermee;
  }
  if (etat_->endommagee) {
    return statuts::kCompagnieEndommagee;
  }
  return etat_->utilisateur == 0 ? statuts::kNonConnecte : kSucces;
}

std::int32_t RegistreImportationsIntegre::Chercher(const QString& empreinte) {
  etat_->raison.clear();
  trouve_ = {};
  if (const std::int32_t a = Acces()) {
    return a;
  }
  return Garde(*etat_, [&] {
    // Held from the lookup on: another import of the same content waits for
    // this posting to end, then finds its record.
    etat_->base->OuvrirPostage();
    const RequetePreparee r(*etat_,
                            QStringLiteral("SELECT journal, numero_journal, moment, "
                                           "numero_document FROM importation WHERE empreinte = ? "
                                           "ORDER BY position DESC LIMIT 1"));
    r->Lier(1, empreinte);
    if (!r->Suivante()) {
      return kIntrouvable;
    }
    trouve_ = {empreinte, r->Texte(0), r->Entier(1),
               QDateTime::fromString(r->Texte(2), Qt::ISODate), r->Texte(3)};
    return kSucces;
  });
}

std::int32_t RegistreImportationsIntegre::Noter(const RegistreImportation& registre) {
  etat_->raison.clear();
  if (const std::int32_t a = Acces()) {
    return a;
  }
  return Garde(*etat_, [&] {
    etat_->base->Ecriture([&] {
      const RequetePreparee r(*etat_, QStringLiteral("INSERT INTO importation (empreinte, journal, "
                                                     "numero_journal, moment, numero_document) "
                                                     "VALUES (?, ?, ?, ?, ?)"));
      r->Lier(1, registre.empreinte).Lier(2, registre.journal);
      r->LierEntier(3, registre.numero);
      r->Lier(4, registre.moment.toUTC().toString(Qt::ISODate)).Lier(5, registre.numeroDocument);
      r->Executer();
    });
    return kSucces;
  });
}

std::int32_t RegistreImportationsIntegre::Valider() {
  etat_->raison.clear();
  if (!etat_->base) {
    return statuts::kCompagnieFermee;
  }
  return integre::ValiderPostage(*etat_);
}

std::int32_t RegistreImportationsIntegre::Abandonner() {
  etat_->raison.clear();
  if (!etat_->base) {
    return statuts::kCompagnieFermee;
  }
  etat_->base->AnnulerPostage();
  return kSucces;
}

}  // namespace brivane::company
