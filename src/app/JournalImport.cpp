#include "app/JournalImport.h"

#include "platform/StockageReglagesQt.h"
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

namespace {

constexpr std::array kLibelles{u"en cours", u"transférée", u"déplacée", u"refusée"};

// One prepared statement, finalised on every path.
class Requete {
 public:
  Requete(sqlite3* db, const char* sql) {
    code_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
  }
  ~Requete() { sqlite3_finalize(stmt_); }
  Requete(const Requete&) = delete;
  Requete& operator=(const Requete&) = delete;

  bool Prete() const { return code_ == SQLITE_OK; }
  int Code() const { return code_; }
  void Lier(int i, const QString& v) {
    const QByteArray u = v.toUtf8();
    sqlite3_bind_text(stmt_, i, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
  }
  void Lier(int i, qint64 v) { sqlite3_bind_int64(stmt_, i, v); }
  void LierNul(int i) { sqlite3_bind_null(stmt_, i); }
  // True on a row; false at the end or on failure (Code() tells which).
  bool Pas() {
    code_ = sqlite3_step(stmt_);
    return code_ == SQLITE_ROW;
  }
  QString Texte(int i) const {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i)),
                             sqlite3_column_bytes(stmt_, i));
  }
  qint64 Entier(int i) const { return sqlite3_column_int64(stmt_, i); }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int code_ = SQLITE_OK;
};

QString Horodatage(const QDateTime& t) { return t.toUTC().toString(Qt::ISODateWithMs); }

QDateTime LireHorodatage(const QString& texte) {
  if (texte.isEmpty()) {
    return {};
  }
  // Written with its "Z": read back as UTC.
  return QDateTime::fromString(texte, Qt::ISODateWithMs);
}

EtatImport EtatDe(const QString& libelle) {
  for (std::size_t i = 0; i < kLibelles.size(); ++i) {
    if (libelle == QStringView(kLibelles[i])) {
      return static_cast<EtatImport>(i);
    }
  }
  return EtatImport::EnCours;
}

constexpr const char* kColonnes =
    "numero, empreinte, fichier, compagnie, systeme, numero_document, etat, debut, fin";

EntreeJournal LireEntree(const Requete& r) {
  EntreeJournal e;
  e.numero = r.Entier(0);
  e.empreinte = r.Texte(1);
  e.fichier = r.Texte(2);
  e.compagnie = r.Texte(3);
  e.systeme = static_cast<int>(r.Entier(4));
  e.numeroDocument = r.Texte(5);
  e.etat = EtatDe(r.Texte(6));
  e.debut = LireHorodatage(r.Texte(7));
  e.fin = LireHorodatage(r.Texte(8));
  return e;
}

}  // namespace

QString Libelle(EtatImport etat) {
  return QString::fromUtf16(kLibelles[static_cast<std::size_t>(etat)]);
}

SqliteJournalImport::SqliteJournalImport(QString chemin) : chemin_(std::move(chemin)) {}

SqliteJournalImport::~SqliteJournalImport() { sqlite3_close(db_); }

QString SqliteJournalImport::CheminParDefaut() {
  QString dossier = platform::StockageReglagesQt::DossierParDefaut();
  if (dossier.isEmpty()) {  // the settings are in the registry
    dossier = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
  }
  return dossier + QStringLiteral("/journal-importations.sqlite");
}

QString SqliteJournalImport::Raison(int code) const {
  const QString quoi = QStringLiteral("le journal des importations « %1 »").arg(chemin_);
  const int systeme = db_ != nullptr ? sqlite3_system_errno(db_) : 0;
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
  const QString detail = systeme != 0 ? QString::fromStdString(os::TexteErreurFrancais(systeme))
                                      : QStringLiteral("erreur SQLite n° %1").arg(code);
  return QStringLiteral("%1 ne peut pas être ouvert ou écrit : %2").arg(quoi, detail);
}

