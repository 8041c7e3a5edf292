#include "company/BaseCompagnie.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <cstring>

namespace brivane::company {

namespace {

// The one declaration of the tables: the record objects' column lists
// (TablesIntegrees) and docs/built-in-company.md are checked against it by a test.
const char* const kSchema = R"sql(
CREATE TABLE compagnie (
  position INTEGER PRIMARY KEY CHECK (position = 1),
  nom TEXT NOT NULL,
  periode INTEGER NOT NULL DEFAULT 1,
  creee_le TEXT NOT NULL
);
CREATE TABLE utilisateur (
  position INTEGER PRIMARY KEY,
  numero INTEGER NOT NULL UNIQUE CHECK (numero > 0),
  code TEXT NOT NULL UNIQUE CHECK (code <> ''),
  nom TEXT NOT NULL DEFAULT '',
  mot_de_passe TEXT NOT NULL
);
CREATE TABLE groupe_produit (
  position INTEGER PRIMARY KEY,
  numero INTEGER NOT NULL UNIQUE,
  description TEXT NOT NULL DEFAULT ''
);
CREATE TABLE taxe (
  position INTEGER PRIMARY KEY,
  code TEXT NOT NULL UNIQUE CHECK (code <> ''),
  reference INTEGER NOT NULL DEFAULT 0,
  valeur INTEGER NOT NULL DEFAULT 0,
  taux_0 INTEGER NOT NULL DEFAULT 0,
  taux_1 INTEGER NOT NULL DEFAULT 0,
  taux_2 INTEGER NOT NULL DEFAULT 0,
  description TEXT NOT NULL DEFAULT ''
);
CREATE TABLE vendeur (
  position INTEGER PRIMARY KEY,
  numero INTEGER NOT NULL UNIQUE,
  code TEXT NOT NULL UNIQUE,
  nom TEXT NOT NULL DEFAULT ''
);
CREATE TABLE client (
  position INTEGER PRIMARY KEY,
  numero TEXT NOT NULL UNIQUE CHECK (numero <> ''),
  constante_1 INTEGER NOT NULL DEFAULT 0,
  constante_2 INTEGER NOT NULL DEFAULT 0,
  constante_3 INTEGER NOT NULL DEFAULT 0,
  nom TEXT NOT NULL DEFAULT '',
  adresse TEXT NOT NULL DEFAULT '',
  ville TEXT NOT NULL DEFAULT '',
  courriel_1 TEXT NOT NULL DEFAULT '',
  courriel_2 TEXT NOT NULL DEFAULT '',
  telephone_1 TEXT NOT NULL DEFAULT '',
  telephone_2 TEXT NOT NULL DEFAULT '',
  telephone_3 TEXT NOT NULL DEFAULT '',
  code_postal TEXT NOT NULL DEFAULT '',
  province TEXT NOT NULL DEFAULT '',
  au_soin_de TEXT NOT NULL DEFAULT '',
  pays TEXT NOT NULL DEFAULT ''
);
CREATE TABLE produit (
  position INTEGER PRIMARY KEY,
  numero TEXT NOT NULL UNIQUE CHECK (numero <> ''),
  groupe INTEGER NOT NULL REFERENCES groupe_produit (numero),
  constante_1 INTEGER NOT NULL DEFAULT 0,
  description_1 TEXT NOT NULL DEFAULT '',
  description_2 TEXT NOT NULL DEFAULT '',
  localisation TEXT NOT NULL DEFAULT '',
  sous_groupe TEXT NOT NULL DEFAULT '',
  prix_0 REAL NOT NULL DEFAULT 0,
  prix_1 REAL NOT NULL DEFAULT 0,
  prix_2 REAL NOT NULL DEFAULT 0,
  prix_3 REAL NOT NULL DEFAULT 0,
  format TEXT NOT NULL DEFAULT ''
);
CREATE TABLE transac (
  position INTEGER PRIMARY KEY,
  numero TEXT NOT NULL UNIQUE CHECK (numero <> ''),
  type INTEGER NOT NULL,
  constante_1 INTEGER NOT NULL DEFAULT 0,
  constante_2 INTEGER NOT NULL DEFAULT 0,
  client TEXT NOT NULL REFERENCES client (numero),
  nombre_lignes INTEGER NOT NULL,
  nom_facturation TEXT NOT NULL DEFAULT '',
  au_soin_de_facturation TEXT NOT NULL DEFAULT '',
  adresse_facturation TEXT NOT NULL DEFAULT '',
  ville_facturation TEXT NOT NULL DEFAULT '',
  code_postal_facturation TEXT NOT NULL DEFAULT '',
  pays_facturation TEXT NOT NULL DEFAULT '',
  nom_livraison TEXT NOT NULL DEFAULT '',
  au_soin_de_livraison TEXT NOT NULL DEFAULT '',
  adresse_livraison TEXT NOT NULL DEFAULT '',
  ville_livraison TEXT NOT NULL DEFAULT '',
  code_postal_livraison TEXT NOT NULL DEFAULT '',
  pays_livraison TEXT NOT NULL DEFAULT '',
  conditions TEXT NOT NULL DEFAULT '',
  vendeur INTEGER,
  miroir_1 INTEGER NOT NULL DEFAULT 0,
  miroir_2 INTEGER NOT NULL DEFAULT 0,
  miroir_3 TEXT NOT NULL DEFAULT '',
  utilisateur INTEGER NOT NULL,
  ajoutee_le TEXT NOT NULL
);
CREATE TABLE ligne_transac (
  transac INTEGER NOT NULL REFERENCES transac (position) ON DELETE CASCADE,
  ligne INTEGER NOT NULL CHECK (ligne > 0),
  type INTEGER NOT NULL,
  numero_ligne INTEGER,
  reference INTEGER,
  code TEXT,
  description TEXT,
  prix_unitaire REAL,
  quantite REAL,
  groupe INTEGER,
  taxe INTEGER,
  montant REAL,
  PRIMARY KEY (transac, ligne)
);
)sql";

// Layout 2: what layout 1 lacks, added by the migration. Several rows may
// name one content: a user may post it again on purpose.
const char* const kSchemaImportation = R"sql(
CREATE TABLE importation (
  position INTEGER PRIMARY KEY,
  empreinte TEXT NOT NULL CHECK (empreinte <> ''),
  journal TEXT NOT NULL DEFAULT '',
  numero_journal INTEGER NOT NULL DEFAULT 0,
  moment TEXT NOT NULL,
  numero_document TEXT NOT NULL DEFAULT ''
);
CREATE INDEX importation_empreinte ON importation (empreinte);
)sql";

