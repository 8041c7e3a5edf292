// A posting killed (SIGKILL) at every point between two of its writes, and
// postings of two processes at once into one company folder: the tables stay
// readable by an independent reader, every row is whole or absent, and the
// invoice counter never runs ahead of the rows.
#include "dbase/BackEndDbf.h"
#include "dbase/DossierDemoDbf.h"
#include "dbf/FournisseurDbfSqlite.h"
#include "dbf/TableDbf.h"
#include "document/ComSoum.h"
#include "support/ArretBrutal.h"
#include "support/DbfEtat.h"
#include "support/DbfLecteurs.h"
#include "support/HorlogeFixe.h"
#include "support/LectureDbf.h"
#include "support/LigneDbf.h"
#include "support/NomOrdinateurFixe.h"
#include "support/ParametresRegionauxFixes.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace brivane::dbase {
namespace {

using testing::EtatDbf;
using testing::ExecuterEtTuer;
using testing::FinEnfant;

constexpr std::int32_t kCompteur = 7;

std::shared_ptr<Client> LeClient(const QString& numero) {
  auto c = std::make_shared<Client>();
  c->Numero(numero);
  c->Nom(QStringLiteral("Quincaillerie L'Érable"));
  c->Adresse(QStringLiteral("12, rue Principale"));
  c->Ville(QStringLiteral("Québec"));
  c->Province(QStringLiteral("QC"));
  c->CP(QStringLiteral("G1R2B5"));
  c->NoTelephone(QStringLiteral("4185550123"));
  c->pays(QStringLiteral("CAN"));
  c->Vendeur(QStringLiteral("JT"));
  return c;
}

std::shared_ptr<Item> LaLigne(const QString& code, double quantite, double cout) {
  return testing::LigneDbf(code, quantite, cout);
}

// What became of a posting.
enum Issue { kPostee = 0, kEchec = 1, kDejaPostee = 2 };

// One posting with code 2 into dossier, as the program makes it: customer,
// products, invoice, from the import `reference`.
int Poster(const QString& dossier, const QString& client, const QStringList& codes,
           const ReferenceImportation& reference = {}) {
  ServicesDocument services;
  services.horloge = std::make_shared<testing::HorlogeFixe>(QDate(2024, 3, 5));
  services.dbase = [](ComSoum& d) -> std::unique_ptr<BackEnd> {
    return std::make_unique<BackEndDbf>(
        d, ServicesDbf{std::make_shared<dbf::FournisseurDbfSqlite>(os::SystemeFichiers::Reel()),
                       std::make_shared<testing::NomOrdinateurFixe>(QStringLiteral("POSTE-07")),
                       std::make_shared<testing::ParametresRegionauxFixes>(QStringLiteral("/")),
                       os::SystemeFichiers::Reel()});
  };
  ComSoum document(services);
  document.SystemeComptable(2);
  document.cheminCie(dossier);
  document.Client(LeClient(client));
  document.Importation(reference);
  double quantite = 1;
  for (const QString& code : codes) {
    document.AddItem(LaLigne(code, quantite, 2.5));
    quantite += 1;
  }
  if (document.Enregistrer()) {
    return kPostee;
  }
  if (document.ImportationTrouvee()) {
    return kDejaPostee;
  }
  std::fprintf(stderr, "%s\n", document.Message().toUtf8().constData());
  return kEchec;
}

const QStringList kCodes = {QStringLiteral("AB6"), QStringLiteral("CL-12"), QStringLiteral("PE'1")};

// Every attempt imports the same file: after a kill, the retry must find
// the company's record if the kill left the invoice posted.
int PosterLaFacture(const QString& dossier) {
  return Poster(dossier, QStringLiteral("123"), kCodes,
                {QString(64, u'e'), QStringLiteral("journal-interruption"), 9});
}

void Creer(const QString& dossier) {
  DossierDemoDbf fixture;
  fixture.compteur = kCompteur;
  fixture.Creer(dossier);
}

QJsonValue Champ(const QJsonObject& ligne, const QString& colonne) {
  for (auto it = ligne.begin(); it != ligne.end(); ++it) {
    if (it.key().compare(colonne, Qt::CaseInsensitive) == 0) {
      return it.value();
    }
  }
  return QJsonValue(QJsonValue::Undefined);
}

QJsonArray Lignes(const QJsonObject& dossier, const char* table) {
  return dossier[QString::fromLatin1(table)].toObject()[u"rows"].toArray();
}

qint64 Compteur(const QJsonObject& dossier) {
  const QJsonArray solde = Lignes(dossier, "solde");
  return solde.isEmpty() ? -1 : Champ(solde[0].toObject(), QStringLiteral("snexts")).toInteger();
}

// The rows of an invoice number: its header rows and its line rows.
int EnTetes(const QJsonObject& dossier, const QString& numero) {
  int n = 0;
  for (const auto& l : Lignes(dossier, "factma")) {
    n += Champ(l.toObject(), QStringLiteral("FFNOFACT")).toString() == numero ? 1 : 0;
  }
  return n;
}
int LignesDe(const QJsonObject& dossier, const QString& numero) {
  int n = 0;
  for (const auto& l : Lignes(dossier, "factit")) {
    n += Champ(l.toObject(), QStringLiteral("finofact")).toString() == numero ? 1 : 0;
  }
  return n;
}
QString Numero(qint64 compteur) { return QStringLiteral("!%1").arg(compteur, 5, 10, QChar(u'0')); }

// The rows the header counts that are not marked deleted, as our own reader sees them.
qsizetype LignesVivantes(const QString& cheminSansExtension) {
  const auto table = dbf::TableDbf::Ouvrir(cheminSansExtension + QStringLiteral(".dbf"));
  qsizetype vivantes = 0;
  for (int i = 0; i < table->nombreLignes(); ++i) {
    vivantes += dbf::TableDbf::EstSupprimee(table->record(i)) ? 0 : 1;
  }
  return vivantes;
}

void CopierDossier(const QString& de, const QString& vers) {
  ASSERT_TRUE(QDir().mkpath(vers));
  for (const QString& nom : QDir(de).entryList(QDir::Files)) {
    ASSERT_TRUE(QFile::copy(QDir(de).filePath(nom), QDir(vers).filePath(nom))) << nom.toStdString();
  }
}

// The folders' states with each record's time checked then left out: two
// postings of one file differ by it alone.
QJsonObject SansMoments(QJsonObject etats) {
  for (const QString& dossier : etats.keys()) {
    QJsonObject etat = etats.value(dossier).toObject();
    if (!etat.contains(u"brivimp")) {
      continue;
    }
    QJsonObject registre = etat.value(u"brivimp").toObject();
    QJsonArray lignes;
    for (const auto& l : registre[u"rows"].toArray()) {
      QJsonObject ligne = l.toObject();
      EXPECT_TRUE(
          QDateTime::fromString(ligne.take(u"MOMENT").toString(), Qt::ISODateWithMs).isValid());
      lignes << ligne;
    }
    registre[u"rows"] = lignes;
    etat[u"brivimp"] = registre;
    etats[dossier] = etat;
  }
  return etats;
}

// The state of a folder is all of the posting or none of it: the same rows
// as the whole posting in every table, or the rows of the fresh company.
enum class Etat { Rien, Tout, Partiel };

Etat EtatDe(const QJsonObject& dossier, const QJsonObject& vide, const QJsonObject& complet) {
  bool rien = true;
  bool tout = true;
  for (const QString& table : complet.keys()) {
    const QJsonArray lignes = dossier[table].toObject()[u"rows"].toArray();
    rien = rien && lignes == vide[table].toObject()[u"rows"].toArray();
    tout = tout && lignes == complet[table].toObject()[u"rows"].toArray();
  }
  return rien ? Etat::Rien : tout ? Etat::Tout : Etat::Partiel;
}

TEST(Interruption, APostingKilledAtAnyWriteIsWholeOrAbsentOnceTheNextConnectionOpens) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  const auto dossier = [&](const QString& nom) { return racine.filePath(nom); };

