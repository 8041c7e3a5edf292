#include "company/ErreurBase.h"

#include <sqlite3.h>

namespace brivane::company {

std::int32_t StatutSqlite(int code) {
  switch (code) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
      return statuts::kCleEnDouble;
    case SQLITE_CONSTRAINT_FOREIGNKEY:
      return statuts::kReferenceInexistante;
    default:
      break;
  }
  switch (code & 0xFF) {
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG:
      return statuts::kValeurRefusee;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
      return statuts::kCompagnieEndommagee;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return statuts::kCompagnieOccupee;
    case SQLITE_FULL:
      return statuts::kDisquePlein;
    case SQLITE_READONLY:
      return statuts::kLectureSeule;
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return statuts::kAccesImpossible;
    default:
      return statuts::kErreurBase;
  }
}

ErreurBase::ErreurBase(const platform::sqlite::ErreurSqlite& e)
    : Erreur(StatutSqlite(e.code()), e.description()) {}

[[noreturn]] void EchecSqlite(sqlite3* db, int code) {
  throw ErreurBase(platform::sqlite::ErreurSqlite::De(db, code));
}

QString TexteStatut(std::int32_t statut) {
  switch (statut) {
    case 0:
      return QStringLiteral("Aucune erreur.");
    case 10:
      return QStringLiteral("Enregistrement introuvable.");
    case statuts::kCleEnDouble:
      return QStringLiteral("Un enregistrement portant cette clé existe déjà.");
    case statuts::kMotDePasseInvalide:
      return QStringLiteral("Mot de passe invalide.");
    case statuts::kPasUneCompagnie:
      return QStringLiteral("Ce dossier ne contient pas une compagnie.");
    case statuts::kAjoutSansReservation:
      return QStringLiteral("Ajout refusé : aucun nouvel enregistrement n'a été réservé.");
    case statuts::kModificationSansReservation:
      return QStringLiteral("Modification refusée : l'enregistrement n'a pas été réservé.");
    case statuts::kCompagnieEndommagee:
      return QStringLiteral(
          "Le fichier de la compagnie est endommagé. Vérifiez-le avec brivane-company "
          "--verifier.");
    case statuts::kCompagnieFermee:
      return QStringLiteral("Aucune compagnie n'est ouverte.");
    case statuts::kNonConnecte:
      return QStringLiteral("Aucun utilisateur n'est connecté à la compagnie.");
    case statuts::kCleInconnue:
      return QStringLiteral("Numéro de clé de recherche inconnu.");
    case statuts::kValeurRefusee:
      return QStringLiteral(
          "Une valeur de l'enregistrement est refusée (champ obligatoire vide ?).");
    case statuts::kAccesImpossible:
      return QStringLiteral("Le fichier de la compagnie ne peut pas être lu ou écrit.");
    case statuts::kDemarrageRefuse:
      return QStringLiteral("Valeur de démarrage refusée.");
    case statuts::kCompagnieOccupee:
      return QStringLiteral(
          "La compagnie est occupée par un autre programme. Réessayez plus tard.");
    case statuts::kPlageInvalide:
      return QStringLiteral("Plage d'enregistrements invalide.");
    case statuts::kVersionInconnue:
      return QStringLiteral(
          "Le fichier de la compagnie vient d'une version plus récente du programme.");
    case statuts::kReferenceInexistante:
      return QStringLiteral("L'enregistrement fait référence à un enregistrement inexistant.");
    case statuts::kLignesIncoherentes:
      return QStringLiteral(
          "Les lignes de la transaction ne correspondent pas au nombre de lignes déclaré.");
    case statuts::kOperationRefusee:
      return QStringLiteral("Opération non permise sur ce type d'enregistrement.");
    case statuts::kErreurBase:
      return QStringLiteral("Erreur de la base de données de la compagnie.");
    case statuts::kDisquePlein:
      return QStringLiteral("Le disque de la compagnie est plein.");
    case statuts::kLectureSeule:
      return QStringLiteral(
          "Le fichier de la compagnie est en lecture seule : rien ne peut y être écrit.");
    default:
      return QStringLiteral("Erreur inconnue.");
  }
}

}  // namespace brivane::company
