#include "app/JournalImport.h"

#include "app/JournalImportInterne.h"

#include "platform/StockageReglagesQt.h"
#include "platform/os/Fichier.h"
#include "platform/os/Systeme.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <sqlite3.h>

#include <array>

namespace brivane {

using namespace journal;

QString Libelle(EtatImport etat) {
  return QString::fromUtf16(kLibelles[static_cast<std::size_t>(etat)]);
}

SqliteJournalImport::SqliteJournalImport(QString chemin) : chemin_(std::move(chemin)) {}

SqliteJournalImport::~SqliteJournalImport() { Fermer(); }

QString SqliteJournalImport::CheminParDefaut() {
  QString dossier = platform::StockageReglagesQt::DossierParDefaut();
  if (dossier.isEmpty()) {  // the settings are in the registry
    dossier = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
  }
  return dossier + QStringLiteral("/journal-importations.sqlite");
}

void SqliteJournalImport::Fermer() {
  for (const qint64 numero : std::set<qint64>(tenus_)) {
    Lacher(numero);
  }
  verrous_.reset();
  sqlite3_close(db_);
  db_ = nullptr;
}

QString SqliteJournalImport::Raison(int code, int codeSysteme) {
  const QString quoi = QStringLiteral("le journal des importations « %1 »").arg(chemin_);
  const int primaire = code & 0xFF;
  if (db_ != nullptr && tenus_.empty() &&
      (primaire == SQLITE_READONLY || primaire == SQLITE_IOERR || primaire == SQLITE_CANTOPEN ||
       primaire == SQLITE_FULL)) {
    // What the system refused may be mended meanwhile (permissions given
    // back, space freed): the next operation opens the journal again.
    Fermer();
  }
  switch (code & 0xFF) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      return QStringLiteral("%1 est endommagé ou n'est pas un journal").arg(quoi);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return QStringLiteral("%1 est occupé par un autre programme depuis trop longtemps").arg(quoi);
    case SQLITE_FULL:
      return QStringLiteral("%1 ne peut pas être écrit : le disque est plein").arg(quoi);
    case SQLITE_READONLY:
      return QStringLiteral("%1 ne peut pas être écrit : il est en lecture seule").arg(quoi);
    default:
      break;
  }
  const QString detail = codeSysteme != 0
                             ? QString::fromStdString(os::TexteErreurFrancais(codeSysteme))
                             : QStringLiteral("erreur SQLite n° %1").arg(code);
  return QStringLiteral("%1 ne peut pas être ouvert ou écrit : %2").arg(quoi, detail);
}

ErreurJournal SqliteJournalImport::Traduire(const ErreurSqlite& e) {
  return {e.code(), Raison(e.code(), e.codeSysteme())};
}

