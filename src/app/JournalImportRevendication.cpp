// The claims of the import journal: one import of a content at a time, a
// claim left by a stopped import taken over, and the journal's identity.
#include "app/JournalImport.h"

#include "app/JournalImportInterne.h"
#include "platform/os/Fichier.h"

#include <sqlite3.h>

namespace brivane {

using namespace journal;

void SqliteJournalImport::Executer(const char* sql) {
  try {
    RequeteSqlite::ExecuterTexte(db_, sql);
  } catch (const ErreurSqlite& e) {
    throw Traduire(e);
  }
}

void SqliteJournalImport::Annuler() {
  if (db_ == nullptr) {
    return;  // closed by Raison, which rolled it back
  }
  if (const int code = sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
      code != SQLITE_OK) {
    Raison(code, sqlite3_system_errno(db_));
  }
}

void SqliteJournalImport::Transaction(const std::function<bool()>& corps) {
  Executer("BEGIN IMMEDIATE");
  bool valider = false;
  try {
    valider = corps();
    if (valider) {
      RequeteSqlite::ExecuterTexte(db_, "COMMIT");
    }
  } catch (const ErreurSqlite& e) {
    const ErreurJournal erreur = Traduire(e);
    Annuler();
    throw erreur;
  } catch (...) {
    Annuler();
    throw;
  }
  if (!valider) {
    Annuler();
  }
}

bool SqliteJournalImport::Tenir(qint64 numero) {
  if (tenus_.count(numero) != 0) {
    return false;  // this process's own import holds it
  }
  if (verrous_) {
    try {
      if (!verrous_->Verrouiller(static_cast<std::uint64_t>(numero), 1,
                                 os::Fichier::GenreVerrou::Exclusif,
                                 std::chrono::milliseconds(0))) {
        return false;
      }
    } catch (const os::ErreurOs&) {
      return false;
    }
  }
  tenus_.insert(numero);
  return true;
}

void SqliteJournalImport::Lacher(qint64 numero) {
  if (tenus_.erase(numero) == 0) {
    return;
  }
  if (verrous_) {
    try {
      verrous_->Deverrouiller(static_cast<std::uint64_t>(numero), 1);
    } catch (const os::ErreurOs&) {
      // Released with the file when the journal closes.
    }
  }
}

Revendication SqliteJournalImport::Revendiquer(const EntreeJournal& entree, bool forcer) {
  Ouvrir();
  Revendication resultat;
  qint64 tenu = 0;  // the claim byte this call took
  const auto lireEntree = [&](qint64 numero, EntreeJournal& e) {
    RequeteSqlite r(db_, SelectionEntrees(" WHERE numero = ?1"));
    r.LierEntier(1, numero);
    if (!r.Suivante()) {
      return false;
    }
    e = LireEntree(r);
    return true;
  };
  // The content's key, ?1 to ?3 of every statement that looks for it.
  const auto lierContenu = [&](RequeteSqlite& r) {
    r.LierTexte(1, entree.empreinte).LierTexte(2, entree.compagnie).LierEntier(3, entree.systeme);
  };
  const auto inscrire = [&](qint64 numero) {
    RequeteSqlite r(db_, QStringLiteral("INSERT INTO revendication (empreinte, compagnie,"
                                        " systeme, numero) VALUES (?1, ?2, ?3, ?4)"));
    lierContenu(r);
    r.LierEntier(4, numero);
    r.Executer();
  };
  // The claim taken over is this run's now: it names this run's file.
  const auto reprendre = [&](EntreeJournal e, bool nouvelleRevendication) {
    if (nouvelleRevendication) {
      inscrire(e.numero);
    }
    RequeteSqlite r(db_, QStringLiteral("UPDATE importation SET fichier = ?1 WHERE numero = ?2"));
    r.LierTexte(1, entree.fichier).LierEntier(2, e.numero);
    r.Executer();
    e.fichier = entree.fichier;
    resultat = {IssueRevendication::Reprise, e};
    return true;
  };

  // Each answer that is only what was read writes nothing: false rolls back.
  const auto revendiquer = [&] {
    // A claim on the content: alive, or left by an import that stopped.
    {
      RequeteSqlite r(db_, QStringLiteral("SELECT numero FROM revendication WHERE empreinte = ?1"
                                          " AND compagnie = ?2 AND systeme = ?3"));
      lierContenu(r);
      if (r.Suivante()) {
        const qint64 numero = r.Entier(0);
        EntreeJournal trouvee;
        const bool lue = lireEntree(numero, trouvee);
        // Posting, or posted and not moved yet: the claim still guards it.
        const bool gardee =
            lue && (trouvee.etat == EtatImport::EnCours || trouvee.etat == EtatImport::Transferee);
        if (gardee && !Tenir(numero)) {
          resultat = {IssueRevendication::EnCoursAilleurs, trouvee};
          return false;
        }
        if (gardee && trouvee.etat == EtatImport::EnCours) {
          tenu = numero;
          return reprendre(trouvee, false);
        }
        // A claim with nothing left to guard (its import stopped after
        // posting, or ended): gone, and the entry answers for itself below.
        RequeteSqlite suppression(db_,
                                  QStringLiteral("DELETE FROM revendication WHERE numero = ?1"));
        suppression.LierEntier(1, numero);
        suppression.Executer();
        if (gardee) {
          Lacher(numero);
        }
        if (gardee && !forcer) {
          resultat = {IssueRevendication::DejaTransferee, trouvee};
          return true;
        }
      }
    }

    if (!forcer) {
      RequeteSqlite r(db_, SelectionEntrees(" WHERE empreinte = ?1 AND compagnie = ?2 AND "
                                            "systeme = ?3 AND etat <> 'refusée'"
                                            " ORDER BY numero DESC LIMIT 1"));
      lierContenu(r);
      if (r.Suivante()) {
        EntreeJournal trouvee = LireEntree(r);
        if (trouvee.etat != EtatImport::EnCours) {
          resultat = {IssueRevendication::DejaTransferee, trouvee};
          return false;
        }
        // En cours without a claim: left by an import that stopped (or by a
        // version of the program that took no claim).
        if (!Tenir(trouvee.numero)) {
          resultat = {IssueRevendication::EnCoursAilleurs, trouvee};
          return false;
        }
        tenu = trouvee.numero;
        return reprendre(trouvee, true);
      }
    }

    EntreeJournal nouvelle = entree;
    nouvelle.etat = EtatImport::EnCours;
    nouvelle.debut = QDateTime::currentDateTimeUtc();
    {
      RequeteSqlite r(db_, QStringLiteral("INSERT INTO importation (empreinte, fichier,"
                                          " compagnie, systeme, etat, debut)"
                                          " VALUES (?1, ?2, ?3, ?4, 'en cours', ?5)"));
      r.LierTexte(1, entree.empreinte).LierTexte(2, entree.fichier);
      r.LierTexte(3, entree.compagnie).LierEntier(4, entree.systeme);
      r.LierTexte(5, Horodatage(nouvelle.debut));
      r.Executer();
    }
    nouvelle.numero = sqlite3_last_insert_rowid(db_);
    // Held before the claim is visible to anyone: a claim seen is never taken
    // for one left behind.
    if (!Tenir(nouvelle.numero)) {
      throw ErreurJournal(
          ErreurJournal::kReservationImpossible,
          QStringLiteral("le journal des importations « %1 » ne peut pas réserver l'importation")
              .arg(chemin_));
    }
    tenu = nouvelle.numero;
    inscrire(nouvelle.numero);
    resultat = {IssueRevendication::Obtenue, nouvelle};
    return true;
  };

  try {
    Transaction(revendiquer);
  } catch (...) {
    if (tenu != 0) {
      Lacher(tenu);
    }
    throw;
  }
  return resultat;
}

bool SqliteJournalImport::AttendreFin(qint64 numero, std::chrono::milliseconds delai) {
  if (tenus_.count(numero) != 0 || !verrous_) {
    return true;  // nobody else could hold it
  }
  try {
    if (!verrous_->Verrouiller(static_cast<std::uint64_t>(numero), 1,
                               os::Fichier::GenreVerrou::Partage, delai)) {
      return false;
    }
    verrous_->Deverrouiller(static_cast<std::uint64_t>(numero), 1);
  } catch (const os::ErreurOs&) {
    return false;
  }
  return true;
}

void SqliteJournalImport::Relacher(qint64 numero, bool oublier) {
  if (tenus_.count(numero) == 0) {
    return;  // ended already, with the entry's last state
  }
  try {
    Ouvrir();
    Transaction([&] {
      {
        RequeteSqlite r(db_, QStringLiteral("DELETE FROM revendication WHERE numero = ?1"));
        r.LierEntier(1, numero);
        r.Executer();
      }
      if (oublier) {
        RequeteSqlite r(db_, QStringLiteral("DELETE FROM importation WHERE numero = ?1"
                                            " AND etat = 'en cours'"));
        r.LierEntier(1, numero);
        r.Executer();
      }
      return true;
    });
  } catch (...) {
    Lacher(numero);
    throw;
  }
  Lacher(numero);
}

QString SqliteJournalImport::Identite() {
  Ouvrir();
  try {
    RequeteSqlite r(db_, QStringLiteral("SELECT valeur FROM meta WHERE cle = 'identite'"));
    if (r.Suivante()) {
      return r.Texte(0);
    }
  } catch (const ErreurSqlite& e) {
    throw Traduire(e);
  }
  // Written when the journal was made: without it, the file is not sound.
  throw ErreurJournal(SQLITE_CORRUPT, Raison(SQLITE_CORRUPT, 0));
}

}  // namespace brivane