bool SqliteJournalImport::Ouvrir(QString& raison) {
  if (db_ != nullptr) {
    return true;
  }
  const bool memoire = chemin_ == QStringLiteral(":memory:");
  if (!memoire) {
    const QString dossier = QFileInfo(chemin_).absolutePath();
    if (!QDir().mkpath(dossier)) {
      raison = QStringLiteral(
                   "le journal des importations « %1 » ne peut pas être créé : le dossier « %2 » "
                   "ne peut pas être créé")
                   .arg(chemin_, dossier);
      return false;
    }
  }
  const int code =
      sqlite3_open_v2(chemin_.toUtf8().constData(), &db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
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
        " ON importation (empreinte, compagnie, systeme);";
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
    if (creation == SQLITE_OK) {
      if (!memoire) {
        QFile::setPermissions(chemin_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
      }
      return true;
    }
    raison = Raison(creation);
  } else {
    raison = Raison(code);
  }
  sqlite3_close(db_);
  db_ = nullptr;
  return false;
}

bool SqliteJournalImport::Chercher(const QString& empreinte, const QString& compagnie, int systeme,
                                   std::optional<EntreeJournal>& trouvee, QString& raison) {
  trouvee.reset();
  if (!Ouvrir(raison)) {
    return false;
  }
  Requete r(db_, (QByteArray("SELECT ") + kColonnes +
                  " FROM importation WHERE empreinte = ?1 AND compagnie = ?2 AND systeme = ?3"
                  " AND etat <> 'refusée' ORDER BY numero DESC LIMIT 1")
                     .constData());
  if (!r.Prete()) {
    raison = Raison(r.Code());
    return false;
  }
  r.Lier(1, empreinte);
  r.Lier(2, compagnie);
  r.Lier(3, static_cast<qint64>(systeme));
  if (r.Pas()) {
    trouvee = LireEntree(r);
    return true;
  }
  if (r.Code() != SQLITE_DONE) {
    raison = Raison(r.Code());
    return false;
  }
  return true;
}

qint64 SqliteJournalImport::Commencer(const EntreeJournal& entree, QString& raison) {
  if (!Ouvrir(raison)) {
    return 0;
  }
  Requete r(db_,
            "INSERT INTO importation (empreinte, fichier, compagnie, systeme, numero_document,"
            " etat, debut) VALUES (?1, ?2, ?3, ?4, ?5, 'en cours', ?6)");
  if (!r.Prete()) {
    raison = Raison(r.Code());
    return 0;
  }
  r.Lier(1, entree.empreinte);
  r.Lier(2, entree.fichier);
  r.Lier(3, entree.compagnie);
  r.Lier(4, static_cast<qint64>(entree.systeme));
  if (entree.numeroDocument.isEmpty()) {
    r.LierNul(5);
  } else {
    r.Lier(5, entree.numeroDocument);
  }
  r.Lier(6, Horodatage(QDateTime::currentDateTimeUtc()));
  if (r.Pas() || r.Code() != SQLITE_DONE) {
    raison = Raison(r.Code());
    return 0;
  }
  return sqlite3_last_insert_rowid(db_);
}

bool SqliteJournalImport::Marquer(qint64 numero, EtatImport etat, QString& raison) {
  if (!Ouvrir(raison)) {
    return false;
  }
  Requete r(db_, "UPDATE importation SET etat = ?1, fin = ?2 WHERE numero = ?3");
  if (!r.Prete()) {
    raison = Raison(r.Code());
    return false;
  }
  r.Lier(1, Libelle(etat));
  r.Lier(2, Horodatage(QDateTime::currentDateTimeUtc()));
  r.Lier(3, numero);
  if (r.Pas() || r.Code() != SQLITE_DONE) {
    raison = Raison(r.Code());
    return false;
  }
  return true;
}

bool SqliteJournalImport::Lister(std::vector<EntreeJournal>& entrees, QString& raison) {
  entrees.clear();
  if (!Ouvrir(raison)) {
    return false;
  }
  Requete r(
      db_,
      (QByteArray("SELECT ") + kColonnes + " FROM importation ORDER BY numero DESC").constData());
  if (!r.Prete()) {
    raison = Raison(r.Code());
    return false;
  }
  while (r.Pas()) {
    entrees.push_back(LireEntree(r));
  }
  if (r.Code() != SQLITE_DONE) {
    raison = Raison(r.Code());
    return false;
  }
  return true;
}

}  // namespace brivane