void SqliteJournalImport::Ouvrir() {
  if (db_ != nullptr) {
    return;
  }
  const bool memoire = chemin_ == QStringLiteral(":memory:");
  if (!memoire) {
    const QString dossier = QFileInfo(chemin_).absolutePath();
    if (!QDir().mkpath(dossier)) {
      throw ErreurJournal(
          ErreurJournal::kDossierImpossible,
          QStringLiteral(
              "le journal des importations « %1 » ne peut pas être créé : le dossier « %2 » "
              "ne peut pas être créé")
              .arg(chemin_, dossier));
    }
  }
  if (!memoire && QFileInfo(chemin_).isWritable()) {
    // SQLite gives its log and shared index the journal's own permissions: a
    // journal once made read-only leaves them so after it is writable again.
    for (const char* suffixe : {"-wal", "-shm"}) {
      const QString compagnon = chemin_ + QLatin1String(suffixe);
      if (QFileInfo::exists(compagnon) && !QFileInfo(compagnon).isWritable()) {
        QFile::setPermissions(compagnon, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
      }
    }
  }
  int code =
      sqlite3_open_v2(chemin_.toUtf8().constData(), &db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
  if (code == SQLITE_OK && sqlite3_db_readonly(db_, "main") == 1) {
    // SQLite opens a file it may not write for reading, without a word.
    sqlite3_close(db_);
    db_ = nullptr;
    throw ErreurJournal(
        ErreurJournal::kLectureSeule,
        QStringLiteral(
            "le journal des importations « %1 » ne peut pas être écrit : le fichier est en "
            "lecture seule (vérifiez ses permissions)")
            .arg(chemin_));
  }
  if (code == SQLITE_OK) {
    sqlite3_busy_timeout(db_, 10000);
    // Each commit reaches the disk before the posting that follows it; with
    // write-ahead logging that is one flush per commit instead of four.
    const char* schema =
        "PRAGMA journal_mode = WAL;"
        "PRAGMA synchronous = FULL;"
        "CREATE TABLE IF NOT EXISTS importation ("
        " numero INTEGER PRIMARY KEY AUTOINCREMENT,"
        " empreinte TEXT NOT NULL, fichier TEXT NOT NULL, compagnie TEXT NOT NULL,"
        " systeme INTEGER NOT NULL, numero_document TEXT,"
        " etat TEXT NOT NULL CHECK (etat IN ('en cours', 'transférée', 'déplacée', 'refusée')),"
        " debut TEXT NOT NULL, fin TEXT);"
        "CREATE INDEX IF NOT EXISTS importation_contenu"
        " ON importation (empreinte, compagnie, systeme);"
        // At most one live claim per content and company, enforced by the
        // database itself: the primary key is a unique index.
        "CREATE TABLE IF NOT EXISTS revendication ("
        " empreinte TEXT NOT NULL, compagnie TEXT NOT NULL, systeme INTEGER NOT NULL,"
        " numero INTEGER NOT NULL UNIQUE REFERENCES importation (numero),"
        " PRIMARY KEY (empreinte, compagnie, systeme));"
        "CREATE TABLE IF NOT EXISTS meta (cle TEXT PRIMARY KEY, valeur TEXT NOT NULL);"
        "INSERT OR IGNORE INTO meta VALUES ('identite', lower(hex(randomblob(16))));";
    // Imports that start together may create the journal together: turning on
    // the write-ahead log needs the file alone, and SQLite answers busy at once,
    // without waiting, to one of two connections that would otherwise deadlock.
    // Those answers are retried for as long as any other wait would last.
    int creation = sqlite3_exec(db_, schema, nullptr, nullptr, nullptr);
    for (QElapsedTimer attente;
         (creation & 0xFF) == SQLITE_BUSY || (creation & 0xFF) == SQLITE_LOCKED;) {
      if (!attente.isValid()) {
        attente.start();
      } else if (attente.elapsed() > 10000) {
        break;
      }
      QThread::msleep(20);
      creation = sqlite3_exec(db_, schema, nullptr, nullptr, nullptr);
    }
    if (creation == SQLITE_OK && !memoire) {
      QFile::setPermissions(chemin_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
      OuvrirVerrous();
      return;
    }
    if (creation == SQLITE_OK) {
      return;
    }
    code = creation;
  }
  // Put in words before the connection goes: the words read it.
  const ErreurJournal erreur = Traduire(ErreurSqlite::De(db_, code));
  sqlite3_close(db_);
  db_ = nullptr;
  throw erreur;
}

void SqliteJournalImport::OuvrirVerrous() {
  const std::string chemin = (chemin_ + QStringLiteral("-verrous")).toStdString();
  const auto echec = [&](const os::ErreurOs& e) {
    sqlite3_close(db_);
    db_ = nullptr;
    return ErreurJournal(
        ErreurJournal::kVerrousImpossibles,
        QStringLiteral("le journal des importations « %1 » ne peut pas être ouvert : %2")
            .arg(chemin_ + QStringLiteral("-verrous"),
                 QString::fromStdString(os::TexteErreurFrancais(e.code()))));
  };
  try {
    verrous_ = os::Fichier::Ouvrir(chemin, os::Fichier::Mode::LectureEcriture);
  } catch (const os::ErreurOs& e) {
    if (e.kind() != os::ErreurOs::Kind::NotFound) {
      throw echec(e);
    }
  }
  if (verrous_) {
    return;
  }
  try {
    verrous_ = os::Fichier::Ouvrir(chemin, os::Fichier::Mode::CreationNouveau);
    verrous_->ChangerPermissions(0600);
  } catch (const os::ErreurOs&) {
    // Made by another import between the two opens.
    try {
      verrous_ = os::Fichier::Ouvrir(chemin, os::Fichier::Mode::LectureEcriture);
    } catch (const os::ErreurOs& e2) {
      throw echec(e2);
    }
  }
}

std::optional<EntreeJournal> SqliteJournalImport::Chercher(const QString& empreinte,
                                                           const QString& compagnie, int systeme) {
  Ouvrir();
  try {
    RequeteSqlite r(db_, SelectionEntrees(" WHERE empreinte = ?1 AND compagnie = ?2 AND "
                                          "systeme = ?3 AND etat <> 'refusée'"
                                          " ORDER BY numero DESC LIMIT 1"));
    r.LierTexte(1, empreinte).LierTexte(2, compagnie).LierEntier(3, systeme);
    if (r.Suivante()) {
      return LireEntree(r);
    }
    return std::nullopt;
  } catch (const ErreurSqlite& e) {
    throw Traduire(e);
  }
}

qint64 SqliteJournalImport::Commencer(const EntreeJournal& entree) {
  Ouvrir();
  try {
    RequeteSqlite r(db_, QStringLiteral("INSERT INTO importation (empreinte, fichier, compagnie,"
                                        " systeme, numero_document, etat, debut)"
                                        " VALUES (?1, ?2, ?3, ?4, ?5, 'en cours', ?6)"));
    r.LierTexte(1, entree.empreinte).LierTexte(2, entree.fichier).LierTexte(3, entree.compagnie);
    r.LierEntier(4, entree.systeme);
    entree.numeroDocument.isEmpty() ? r.LierNul(5) : r.LierTexte(5, entree.numeroDocument);
    r.LierTexte(6, Horodatage(QDateTime::currentDateTimeUtc()));
    r.Executer();
  } catch (const ErreurSqlite& e) {
    throw Traduire(e);
  }
  return sqlite3_last_insert_rowid(db_);
}

void SqliteJournalImport::Marquer(qint64 numero, EtatImport etat, const QString& numeroDocument) {
  Ouvrir();
  // The claim lasts until the file is moved: another import of the content
  // then finds it posted and moved, never half-way.
  const bool fin = etat == EtatImport::Deplacee || etat == EtatImport::Refusee;
  Transaction([&] {
    {
      RequeteSqlite r(db_, QStringLiteral("UPDATE importation SET etat = ?1, fin = ?2,"
                                          " numero_document = COALESCE(?4, numero_document)"
                                          " WHERE numero = ?3"));
      r.LierTexte(1, Libelle(etat)).LierTexte(2, Horodatage(QDateTime::currentDateTimeUtc()));
      r.LierEntier(3, numero);
      numeroDocument.isEmpty() ? r.LierNul(4) : r.LierTexte(4, numeroDocument);
      r.Executer();
    }
    if (fin) {
      RequeteSqlite r(db_, QStringLiteral("DELETE FROM revendication WHERE numero = ?1"));
      r.LierEntier(1, numero);
      r.Executer();
    }
    return true;
  });
  if (fin) {
    Lacher(numero);  // only once the new state is on disk
  }
}

std::vector<EntreeJournal> SqliteJournalImport::Lister() {
  Ouvrir();
  try {
    RequeteSqlite r(db_, SelectionEntrees(" ORDER BY numero DESC"));
    std::vector<EntreeJournal> entrees;
    while (r.Suivante()) {
      entrees.push_back(LireEntree(r));
    }
    return entrees;
  } catch (const ErreurSqlite& e) {
    throw Traduire(e);
  }
}

}  // namespace brivane