  // The company before the posting, and after it whole.
  Creer(dossier(QStringLiteral("vide")));
  Creer(dossier(QStringLiteral("reference")));
  ASSERT_EQ(PosterLaFacture(dossier(QStringLiteral("reference"))), kPostee);

  // How many calls that change a file a whole posting makes.
  Creer(dossier(QStringLiteral("compte")));
  const FinEnfant complete =
      ExecuterEtTuer([&] { return PosterLaFacture(dossier(QStringLiteral("compte"))); }, -1);
  if (!complete.tracable) {
    GTEST_SKIP() << "this system does not let a test trace its child (ptrace refused)";
  }
  ASSERT_EQ(complete.code, 0);
  const int points = complete.appels;
  ASSERT_GT(points, 10);
  std::printf("[ kill points ] dBASE posting: %d calls that change a file, killed before each\n",
              points);

  // Kill before each of them; keep what the kill left, let a connection open
  // it (which undoes a commit cut short), then post again over it.
  QStringList dossiers{dossier(QStringLiteral("vide")), dossier(QStringLiteral("reference"))};
  std::vector<int> reprises;
  std::vector<bool> journaux;
  for (int k = 0; k < points; ++k) {
    const QString ici = dossier(QStringLiteral("k%1").arg(k));
    Creer(ici);
    const FinEnfant fin = ExecuterEtTuer([&] { return PosterLaFacture(ici); }, k);
    // The count of writes can differ a little from one run to the next (a
    // sanitizer's own files): a child that ends before point k simply
    // finished its work, which must then have succeeded.
    if (!fin.tue) {
      ASSERT_EQ(fin.code, 0) << "kill point " << k;
    }
    journaux.push_back(QFile::exists(QDir(ici).filePath(QStringLiteral("brivane.jnl"))));
    CopierDossier(ici, ici + QStringLiteral("-tue"));
    EXPECT_NO_THROW(dbf::FournisseurDbfSqlite(os::SystemeFichiers::Reel())
                        .Open(QStringLiteral("Data Source=") + ici));
    EXPECT_FALSE(QFile::exists(QDir(ici).filePath(QStringLiteral("brivane.jnl"))));
    CopierDossier(ici, ici + QStringLiteral("-ouvert"));
    reprises.push_back(PosterLaFacture(ici));
    dossiers << ici + QStringLiteral("-tue") << ici + QStringLiteral("-ouvert") << ici;
  }

