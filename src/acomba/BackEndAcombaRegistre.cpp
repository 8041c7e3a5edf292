// The SDK back end's use of the record of imports and of the posting's own
// transaction, where the provider offers them.
#include "acomba/BackEndAcomba.h"

#include "document/ComSoum.h"

namespace brivane::acomba {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

}  // namespace

bool BackEndAcomba::AnnulerPostage() {
  if (!registre_) {
    return false;
  }
  try {
    if (registre_->Abandonner() != kSucces) {
      return false;
    }
  } catch (...) {
    return false;  // the failure being reported matters more
  }
  SignalerEcrituresAnnulees();
  SignalerNumeroDocument(QString());
  return true;
}

void BackEndAcomba::Fermer(bool valider) {
  if (registre_ && valider) {
    const std::int32_t statut = registre_->Valider();
    if (statut != kSucces) {
      SignalerEcrituresAnnulees();
      SignalerNumeroDocument(QString());
      const QString texte = session_->TexteErreur(statut);
      FermerSessionAcomba();
      throw ErreurInattendue(statut, texte);
    }
  } else if (registre_) {
    const QString ecrit = TexteEcrit();
    if (AnnulerPostage()) {
      if (!ecrit.isEmpty()) {
        RemplacerMessage(document().Message() + kCrLf +
                         QStringLiteral("Rien n'a été gardé : ce que ce transfert avait écrit "
                                        "dans la compagnie a été annulé."));
      }
    } else {
      RemplacerMessage(document().Message() + ecrit);
    }
  }
  FermerSessionAcomba();
}

bool BackEndAcomba::ConsulterRegistre() {
  if (registreConsulte_) {
    return true;
  }
  registreConsulte_ = true;
  const ReferenceImportation& reference = importation();
  if (!registre_ || reference.empreinte.isEmpty()) {
    return true;
  }
  const std::int32_t statut = registre_->Chercher(reference.empreinte);
  if (statut == kSucces && reference.refuserSiDejaPostee) {
    SignalerDejaPostee(registre_->Registre());
    return false;
  }
  if (statut != kSucces && statut != kIntrouvable) {
    RemplacerMessage(MessageSdk(statut));
    return false;
  }
  return true;
}

bool BackEndAcomba::NoterRegistre(const QString& numero) {
  const ReferenceImportation& reference = importation();
  if (!registre_ || reference.empreinte.isEmpty()) {
    return true;
  }
  const std::int32_t statut =
      registre_->Noter({reference.empreinte, reference.journal, reference.numero,
                        QDateTime::currentDateTimeUtc(), numero});
  if (statut != kSucces) {
    RemplacerMessage(
        QStringLiteral("Le registre des importations de la compagnie n'a pas pu noter ce "
                       "transfert.") +
        kCrLf + MessageSdk(statut));
    return false;
  }
  return true;
}

}  // namespace brivane::acomba
