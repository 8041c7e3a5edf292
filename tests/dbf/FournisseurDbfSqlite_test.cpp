#include "dbf/FournisseurDbfSqlite.h"
#include "dbf/BaseDbf.h"
#include "dbf/Journal.h"
#include "dbf/TableDbf.h"
#include "dbf/VerrouFichier.h"
#include "platform/ErreurBaseDonnees.h"
#include "platform/os/Systeme.h"
#include "support/LectureDbf.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <functional>

namespace brivane::dbf {
namespace {

using platform::BaseDonnees;
using platform::ErreurBaseDonnees;

using std::chrono::milliseconds;

void Ecrire(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

QByteArray Lire(const QString& path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly));
  return f.readAll();
}

void CreerTable(
    const QString& path, const std::vector<ChampDbf>& champs,
    const std::vector<std::vector<std::optional<platform::ValeurColonne>>>& lignes = {}) {
  TableDbf::Creer(path, champs, 0x57, os::SystemeFichiers::Reel());
  auto table = TableDbf::OuvrirEcriture(path, os::SystemeFichiers::Reel());
  for (const auto& ligne : lignes) {
    table->write(table->nombreLignes(), table->composer(ligne, nullptr));
  }
  table->terminer(QDate::currentDate());
}

const std::vector<ChampDbf> kCles = {{QStringLiteral("CNUM"), 'C', 6, 0, 0},
                                     {QStringLiteral("CNOM"), 'C', 10, 0, 0}};
const std::vector<ChampDbf> kCompteur = {{QStringLiteral("SNEXTS"), 'N', 6, 0, 0},
                                         {QStringLiteral("SNOTE"), 'C', 4, 0, 0}};

class FournisseurDbfSqliteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    CreerTable(Chemin("client"), kCles,
               {{QStringLiteral("AB"), QStringLiteral("premier")},
                {QStringLiteral("Cd"), QStringLiteral("second")},
                {QStringLiteral(" EF"), QStringLiteral("troisième")}});
    CreerTable(Chemin("solde"), kCompteur, {{qlonglong{7}, QStringLiteral("x")}});
  }
  QString Chemin(const char* table) const {
    return dir_.filePath(QString::fromLatin1(table) + QStringLiteral(".dbf"));
  }
  std::unique_ptr<BaseDonnees> Base(milliseconds attente = milliseconds(100)) const {
    return FournisseurDbfSqlite(os::SystemeFichiers::Reel(), attente)
        .Open(QStringLiteral("Data Source=") + dir_.path());
  }
  bool Trouve(BaseDonnees& base, const QString& cle) const {
    return !base.Execute(QStringLiteral("select * from client where cnum='") + cle + u'\'')->Eof();
  }

  QTemporaryDir dir_;
};

