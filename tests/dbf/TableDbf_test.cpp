#include "dbf/TableDbf.h"
#include "dbf/FournisseurDbfSqlite.h"
#include "platform/ErreurBaseDonnees.h"
#include "support/DbfEtat.h"
#include "support/LectureDbf.h"
#include "support/QStringPrinter.h"
#include "support/SystemeAvecPannes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <shapefil.h>

#include <cmath>
#include <limits>

namespace brivane::dbf {
namespace {

using platform::BaseDonnees;
using platform::ErreurBaseDonnees;

using testing::CheckDbfFile;
using testing::EtatDbf;
using testing::LectureDbf;

QByteArray Lire(const QString& path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly));
  return f.readAll();
}

void Ecrire(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

const std::vector<ChampDbf> kChamps = {
    {QStringLiteral("TXT"), 'C', 5, 0, 0}, {QStringLiteral("NUM"), 'N', 6, 2, 0},
    {QStringLiteral("ENT"), 'N', 3, 0, 0}, {QStringLiteral("LOG"), 'L', 1, 0, 0},
    {QStringLiteral("DAT"), 'D', 8, 0, 0}, {QStringLiteral("MEM"), 'M', 10, 0, 0},
};

class TableDbfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    chemin_ = dir_.filePath(QStringLiteral("essai.dbf"));
    TableDbf::Creer(chemin_, kChamps, 0x57, os::SystemeFichiers::Reel());
    TableDbf::OuvrirEcriture(chemin_, os::SystemeFichiers::Reel())->terminer(QDate::currentDate());
  }
  std::unique_ptr<BaseDonnees> Base() {
    return FournisseurDbfSqlite(os::SystemeFichiers::Reel(), std::chrono::milliseconds(100))
        .Open(QStringLiteral("Data Source=") + dir_.path());
  }

  QTemporaryDir dir_;
  QString chemin_;
};

// Texts are encoded one after another by the same converter, across tables:
// a refused text must not change how the next ones are encoded or judged.
TEST_F(TableDbfTest, EachTextIsJudgedOnItsOwn) {
  const struct {
    const char16_t* texte;
    QByteArray octets;  // empty: refused
  } suite[] = {
      {u"ab", "ab   "}, {u"ő", {}},         {u"Été", "\xC9t\xE9  "}, {u"aőb", {}},
      {u"ő", {}},       {u"€", "\x80    "}, {u"a\u0301", {}},        {u"ok", "ok   "},
  };
  for (int tour = 0; tour < 2; ++tour) {
    const auto table = TableDbf::Ouvrir(chemin_);
    for (const auto& c : suite) {
      const QString texte = QString::fromUtf16(c.texte);
      try {
        const QByteArray r = table->composer({platform::ValeurColonne(texte)}, nullptr);
        EXPECT_EQ(r.mid(1, 5), c.octets) << texte.toStdString();
      } catch (const ErreurBaseDonnees&) {
        EXPECT_TRUE(c.octets.isEmpty()) << texte.toStdString() << ": refused";
      }
    }
  }
}