const char* const kTables[] = {"compagnie", "utilisateur", "groupe_produit",
                               "taxe",      "vendeur",     "client",
                               "produit",   "transac",     "ligne_transac"};
const char* const kTablesVersion2[] = {"importation"};

// The CREATE statement of the schemas that makes the table or index of that
// name, as SQLite keeps it.
QString Definition(const char* genre, const char* nom) {
  const QString debut = QStringLiteral("CREATE %1 %2 ")
                            .arg(QString::fromLatin1(genre).toUpper(), QString::fromLatin1(nom));
  const QString schemas = QString::fromUtf8(kSchema) + QString::fromUtf8(kSchemaImportation);
  for (const QString& instruction : schemas.split(u';')) {
    const QString texte = instruction.trimmed();
    if (texte.startsWith(debut)) {
      return texte;
    }
  }
  return {};
}

sqlite3* OuvrirFichier(const QString& chemin, int options) {
  sqlite3* db = nullptr;
  const int code = sqlite3_open_v2(chemin.toUtf8().constData(), &db, options, nullptr);
  if (code != SQLITE_OK) {
    const QString detail = db != nullptr ? QString::fromUtf8(sqlite3_errmsg(db))
                                         : QString::fromUtf8(sqlite3_errstr(code));
    sqlite3_close(db);
    throw ErreurBase(StatutSqlite(code), detail);
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, BaseCompagnie::kAttenteOccupeeMs);
  return db;
}

}  // namespace

QString BaseCompagnie::CheminFichier(const QString& dossier) {
  return QDir(dossier).filePath(QString::fromUtf16(kNomFichier));
}