TEST_F(FournisseurDbfSqliteTest, FoldersThatCannotBeOpened) {
  const struct {
    const char* nom;
    std::function<QString(const QString& racine)> preparer;  // gives the connection string
  } cas[] = {
      {"MissingFolder",
       [](const QString& r) {
         return QStringLiteral("Data Source=") + r + QStringLiteral("/non");
       }},
      {"NoDataSource", [](const QString&) { return QStringLiteral("Provider=x;"); }},
      {"EmptyFolder",
       [](const QString& r) {
         QDir(r).mkdir(QStringLiteral("vide"));
         return QStringLiteral("Data Source=") + r + QStringLiteral("/vide");
       }},
      {"OnlyOtherFiles",
       [](const QString& r) {
         QDir(r).mkdir(QStringLiteral("autres"));
         Ecrire(r + QStringLiteral("/autres/notes.txt"), "texte");
         return QStringLiteral("Data Source=") + r + QStringLiteral("/autres");
       }},
      {"GarbageTable",
       [](const QString& r) {
         QDir(r).mkdir(QStringLiteral("dechet"));
         Ecrire(r + QStringLiteral("/dechet/client.dbf"), QByteArray(100, 'x'));
         return QStringLiteral("Data Source=") + r + QStringLiteral("/dechet");
       }},
      {"TruncatedTable",
       [](const QString& r) {
         QDir(r).mkdir(QStringLiteral("court"));
         const QString chemin = r + QStringLiteral("/court/client.dbf");
         CreerTable(chemin, kCles, {{QStringLiteral("A"), QStringLiteral("B")}});
         QByteArray octets = Lire(chemin);
         octets[4] = 9;  // nine rows claimed, one present
         Ecrire(chemin, octets);
         return QStringLiteral("Data Source=") + r + QStringLiteral("/court");
       }},
      {"TwoTablesOneName",
       [](const QString& r) {
         QDir(r).mkdir(QStringLiteral("double"));
         CreerTable(r + QStringLiteral("/double/client.dbf"), kCles);
         QFile::copy(r + QStringLiteral("/double/client.dbf"),
                     r + QStringLiteral("/double/CLIENT.DBF"));
         return QStringLiteral("Data Source=") + r + QStringLiteral("/double");
       }},
  };
  QTemporaryDir racine;
  for (const auto& c : cas) {
    const QString chaine = c.preparer(racine.path());
    try {
      FournisseurDbfSqlite(os::SystemeFichiers::Reel()).Open(chaine);
      ADD_FAILURE() << c.nom << ": opened";
    } catch (const ErreurBaseDonnees& e) {
      EXPECT_FALSE(e.description().isEmpty()) << c.nom;
    }
  }
}

TEST_F(FournisseurDbfSqliteTest, TableAndColumnNamesMatchInAnyCase) {
  auto base = Base();
  const auto r = base->Execute(QStringLiteral("SELECT cNom FROM CLIENT WHERE CnUm='AB'"));
  ASSERT_FALSE(r->Eof());
  EXPECT_EQ(r->Field(QStringLiteral("cnom")), platform::ValeurColonne(QStringLiteral("premier")));
  EXPECT_EQ(r->Field(QStringLiteral("CNOM")), platform::ValeurColonne(QStringLiteral("premier")));
}

TEST_F(FournisseurDbfSqliteTest, TextKeysCompareExactlyButForTrailingBlanks) {
  auto base = Base();
  const struct {
    const char* cle;
    bool trouve;
  } cas[] = {
      {"AB", true},   {"AB   ", true}, {"ab", false},      {"Cd", true},
      {"CD", false},  {" EF", true},   {"EF", false},      {"A", false},
      {"ABC", false}, {"", false},     {"premier", false},
  };
  for (const auto& c : cas) {
    EXPECT_EQ(Trouve(*base, QString::fromLatin1(c.cle)), c.trouve) << '[' << c.cle << ']';
  }
  // A key written by an insert is found again, blanks and all.
  base->Execute(QStringLiteral("insert into client (cnum, cnom) values ('G''H ', 'quatre')"));
  EXPECT_TRUE(Trouve(*base, QStringLiteral("G''H")));
  EXPECT_TRUE(Trouve(*base, QStringLiteral("G''H ")));
  base->Execute(QStringLiteral("insert into client (cnum, cnom) values ('Été', 'cinq')"));
  EXPECT_TRUE(Trouve(*base, QStringLiteral("Été")));
  EXPECT_FALSE(Trouve(*base, QStringLiteral("été")));
  EXPECT_FALSE(Trouve(*base, QStringLiteral("Őté")));  // outside the code page: in no row
}

