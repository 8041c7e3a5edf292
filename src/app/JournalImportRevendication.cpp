// The claims of the import journal: one import of a content at a time, a
// claim left by a stopped import taken over, and the journal's identity.
#include "app/JournalImport.h"

#include "app/JournalImportInterne.h"
#include "platform/os/Fichier.h"

namespace brivane {

using namespace journal;

bool SqliteJournalImport::Executer(const char* sql, QString& raison) {
  if (db_ == nullptr) {
    return false;
  }
  const int code = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (code != SQLITE_OK) {
    raison = Raison(code);
    return false;
  }
  return true;
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

bool SqliteJournalImport::Revendiquer(const EntreeJournal& entree, bool forcer,
                                      Revendication& resultat, QString& raison) {
  if (!Ouvrir(raison) || !Executer("BEGIN IMMEDIATE", raison)) {
    return false;
  }
  qint64 tenu = 0;  // the claim byte this call took
  const auto echec = [&](int code) {
    if (code != SQLITE_OK) {
      raison = Raison(code);
    }
    QString ignoree;
    Executer("ROLLBACK", ignoree);
    if (tenu != 0) {
      Lacher(tenu);
    }
    return false;
  };
  const auto valider = [&] {
    if (!Executer("COMMIT", raison)) {
      return echec(SQLITE_OK);
    }
    return true;
  };
  const auto lireEntree = [&](qint64 numero, EntreeJournal& e) {
    Requete r(
        db_,
        (QByteArray("SELECT ") + kColonnes + " FROM importation WHERE numero = ?1").constData());
    r.Lier(1, numero);
    if (!r.Pas()) {
      return false;
    }
    e = LireEntree(r);
    return true;
  };
  // The content's key, ?1 to ?3 of every statement that looks for it.
  const auto lierContenu = [&](Requete& r) {
    r.Lier(1, entree.empreinte);
    r.Lier(2, entree.compagnie);
    r.Lier(3, static_cast<qint64>(entree.systeme));
  };
  const auto inscrire = [&](qint64 numero) {
    Requete r(db_,
              "INSERT INTO revendication (empreinte, compagnie, systeme, numero)"
              " VALUES (?1, ?2, ?3, ?4)");
    lierContenu(r);
    r.Lier(4, numero);
    return !r.Pas() && r.Code() == SQLITE_DONE ? SQLITE_OK : r.Code();
  };
  // The claim taken over is this run's now: it names this run's file.
  const auto reprendre = [&](EntreeJournal e, bool nouvelleRevendication) {
    if (nouvelleRevendication) {
      if (const int code = inscrire(e.numero); code != SQLITE_OK) {
        return echec(code);
      }
    }
    Requete r(db_, "UPDATE importation SET fichier = ?1 WHERE numero = ?2");
    r.Lier(1, entree.fichier);
    r.Lier(2, e.numero);
    if (r.Pas() || r.Code() != SQLITE_DONE) {
      return echec(r.Code());
    }
    e.fichier = entree.fichier;
    resultat = {IssueRevendication::Reprise, e};
    return valider();
  };

  // A claim on the content: alive, or left by an import that stopped.
  {
    Requete r(db_,
              "SELECT numero FROM revendication WHERE empreinte = ?1 AND compagnie = ?2"
              " AND systeme = ?3");
    lierContenu(r);
    if (r.Pas()) {
      const qint64 numero = r.Entier(0);
      EntreeJournal trouvee;
      const bool lue = lireEntree(numero, trouvee);
      // Posting, or posted and not moved yet: the claim still guards it.
      const bool gardee =
          lue && (trouvee.etat == EtatImport::EnCours || trouvee.etat == EtatImport::Transferee);
      if (gardee && !Tenir(numero)) {
        resultat = {IssueRevendication::EnCoursAilleurs, trouvee};
        echec(SQLITE_OK);  // nothing to write: the answer is what was read
        return true;
      }
      if (gardee && trouvee.etat == EtatImport::EnCours) {
        tenu = numero;
        return reprendre(trouvee, false);
      }
      // A claim with nothing left to guard (its import stopped after posting,
      // or ended): gone, and the entry answers for itself below.
      Requete suppression(db_, "DELETE FROM revendication WHERE numero = ?1");
      suppression.Lier(1, numero);
      if (suppression.Pas() || suppression.Code() != SQLITE_DONE) {
        return echec(suppression.Code());
      }
      if (gardee) {
        Lacher(numero);
      }
      if (gardee && !forcer) {
        resultat = {IssueRevendication::DejaTransferee, trouvee};
        return valider();
      }
    } else if (r.Code() != SQLITE_DONE) {
      return echec(r.Code());
    }
  }

  if (!forcer) {
    Requete r(db_, (QByteArray("SELECT ") + kColonnes +
                    " FROM importation WHERE empreinte = ?1 AND compagnie = ?2 AND systeme = ?3"
                    " AND etat <> 'refusée' ORDER BY numero DESC LIMIT 1")
                       .constData());
    lierContenu(r);
    if (r.Pas()) {
      EntreeJournal trouvee = LireEntree(r);
      if (trouvee.etat != EtatImport::EnCours) {
        resultat = {IssueRevendication::DejaTransferee, trouvee};
        echec(SQLITE_OK);  // nothing to write: the answer is what was read
        return true;
      }
      // En cours without a claim: left by an import that stopped (or by a
      // version of the program that took no claim).
      if (!Tenir(trouvee.numero)) {
        resultat = {IssueRevendication::EnCoursAilleurs, trouvee};
        echec(SQLITE_OK);  // nothing to write: the answer is what was read
        return true;
      }
      tenu = trouvee.numero;
      return reprendre(trouvee, true);
    }
    if (r.Code() != SQLITE_DONE) {
      return echec(r.Code());
    }
  }

  EntreeJournal nouvelle = entree;
  nouvelle.etat = EtatImport::EnCours;
  nouvelle.debut = QDateTime::currentDateTimeUtc();
  {
    Requete r(db_,
              "INSERT INTO importation (empreinte, fichier, compagnie, systeme, etat, debut)"
              " VALUES (?1, ?2, ?3, ?4, 'en cours', ?5)");
    r.Lier(1, entree.empreinte);
    r.Lier(2, entree.fichier);
    r.Lier(3, entree.compagnie);
    r.Lier(4, static_cast<qint64>(entree.systeme));
    r.Lier(5, Horodatage(nouvelle.debut));
    if (r.Pas() || r.Code() != SQLITE_DONE) {
      return echec(r.Code());
    }
  }
  nouvelle.numero = sqlite3_last_insert_rowid(db_);
  // Held before the claim is visible to anyone: a claim seen is never taken
  // for one left behind.
  if (!Tenir(nouvelle.numero)) {
    raison = QStringLiteral("le journal des importations « %1 » ne peut pas réserver l'importation")
                 .arg(chemin_);
    return echec(SQLITE_OK);
  }
  tenu = nouvelle.numero;
  if (const int code = inscrire(nouvelle.numero); code != SQLITE_OK) {
    return echec(code);
  }
  resultat = {IssueRevendication::Obtenue, nouvelle};
  return valider();
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

bool SqliteJournalImport::Relacher(qint64 numero, bool oublier, QString& raison) {
  if (tenus_.count(numero) == 0) {
    return true;  // ended already, with the entry's last state
  }
  if (!Ouvrir(raison) || !Executer("BEGIN IMMEDIATE", raison)) {
    Lacher(numero);
    return false;
  }
  bool ok = true;
  {
    Requete r(db_, "DELETE FROM revendication WHERE numero = ?1");
    r.Lier(1, numero);
    ok = r.Prete() && !r.Pas() && r.Code() == SQLITE_DONE;
  }
  if (ok && oublier) {
    Requete r(db_, "DELETE FROM importation WHERE numero = ?1 AND etat = 'en cours'");
    r.Lier(1, numero);
    ok = r.Prete() && !r.Pas() && r.Code() == SQLITE_DONE;
  }
  if (!ok || !Executer("COMMIT", raison)) {
    QString ignoree;
    Executer("ROLLBACK", ignoree);
    Lacher(numero);
    return false;
  }
  Lacher(numero);
  return true;
}

bool SqliteJournalImport::Identite(QString& identite, QString& raison) {
  if (!Ouvrir(raison)) {
    return false;
  }
  Requete r(db_, "SELECT valeur FROM meta WHERE cle = 'identite'");
  if (!r.Pas()) {
    raison = Raison(r.Code() == SQLITE_DONE ? SQLITE_CORRUPT : r.Code());
    return false;
  }
  identite = r.Texte(0);
  return true;
}

}  // namespace brivane