TEST_F(TableDbfTest, FormatsEachValueIntoItsFieldOrRefusesIt) {
  const struct {
    const char* nom;
    int champ;
    platform::ValeurColonne valeur;
    QByteArray octets;  // empty: refused
  } cas[] = {
      {"TextPadded", 0, QStringLiteral("abc"), "abc  "},
      {"TextFull", 0, QStringLiteral("abcde"), "abcde"},
      {"TextCp1252", 0, QStringLiteral("Érabl"), "\xC9rabl"},
      {"TextTooLong", 0, QStringLiteral("abcdef"), {}},
      {"TextOutsideCodePage", 0, QStringLiteral("ő"), {}},
      {"TextGivenANumber", 0, qlonglong{12}, {}},
      {"TextNullBlank", 0, platform::ValeurColonne(), "     "},
      {"NumberDecimals", 1, 12.5, " 12.50"},
      {"NumberInteger", 1, qlonglong{7}, "  7.00"},
      {"NumberNegative", 1, -1.5, " -1.50"},
      {"NumberFull", 1, 999.99, "999.99"},
      {"NumberTooManyDigits", 1, 1000.5, {}},
      {"NumberTooManyDecimals", 1, 0.125, {}},
      {"NumberGivenText", 1, QStringLiteral("12"), {}},
      {"NumberNotFinite", 1, std::numeric_limits<double>::infinity(), {}},
      {"NumberNullBlank", 1, platform::ValeurColonne(), "      "},
      {"WholeRightAligned", 2, qlonglong{42}, " 42"},
      {"WholeTooWide", 2, qlonglong{1000}, {}},
      {"WholeGivenFraction", 2, 0.5, {}},
      {"LogicalTrue", 3, qlonglong{1}, "T"},
      {"LogicalFalse", 3, qlonglong{0}, "F"},
      {"LogicalTwo", 3, qlonglong{2}, {}},
      {"LogicalText", 3, QStringLiteral("T"), {}},
      {"LogicalNullBlank", 3, platform::ValeurColonne(), " "},
      {"DateSlashes", 4, QStringLiteral("2024/03/05"), "20240305"},
      {"DateDashes", 4, QStringLiteral("2024-03-05"), "20240305"},
      {"DateCompact", 4, QStringLiteral("20240305"), "20240305"},
      {"DateImpossible", 4, QStringLiteral("2024/02/30"), {}},
      {"DateShortParts", 4, QStringLiteral("2024/3/5"), {}},
      {"DateDayFirst", 4, QStringLiteral("05/03/2024"), {}},
      {"DateMixedSeparators", 4, QStringLiteral("2024/03-05"), {}},
      {"DateNumber", 4, qlonglong{20240305}, {}},
      {"MemoNullBlank", 5, platform::ValeurColonne(), "          "},
      {"MemoRefused", 5, QStringLiteral("note"), {}},
  };
  const auto table = TableDbf::Ouvrir(chemin_);
  for (const auto& c : cas) {
    std::vector<std::optional<platform::ValeurColonne>> valeurs(kChamps.size());
    valeurs[static_cast<std::size_t>(c.champ)] = c.valeur;
    const ChampDbf& champ = table->fields()[static_cast<std::size_t>(c.champ)];
    if (c.octets.isEmpty()) {
      try {
        table->composer(valeurs, nullptr);
        ADD_FAILURE() << c.nom << ": accepted";
      } catch (const ErreurBaseDonnees& e) {
        EXPECT_EQ(e.number(), ErreurBaseDonnees::kValueDoesNotFit) << c.nom;
        EXPECT_TRUE(e.description().contains(champ.name)) << c.nom;
      }
    } else {
      const QByteArray ligne = table->composer(valeurs, nullptr);
      EXPECT_EQ(ligne.mid(champ.offset, champ.width), c.octets) << c.nom;
      EXPECT_EQ(ligne[0], ' ') << c.nom;  // a new row is not deleted
    }
  }
}