// Our key filter answers an equality on a text column; SQLite answers the
// comparisons it makes itself (an OR of keys, a <>) with the column's RTRIM
// collation. Both must agree, whichever way a statement is written.
TEST_F(FournisseurDbfSqliteTest, SqlitesOwnTextComparisonsAgreeWithTheKeyFilter) {
  auto base = Base();
  const auto compter = [&](const QString& where) {
    return std::get<qlonglong>(
        base->Execute(QStringLiteral("select count(*) as n from client where ") + where)
            ->Field(QStringLiteral("n")));
  };
  for (const char* cle : {"AB", "AB   ", "ab", "Cd", "CD", " EF", "EF", "A", "ABC", "", "AB\t"}) {
    SCOPED_TRACE(cle);
    const QString k = QStringLiteral("'") + QString::fromLatin1(cle) + u'\'';
    const qint64 filtre = compter(QStringLiteral("cnum = ") + k);
    EXPECT_EQ(compter(QStringLiteral("cnum = ") + k + QStringLiteral(" or cnum = 'zzz'")), filtre);
    EXPECT_EQ(compter(QStringLiteral("cnum <> ") + k), 3 - filtre);
    EXPECT_EQ(compter(k + QStringLiteral(" = cnum")), filtre);
  }
  // Without the collation SQLite's own comparison would have said otherwise.
  EXPECT_EQ(compter(QStringLiteral("cnum <> 'AB   '")), 2);
  EXPECT_EQ(compter(QStringLiteral("cnum collate binary <> 'AB   '")), 3);
}

TEST_F(FournisseurDbfSqliteTest, ATextHoldingANulIsWrittenAndFoundWhole) {
  // As the dBASE back end writes a value that holds a NUL: in hex.
  auto base = Base();
  const QString cle = QStringLiteral("N") + QChar(u'\0') + u'1';
  const QString cite = QStringLiteral("cast(x'") + QString::fromLatin1(cle.toUtf8().toHex()) +
                       QStringLiteral("' as text)");
  base->Execute(QStringLiteral("insert into client (cnum, cnom) values (") + cite +
                QStringLiteral(", 'nul')"));
  const auto r = base->Execute(QStringLiteral("select cnom from client where cnum=") + cite);
  ASSERT_FALSE(r->Eof());
  EXPECT_EQ(r->Field(QStringLiteral("cnom")), platform::ValeurColonne(QStringLiteral("nul")));
  EXPECT_TRUE(base->Execute(QStringLiteral("select * from client where cnum='N'"))->Eof());
}

TEST_F(FournisseurDbfSqliteTest, FindsEveryRowOfATableLargerThanOneRead) {
  // 8000 rows of 17 bytes, read 64 KiB at a time: some rows straddle two reads.
  // Keys fill their column, so a wrong byte at a boundary cannot hide as a blank.
  std::vector<std::vector<std::optional<platform::ValeurColonne>>> lignes;
  for (int i = 0; i < 8000; ++i) {
    lignes.push_back(
        {QStringLiteral("K%1").arg(i, 5, 10, QChar(u'0')), QStringLiteral("N%1").arg(i)});
  }
  QFile::remove(Chemin("client"));
  CreerTable(Chemin("client"), kCles, lignes);
  auto base = Base();
  std::vector<int> cles = {0, 1, 7999, 8000};
  for (int i = 3840; i < 3870; ++i) {
    cles.push_back(i);  // around the first 64 KiB
  }
  for (const int i : cles) {
    const QString cle = QStringLiteral("K%1").arg(i, 5, 10, QChar(u'0'));
    const auto r =
        base->Execute(QStringLiteral("select cnom from client where cnum='") + cle + u'\'');
    if (i < 8000) {
      ASSERT_FALSE(r->Eof()) << i;
      EXPECT_EQ(r->Field(QStringLiteral("cnom")),
                platform::ValeurColonne(QStringLiteral("N%1").arg(i)));
    } else {
      EXPECT_TRUE(r->Eof()) << i;
    }
  }
  EXPECT_EQ(
      base->Execute(QStringLiteral("select count(*) as n from client"))->Field(QStringLiteral("n")),
      platform::ValeurColonne(qlonglong{8000}));
}

