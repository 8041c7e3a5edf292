#include "support/Fixtures.h"

#include "company/CompagnieDemo.h"
#include "dbase/DossierDemoDbf.h"
#include "dbase/LitteralSql.h"
#include "dbf/TableDbf.h"
#include "document/Client.h"
#include "document/Item.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <shapefil.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace brivane::bench {

namespace {

using dbf::TableDbf;

constexpr qint64 kPetitFichier = 1 << 20;
constexpr int kLignesParFactureFixture = 100;

[[noreturn]] void Echec(const QString& pourquoi) {
  throw std::runtime_error(pourquoi.toStdString());
}

QString Marque(const QString& dossier) { return QDir(dossier).filePath(QStringLiteral(".genere")); }

bool Pret(const QString& dossier) { return QFileInfo::exists(Marque(dossier)); }

void Marquer(const QString& dossier, double secondes) {
  QFile f(Marque(dossier));
  if (!f.open(QIODevice::WriteOnly)) {
    Echec(QStringLiteral("cannot write ") + f.fileName());
  }
  f.write(QByteArray::number(secondes, 'f', 3));
}

QString Numero(char prefixe, int n) {
  return QString(QLatin1Char(prefixe)) + QStringLiteral("%1").arg(n, 7, 10, QLatin1Char('0'));
}

// Appends `rangees` copies of a model record to a table with shapelib, the
// key field of each copy rewritten by `cle`.
template <typename Cle>
void Ajouter(const QString& chemin,
             const std::vector<std::optional<platform::ValeurColonne>>& modele,
             std::int64_t rangees, Cle&& cle) {
  QByteArray record;
  std::vector<dbf::ChampDbf> champs;
  {
    auto table = TableDbf::OuvrirEcriture(chemin, os::SystemeFichiers::Reel());
    record = table->composer(modele, nullptr);
    champs = table->fields();
  }
  DBFHandle h = DBFOpen(QFile::encodeName(chemin).constData(), "rb+");
  if (h == nullptr) {
    Echec(QStringLiteral("cannot open ") + chemin);
  }
  const int debut = DBFGetRecordCount(h);
  for (std::int64_t i = 0; i < rangees; ++i) {
    cle(record, champs, i);
    if (!DBFWriteTuple(h, debut + static_cast<int>(i), record.data())) {
      Echec(QStringLiteral("cannot write ") + chemin);
    }
  }
  DBFClose(h);
  TableDbf::OuvrirEcriture(chemin, os::SystemeFichiers::Reel())->terminer(QDate::currentDate());
}

void Poser(QByteArray& record, const dbf::ChampDbf& champ, const QByteArray& valeur,
           bool aDroite = false) {
  const QByteArray cadre = aDroite ? valeur.rightJustified(champ.width, ' ', true)
                                   : valeur.leftJustified(champ.width, ' ', true);
  std::memcpy(record.data() + champ.offset, cadre.constData(), static_cast<size_t>(champ.width));
}

void Sql(sqlite3* db, const char* texte) {
  char* erreur = nullptr;
  if (sqlite3_exec(db, texte, nullptr, nullptr, &erreur) != SQLITE_OK) {
    const QString pourquoi = QString::fromUtf8(erreur);
    sqlite3_free(erreur);
    Echec(pourquoi);
  }
}

struct Requete {
  Requete(sqlite3* db, const char* texte) {
    if (sqlite3_prepare_v2(db, texte, -1, &stmt, nullptr) != SQLITE_OK) {
      Echec(QString::fromUtf8(sqlite3_errmsg(db)));
    }
  }
  ~Requete() { sqlite3_finalize(stmt); }
  Requete(const Requete&) = delete;
  Requete& operator=(const Requete&) = delete;
  void Texte(int i, const QByteArray& t) {
    sqlite3_bind_text(stmt, i, t.constData(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
  }
  void Entier(int i, std::int64_t v) { sqlite3_bind_int64(stmt, i, v); }
  void Reel(int i, double v) { sqlite3_bind_double(stmt, i, v); }
  void Executer() {
    if (sqlite3_step(stmt) != SQLITE_DONE) {
      Echec(QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(stmt))));
    }
    sqlite3_reset(stmt);
  }
  sqlite3_stmt* stmt = nullptr;
};

}  // namespace

QString DossierDonnees() {
  const QString env = qEnvironmentVariable("BRIVANE_BENCH_DATA");
  const QString dossier =
      env.isEmpty() ? QDir::current().filePath(QStringLiteral("bench-data")) : env;
  QDir().mkpath(dossier);
  return dossier;
}