TEST_F(TableDbfTest, ReadsValuesBackAsDbfReadDoes) {
  {
    auto table = TableDbf::OuvrirEcriture(chemin_, os::SystemeFichiers::Reel());
    table->write(0, table->composer({QStringLiteral("Éa"), 12.5, qlonglong{42}, qlonglong{1},
                                     QStringLiteral("2024/03/05"), platform::ValeurColonne()},
                                    nullptr));
    table->write(1, table->composer({}, nullptr));
    table->terminer(QDate(2026, 1, 2));
  }
  const auto table = TableDbf::Ouvrir(chemin_);
  ASSERT_EQ(table->nombreLignes(), 2);
  const QByteArray plein = table->record(0);
  EXPECT_EQ(table->value(plein, 0), platform::ValeurColonne(QStringLiteral("Éa")));
  EXPECT_EQ(table->value(plein, 1), platform::ValeurColonne(12.5));
  EXPECT_EQ(table->value(plein, 2), platform::ValeurColonne(qlonglong{42}));
  EXPECT_EQ(table->value(plein, 3), platform::ValeurColonne(qlonglong{1}));
  EXPECT_EQ(table->value(plein, 4), platform::ValeurColonne(QStringLiteral("20240305")));
  const QByteArray vide = table->record(1);
  EXPECT_EQ(table->value(vide, 0), platform::ValeurColonne(QString()));
  for (int champ = 1; champ < 6; ++champ) {
    EXPECT_TRUE(platform::EstNulle(table->value(vide, champ))) << champ;
  }

  const auto lu = LectureDbf(chemin_);
  ASSERT_TRUE(lu.ok) << lu.error.toStdString();
  ASSERT_EQ(lu.rows.size(), 2);
  const QJsonObject r = lu.rows[0].toObject();
  EXPECT_EQ(r[u"TXT"].toString(), QStringLiteral("Éa"));
  EXPECT_EQ(r[u"NUM"].toDouble(), 12.5);
  EXPECT_EQ(r[u"ENT"].toInt(), 42);
  EXPECT_EQ(r[u"LOG"].toBool(), true);
  EXPECT_EQ(r[u"DAT"].toString(), QStringLiteral("2024-03-05"));
  EXPECT_TRUE(lu.rows[1].toObject()[u"NUM"].isNull());
  const auto fichier = CheckDbfFile(chemin_);
  EXPECT_EQ(fichier.headerCount, 2u);
  EXPECT_EQ(fichier.countFromSize, 2);
  EXPECT_TRUE(fichier.endsWith1A);
  EXPECT_EQ(fichier.header.mid(1, 3), QByteArray("\x7E\x01\x02", 3));  // 2026-01-02
}

TEST_F(TableDbfTest, KeepsVersionFlagsAndLanguageDriverAndDatesTheHeader) {
  QByteArray octets = Lire(chemin_);
  octets[0] = '\x8B';  // dBASE IV with memo
  octets[1] = 90;      // last update in 1990
  Ecrire(chemin_, octets);

  Base()->Execute(QStringLiteral("insert into ESSAI (txt, num) values ('a', 1)"));

  const auto fichier = CheckDbfFile(chemin_);
  EXPECT_EQ(static_cast<unsigned char>(fichier.header[0]), 0x8B);
  EXPECT_EQ(fichier.header[28], 0);
  EXPECT_EQ(static_cast<unsigned char>(fichier.header[29]), 0x57);
  const QDate aujourdhui = QDate::currentDate();
  EXPECT_EQ(static_cast<unsigned char>(fichier.header[1]), aujourdhui.year() - 1900);
  EXPECT_EQ(static_cast<unsigned char>(fichier.header[2]), aujourdhui.month());
  EXPECT_EQ(static_cast<unsigned char>(fichier.header[3]), aujourdhui.day());
  EXPECT_EQ(fichier.headerCount, 1u);
  EXPECT_EQ(fichier.countFromSize, 1);
  EXPECT_TRUE(fichier.endsWith1A);
  const auto lu = LectureDbf(chemin_);
  ASSERT_TRUE(lu.ok) << lu.error.toStdString();
  ASSERT_EQ(lu.rows.size(), 1);
  EXPECT_TRUE(lu.rows[0].toObject()[u"MEM"].isNull());  // the new row's memo is blank
}

