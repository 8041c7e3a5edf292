// What an import costs: reading and validating a large invoice, and posting
// 1,000 lines into companies of growing size, beside the baselines the same
// work is measured against (SQLite on ordinary tables, shapelib alone).
#include "app/LireFactureCsv.h"
#include "company/FabriqueParDefaut.h"
#include "dbase/BackEndDbf.h"
#include "dbf/FournisseurDbfSqlite.h"
#include "dbf/TableDbf.h"
#include "document/ComSoum.h"
#include "document/Item.h"
#include "document/ServicesDocument.h"
#include "platform/HorlogeQt.h"
#include "platform/NomOrdinateurQt.h"
#include "platform/ParametresRegionauxQt.h"
#include "support/Fixtures.h"
#include "support/Plancher.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <shapefil.h>
#include <sqlite3.h>

#include <stdexcept>

namespace brivane::bench {
namespace {

constexpr int kLignesFichier = 100000;

void Arreter(benchmark::State& state, const QString& pourquoi) {
  state.SkipWithError(pourquoi.toUtf8().constData());
}

// An invoice file of `lignes` detail lines, written once.
QString FichierFacture(int lignes) {
  const QString chemin =
      QDir(DossierDonnees()).filePath(QStringLiteral("facture-%1.csv").arg(lignes));
  if (QFileInfo::exists(chemin)) {
    return chemin;
  }
  QByteArray texte =
      "Entete;Vendeur;Ref;Conditions;Livraison;No client;Nom;Adresse;Ville;Province;Code "
      "postal;Tel;Fax;Nom liv;Adr liv;Ville liv;Prov liv;CP liv\r\n"
      "X1;ML;X2;Net 30;Camion;C0000500;Atelier Nord;12 rue Haute;Villeneuve;QC;G8T 1A1;(819) "
      "555-0101;(819) 555-0102;Atelier Nord, entrep\xF4t;40 rue Basse;Villeneuve;Qu\xE9"
      "bec;G9A_2G4\r\n"
      "Article;Description;Quantite;Prix\r\n";
  for (int i = 0; i < lignes; ++i) {
    // Products P0000000 and up: all of them are in the built-in company of
    // 100,000 rows, so that a whole import run of this file posts one invoice.
    texte += "P" + QByteArray::number(i).rightJustified(7, '0') + ";Vis \xE0 bois n\xB0 " +
             QByteArray::number(i % 40) + ", bo\xEEte de 100;" + QByteArray::number(1 + i % 9) +
             ";" + QByteArray::number(0.25 * (1 + i % 40)) + "\r\n";
  }
  QFile f(chemin);
  if (!f.open(QIODevice::WriteOnly) || f.write(texte) != texte.size()) {
    throw std::runtime_error("cannot write the invoice file");
  }
  return chemin;
}

void LectureFacture(benchmark::State& state) {
  const QString chemin = FichierFacture(static_cast<int>(state.range(0)));
  const qint64 octets = QFileInfo(chemin).size();
  for (auto _ : state) {
    ComSoum document(ServicesDocument{});
    LireFactureCsv(chemin, QStringLiteral("1"), document);
    benchmark::DoNotOptimize(document);
  }
  state.SetBytesProcessed(state.iterations() * octets);
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["file_bytes"] = static_cast<double>(octets);
}
BENCHMARK(LectureFacture)->Arg(kLignesFichier)->Unit(benchmark::kMillisecond);

void ValidationDocument(benchmark::State& state) {
  ComSoum document(ServicesDocument{});
  RemplirFacture(document, 1000, static_cast<int>(state.range(0)));
  document.cheminCie(QStringLiteral("/nulle-part"));
  document.SystemeComptable(2);
  // No back end for this code once validated: Enregistrer only validates.
  ServicesDocument services;
  for (auto _ : state) {
    benchmark::DoNotOptimize(document.Enregistrer());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(ValidationDocument)->Arg(kLignesFichier)->Unit(benchmark::kMillisecond);

ServicesDocument ServicesDbf(std::shared_ptr<platform::FournisseurBaseDonnees> base) {
  ServicesDocument s;
  s.horloge = std::make_shared<platform::HorlogeQt>();
  s.dbase = [base](ComSoum& document) -> std::unique_ptr<BackEnd> {
    return std::make_unique<dbase::BackEndDbf>(
        document, dbase::ServicesDbf{base, std::make_shared<platform::NomOrdinateurQt>(),
                                     std::make_shared<platform::ParametresRegionauxQt>(),
                                     os::SystemeFichiers::Reel()});
  };
  return s;
}

void PreparerFacture(ComSoum& document, int rangees, const QString& dossier, int code) {
  RemplirFacture(document, rangees);
  document.SystemeComptable(code);
  document.cheminCie(dossier);
  document.cheminApp(dossier);
  document.Utilisateur(QStringLiteral("demo"));
  document.MotDePasse(QStringLiteral("demo"));
  document.Soumission(false);
}

void CompteurParLigne(benchmark::State& state) {
  state.counters["per_line"] = benchmark::Counter(
      kLignesFacture, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Posts the benchmark invoice into dossier once per iteration, each time on the
// company as the snapshot left it; only Enregistrer is timed.
template <typename Instantane>
void Poster(benchmark::State& state, const Instantane& instantane, const ServicesDocument& services,
            const QString& dossier, std::int32_t code) {
  const int rangees = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    instantane.Restaurer();
    auto document = std::make_unique<ComSoum>(services);
    PreparerFacture(*document, rangees, dossier, code);
    state.ResumeTiming();
    if (!document->Enregistrer()) {
      Arreter(state, document->Message());
      break;
    }
  }
  instantane.Restaurer();
  CompteurParLigne(state);
  state.counters["fixture_s"] = SecondesGeneration(dossier);
}

// Code 2: the dBASE tables of a company folder.
void PostageDbf(benchmark::State& state) {
  const int rangees = static_cast<int>(state.range(0));
  const QString dossier = CompagnieDbf(rangees);
  const InstantaneDbf instantane(dossier);
  const ServicesDocument services =
      ServicesDbf(std::make_shared<dbf::FournisseurDbfSqlite>(os::SystemeFichiers::Reel()));
  Poster(state, instantane, services, dossier, 2);
}
BENCHMARK(PostageDbf)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Code 1: the built-in company.
void PostageIntegre(benchmark::State& state) {
  const int rangees = static_cast<int>(state.range(0));
  const QString dossier = CompagnieIntegree(rangees);
  const InstantaneIntegre instantane(dossier);
  ServicesDocument services;
  services.horloge = std::make_shared<platform::HorlogeQt>();
  services.acomba = company::FabriqueParDefaut();
  Poster(state, instantane, services, dossier, 1);
}
BENCHMARK(PostageIntegre)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The least a lookup without an index file costs: one DBFReadTuple pass over
// every record of client and produi.
void PassageShapelib(benchmark::State& state) {
  const QDir dossier(CompagnieDbf(static_cast<int>(state.range(0))));
  std::int64_t rangees = 0;
  for (auto _ : state) {
    for (const char* table : {"client.dbf", "produi.dbf"}) {
      DBFHandle h = DBFOpen(
          QFile::encodeName(dossier.filePath(QString::fromLatin1(table))).constData(), "rb");
      const int n = DBFGetRecordCount(h);
      for (int i = 0; i < n; ++i) {
        benchmark::DoNotOptimize(DBFReadTuple(h, i));
      }
      rangees += n;
      DBFClose(h);
    }
  }
  state.SetItemsProcessed(rangees);
}
BENCHMARK(PassageShapelib)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// --- Baselines on the statement texts of one posting -------------------------

class RowSetEnregistre final : public platform::JeuLignes {
 public:
  explicit RowSetEnregistre(std::unique_ptr<platform::JeuLignes> r) : r_(std::move(r)) {}
  bool IsOpen() const override { return r_->IsOpen(); }
  bool Eof() const override { return r_->Eof(); }
  platform::ValeurColonne Field(const QString& name) const override { return r_->Field(name); }
  void Close() override { r_->Close(); }

 private:
  std::unique_ptr<platform::JeuLignes> r_;
};

// Keeps the text of every statement a posting runs.
class BaseEnregistreuse final : public platform::BaseDonnees {
 public:
  BaseEnregistreuse(std::unique_ptr<platform::BaseDonnees> base, QStringList& textes)
      : base_(std::move(base)), textes_(textes) {}
  std::unique_ptr<platform::JeuLignes> Execute(const QString& sql) override {
    textes_ << sql;
    return base_->Execute(sql);
  }
  std::unique_ptr<platform::VerrouTable> Lock(const QString& table,
                                              std::chrono::milliseconds wait) override {
    return base_->Lock(table, wait);
  }
  void Begin(const QStringList& tables, std::chrono::milliseconds wait) override {
    base_->Begin(tables, wait);
  }
  void Commit() override { base_->Commit(); }
  void Rollback() noexcept override { base_->Rollback(); }

 private:
  std::unique_ptr<platform::BaseDonnees> base_;
  QStringList& textes_;
};

class FournisseurEnregistreur final : public platform::FournisseurBaseDonnees {
 public:
  std::unique_ptr<platform::BaseDonnees> Open(const QString& connexion) override {
    return std::make_unique<BaseEnregistreuse>(
        dbf::FournisseurDbfSqlite(os::SystemeFichiers::Reel()).Open(connexion), textes);
  }
  QStringList textes;
};

// One posting into the company of `rangees` rows: its statement texts and the
// raw records it appended. The company is put back as it was.
struct Enregistrement {
  QStringList textes;
  std::map<QString, std::vector<QByteArray>> rangees;
};

const Enregistrement& Enregistrer(int rangees) {
  static std::map<int, Enregistrement> deja;
  if (const auto it = deja.find(rangees); it != deja.end()) {
    return it->second;
  }
  const QString dossier = CompagnieDbf(rangees);
  const InstantaneDbf instantane(dossier);
  auto fournisseur = std::make_shared<FournisseurEnregistreur>();
  ComSoum document(ServicesDbf(fournisseur));
  PreparerFacture(document, rangees, dossier, 2);
  if (!document.Enregistrer()) {
    throw std::runtime_error(document.Message().toStdString());
  }
  Enregistrement e{fournisseur->textes, instantane.NouvellesRangees()};
  // A copy of the posted small company, for the python3-dbf baseline.
  if (rangees == 1000) {
    const QDir cible(QDir(DossierDonnees()).filePath(QStringLiteral("dbf-1000-postee")));
    QDir(cible).removeRecursively();
    QDir().mkpath(cible.path());
    for (const QFileInfo& f : QDir(dossier).entryInfoList({QStringLiteral("*.dbf")}, QDir::Files)) {
      QFile::copy(f.absoluteFilePath(), cible.filePath(f.fileName()));
    }
    // And its statement texts, one per line, for the DBD::XBase baseline.
    QFile instructions(QDir(DossierDonnees()).filePath(QStringLiteral("instructions-1000.sql")));
    if (instructions.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      instructions.write(e.textes.join(u'\n').toUtf8() + '\n');
    }
  }
  instantane.Restaurer();
  return deja.emplace(rangees, std::move(e)).first->second;
}

int RangeesEcrites(const Enregistrement& e) {
  int n = 0;
  for (const auto& [table, liste] : e.rangees) {
    n += static_cast<int>(liste.size());
  }
  return n;
}

// The statements through our virtual tables over the .dbf files, in one
// posting as the back end runs them; its commit (the syncs) is timed apart.
void InstructionsDbf(benchmark::State& state) {
  const int rangees = static_cast<int>(state.range(0));
  const Enregistrement& e = Enregistrer(rangees);
  const QString dossier = CompagnieDbf(rangees);
  const InstantaneDbf instantane(dossier);
  double commit = 0;
  for (auto _ : state) {
    state.PauseTiming();
    instantane.Restaurer();
    state.ResumeTiming();
    auto base = dbf::FournisseurDbfSqlite(os::SystemeFichiers::Reel())
                    .Open(QStringLiteral("Data Source=") + dossier);
    base->Begin({QStringLiteral("client"), QStringLiteral("produi"), QStringLiteral("factma"),
                 QStringLiteral("factit"), QStringLiteral("solde")},
                std::chrono::seconds(10));
    for (const QString& texte : e.textes) {
      auto r = base->Execute(texte);
      benchmark::DoNotOptimize(r);
    }
    state.PauseTiming();
    const auto debut = std::chrono::steady_clock::now();
    base->Commit();
    commit += std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
    state.ResumeTiming();
  }
  instantane.Restaurer();
  state.counters["statements"] = static_cast<double>(e.textes.size());
  state.counters["commit_ms"] = commit * 1e3 / static_cast<double>(state.iterations());
}
BENCHMARK(InstructionsDbf)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

void Executer(sqlite3* db, const QByteArray& sql) {
  char* erreur = nullptr;
  if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &erreur) != SQLITE_OK) {
    const std::string pourquoi = erreur;
    sqlite3_free(erreur);
    throw std::runtime_error(pourquoi);
  }
}

// The same tables as ordinary in-memory SQLite tables holding the same rows,
// their key columns indexed.
sqlite3* BaseOrdinaire(const QString& dossier) {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  for (const QFileInfo& f : QDir(dossier).entryInfoList({QStringLiteral("*.dbf")}, QDir::Files)) {
    auto table = dbf::TableDbf::Ouvrir(f.absoluteFilePath());
    const QByteArray nom = f.completeBaseName().toUtf8();
    QByteArray creer = "CREATE TABLE " + nom + " (";
    QByteArray marques;
    for (std::size_t i = 0; i < table->fields().size(); ++i) {
      const auto& champ = table->fields()[i];
      creer += (i ? "," : "") + champ.name.toUtf8() +
               (champ.type == 'N' || champ.type == 'F' ? " NUMERIC" : " TEXT");
      marques += i ? ",?" : "?";
    }
    Executer(db, creer + ")");
    // Only the searched tables and the one-row ones: factma and factit are
    // only appended to, and an append does not depend on what a table holds.
    if (nom == "factma" || nom == "factit") {
      continue;
    }
    Executer(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, ("INSERT INTO " + nom + " VALUES (" + marques + ")").constData(), -1,
                       &insert, nullptr);
    for (int n = 0; n < table->nombreLignes(); ++n) {
      const QByteArray record = table->record(n);
      for (int i = 0; i < static_cast<int>(table->fields().size()); ++i) {
        const platform::ValeurColonne v = table->value(record, i);
        if (const auto* entier = std::get_if<qlonglong>(&v)) {
          sqlite3_bind_int64(insert, i + 1, *entier);
        } else if (const auto* x = std::get_if<double>(&v)) {
          sqlite3_bind_double(insert, i + 1, *x);
        } else if (const auto* s = std::get_if<QString>(&v)) {
          sqlite3_bind_text(insert, i + 1, s->toUtf8().constData(), -1, SQLITE_TRANSIENT);
        } else {
          sqlite3_bind_null(insert, i + 1);
        }
      }
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Executer(db, "COMMIT");
  }
  Executer(db, "CREATE INDEX client_cnum ON client (CNUM)");
  Executer(db, "CREATE INDEX produi_pnum ON produi (PNUM)");
  return db;
}

// The same statement texts, run the way Execute runs them, on ordinary tables.
void InstructionsSqlite(benchmark::State& state) {
  const int rangees = static_cast<int>(state.range(0));
  const Enregistrement& e = Enregistrer(rangees);
  sqlite3* db = BaseOrdinaire(CompagnieDbf(rangees));
  std::vector<QByteArray> textes;
  for (const QString& t : e.textes) {
    textes.push_back(t.toUtf8());
  }
  for (auto _ : state) {
    state.PauseTiming();
    Executer(db, "SAVEPOINT essai");
    state.ResumeTiming();
    for (const QByteArray& texte : textes) {
      sqlite3_stmt* stmt = nullptr;
      sqlite3_prepare_v2(db, texte.constData(), static_cast<int>(texte.size()), &stmt, nullptr);
      if (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
          benchmark::DoNotOptimize(sqlite3_column_name(stmt, i));
          benchmark::DoNotOptimize(sqlite3_column_text(stmt, i));
        }
      }
      sqlite3_finalize(stmt);
    }
    state.PauseTiming();
    Executer(db, "ROLLBACK TO essai; RELEASE essai");
    state.ResumeTiming();
  }
  sqlite3_close(db);
  state.counters["statements"] = static_cast<double>(e.textes.size());
}
BENCHMARK(InstructionsSqlite)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: the same new rows appended straight with shapelib, no SQL, no lookup.
void EcritureShapelib(benchmark::State& state) {
  const int rangees = static_cast<int>(state.range(0));
  const Enregistrement& e = Enregistrer(rangees);
  const QDir dossier(CompagnieDbf(rangees));
  const InstantaneDbf instantane(dossier.path());
  for (auto _ : state) {
    state.PauseTiming();
    instantane.Restaurer();
    state.ResumeTiming();
    for (const auto& [table, liste] : e.rangees) {
      if (liste.empty()) {
        continue;
      }
      DBFHandle h = DBFOpen(
          QFile::encodeName(dossier.filePath(table + QStringLiteral(".dbf"))).constData(), "rb+");
      for (const QByteArray& r : liste) {
        QByteArray copie = r;
        DBFWriteTuple(h, DBFGetRecordCount(h), copie.data());
      }
      DBFClose(h);
    }
  }
  instantane.Restaurer();
  state.counters["rows"] = static_cast<double>(RangeesEcrites(e));
  state.counters["per_row"] =
      benchmark::Counter(RangeesEcrites(e), benchmark::Counter::kIsIterationInvariantRate |
                                                benchmark::Counter::kInvert);
}
BENCHMARK(EcritureShapelib)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor of a whole posting: the same rows with shapelib, each table
// opened, locked and synced once, the searched keys read once.
void PlancherPostage(benchmark::State& state) {
  const int rangees = static_cast<int>(state.range(0));
  const Enregistrement& e = Enregistrer(rangees);
  const QString dossier = CompagnieDbf(rangees);
  const InstantaneDbf instantane(dossier);
  for (auto _ : state) {
    state.PauseTiming();
    instantane.Restaurer();
    state.ResumeTiming();
    PlancherShapelib(dossier, e.rangees);
  }
  instantane.Restaurer();
  state.counters["rows"] = static_cast<double>(RangeesEcrites(e));
}
BENCHMARK(PlancherPostage)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace brivane::bench