  const QJsonObject etats = SansMoments(EtatDbf(dossiers));
  ASSERT_FALSE(etats.contains(u"python")) << etats[u"python"].toString().toStdString();
  const QJsonValue xbase = testing::ComptesXBase(dossiers);
  std::printf("[ kill points ] readers: dbfread, python3-dbf%s\n",
              xbase.isObject() ? ", Perl XBase" : " (Perl XBase not installed)");
  const QJsonObject vide = etats[dossier(QStringLiteral("vide"))].toObject();
  const QJsonObject reference = etats[dossier(QStringLiteral("reference"))].toObject();
  ASSERT_EQ(Compteur(vide), kCompteur);
  ASSERT_EQ(Compteur(reference), kCompteur + 1);
  ASSERT_EQ(Lignes(reference, "brivimp").size(), 1);

  // Every reader counts the live rows dbfread lists.
  const auto memesLignes = [&](const QString& ici) {
    const QJsonObject etat = etats[ici].toObject();
    for (const QString& table : etat.keys()) {
      const QJsonObject t = etat[table].toObject();
      const QVariant lignes(static_cast<qlonglong>(t[u"rows"].toArray().size()));
      EXPECT_EQ(t[u"dbf"].toVariant(), lignes) << "python3-dbf, " << table.toStdString();
      if (xbase.isObject()) {
        EXPECT_EQ(xbase[ici].toObject()[table].toVariant(), lignes)
            << "XBase, " << table.toStdString();
      }
    }
  };