std::unique_ptr<BaseCompagnie> BaseCompagnie::Ouvrir(const QString& dossier,
                                                     bool lectureSeule) try {
  const QString chemin = CheminFichier(dossier);
  if (!QFileInfo(chemin).isFile()) {
    throw ErreurBase(statuts::kPasUneCompagnie, chemin);
  }
  // A program killed while writing leaves its journal or log behind, and a
  // read-only connection cannot always take it up: a brief writable one does.
  if (lectureSeule && (QFileInfo::exists(chemin + QStringLiteral("-journal")) ||
                       QFileInfo::exists(chemin + QStringLiteral("-wal")))) {
    try {
      const BaseCompagnie reprise(OuvrirFichier(chemin, SQLITE_OPEN_READWRITE));
      Requete(reprise.db_, QStringLiteral("SELECT count(*) FROM sqlite_schema")).Executer();
    } catch (const platform::Erreur&) {
      // Not ours to mend (no write access, say): the read-only open reports it.
    }
  }
  std::unique_ptr<BaseCompagnie> base(new BaseCompagnie(
      OuvrirFichier(chemin, lectureSeule ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE)));

  base->VerifierIdentite(chemin);
  if (!lectureSeule) {
    // The write-ahead log: a commit syncs the log once, and readers (the
    // company tools) go on reading while an import writes. Companies made
    // before it are switched to it here, which needs every statement above
    // finished.
    base->Executer(QStringLiteral("PRAGMA journal_mode = WAL"));
    base->Executer(QStringLiteral("PRAGMA synchronous = FULL"));
    base->Migrer();
  }
  base->Executer(QStringLiteral("PRAGMA foreign_keys = ON"));
  return base;
} catch (const platform::sqlite::ErreurSqlite& e) {
  throw ErreurBase(e);
}

void BaseCompagnie::Migrer() {
  const auto version = [&] {
    Requete r(db_, QStringLiteral("PRAGMA user_version"));
    return r.Suivante() ? r.Entier(0) : 0;
  };
  if (version() >= kVersionSchema) {
    return;
  }
  Transaction([&] {
    // Another program may have brought it up to date since the check.
    if (version() < kVersionSchema) {
      Executer(QString::fromUtf8(kSchemaImportation));
      Executer(QStringLiteral("PRAGMA user_version = %1").arg(kVersionSchema));
    }
  });
}

void BaseCompagnie::VerifierIdentite(const QString& chemin) const {
  Requete identite(db_, QStringLiteral("PRAGMA application_id"));
  if (!identite.Suivante() || identite.Entier(0) != kIdentifiantApplication) {
    throw ErreurBase(statuts::kPasUneCompagnie, chemin);
  }
  Requete version(db_, QStringLiteral("PRAGMA user_version"));
  if (!version.Suivante() || version.Entier(0) > kVersionSchema) {
    throw ErreurBase(statuts::kVersionInconnue, chemin);
  }
  const bool version2 = version.Entier(0) >= 2;
  // Each table as we create it: a damaged schema text can rename or drop a
  // column and still be read.
  Requete objet(db_, QStringLiteral("SELECT sql FROM sqlite_schema WHERE type = ? AND name = ?"));
  const auto verifier = [&](const char* genre, const char* nom) {
    objet.Lier(1, QString::fromLatin1(genre)).Lier(2, QString::fromLatin1(nom));
    if (!objet.Suivante() || objet.Texte(0) != Definition(genre, nom)) {
      throw ErreurBase(
          statuts::kCompagnieEndommagee,
          QStringLiteral("%1 « %2 » n'a pas la définition attendue")
              .arg(QString::fromLatin1(std::strcmp(genre, "index") == 0 ? "l'index" : "la table"),
                   QString::fromLatin1(nom)));
    }
    objet.Reinitialiser();
  };
  for (const char* table : kTables) {
    verifier("table", table);
  }
  if (!version2) {
    return;  // the opening for writing adds what layout 2 brings
  }
  for (const char* table : kTablesVersion2) {
    verifier("table", table);
  }
  verifier("index", "importation_empreinte");
}

QStringList BaseCompagnie::Verifier(const QString& dossier) {
  std::unique_ptr<BaseCompagnie> base;
  try {
    base = Ouvrir(dossier, true);
  } catch (const ErreurBase& e) {
    if (e.statut() != statuts::kCompagnieEndommagee) {
      throw;
    }
    return {QStringLiteral("Structure : %1").arg(e.detail())};
  }
  QStringList problemes;
  try {
    TraduireSqlite([&] {
      Requete integrite(base->db_, QStringLiteral("PRAGMA integrity_check"));
      while (integrite.Suivante()) {
        const QString texte = integrite.Texte(0);
        if (texte != QStringLiteral("ok")) {
          problemes << QStringLiteral("Structure : %1").arg(texte);
        }
      }
      if (problemes.isEmpty()) {
        Requete references(base->db_, QStringLiteral("PRAGMA foreign_key_check"));
        while (references.Suivante()) {
          problemes << QStringLiteral(
                           "Référence : la ligne %1 de la table « %2 » désigne un enregistrement "
                           "absent de la table « %3 ».")
                           .arg(references.Texte(1), references.Texte(0), references.Texte(2));
        }
      }
    });
  } catch (const ErreurBase& e) {
    if (e.statut() != statuts::kCompagnieEndommagee) {
      throw;
    }
    problemes << QStringLiteral("Structure : %1").arg(e.detail());
  }
  return problemes;
}