TEST_F(TableDbfTest, RefusesToWriteATableWithAProductionIndex) {
  QByteArray octets = Lire(chemin_);
  octets[28] = 1;
  Ecrire(chemin_, octets);
  auto base = Base();
  try {
    base->Execute(QStringLiteral("insert into essai (txt) values ('a')"));
    FAIL() << "written";
  } catch (const ErreurBaseDonnees& e) {
    EXPECT_EQ(e.number(), ErreurBaseDonnees::kIndexedTable);
    EXPECT_TRUE(e.description().contains(QStringLiteral("essai.dbf")));
  }
  EXPECT_EQ(Lire(chemin_), octets);
  EXPECT_TRUE(base->Execute(QStringLiteral("select * from essai"))->Eof());  // still readable
}

TEST_F(TableDbfTest, AValueThatDoesNotFitLeavesNothingOfItsRow) {
  auto base = Base();
  base->Execute(QStringLiteral("insert into essai (txt, num) values ('a', 1)"));
  QByteArray avant = Lire(chemin_);
  avant[1] = 90;  // last update in 1990: a header touched by a refused row would show
  Ecrire(chemin_, avant);
  const char* refusees[] = {
      "insert into essai (txt, num) values ('b', 12345.5)",
      "insert into essai (txt, num) values ('trop long', 1)",
      "insert into essai (num, dat) values (1, '2024/13/01')",
      "insert into essai (ent) values ('42')",
      "insert into essai (log) values (2)",
  };
  for (const char* sql : refusees) {
    EXPECT_THROW(base->Execute(QString::fromLatin1(sql)), ErreurBaseDonnees) << sql;
    EXPECT_EQ(Lire(chemin_), avant) << sql;
  }
}

// A row whose header count could not be written is not counted: a second
// attempt appends it again rather than rewriting a row the file never counted.
TEST_F(TableDbfTest, AnAppendWhoseHeaderFailsIsNotCounted) {
  testing::SystemeAvecPannes pannes(os::SystemeFichiers::Reel(), {1, -1});
  auto table = TableDbf::OuvrirEcriture(chemin_, pannes);
  const QByteArray ligne = table->composer({QStringLiteral("a")}, nullptr);
  EXPECT_THROW(table->write(0, ligne), ErreurBaseDonnees);
  EXPECT_EQ(table->nombreLignes(), 0);
  table->write(0, ligne);
  table->terminer(QDate::currentDate());
  EXPECT_EQ(CheckDbfFile(chemin_).countFromSize, 1);
  EXPECT_EQ(table->nombreLignes(), 1);
}

TEST_F(TableDbfTest, AddsTheEndOfFileMarkWhereAnotherProgramLeftNone) {
  Base()->Execute(QStringLiteral("insert into essai (ent) values (1)"));
  QByteArray octets = Lire(chemin_);
  octets.chop(1);
  Ecrire(chemin_, octets);
  Base()->Execute(QStringLiteral("update essai set ent = ent + 1"));
  const auto fichier = CheckDbfFile(chemin_);
  EXPECT_TRUE(fichier.endsWith1A);
  EXPECT_EQ(fichier.countFromSize, 1);
}

TEST_F(TableDbfTest, WritesInTheCodePageTheHeaderNames) {
  QByteArray octets = Lire(chemin_);
  octets[29] = 0x02;  // code page 850
  Ecrire(chemin_, octets);
  auto base = Base();
  base->Execute(QStringLiteral("insert into essai (txt) values ('é')"));
  const auto table = TableDbf::Ouvrir(chemin_);
  EXPECT_EQ(table->record(0).mid(1, 1), QByteArray("\x82"));
  EXPECT_EQ(base->Execute(QStringLiteral("select txt from essai"))->Field(QStringLiteral("TXT")),
            platform::ValeurColonne(QStringLiteral("é")));
}