  int annulees = 0;
  int gardees = 0;
  int partielles = 0;
  for (int k = 0; k < points; ++k) {
    SCOPED_TRACE(::testing::Message() << "kill point " << k);
    const QString ici = dossier(QStringLiteral("k%1").arg(k));
    const QJsonObject tue = etats[ici + QStringLiteral("-tue")].toObject();
    const QJsonObject ouvert = etats[ici + QStringLiteral("-ouvert")].toObject();
    const QJsonObject repris = etats[ici].toObject();
    // Our record table may not be made yet; it is whole once its name is there.
    QStringList tables = tue.keys();
    if (!tables.contains(QStringLiteral("brivimp"))) {
      tables << QStringLiteral("brivimp");
      tables.sort();
    }
    ASSERT_EQ(tables, reference.keys());

    // As the kill left it: readable, and whole or absent unless the kill cut
    // the commit itself, which the journal then records.
    for (const QString& table : tue.keys()) {
      const QJsonObject t = tue[table].toObject();
      EXPECT_TRUE(t[u"error"].isNull())
          << table.toStdString() << t[u"error"].toString().toStdString();
      EXPECT_EQ(t[u"rows"].toArray().size(),
                LignesVivantes(QDir(ici + QStringLiteral("-tue")).filePath(table)))
          << table.toStdString();
    }
    const Etat avant = EtatDe(tue, vide, reference);
    if (avant == Etat::Partiel) {
      ++partielles;
      EXPECT_TRUE(journaux[static_cast<std::size_t>(k)]) << "rows of half a posting, no journal";
    }

    // Once a connection has opened it: whole or absent for every reader, each
    // file exactly its rows and its end mark, the counter true to the invoices.
    const Etat apres = EtatDe(ouvert, vide, reference);
    EXPECT_NE(apres, Etat::Partiel);
    (apres == Etat::Tout ? gardees : annulees) += 1;
    // Without a journal nothing is undone; with one, even a commit that wrote
    // every table is undone, for it had not ended.
    if (!journaux[static_cast<std::size_t>(k)]) {
      EXPECT_EQ(apres, avant);
    }
    memesLignes(ici + QStringLiteral("-ouvert"));
    memesLignes(ici + QStringLiteral("-tue"));
    for (const QString& table : ouvert.keys()) {
      const auto fichier = testing::CheckDbfFile(
          QDir(ici + QStringLiteral("-ouvert")).filePath(table + QStringLiteral(".dbf")));
      EXPECT_EQ(static_cast<qint64>(fichier.headerCount), fichier.countFromSize)
          << table.toStdString();
      EXPECT_TRUE(fichier.endsWith1A) << table.toStdString();
      EXPECT_EQ(ouvert[table].toObject()[u"deleted"].toInteger(), 0) << table.toStdString();
    }
    const qint64 compteur = Compteur(ouvert);
    EXPECT_EQ(compteur, kCompteur + Lignes(ouvert, "factma").size());

    // The same file imported again: refused by the record when the kill left
    // the invoice posted, posted whole otherwise. Either way the company ends
    // with that invoice once, and one record naming it.
    EXPECT_EQ(reprises[static_cast<std::size_t>(k)], apres == Etat::Tout ? kDejaPostee : kPostee);
    EXPECT_EQ(Compteur(repris), kCompteur + 1);
    EXPECT_EQ(EnTetes(repris, Numero(kCompteur)), 1);
    EXPECT_EQ(LignesDe(repris, Numero(kCompteur)), kCodes.size());
    EXPECT_EQ(Lignes(repris, "client").size(), 1);
    EXPECT_EQ(Lignes(repris, "produi").size(), kCodes.size());
    const QJsonArray registre = Lignes(repris, "brivimp");
    ASSERT_EQ(registre.size(), 1);
    EXPECT_EQ(Champ(registre[0].toObject(), QStringLiteral("NODOC")).toString(), Numero(kCompteur));
    memesLignes(ici);
  }
  std::printf(
      "[ kill points ] %d of %d undone, %d kept whole; %d left half a commit that opening "
      "undid\n",
      annulees, points, gardees, partielles);
}

// Each child waits on the pipe, so that both start at the same moment.
pid_t Lancer(const int (&tube)[2], const std::function<bool()>& corps) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(tube[1]);  // only the parent holds the write end, and closes it to start
    char c = 0;
    const ssize_t lu = ::read(tube[0], &c, 1);
    ::_exit(lu >= 0 && corps() ? 0 : 1);
  }
  return pid;
}