// A connection that looks up many keys answers each lookup as a new
// connection (which reads the whole table) would, whatever was written in
// between: by itself, by another connection, or by another program editing
// the file in place.
TEST_F(FournisseurDbfSqliteTest, RepeatedLookupsSeeEveryWrite) {
  std::vector<std::vector<std::optional<platform::ValeurColonne>>> lignes;
  for (int i = 0; i < 1500; ++i) {  // enough for the index to grow
    lignes.push_back({QStringLiteral("K%1").arg(i, 5, 10, QChar(u'0')), QStringLiteral("n")});
  }
  QFile::remove(Chemin("client"));
  CreerTable(Chemin("client"), kCles, lignes);
  auto longue = Base();
  auto autre = Base();
  const auto compter = [](BaseDonnees& base, const QString& cle) {
    const auto r =
        base.Execute(QStringLiteral("select count(*) as n from client where cnum='") + cle + u'\'');
    return std::get<qlonglong>(r->Field(QStringLiteral("n")));
  };
  const auto verifier = [&](const QString& quand) {
    auto neuve = Base();
    for (const char* cle : {"K00000", "K00001", "K00750", "K01499", "K01500", "K01501", "NEUF",
                            "AUTRE", "ZZ", "K99999"}) {
      const QString k = QString::fromLatin1(cle);
      EXPECT_EQ(compter(*longue, k), compter(*neuve, k)) << quand.toStdString() << ' ' << cle;
    }
  };
  const auto modifierFichier = [&](int rangee, const QByteArray& cle, char drapeau) {
    QByteArray octets = Lire(Chemin("client"));
    const int entete =
        static_cast<unsigned char>(octets[8]) | (static_cast<unsigned char>(octets[9]) << 8);
    const int debut = entete + rangee * 17;
    octets[debut] = drapeau;
    octets.replace(debut + 1, 6, cle.leftJustified(6, ' '));
    Ecrire(Chemin("client"), octets);
    // Another program's write, later than anything this test did.
    const QDateTime plusTard = QDateTime::currentDateTime().addSecs(60 + rangee);
    QFile f(Chemin("client"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(plusTard, QFileDevice::FileModificationTime));
  };

  verifier(QStringLiteral("at first"));
  verifier(QStringLiteral("twice"));
  for (int i = 0; i < 600; ++i) {  // the index grows while it is in use
    longue->Execute(QStringLiteral("insert into client (cnum) values ('K%1')").arg(1500 + i));
    if (i % 150 == 0) {
      verifier(QStringLiteral("insert %1").arg(i));
    }
  }
  longue->Execute(QStringLiteral("insert into client (cnum) values ('NEUF')"));
  verifier(QStringLiteral("own insert"));
  autre->Execute(QStringLiteral("insert into client (cnum) values ('AUTRE')"));
  verifier(QStringLiteral("insert by another connection"));
  modifierFichier(750, "ZZ", ' ');
  verifier(QStringLiteral("key rewritten in place"));
  modifierFichier(1, "K00001", '*');
  verifier(QStringLiteral("row deleted in place"));
  longue->Execute(QStringLiteral("update client set cnum = 'K00000' where cnum = 'K01499'"));
  verifier(QStringLiteral("own update of a key"));
  EXPECT_EQ(compter(*longue, QStringLiteral("K00000")), 2);
}

TEST_F(FournisseurDbfSqliteTest, DeletedRowsAreNotSeen) {
  QByteArray octets = Lire(Chemin("client"));
  const int entete =
      static_cast<unsigned char>(octets[8]) | (static_cast<unsigned char>(octets[9]) << 8);
  octets[entete] = '*';  // the first row, AB
  Ecrire(Chemin("client"), octets);
  auto base = Base();
  EXPECT_FALSE(Trouve(*base, QStringLiteral("AB")));
  EXPECT_EQ(base->Execute(QStringLiteral("select cnum from client"))->Field(QStringLiteral("cnum")),
            platform::ValeurColonne(QStringLiteral("Cd")));
}

TEST_F(FournisseurDbfSqliteTest, CounterUpdateRewritesOnlyItsField) {
  const QString chemin = Chemin("solde");
  QByteArray octets = Lire(chemin);
  const int entete =
      static_cast<unsigned char>(octets[8]) | (static_cast<unsigned char>(octets[9]) << 8);
  octets[entete + 7] = '\x01';  // a byte of SNOTE that no writer of ours would produce
  Ecrire(chemin, octets);

  auto base = Base();
  const auto r = base->Execute(QStringLiteral("update solde set snexts = snexts + 1"));
  EXPECT_FALSE(r->IsOpen());
  const QByteArray apres = Lire(chemin);
  EXPECT_EQ(apres.mid(entete + 1, 6), QByteArray("     8"));
  EXPECT_EQ(apres.mid(entete + 7), octets.mid(entete + 7));
  EXPECT_EQ(
      base->Execute(QStringLiteral("select snexts from solde"))->Field(QStringLiteral("snexts")),
      platform::ValeurColonne(qlonglong{8}));
}

// Rows are never deleted: a delete, like any statement a posting never runs,
// is refused before it reads or writes anything.
TEST_F(FournisseurDbfSqliteTest, StatementsAPostingNeverRunsAreRefusedAndChangeNothing) {
  auto base = Base();
  const QString chemin = dir_.filePath(QStringLiteral("client.dbf"));
  const QByteArray avant = Lire(chemin);
  for (const char* sql :
       {"delete from client where cnum = 'AB'", "drop table client", "create table t(a)",
        "pragma writable_schema = 1", "attach database ':memory:' as x", "begin",
        "select upper(cnum) from client", "create view v as select * from client"}) {
    SCOPED_TRACE(sql);
    try {
      base->Execute(QString::fromLatin1(sql));
      ADD_FAILURE() << "accepted";
    } catch (const ErreurBaseDonnees& e) {
      EXPECT_EQ(e.description(),
                QStringLiteral("Cette instruction n'est pas permise sur les tables du dossier : "
                               "seules la lecture, l'ajout et la mise à jour de lignes le sont."));
    }
  }
  EXPECT_EQ(Lire(chemin), avant);
  EXPECT_EQ(
      base->Execute(QStringLiteral("select count(*) as n from client"))->Field(QStringLiteral("n")),
      platform::ValeurColonne(qlonglong{3}));
}

TEST_F(FournisseurDbfSqliteTest, RefusedStatementsSayWhy) {
  auto base = Base();
  const struct {
    const char* sql;
    std::int32_t numero;  // 0: any status of SQLite's own
    const char* description;
  } cas[] = {
      {"select * from factma", 0, "La table factma est absente du dossier."},
      {"select nothere from client", 0, "La colonne nothere est absente de la table."},
      {"insert into client (nothere) values (1)", 0, "La table client n'a pas de colonne nothere."},
      {"insert into client (cnum) values ('A'); insert into client (cnum) values ('B')",
       ErreurBaseDonnees::kStatementRefused, "Une seule instruction est permise à la fois."},
      {"insert into client (rowid, cnum) values (9, 'A')", ErreurBaseDonnees::kUnsupported, ""},
      {"select * from", 0, "L'instruction a été refusée par la base de données : "},
  };

  for (const auto& c : cas) {
    try {
      base->Execute(QString::fromLatin1(c.sql));
      ADD_FAILURE() << c.sql << ": accepted";
    } catch (const ErreurBaseDonnees& e) {
      if (c.numero != 0) {
        EXPECT_EQ(e.number(), c.numero) << c.sql;
      } else {
        EXPECT_GT(e.number(), 0) << c.sql;
      }
      EXPECT_FALSE(e.description().isEmpty()) << c.sql;
      EXPECT_TRUE(e.description().startsWith(QString::fromUtf8(c.description)))
          << c.sql << ": " << e.description().toStdString();
    }
  }
  EXPECT_EQ(
      base->Execute(QStringLiteral("select count(*) as n from client"))->Field(QStringLiteral("n")),
      platform::ValeurColonne(qlonglong{3}));
}

// A module whose xCreate is its xConnect answers for a table named after it.
TEST_F(FournisseurDbfSqliteTest, TheModuleNameIsNoTableOfTheFolder) {
  try {
    Base()->Execute(QStringLiteral("select * from brivane_dbf"));
    ADD_FAILURE() << "accepted";
  } catch (const ErreurBaseDonnees& e) {
    EXPECT_EQ(e.description(), QStringLiteral("La table brivane_dbf est absente du dossier."));
  }
}

TEST_F(FournisseurDbfSqliteTest, RowSetsOfSelectsAndOfWrites) {
  auto base = Base();
  const auto vide = base->Execute(QStringLiteral("select * from client where cnum='ZZ'"));
  EXPECT_TRUE(vide->IsOpen());
  EXPECT_TRUE(vide->Eof());
  EXPECT_THROW(vide->Field(QStringLiteral("cnum")), ErreurBaseDonnees);
  const auto plein = base->Execute(QStringLiteral("select * from client"));
  EXPECT_THROW(plein->Field(QStringLiteral("autre")), ErreurBaseDonnees);
  plein->Close();
  EXPECT_THROW(plein->Eof(), ErreurBaseDonnees);
  EXPECT_FALSE(base->Execute(QStringLiteral("insert into client (cnum) values ('N')"))->IsOpen());
}

TEST_F(FournisseurDbfSqliteTest, ALockedTableMakesOthersWaitThenFail) {
  auto premiere = Base();
  auto seconde = Base(milliseconds(50));
  {
    const auto verrou = premiere->Lock(QStringLiteral("SOLDE"), milliseconds(50));
    try {
      seconde->Lock(QStringLiteral("solde"), milliseconds(50));
      FAIL() << "two locks";
    } catch (const ErreurBaseDonnees& e) {
      EXPECT_EQ(e.number(), ErreurBaseDonnees::kLocked);
      EXPECT_TRUE(e.description().contains(QStringLiteral("solde")));
    }
    EXPECT_THROW(seconde->Execute(QStringLiteral("update solde set snexts = snexts + 1")),
                 ErreurBaseDonnees);
    // The holder itself writes on.
    premiere->Execute(QStringLiteral("update solde set snexts = snexts + 1"));
    EXPECT_NO_THROW(seconde->Execute(QStringLiteral("select * from solde")));
  }
  EXPECT_NO_THROW(seconde->Lock(QStringLiteral("solde"), milliseconds(50)));
  EXPECT_EQ(
      seconde->Execute(QStringLiteral("select snexts from solde"))->Field(QStringLiteral("snexts")),
      platform::ValeurColonne(qlonglong{8}));
  EXPECT_THROW(premiere->Lock(QStringLiteral("absente"), milliseconds(0)), ErreurBaseDonnees);
}

}  // namespace
}  // namespace brivane::dbf