double SecondesGeneration(const QString& dossier) {
  QFile f(Marque(dossier));
  return f.open(QIODevice::ReadOnly) ? f.readAll().toDouble() : 0;
}

// Invoice numbers have five digits: the fixture's invoices take them from 0
// on, wrapping before the last few, and the counter gives the first free one.
constexpr std::int64_t kNumerosFixture = 99990;

std::int32_t CompteurFixture(int rangees) {
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(std::max<std::int64_t>(1, rangees / 10), kNumerosFixture));
}

// The counter a fixture folder holds, or -1.
qlonglong CompteurDe(const QString& dossier) {
  try {
    const auto solde = dbf::TableDbf::Ouvrir(QDir(dossier).filePath(QStringLiteral("solde.dbf")));
    const platform::ValeurColonne v =
        solde->value(solde->record(0), solde->indexChamp(QStringLiteral("snexts")));
    if (const auto* x = std::get_if<double>(&v)) {
      return static_cast<qlonglong>(*x);
    }
    const auto* n = std::get_if<qlonglong>(&v);
    return n != nullptr ? *n : 0;
  } catch (const std::exception&) {
    return -1;
  }
}

QString CompagnieDbf(int rangees) {
  const QString dossier = QDir(DossierDonnees()).filePath(QStringLiteral("dbf-%1").arg(rangees));
  // A fixture of an older kind, whose counter named one of its invoices, is made again.
  if (Pret(dossier) && CompteurDe(dossier) == CompteurFixture(rangees)) {
    // A fixture made a moment ago may still be on its way to the disk: the
    // posting's fsync would pay for writing all of it.
    ::sync();
    return dossier;
  }
  QDir(dossier).removeRecursively();
  QElapsedTimer chrono;
  chrono.start();
  dbase::DossierDemoDbf fixture;
  fixture.compteur = CompteurFixture(rangees);
  fixture.Creer(dossier);
  const QDir dir(dossier);
  const auto v = [](const char* texte) {
    return std::optional<platform::ValeurColonne>(QString::fromUtf8(texte));
  };
  const auto n = [](double x) { return std::optional<platform::ValeurColonne>(x); };

  Ajouter(dir.filePath(QStringLiteral("client.dbf")),
          {v("C0000000"), v("Client de la fixture"), v("1 rue du Banc"), v("Québec"), v("QC"),
           v("G1R2B5"), v("4185550100"), std::nullopt, std::nullopt, v("CAN")},
          rangees, [](QByteArray& r, const auto& champs, std::int64_t i) {
            Poser(r, champs[0], Numero('C', static_cast<int>(i)).toLatin1());
          });
  Ajouter(dir.filePath(QStringLiteral("produi.dbf")),
          {v("P0000000"), v("Produit de la fixture"), v(""), v("F100"), v("13100"), v("40100"),
           std::optional<platform::ValeurColonne>(qlonglong{1}),
           std::optional<platform::ValeurColonne>(qlonglong{1}), n(2.5), v("9"), v(""), v(""),
           v("Mat"), v(""), n(10)},
          rangees, [](QByteArray& r, const auto& champs, std::int64_t i) {
            Poser(r, champs[0],
                  dbase::literal::CodeProduitApres(Numero('P', static_cast<int>(i))).toLatin1());
          });
  const std::int64_t factures = std::max<std::int64_t>(1, rangees / 10);
  Ajouter(dir.filePath(QStringLiteral("factma.dbf")), {v("C0000000"), v("Client de la fixture")},
          factures, [](QByteArray& r, const auto& champs, std::int64_t i) {
            Poser(r, champs[20],
                  QByteArray("?") + QByteArray::number(i % kNumerosFixture).rightJustified(5, '0'));
          });
  Ajouter(
      dir.filePath(QStringLiteral("factit.dbf")),
      {v("?00000"), std::optional<platform::ValeurColonne>(qlonglong{1}), v("P0000000"),
       v("Produit"), n(1), n(1), n(2.5), n(2.5),
       std::optional<platform::ValeurColonne>(qlonglong{1}),
       std::optional<platform::ValeurColonne>(qlonglong{1})},
      static_cast<std::int64_t>(rangees) * 10,
      [](QByteArray& r, const auto& champs, std::int64_t i) {
        Poser(r, champs[0],
              QByteArray("?") + QByteArray::number((i / kLignesParFactureFixture) % kNumerosFixture)
                                    .rightJustified(5, '0'));
        Poser(r, champs[1], QByteArray::number(i % kLignesParFactureFixture + 1), true);
      });
  Marquer(dossier, static_cast<double>(chrono.nsecsElapsed()) / 1e9);
  ::sync();
  return dossier;
}