TEST(Concurrence, TwoProcessesPostingIntoOneFolderTakeDistinctNumbersAndLoseNoRow) {
  constexpr int kTours = 10;
  constexpr int kParProcessus = 3;
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  const QString ici = racine.path();
  Creer(ici);
  int reussies = 0;
  for (int tour = 0; tour < kTours; ++tour) {
    int tube[2];
    ASSERT_EQ(::pipe(tube), 0);
    pid_t enfants[2];
    for (int p = 0; p < 2; ++p) {
      // Both post the same customer and the same new product, and one of their own.
      const QStringList codes{QStringLiteral("COMMUN-%1").arg(tour),
                              QStringLiteral("P%1-%2").arg(p).arg(tour)};
      enfants[p] = Lancer(tube, [&, codes, p] {
        bool ok = true;
        for (int i = 0; i < kParProcessus; ++i) {
          // One file each, so that every posting leaves a record of its own.
          const QString empreinte =
              QStringLiteral("%1-%2-%3").arg(tour).arg(p).arg(i).leftJustified(64, u'0');
          ok = Poster(ici, QStringLiteral("C%1").arg(tour), codes,
                      {empreinte, QStringLiteral("journal"), i}) == kPostee &&
               ok;
        }
        return ok;
      });
      ASSERT_GT(enfants[p], 0);
    }
    ::close(tube[0]);
    ::close(tube[1]);  // both children read end-of-file now and start
    for (const pid_t e : enfants) {
      int statut = 0;
      ASSERT_EQ(::waitpid(e, &statut, 0), e);
      reussies += WIFEXITED(statut) && WEXITSTATUS(statut) == 0 ? kParProcessus : 0;
    }
  }
  const int postees = 2 * kTours * kParProcessus;
  EXPECT_EQ(reussies, postees);

  const QJsonObject etat = EtatDbf({ici})[ici].toObject();
  QSet<QString> numeros;
  for (const auto& l : Lignes(etat, "factma")) {
    numeros.insert(Champ(l.toObject(), QStringLiteral("FFNOFACT")).toString());
  }
  EXPECT_EQ(Lignes(etat, "factma").size(), postees);
  EXPECT_EQ(numeros.size(), postees) << "two postings took the same invoice number";
  EXPECT_EQ(Lignes(etat, "factit").size(), 2 * postees);
  for (const QString& numero : numeros) {
    EXPECT_EQ(LignesDe(etat, numero), 2) << numero.toStdString();
  }
  EXPECT_EQ(Compteur(etat), kCompteur + postees);
  // The two processes made the record table at once in the first round: one
  // table, a record for each invoice.
  QSet<QString> enregistres;
  for (const auto& l : Lignes(etat, "brivimp")) {
    enregistres.insert(Champ(l.toObject(), QStringLiteral("NODOC")).toString());
  }
  EXPECT_EQ(Lignes(etat, "brivimp").size(), postees);
  EXPECT_EQ(enregistres, numeros);
  EXPECT_TRUE(QDir(ici).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
  // One row per customer and per product, however the postings interleaved.
  EXPECT_EQ(Lignes(etat, "client").size(), kTours);
  EXPECT_EQ(Lignes(etat, "produi").size(), 3 * kTours);
  for (const QString& table : etat.keys()) {
    const auto fichier = testing::CheckDbfFile(QDir(ici).filePath(table + QStringLiteral(".dbf")));
    EXPECT_EQ(static_cast<qint64>(fichier.headerCount), fichier.countFromSize)
        << table.toStdString();
  }
  std::printf(
      "[ concurrent  ] %d rounds of 2 processes x %d postings: %lld distinct numbers, "
      "%lld customers, %lld products\n",
      kTours, kParProcessus, static_cast<long long>(numeros.size()),
      static_cast<long long>(Lignes(etat, "client").size()),
      static_cast<long long>(Lignes(etat, "produi").size()));
}

}  // namespace
}  // namespace brivane::dbase