std::unique_ptr<BaseCompagnie> BaseCompagnie::Creer(const QString& dossier, const QString& nom) {
  const QString chemin = CheminFichier(dossier);
  if (!QFileInfo(dossier).isDir()) {
    throw ErreurBase(statuts::kAccesImpossible, dossier);
  }
  if (QFileInfo::exists(chemin)) {
    throw ErreurBase(statuts::kCleEnDouble, chemin);
  }
  std::unique_ptr<BaseCompagnie> base(
      new BaseCompagnie(OuvrirFichier(chemin, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)));
  base->Executer(QStringLiteral("PRAGMA journal_mode = WAL"));
  base->Executer(QStringLiteral("PRAGMA synchronous = FULL"));
  base->Transaction([&] {
    base->Executer(QString::fromUtf8(kSchema));
    base->Executer(QString::fromUtf8(kSchemaImportation));
    base->Executer(QStringLiteral("PRAGMA application_id = %1").arg(kIdentifiantApplication));
    base->Executer(QStringLiteral("PRAGMA user_version = %1").arg(kVersionSchema));
    Requete compagnie(base->db_, QStringLiteral("INSERT INTO compagnie (position, nom, periode, "
                                                "creee_le) VALUES (1, ?, 1, ?)"));
    compagnie.Lier(1, nom).Lier(2, QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    compagnie.Executer();
  });
  base->Executer(QStringLiteral("PRAGMA foreign_keys = ON"));
  return base;
}

BaseCompagnie::~BaseCompagnie() { sqlite3_close(db_); }

void BaseCompagnie::Executer(const QString& sql) {
  const QByteArray texte = sql.toUtf8();
  const int code = sqlite3_exec(db_, texte.constData(), nullptr, nullptr, nullptr);
  if (code != SQLITE_OK) {
    EchecSqlite(db_, code);
  }
}

std::int64_t BaseCompagnie::DerniereInsertion() const { return sqlite3_last_insert_rowid(db_); }

int BaseCompagnie::Changements() const { return sqlite3_changes(db_); }

void BaseCompagnie::Annuler() noexcept {
  if (sqlite3_get_autocommit(db_) == 0) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
}

void BaseCompagnie::OuvrirPostage() {
  if (postage_ == Postage::Perdu) {
    // Starting afresh would keep the later writes without the earlier ones.
    throw ErreurBase(statutPerte_,
                     QStringLiteral("le transfert a été annulé par une écriture qui a échoué"));
  }
  if (postage_ == Postage::Aucun) {
    Executer(QStringLiteral("BEGIN IMMEDIATE"));
    postage_ = Postage::Ouvert;
  }
}

void BaseCompagnie::ValiderPostage() {
  if (postage_ == Postage::Perdu) {
    postage_ = Postage::Aucun;
    throw ErreurBase(statutPerte_,
                     QStringLiteral("le transfert a été annulé par une écriture qui a échoué"));
  }
  if (postage_ == Postage::Aucun) {
    return;
  }
  postage_ = Postage::Aucun;
  const int code = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  if (code != SQLITE_OK) {
    const QString detail = QString::fromUtf8(sqlite3_errmsg(db_));
    // SQLite may keep the transaction open after a failed commit: nothing of
    // it is to be kept.
    Annuler();
    throw ErreurBase(StatutSqlite(code), detail);
  }
}

bool BaseCompagnie::AnnulerPostage() noexcept {
  const bool ouvert = postage_ == Postage::Ouvert;
  postage_ = Postage::Aucun;
  Annuler();
  return ouvert;
}

void BaseCompagnie::AnnulerEnregistrement(std::int32_t statut) noexcept {
  // After some failures (disk full, I/O) SQLite rolls back the whole
  // transaction by itself.
  if (sqlite3_get_autocommit(db_) != 0 ||
      sqlite3_exec(db_, "ROLLBACK TO enregistrement; RELEASE enregistrement", nullptr, nullptr,
                   nullptr) != SQLITE_OK) {
    Annuler();
    postage_ = Postage::Perdu;
    statutPerte_ = statut;
  }
}

}  // namespace brivane::company