QString CompagnieIntegree(int rangees) {
  const QString dossier =
      QDir(DossierDonnees()).filePath(QStringLiteral("integree-%1").arg(rangees));
  if (Pret(dossier)) {
    // A fixture made a moment ago may still be on its way to the disk: the
    // posting's fsync would pay for writing all of it.
    ::sync();
    return dossier;
  }
  QDir(dossier).removeRecursively();
  QElapsedTimer chrono;
  chrono.start();
  company::CompagnieDemo::Creer(dossier, QStringLiteral("demo"), QStringLiteral("demo"));
  sqlite3* db = nullptr;
  if (sqlite3_open(QDir(dossier).filePath(QStringLiteral("compagnie.sqlite")).toUtf8().constData(),
                   &db) != SQLITE_OK) {
    Echec(QStringLiteral("cannot open the built-in company"));
  }
  Sql(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN");
  {
    Requete c(db,
              "INSERT INTO client (numero, nom, adresse, ville, code_postal, province, pays) "
              "VALUES (?, 'Client de la fixture', '1 rue du Banc', 'Québec', 'G1R2B5', 'QC', "
              "'Ca')");
    Requete p(db,
              "INSERT INTO produit (numero, groupe, constante_1, description_1, sous_groupe, "
              "prix_0, prix_1, format) VALUES (?, 1, 1, 'Produit de la fixture', 'Mat', 2.5, "
              "2.5, '9')");
    for (int i = 0; i < rangees; ++i) {
      c.Texte(1, Numero('C', i).toLatin1());
      c.Executer();
      p.Texte(1, Numero('P', i).toLatin1());
      p.Executer();
    }
    Requete t(db,
              "INSERT INTO transac (numero, type, client, nombre_lignes, utilisateur, "
              "ajoutee_le) VALUES (?, 1, 'C0000000', ?, 1, '2026-01-01T00:00:00Z')");
    Requete l(db,
              "INSERT INTO ligne_transac (transac, ligne, type, code, description, "
              "prix_unitaire, quantite, groupe, taxe, montant) VALUES (?, ?, 1, 'P0000000', "
              "'Produit', 2.5, 1, 1, 3, 2.5)");
    const int factures = std::max(1, rangees / 10);
    for (int f = 0; f < factures; ++f) {
      t.Texte(1, QByteArray::number(f + 1).rightJustified(6, '0'));
      t.Entier(2, kLignesParFactureFixture);
      t.Executer();
      const std::int64_t position = sqlite3_last_insert_rowid(db);
      for (int k = 1; k <= kLignesParFactureFixture; ++k) {
        l.Entier(1, position);
        l.Entier(2, k);
        l.Executer();
      }
    }
  }
  Sql(db, "COMMIT");
  sqlite3_close(db);
  Marquer(dossier, static_cast<double>(chrono.nsecsElapsed()) / 1e9);
  ::sync();
  return dossier;
}

void RemplirFacture(ComSoum& document, int rangees, int lignes) {
  auto client = std::make_shared<Client>();
  client->Numero(Numero('C', rangees / 2));
  client->Nom(QStringLiteral("Client de la fixture"));
  client->Adresse(QStringLiteral("1 rue du Banc"));
  client->Ville(QStringLiteral("Québec"));
  client->Province(QStringLiteral("QC"));
  client->CP(QStringLiteral("G1R2B5"));
  client->NoTelephone(QStringLiteral("4185550100"));
  client->pays(QStringLiteral("Ca"));
  client->Vendeur(QStringLiteral("ML"));
  document.Client(client);
  const int existants = lignes / 2;
  for (int i = 0; i < lignes; ++i) {
    auto item = std::make_shared<Item>();
    // Existing products spread over the whole table; the others are new.
    item->code(i % 2 == 0 ? Numero('P', static_cast<int>(static_cast<std::int64_t>(i / 2) *
                                                         rangees / std::max(1, existants)))
                          : Numero('N', i));
    item->Description(QStringLiteral("Article de la ligne %1").arg(i + 1));
    item->Quantite(1 + i % 7);
    item->Cout(0.25 * (1 + i % 40));
    item->TaxableFederal(true);
    item->TaxableProvincial(true);
    item->Format(QStringLiteral("9"));
    item->SousGroupe(QStringLiteral("Mat"));
    item->GroupeProduit(1);
    item->fournisseur(QStringLiteral("F100"));
    item->PosteGlVente(QStringLiteral("40100"));
    item->PosteGlAchat(QStringLiteral("13100"));
    document.AddItem(std::move(item));
  }
}

InstantaneDbf::InstantaneDbf(const QString& dossier) {
  for (const QFileInfo& f : QDir(dossier).entryInfoList({QStringLiteral("*.dbf")}, QDir::Files)) {
    QFile fichier(f.absoluteFilePath());
    if (!fichier.open(QIODevice::ReadOnly)) {
      Echec(QStringLiteral("cannot read ") + fichier.fileName());
    }
    Fichier e;
    e.chemin = f.absoluteFilePath();
    e.taille = fichier.size();
    if (e.taille <= kPetitFichier) {
      e.entier = fichier.readAll();
    } else {
      e.entete = fichier.read(32);
      fichier.seek(e.taille - 1);
      e.dernier = fichier.read(1);
    }
    fichiers_.push_back(e);
  }
}

void InstantaneDbf::Restaurer() const {
  for (const Fichier& e : fichiers_) {
    const int fd = ::open(QFile::encodeName(e.chemin).constData(), O_WRONLY | O_CLOEXEC);
    bool ok = fd >= 0 && ::ftruncate(fd, e.taille) == 0;
    if (ok && !e.entier.isEmpty()) {
      ok = ::pwrite(fd, e.entier.constData(), static_cast<size_t>(e.entier.size()), 0) ==
           e.entier.size();
    } else if (ok) {
      ok = ::pwrite(fd, e.entete.constData(), 32, 0) == 32 &&
           ::pwrite(fd, e.dernier.constData(), 1, e.taille - 1) == 1;
    }
    if (fd >= 0) {
      ::close(fd);
    }
    if (!ok) {
      Echec(QStringLiteral("cannot restore ") + e.chemin);
    }
  }
}

std::map<QString, std::vector<QByteArray>> InstantaneDbf::NouvellesRangees() const {
  std::map<QString, std::vector<QByteArray>> rangees;
  for (const Fichier& e : fichiers_) {
    const QByteArray entete = e.entier.isEmpty() ? e.entete : e.entier.left(32);
    const auto avant = static_cast<int>(static_cast<unsigned char>(entete[4]) |
                                        (static_cast<unsigned char>(entete[5]) << 8) |
                                        (static_cast<unsigned char>(entete[6]) << 16));
    auto table = TableDbf::Ouvrir(e.chemin);
    auto& liste = rangees[QFileInfo(e.chemin).completeBaseName()];
    for (int i = avant; i < table->nombreLignes(); ++i) {
      liste.push_back(table->record(i));
    }
  }
  return rangees;
}

InstantaneIntegre::InstantaneIntegre(const QString& dossier) : dossier_(dossier) {
  sqlite3* db = nullptr;
  sqlite3_open(QDir(dossier).filePath(QStringLiteral("compagnie.sqlite")).toUtf8().constData(),
               &db);
  for (const char* table : {"client", "produit", "transac"}) {
    Requete r(db, (QByteArray("SELECT COALESCE(MAX(position), 0) FROM ") + table).constData());
    sqlite3_step(r.stmt);
    derniere_[QString::fromLatin1(table)] = sqlite3_column_int64(r.stmt, 0);
  }
  sqlite3_close(db);
}

void InstantaneIntegre::Restaurer() const {
  sqlite3* db = nullptr;
  sqlite3_open(QDir(dossier_).filePath(QStringLiteral("compagnie.sqlite")).toUtf8().constData(),
               &db);
  const auto apres = [&](const char* table) {
    return QByteArray::number(derniere_.at(QString::fromLatin1(table)));
  };
  const QByteArray sql = "BEGIN; DELETE FROM ligne_transac WHERE transac > " + apres("transac") +
                         "; DELETE FROM transac WHERE position > " + apres("transac") +
                         "; DELETE FROM produit WHERE position > " + apres("produit") +
                         "; DELETE FROM client WHERE position > " + apres("client") + "; COMMIT";
  Sql(db, sql.constData());
  sqlite3_close(db);
}

}  // namespace brivane::bench