namespace brivane::dbf {
namespace {

// What a connection killed in the middle of a commit leaves: the journal,
// then client.dbf with one more row counted.
void CommitInterrompu(const QString& dossier, const QString& client) {
  const QByteArray avant = Lire(client);
  TableJournal t;
  t.file = "client.dbf";
  t.originalSize = static_cast<std::uint64_t>(avant.size());
  std::copy_n(avant.constData(), 32, reinterpret_cast<char*>(t.originalHeader.data()));
  const int entete =
      static_cast<unsigned char>(avant[8]) | (static_cast<unsigned char>(avant[9]) << 8);
  t.finalCount = static_cast<std::uint32_t>(avant[4]) + 1;
  t.tailOffset = static_cast<std::uint64_t>(entete) + std::uint64_t{t.finalCount - 1} * 17;
  t.tail = "\x1a";
  Journal journal;
  journal.tables.push_back(t);
  EcrireJournal(os::SystemeFichiers::Reel(), dossier.toStdString(), journal);
  QByteArray apres = avant;
  apres[4] = static_cast<char>(t.finalCount);
  apres.chop(1);
  apres += QByteArray(" ZZ    moitie    \x1a");
  Ecrire(client, apres);
}

// The next connection undoes a commit cut short, but never one whose tables
// a live posting still holds, nor a table another program changed since.
TEST_F(FournisseurDbfSqliteTest, TheNextConnectionUndoesACommitCutShortAndOnlyThat) {
  const QString journal = dir_.filePath(QString::fromLatin1(Journal::kFileName));
  const QByteArray avant = Lire(Chemin("client"));
  CommitInterrompu(dir_.path(), Chemin("client"));
  const QByteArray moitie = Lire(Chemin("client"));
  {
    // A posting still holds the table: its journal is its own.
    auto vivante = VerrouFichier::Take(os::SystemeFichiers::Reel(), Chemin("client").toStdString(),
                                       milliseconds(0));
    ASSERT_TRUE(vivante);
    EXPECT_NO_THROW(Base(milliseconds(50)));
    EXPECT_TRUE(QFile::exists(journal));
    EXPECT_EQ(Lire(Chemin("client")), moitie);
  }
  auto base = Base();
  EXPECT_FALSE(QFile::exists(journal));
  EXPECT_EQ(Lire(Chemin("client")), avant);
  EXPECT_FALSE(Trouve(*base, QStringLiteral("ZZ")));

  // Changed by another program after the crash: left as found, and said.
  CommitInterrompu(dir_.path(), Chemin("client"));
  QByteArray autre = Lire(Chemin("client"));
  autre[4] = static_cast<char>(autre[4] + 5);
  Ecrire(Chemin("client"), autre);
  try {
    Base();
    ADD_FAILURE() << "opened";
  } catch (const ErreurBaseDonnees& e) {
    EXPECT_EQ(e.number(), ErreurBaseDonnees::kChangedMeanwhile);
    EXPECT_TRUE(e.description().contains(QStringLiteral("client.dbf")))
        << e.description().toStdString();
    EXPECT_EQ(e.description(),
              QStringLiteral("Le dossier contient le journal brivane.jnl d'une saisie interrompue, "
                             "mais la table client.dbf a été modifiée depuis par un autre "
                             "programme : ce programme ne la remet pas en état lui-même. Rien n'a "
                             "été changé."));
  }
  EXPECT_EQ(Lire(Chemin("client")), autre);
  EXPECT_TRUE(QFile::exists(journal));
}

}  // namespace
}  // namespace brivane::dbf