// Our own writer makes, fills, rewrites in place and dates a table with the
// bytes shapelib gives the same columns and rows; Debian's readers read it.
TEST_F(TableDbfTest, WritesTheBytesShapelibWritesAndDebianReadersReadThem) {
  const std::vector<ChampDbf> champs = {
      {QStringLiteral("NOM"), 'C', 8, 0, 0},  {QStringLiteral("PRIX"), 'N', 8, 2, 0},
      {QStringLiteral("QTE"), 'N', 4, 0, 0},  {QStringLiteral("ACTIF"), 'L', 1, 0, 0},
      {QStringLiteral("JOUR"), 'D', 8, 0, 0},
  };
  using V = platform::ValeurColonne;
  const struct {
    std::vector<std::optional<V>> valeurs;
    QByteArray octets;  // as shapelib is given them, deletion flag first
  } lignes[] = {
      {{QStringLiteral("Érable"), 12.5, qlonglong{3}, qlonglong{1}, QStringLiteral("2024/03/05")},
       " \xC9rable     12.50   3T20240305"},
      {{QStringLiteral("à"), -0.25, qlonglong{-7}, qlonglong{0}, QStringLiteral("20251231")},
       " \xE0          -0.25  -7F20251231"},
      {{V(), V(), V(), V(), V()}, QByteArray(30, ' ')},
  };
  const QString nous = dir_.filePath(QStringLiteral("nous.dbf"));
  const QString eux = dir_.filePath(QStringLiteral("shapelib.dbf"));
  SAHooks crochets;
  SASetupDefaultHooks(&crochets);
  const auto shapelib = [&] {
    DBFHandle h = DBFCreateLL(QFile::encodeName(eux).constData(), "LDID/87", &crochets);
    for (const ChampDbf& c : champs) {
      DBFAddNativeFieldType(h, c.name.toLatin1().constData(), c.type, c.width, c.decimals);
    }
    return h;
  };
  const auto sansDate = [](QByteArray octets) { return octets.replace(1, 3, "\0\0\0", 3); };

  TableDbf::Creer(nous, champs, 0x57, os::SystemeFichiers::Reel());
  DBFClose(shapelib());
  EXPECT_EQ(sansDate(Lire(nous)), sansDate(Lire(eux)));

  {
    auto table = TableDbf::OuvrirEcriture(nous, os::SystemeFichiers::Reel());
    // The first row is appended blank, then rewritten in place.
    for (int n = 0; n < 3; ++n) {
      table->write(n, table->composer(lignes[n == 0 ? 2 : n].valeurs, nullptr));
    }
    table->write(0, table->composer(lignes[0].valeurs, nullptr));
    for (int n = 0; n < 3; ++n) {
      EXPECT_EQ(table->record(n), lignes[n].octets) << n;
    }
    table->terminer(QDate(2026, 1, 2));
  }
  DBFHandle h = shapelib();
  for (int n = 0; n < 3; ++n) {
    DBFWriteTuple(h, n, QByteArray(lignes[n].octets).data());
  }
  DBFClose(h);
  EXPECT_EQ(sansDate(Lire(nous)), sansDate(Lire(eux)));
  EXPECT_EQ(Lire(nous).mid(1, 3), QByteArray("\x7E\x01\x02", 3));  // 2026-01-02

  const QJsonObject lu =
      EtatDbf({dir_.path()}).value(dir_.path()).toObject().value(u"nous").toObject();
  EXPECT_TRUE(lu[u"error"].isNull()) << lu[u"error"].toString().toStdString();
  EXPECT_EQ(lu[u"dbf"].toInt(-1), 3);  // python3-dbf
  const QJsonArray rows = lu[u"rows"].toArray();
  ASSERT_EQ(rows.size(), 3);
  EXPECT_EQ(rows[0].toObject()[u"NOM"].toString(), QStringLiteral("Érable"));
  EXPECT_EQ(rows[1].toObject()[u"PRIX"].toDouble(), -0.25);
  EXPECT_EQ(rows[1].toObject()[u"JOUR"].toString(), QStringLiteral("2025-12-31"));
  EXPECT_TRUE(rows[2].toObject()[u"QTE"].isNull());
}

}  // namespace
}  // namespace brivane::dbf