namespace brivane::dbf {
namespace {

// A failed system call reaches the user in French, never in the system's own
// words; a file held open without sharing is told as a busy table.
TEST(PannesSysteme, AreToldInFrenchAndABusyFileAsABusyTable) {
  const os::ErreurOs io(os::ErreurOs::Kind::Other, EIO, "read", "/compagnie/factit.dbf", EIO);
  const platform::ErreurBaseDonnees lu =
      FromSystem(io, QStringLiteral("factit"), QStringLiteral("Fin."));
  EXPECT_EQ(lu.number(), platform::ErreurBaseDonnees::kInputOutput);
  EXPECT_EQ(lu.description(),
            QStringLiteral("La table factit n'a pas pu être lue ou enregistrée sur le disque : %1. "
                           "Fin.")
                .arg(QString::fromStdString(os::TexteErreurFrancais(EIO))));
  EXPECT_FALSE(lu.description().contains(QStringLiteral("read")));

  const os::ErreurOs occupe(os::ErreurOs::Kind::Other, EBUSY, "open", "/compagnie/solde.dbf", 32);
  const platform::ErreurBaseDonnees pris = FromSystem(occupe, QStringLiteral("solde"), QString());
  EXPECT_EQ(pris.number(), platform::ErreurBaseDonnees::kLocked);
  EXPECT_EQ(pris.description(),
            QStringLiteral("La table solde est occupée par une autre saisie ; réessayez dans un "
                           "moment."));
}

}  // namespace
}  // namespace brivane::dbf
