#include "dbase/BackEndDbf.h"
#include "dbase/DossierDemoDbf.h"
#include "dbf/DbfTable.h"
#include "dbf/SqliteDbfProvider.h"
#include "document/ComSoum.h"
#include "platform/DatabaseError.h"
#include "platform/os/File.h"
#include "support/DbfRead.h"
#include "support/FixedClock.h"
#include "support/FixedComputerName.h"
#include "support/FixedRegionalSettings.h"
#include "support/LigneDbf.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <QSet>

#include <functional>
#include <map>
#include <thread>

namespace brivane::dbase {
namespace {

using std::chrono::milliseconds;
using testing::CheckDbfFile;
using testing::DbfRead;

const QString kCrLf = QStringLiteral("\r\n");
const QString kInconnue = QStringLiteral("Une erreur inconnue s'est produite : ");
const char* const kTables[] = {"client", "produi", "factma", "factit", "solde", "taxpro"};

// Passes every statement on and keeps its text.
class RecordingDatabase final : public platform::Database {
 public:
  RecordingDatabase(std::unique_ptr<platform::Database> inner, QStringList& log)
      : inner_(std::move(inner)), log_(log) {}
  std::unique_ptr<platform::RowSet> Execute(const QString& sql) override {
    log_ << sql;
    return inner_->Execute(sql);
  }
  std::unique_ptr<platform::TableLock> Lock(const QString& table, milliseconds wait) override {
    return inner_->Lock(table, wait);
  }
  void Begin(const QStringList& tables, milliseconds wait) override {
    log_ << QStringLiteral("BEGIN ") + tables.join(u',');
    inner_->Begin(tables, wait);
  }
  void Commit() override {
    log_ << QStringLiteral("COMMIT");
    inner_->Commit();
  }
  void Rollback() noexcept override {
    log_ << QStringLiteral("ROLLBACK");
    inner_->Rollback();
  }

 private:
  std::unique_ptr<platform::Database> inner_;
  QStringList& log_;
};

class RecordingProvider final : public platform::DatabaseProvider {
 public:
  explicit RecordingProvider(QStringList& log) : log_(log) {}
  std::unique_ptr<platform::Database> Open(const QString& connectionString) override {
    log_ << connectionString;
    return std::make_unique<RecordingDatabase>(
        dbf::SqliteDbfProvider(milliseconds(100)).Open(connectionString), log_);
  }

 private:
  QStringList& log_;
};

std::shared_ptr<Client> UnClient() {
  auto c = std::make_shared<Client>();
  c->Numero(QStringLiteral("123"));
  c->Nom(QStringLiteral("L'Érable"));
  c->Adresse(QStringLiteral("1 rue A"));
  c->Ville(QStringLiteral("Lévis"));
  c->Province(QStringLiteral("QC"));
  c->CP(QStringLiteral("G6V1A1"));
  c->NoTelephone(QStringLiteral("4185550000"));
  c->pays(QStringLiteral("CAN"));
  c->Vendeur(QStringLiteral("JT"));
  return c;
}

std::shared_ptr<Item> UneLigne(const QString& code, double quantite, double cout) {
  return testing::LigneDbf(code, quantite, cout);
}

class PostageTest : public ::testing::Test {
 public:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  void Compagnie(std::int32_t compteur = 7, double taux = 0.09975) {
    DossierDemoDbf fixture;
    fixture.compteur = compteur;
    fixture.tauxProvincial = taux;
    fixture.Creer(dir_.path());
  }
  QString Chemin(const char* table) const {
    return dir_.filePath(QString::fromLatin1(table) + QStringLiteral(".dbf"));
  }

  std::unique_ptr<ComSoum> Document(std::shared_ptr<Client> client,
                                    std::vector<std::shared_ptr<Item>> lignes) {
    ServicesDocument services;
    services.horloge = std::make_shared<testing::FixedClock>(QDate(2024, 3, 5));
    services.dbase = [this](ComSoum& d) -> std::unique_ptr<BackEnd> {
      return std::make_unique<BackEndDbf>(
          d, ServicesDbf{std::make_shared<RecordingProvider>(log_),
                         std::make_shared<testing::FixedComputerName>(QStringLiteral("POSTE-07")),
                         std::make_shared<testing::FixedRegionalSettings>(separateur_),
                         milliseconds(100)});
    };
    auto document = std::make_unique<ComSoum>(services);
    document->SystemeComptable(2);
    document->cheminCie(dir_.path());
    document->Client(std::move(client));
    for (auto& l : lignes) {
      document->AddItem(std::move(l));
    }
    return document;
  }

  // The rows of a table as dbfread sees them, after checking the file itself.
  QJsonArray Lignes(const char* table) {
    const QString chemin = Chemin(table);
    const auto fichier = CheckDbfFile(chemin);
    EXPECT_TRUE(fichier.endsWith1A) << table;
    EXPECT_EQ(static_cast<std::int64_t>(fichier.headerCount), fichier.countFromSize) << table;
    const auto lu = DbfRead(chemin);
    EXPECT_TRUE(lu.ok) << table << ": " << lu.error.toStdString();
    EXPECT_EQ(lu.headerCount, lu.rows.size() + lu.deleted) << table;
    return lu.rows;
  }
  void ToutesCoherentes() {
    for (const char* table : kTables) {
      if (QFile::exists(Chemin(table))) {
        Lignes(table);
      }
    }
  }
  qint64 Compteur() {
    const QJsonArray lignes = Lignes("solde");
    return lignes.isEmpty() ? -1 : lignes[0].toObject()[u"SNEXTS"].toInteger();
  }
  QStringList Statements(const QString& debut) const {
    QStringList trouves;
    for (const QString& s : log_) {
      if (s.startsWith(debut)) {
        trouves << s;
      }
    }
    return trouves;
  }

  QTemporaryDir dir_;
  QStringList log_;
  QString separateur_ = QStringLiteral("/");
  std::unique_ptr<platform::Database> autre_;
  std::unique_ptr<platform::TableLock> verrou_;
};

void ExpectRow(const QJsonObject& ligne, const QJsonObject& attendu) {
  EXPECT_EQ(ligne.keys(), attendu.keys());
  for (auto it = attendu.begin(); it != attendu.end(); ++it) {
    EXPECT_EQ(ligne.value(it.key()), it.value()) << it.key().toStdString();
  }
}

TEST_F(PostageTest, PostsCustomerProductsInvoiceAndAdvancesTheCounter) {
  Compagnie();
  auto document = Document(
      UnClient(), {UneLigne(QStringLiteral("AB6"), 2, 50), UneLigne(QStringLiteral("CD"), 1, 100)});
  ASSERT_TRUE(document->Enregistrer()) << document->Message().toStdString();

  EXPECT_EQ(log_.value(0), QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Extended "
                                          "Properties=dBASE IV;Data Source=") +
                               dir_.path());
  EXPECT_EQ(Statements(QStringLiteral("insert into client")),
            QStringList{QStringLiteral(
                "insert into client(CNUM,CNOM,CADR,CVIL,CCOD,CCTEL1,CCFAX1,CCMAIL1,cpays,cresp) "
                "VALUES('0000000123','L''Érable','1 rue A','Lévis','G6V1A1','4185550000',null,"
                "null,'CAN',null)")});
  EXPECT_EQ(Statements(QStringLiteral("insert into produi")).value(0),
            QStringLiteral("insert into produi(pnum,pnom,pnoma,pfrn,pglachat,ppost,ptxp,ptxf,pcou,"
                           "pfmt,pspe,pdpt,pssg,ploc) values('AB6..................','Article "
                           "AB6','','F100','40100','13100',1,1,50,'','','','','')"));
  EXPECT_EQ(
      Statements(QStringLiteral("insert into factma")),
      QStringList{QStringLiteral(
          "insert into factma (FFCNUM,FFCNOM,FFCADR,FFCVIL,FFCCOD,FFCTEL,FFLCNUM,FFLCNOM,FFLCADR,"
          "FFLCVIL,FFLCCOD,FFLCTEL,FFVEND,FFSS_TAX,FFTAXF,FFTAXP,FFGTOT,FFSOLDE,FFTOTDU,FFSSTOT,"
          "FFNOFACT,FFDATE,FFESCOMPT,FFESCFIX,FFESCPRC,FFNIVTAX,FFPRCTXP,FFGLTAX,FFPAIE1,FFPAIE2,"
          "FFPAIE3,FFTAUXF1,FFTAUXF2,FFPAIE4,FFTAXFI,FFTAXPI,FFTXFEDAV,FFTXFEDAP,FFPROAPES,"
          "FFTAUXF3,FFPRCTXP2,FFTAXP2,FFTAXPI2,FFPRCRET,FFTXRETP1,FFTXRETP2,FFTXRETF,FFMNTRET,"
          "FFTOTRET,AVI,FFMNTTRA,FFGLTRA,FFTXPTRA,FFTXFTRA,FFTXREMF,FFTXREMP,FFTXREMP2,FFPAIE5,"
          "FFPOSTE,FFDPAMNT,FFCPROV,FFCPAYS,FFLCPROV,FFLCPAYS,FFPRCSUR,FFTXPSUR,FFTXFSUR,FFMNTSUR,"
          "FFCredit) values('0000000123','L''Érable','1 rue A','Lévis','G6V1A1','4185550000',"
          "'0000000123','L''Érable','1 rue A','Lévis','G6V1A1','4185550000','JT',200,10,19.95,"
          "229.95,229.95,229.95,229.95,'!00007','2024/03/05',0,0,0,1,0.09975,21360,0,0,0,0.05,0,"
          "0,0,0,'O','N','O',0,0,0,0,0,0,0,0,0,0,' ',0,'31900',1,1,0,0,0,0,'POSTE-07',0,'QC',"
          "'CAN','QC','CAN',0,0,0,0,false)")});
  EXPECT_EQ(Statements(QStringLiteral("insert into factit")).value(1),
            QStringLiteral("insert into factit (finofact,filigne,fipnum,fipnom,fipqtec,fipqte,"
                           "fipprix,fipvent,fitaxf,fitaxp,fiescfix,fiescprc,finclf,finclp,ficode,"
                           "fitype,ficout,fiplev) values ('!00007',2,'...................CD',"
                           "'Article CD',1,1,100,100,1,1,0,0,0,0,'F',1,100,1)"));
  // One transaction over every table the posting writes; the counter is its last statement.
  EXPECT_EQ(log_.value(1), QStringLiteral("BEGIN client,produi,factma,factit,solde"));
  ASSERT_GE(log_.size(), 3);
  EXPECT_TRUE(log_[log_.size() - 3].startsWith(QStringLiteral("insert into factit")));
  EXPECT_EQ(log_.mid(log_.size() - 2),
            (QStringList{QStringLiteral("update solde set snexts = snexts + 1"),
                         QStringLiteral("COMMIT")}));
  EXPECT_TRUE(Statements(QStringLiteral("delete")).isEmpty());

  const QJsonArray factma = Lignes("factma");
  ASSERT_EQ(factma.size(), 1);
  ExpectRow(factma[0].toObject(), QJsonObject{{"FFCNUM", "0000000123"},
                                              {"FFCNOM", "L'Érable"},
                                              {"FFCADR", "1 rue A"},
                                              {"FFCVIL", "Lévis"},
                                              {"FFCCOD", "G6V1A1"},
                                              {"FFCTEL", "4185550000"},
                                              {"FFLCNUM", "0000000123"},
                                              {"FFLCNOM", "L'Érable"},
                                              {"FFLCADR", "1 rue A"},
                                              {"FFLCVIL", "Lévis"},
                                              {"FFLCCOD", "G6V1A1"},
                                              {"FFLCTEL", "4185550000"},
                                              {"FFVEND", "JT"},
                                              {"FFSS_TAX", 200},
                                              {"FFTAXF", 10},
                                              {"FFTAXP", 19.95},
                                              {"FFGTOT", 229.95},
                                              {"FFSOLDE", 229.95},
                                              {"FFTOTDU", 229.95},
                                              {"FFSSTOT", 229.95},
                                              {"FFNOFACT", "!00007"},
                                              {"FFDATE", "2024-03-05"},
                                              {"FFESCOMPT", 0},
                                              {"FFESCFIX", 0},
                                              {"FFESCPRC", 0},
                                              {"FFNIVTAX", 1},
                                              {"FFPRCTXP", 0.09975},
                                              {"FFGLTAX", 21360},
                                              {"FFPAIE1", 0},
                                              {"FFPAIE2", 0},
                                              {"FFPAIE3", 0},
                                              {"FFTAUXF1", 0.05},
                                              {"FFTAUXF2", 0},
                                              {"FFPAIE4", 0},
                                              {"FFTAXFI", 0},
                                              {"FFTAXPI", 0},
                                              {"FFTXFEDAV", "O"},
                                              {"FFTXFEDAP", "N"},
                                              {"FFPROAPES", "O"},
                                              {"FFTAUXF3", 0},
                                              {"FFPRCTXP2", 0},
                                              {"FFTAXP2", 0},
                                              {"FFTAXPI2", 0},
                                              {"FFPRCRET", 0},
                                              {"FFTXRETP1", 0},
                                              {"FFTXRETP2", 0},
                                              {"FFTXRETF", 0},
                                              {"FFMNTRET", 0},
                                              {"FFTOTRET", 0},
                                              {"AVI", ""},
                                              {"FFMNTTRA", 0},
                                              {"FFGLTRA", "31900"},
                                              {"FFTXPTRA", 1},
                                              {"FFTXFTRA", 1},
                                              {"FFTXREMF", 0},
                                              {"FFTXREMP", 0},
                                              {"FFTXREMP2", 0},
                                              {"FFPAIE5", 0},
                                              {"FFPOSTE", "POSTE-07"},
                                              {"FFDPAMNT", 0},
                                              {"FFCPROV", "QC"},
                                              {"FFCPAYS", "CAN"},
                                              {"FFLCPROV", "QC"},
                                              {"FFLCPAYS", "CAN"},
                                              {"FFPRCSUR", 0},
                                              {"FFTXPSUR", 0},
                                              {"FFTXFSUR", 0},
                                              {"FFMNTSUR", 0},
                                              {"FFCREDIT", false}});

  const QJsonArray client = Lignes("client");
  ASSERT_EQ(client.size(), 1);
  ExpectRow(client[0].toObject(), QJsonObject{{"CNUM", "0000000123"},
                                              {"CNOM", "L'Érable"},
                                              {"CADR", "1 rue A"},
                                              {"CVIL", "Lévis"},
                                              {"CPROV", ""},
                                              {"CCOD", "G6V1A1"},
                                              {"CCTEL1", "4185550000"},
                                              {"CCFAX1", ""},
                                              {"CCMAIL1", ""},
                                              {"CPAYS", "CAN"},
                                              {"CRESP", ""},
                                              {"CSOLDE", QJsonValue()}});
  EXPECT_EQ(Lignes("produi").size(), 2);
  EXPECT_EQ(Lignes("factit").size(), 2);
  EXPECT_EQ(Compteur(), 8);
  ToutesCoherentes();
}

TEST_F(PostageTest, LinesProductsAndAmounts) {
  Compagnie();
  separateur_ = QStringLiteral("-");
  auto federalSeulement = UneLigne(QStringLiteral("A'B"), 2, 10);
  federalSeulement->TaxableProvincial(false);
  federalSeulement->Localisation(QString());
  auto prix = UneLigne(QStringLiteral("P12"), 1, 4);
  auto demi = UneLigne(QStringLiteral("H"), 0.5, 3);
  auto client = UnClient();
  client->Province(QString());
  auto document = Document(client, {federalSeulement, prix, demi});
  document->Soumission(false);
  ASSERT_TRUE(document->Enregistrer()) << document->Message().toStdString();

  const QJsonArray produi = Lignes("produi");
  ASSERT_EQ(produi.size(), 3);
  ExpectRow(produi[0].toObject(), QJsonObject{{"PNUM", "A'B.................."},
                                              {"PNOM", "Article A'B"},
                                              {"PNOMA", ""},
                                              {"PFRN", "F100"},
                                              {"PGLACHAT", "40100"},
                                              {"PPOST", "13100"},
                                              {"PTXP", false},
                                              {"PTXF", true},
                                              {"PCOU", 10},
                                              {"PFMT", ""},
                                              {"PSPE", ""},
                                              {"PDPT", ""},
                                              {"PSSG", ""},
                                              {"PLOC", ""},
                                              {"PQTE", QJsonValue()}});
  EXPECT_TRUE(Statements(QStringLiteral("insert into produi"))
                  .value(0)
                  .contains(QStringLiteral("'A''B..................'")));
  EXPECT_TRUE(Statements(QStringLiteral("insert into produi")).value(0).endsWith(u",'')"));

  const QJsonArray factit = Lignes("factit");
  ASSERT_EQ(factit.size(), 3);
  const struct {
    int ligne;
    const char* fipnum;
    double qte, prix, vente;
  } attendus[] = {{1, "..................A'B", 2, 10, 20},
                  {2, "..................P12", 1, 4, 4},
                  {3, "....................H", 0.5, 3, 1.5}};
  for (int i = 0; i < 3; ++i) {
    const QJsonObject r = factit[i].toObject();
    const auto& a = attendus[i];
    EXPECT_EQ(r[u"FINOFACT"].toString(), QStringLiteral("?00007"));
    EXPECT_EQ(r[u"FILIGNE"].toInt(), a.ligne);
    EXPECT_EQ(r[u"FIPNUM"].toString(), QString::fromLatin1(a.fipnum));
    EXPECT_EQ(r[u"FIPQTEC"].toDouble(), a.qte);
    EXPECT_EQ(r[u"FIPQTE"].toDouble(), a.qte);
    EXPECT_EQ(r[u"FIPPRIX"].toDouble(), a.prix);
    EXPECT_EQ(r[u"FIPVENT"].toDouble(), a.vente);
    EXPECT_EQ(r[u"FICOUT"].toDouble(), a.vente);
  }
  const QJsonObject entete = Lignes("factma")[0].toObject();
  EXPECT_EQ(entete[u"FFNOFACT"].toString(), QStringLiteral("?00007"));
  EXPECT_EQ(entete[u"FFSS_TAX"].toDouble(), 25.5);  // 2×10 + 1×4 + 0.5×3
  EXPECT_EQ(entete[u"FFCPROV"].toString(), QString());
  EXPECT_EQ(entete[u"FFDATE"].toString(), QStringLiteral("2024-03-05"));
  const QString factma = Statements(QStringLiteral("insert into factma")).value(0);
  EXPECT_TRUE(factma.contains(QStringLiteral("'POSTE-07',0,null,'CAN',null,'CAN',")))
      << factma.toStdString();
  EXPECT_TRUE(factma.contains(QStringLiteral("'?00007','2024-03-05',"))) << factma.toStdString();
  EXPECT_EQ(Compteur(), 8);
}

TEST_F(PostageTest, HalfCentsGoToTheEvenCent) {
  Compagnie();
  auto document = Document(UnClient(), {UneLigne(QStringLiteral("Q"), 0.5, 0.25)});
  ASSERT_TRUE(document->Enregistrer()) << document->Message().toStdString();
  EXPECT_TRUE(Statements(QStringLiteral("insert into factit"))
                  .value(0)
                  .contains(QStringLiteral("0.5,0.5,0.25,0.12,1,1,0,0,0,0,'F',1,0.12,1)")));
  const QJsonObject r = Lignes("factit")[0].toObject();
  EXPECT_EQ(r[u"FIPVENT"].toDouble(), 0.12);
  EXPECT_EQ(r[u"FICOUT"].toDouble(), 0.12);
}

TEST_F(PostageTest, ASecondPostingFindsCustomerAndProductsAgain) {
  Compagnie();
  const auto client = [] {
    auto c = UnClient();
    c->Numero(QStringLiteral("O'1"));
    return c;
  };
  auto premier = Document(client(), {UneLigne(QStringLiteral("A'B"), 1, 10)});
  ASSERT_TRUE(premier->Enregistrer()) << premier->Message().toStdString();
  log_.clear();
  auto second = Document(
      client(), {UneLigne(QStringLiteral("A'B"), 3, 10), UneLigne(QStringLiteral("A'B"), 1, 10)});
  ASSERT_TRUE(second->Enregistrer()) << second->Message().toStdString();

  EXPECT_TRUE(Statements(QStringLiteral("insert into client")).isEmpty());
  EXPECT_TRUE(Statements(QStringLiteral("insert into produi")).isEmpty());
  EXPECT_EQ(Statements(QStringLiteral("select * from client")),
            QStringList{QStringLiteral("select * from client where CNUM='0000000O''1'")});
  EXPECT_EQ(Lignes("client").size(), 1);
  EXPECT_EQ(Lignes("produi").size(), 1);
  const QJsonArray factma = Lignes("factma");
  ASSERT_EQ(factma.size(), 2);
  EXPECT_EQ(factma[1].toObject()[u"FFNOFACT"].toString(), QStringLiteral("!00008"));
  EXPECT_EQ(factma[1].toObject()[u"FFSS_TAX"].toDouble(), 40);
  EXPECT_EQ(Compteur(), 9);
}

// Every byte of every table of the folder, to show that nothing changed.
std::map<QString, QByteArray> Octets(const QString& dossier) {
  std::map<QString, QByteArray> octets;
  for (const QString& nom : QDir(dossier).entryList(QDir::Files)) {
    QFile f(QDir(dossier).filePath(nom));
    if (f.open(QIODevice::ReadOnly)) {
      octets[nom] = f.readAll();
    }
  }
  return octets;
}

// A posting that stops on its last invoice line writes nothing at all: not
// the customer, not the new product, not the header, and the next posting
// takes the same number for an invoice that is whole.
TEST_F(PostageTest, AnInvoiceRefusedOnItsLastLineLeavesNothing) {
  Compagnie();
  ASSERT_TRUE(Document(UnClient(), {UneLigne(QStringLiteral("CD"), 1, 1)})->Enregistrer(true));
  const auto avant = Octets(dir_.path());
  // CD exists, so its unit price too wide for factit is met only on the last
  // invoice line, after the customer, the product AB6 and the header.
  auto coupee = Document(UnClient(), {UneLigne(QStringLiteral("AB6"), 2, 50),
                                      UneLigne(QStringLiteral("CD"), 1e-6, 1e10)});
  EXPECT_FALSE(coupee->Enregistrer());
  EXPECT_TRUE(coupee->Message().startsWith(kInconnue)) << coupee->Message().toStdString();
  EXPECT_EQ(Octets(dir_.path()), avant);
  EXPECT_TRUE(Lignes("client").isEmpty());
  EXPECT_EQ(Lignes("produi").size(), 1);
  EXPECT_TRUE(Lignes("factma").isEmpty());
  EXPECT_EQ(Compteur(), 7);

  auto corrigee = Document(
      UnClient(), {UneLigne(QStringLiteral("AB6"), 2, 50), UneLigne(QStringLiteral("CD"), 1, 1)});
  ASSERT_TRUE(corrigee->Enregistrer()) << corrigee->Message().toStdString();
  const QJsonArray factma = Lignes("factma");
  ASSERT_EQ(factma.size(), 1);
  EXPECT_EQ(factma[0].toObject()[u"FFNOFACT"].toString(), QStringLiteral("!00007"));
  EXPECT_EQ(factma[0].toObject()[u"FFSS_TAX"].toDouble(), 101);
  EXPECT_EQ(Lignes("factit").size(), 2);
  EXPECT_EQ(Compteur(), 8);
  EXPECT_EQ(CheckDbfFile(Chemin("factma")).headerCount, 1U);
  EXPECT_EQ(CheckDbfFile(Chemin("factit")).headerCount, 2U);
}

// Another program's document under the number the counter gives is never
// touched: the posting is refused, and says which number in which table.
TEST_F(PostageTest, ADocumentAlreadyUnderTheCountersNumberRefusesThePosting) {
  for (const char* numero : {"!00007", "?00007"}) {
    SCOPED_TRACE(numero);
    dir_.remove();
    ASSERT_TRUE(QDir().mkpath(dir_.path()));
    Compagnie();
    {
      auto factma = dbf::DbfTable::Open(Chemin("factma"), dbf::DbfTable::Mode::Write);
      std::vector<std::optional<QVariant>> ligne(factma->fields().size());
      ligne[static_cast<std::size_t>(factma->fieldIndex(QStringLiteral("FFNOFACT")))] =
          QString::fromLatin1(numero);
      factma->write(0, factma->compose(ligne, nullptr));
      factma->finish(QDate::currentDate());
    }
    const auto avant = Octets(dir_.path());
    auto document = Document(UnClient(), {UneLigne(QStringLiteral("AB6"), 2, 50)});
    EXPECT_FALSE(document->Enregistrer());
    EXPECT_EQ(document->Message(),
              QStringLiteral("La table factma contient déjà un document sous le numéro %1, que le "
                             "compteur de factures (table solde) donne à cette facture. Rien n'a "
                             "été écrit : corrigez le compteur dans le système comptable avant de "
                             "reprendre le transfert.")
                  .arg(QString::fromLatin1(numero)));
    EXPECT_EQ(Octets(dir_.path()), avant);
    EXPECT_EQ(Lignes("factma").size(), 1);
    EXPECT_EQ(Compteur(), 7);
    log_.clear();
  }
}

// A full disk or an I/O error at any write or sync of the commit: the
// posting reports it and every file is left byte for byte as it was.
TEST_F(PostageTest, AFailedWriteOrSyncAnywhereInTheCommitLeavesEveryFileAsItWas) {
  int echecs = 0;
  for (const bool synchronisation : {false, true}) {
    for (int n = 0;; ++n) {
      SCOPED_TRACE(::testing::Message() << (synchronisation ? "sync " : "write ") << n);
      dir_.remove();
      ASSERT_TRUE(QDir().mkpath(dir_.path()));
      Compagnie();
      const auto avant = Octets(dir_.path());
      auto document = Document(UnClient(), {UneLigne(QStringLiteral("AB6"), 2, 50),
                                            UneLigne(QStringLiteral("CD"), 1, 1)});
      os::InjectFaults(synchronisation ? os::FaultPlan{-1, n} : os::FaultPlan{n, -1});
      const bool ok = document->Enregistrer();
      os::InjectFaults({});
      if (ok) {
        break;  // past the last write or sync: the posting went through whole
      }
      ++echecs;
      EXPECT_TRUE(document->Message().startsWith(kInconnue)) << document->Message().toStdString();
      EXPECT_EQ(Octets(dir_.path()), avant);
      ASSERT_TRUE(Document(UnClient(), {UneLigne(QStringLiteral("AB6"), 2, 50)})->Enregistrer());
      EXPECT_EQ(Compteur(), 8);
      EXPECT_EQ(Lignes("factit").size(), 1);
      log_.clear();
    }
  }
  EXPECT_GT(echecs, 10);
}

TEST_F(PostageTest, ASecondEnregistrerOfTheSameDocumentDoesNotCountItsLinesTwice) {
  Compagnie();
  auto document = Document(
      UnClient(), {UneLigne(QStringLiteral("AB6"), 2, 50), UneLigne(QStringLiteral("CD"), 1, 100)});
  ASSERT_TRUE(document->Enregistrer());
  ASSERT_TRUE(document->Enregistrer()) << document->Message().toStdString();
  const QJsonArray factma = Lignes("factma");
  ASSERT_EQ(factma.size(), 2);
  for (const auto& ligne : factma) {
    EXPECT_EQ(ligne.toObject()[u"FFSS_TAX"].toDouble(), 200);
    EXPECT_EQ(ligne.toObject()[u"FFGTOT"].toDouble(), 229.95);
  }
  EXPECT_EQ(Compteur(), 9);
}

TEST_F(PostageTest, TheSameBackEndPostingTwiceCountsOnlyTheLinesOfEachPosting) {
  Compagnie();
  auto client = UnClient();
  ASSERT_TRUE(client->IsValide(2));
  auto document = Document(
      client, {UneLigne(QStringLiteral("AB6"), 2, 50), UneLigne(QStringLiteral("CD"), 1, 100)});
  BackEndDbf backEnd(
      *document,
      ServicesDbf{std::make_shared<dbf::SqliteDbfProvider>(),
                  std::make_shared<testing::FixedComputerName>(QStringLiteral("P")),
                  std::make_shared<testing::FixedRegionalSettings>(QStringLiteral("/"))});
  ASSERT_TRUE(backEnd.Ouvrir());
  for (int fois = 0; fois < 2; ++fois) {
    ASSERT_TRUE(backEnd.EnregistrerClient());
    ASSERT_TRUE(backEnd.EnregistrerProduits());
    ASSERT_TRUE(backEnd.EnregistrerFacture());
  }
  backEnd.Fermer();
  const QJsonArray factma = Lignes("factma");
  ASSERT_EQ(factma.size(), 2);
  for (const auto& ligne : factma) {
    EXPECT_EQ(ligne.toObject()[u"FFSS_TAX"].toDouble(), 200);
    EXPECT_EQ(ligne.toObject()[u"FFTAXP"].toDouble(), 19.95);
    EXPECT_EQ(ligne.toObject()[u"FFGTOT"].toDouble(), 229.95);
  }
  EXPECT_EQ(Compteur(), 9);
}

TEST_F(PostageTest, PostingsAtTheSameTimeNeverShareAnInvoiceNumber) {
  Compagnie();
  constexpr int kParFil = 4;
  const auto poster = [this](const QString& prefixe, int* reussies) {
    for (int i = 0; i < kParFil; ++i) {
      auto client = UnClient();
      client->Numero(prefixe + QString::number(i));
      ServicesDocument services;
      services.horloge = std::make_shared<testing::FixedClock>(QDate(2024, 3, 5));
      services.dbase = [](ComSoum& d) -> std::unique_ptr<BackEnd> {
        return std::make_unique<BackEndDbf>(
            d, ServicesDbf{std::make_shared<dbf::SqliteDbfProvider>(),
                           std::make_shared<testing::FixedComputerName>(QStringLiteral("P")),
                           std::make_shared<testing::FixedRegionalSettings>(QStringLiteral("/"))});
      };
      ComSoum document(services);
      document.SystemeComptable(2);
      document.cheminCie(dir_.path());
      document.Client(client);
      document.AddItem(UneLigne(prefixe + QString::number(i), 1, 10));
      *reussies += document.Enregistrer() ? 1 : 0;
    }
  };
  int reussiesA = 0;
  int reussiesB = 0;
  std::thread a(poster, QStringLiteral("A"), &reussiesA);
  std::thread b(poster, QStringLiteral("B"), &reussiesB);
  a.join();
  b.join();
  EXPECT_EQ(reussiesA + reussiesB, 2 * kParFil);
  QSet<QString> numeros;
  for (const auto& ligne : Lignes("factma")) {
    numeros.insert(ligne.toObject()[u"FFNOFACT"].toString());
  }
  EXPECT_EQ(numeros.size(), 2 * kParFil);
  EXPECT_EQ(Lignes("factit").size(), 2 * kParFil);
  EXPECT_EQ(Compteur(), 7 + 2 * kParFil);
}

TEST_F(PostageTest, ProductsOnlyWritesNoCustomerAndNoInvoice) {
  Compagnie();
  auto document = Document(nullptr, {UneLigne(QStringLiteral("AB6"), 2, 50)});
  ASSERT_TRUE(document->Enregistrer(true)) << document->Message().toStdString();
  EXPECT_EQ(Lignes("produi").size(), 1);
  EXPECT_TRUE(Lignes("client").isEmpty());
  EXPECT_TRUE(Lignes("factma").isEmpty());
  EXPECT_EQ(Compteur(), 7);
}

TEST_F(PostageTest, AFolderThatCannotBeOpened) {
  const struct {
    const char* nom;
    std::function<void(PostageTest&)> preparer;
  } cas[] = {
      {"MissingFolder", [](PostageTest& t) { QDir(t.dir_.path()).removeRecursively(); }},
      {"NoTable", [](PostageTest&) {}},
      {"CorruptTable",
       [](PostageTest& t) {
         t.Compagnie();
         QFile f(t.Chemin("produi"));
         ASSERT_TRUE(f.open(QIODevice::ReadWrite));
         f.resize(40);
       }},
  };
  for (const auto& c : cas) {
    dir_.remove();
    ASSERT_TRUE(QDir().mkpath(dir_.path()));
    c.preparer(*this);
    auto document = Document(UnClient(), {UneLigne(QStringLiteral("AB6"), 1, 1)});
    EXPECT_FALSE(document->Enregistrer()) << c.nom;
    EXPECT_EQ(document->Message(),
              QStringLiteral("Erreur lors du branchement à la base de donnée."))
        << c.nom;
  }
}

TEST_F(PostageTest, FailuresStopThePostingAndLeaveTheCounter) {
  const auto recreer = [](PostageTest& t, const char* table,
                          const std::vector<std::optional<QVariant>>& ligne,
                          const char* sansColonne = nullptr) {
    for (const auto& d : DossierDemoDbf::Tables()) {
      if (d.nom != QString::fromLatin1(table)) {
        continue;
      }
      std::vector<dbf::DbfField> champs;
      for (const auto& f : d.champs) {
        if (sansColonne == nullptr || f.name != QString::fromLatin1(sansColonne)) {
          champs.push_back(f);
        }
      }
      QFile::remove(t.Chemin(table));
      dbf::DbfTable::Create(t.Chemin(table), champs, 0x57);
      auto dbf = dbf::DbfTable::Open(t.Chemin(table), dbf::DbfTable::Mode::Write);
      if (!ligne.empty()) {
        dbf->write(0, dbf->compose(ligne, nullptr));
      }
      dbf->finish(QDate::currentDate());
    }
  };
  const struct {
    const char* nom;
    std::function<void(PostageTest&)> preparer;
    std::shared_ptr<Client> client;
    std::int32_t numero;
    const char* description;
    int lignesFactma;
    qint64 compteur;
  } cas[] = {
      {"MissingTable", [](PostageTest& t) { QFile::remove(t.Chemin("factit")); }, UnClient(), 1,
       "La table factit est absente du dossier.", 0, 7},
      {"MissingColumn", [&](PostageTest& t) { recreer(t, "factma", {}, "FFVEND"); }, UnClient(), 1,
       "La table factma n'a pas de colonne FFVEND.", 0, 7},
      {"EmptySolde", [&](PostageTest& t) { recreer(t, "solde", {}); }, UnClient(), -2008,
       "La table solde ne contient aucune ligne.", 0, -1},
      {"EmptyTaxpro", [&](PostageTest& t) { recreer(t, "taxpro", {}); }, UnClient(), -2008,
       "La table taxpro ne contient aucune ligne.", 0, 7},
      {"CounterTooLarge", [&](PostageTest& t) { recreer(t, "solde", {qlonglong{100000}}); },
       UnClient(), -2003,
       "Le compteur de factures (100000) ne tient pas dans un numéro de cinq chiffres.", 0, 100000},
      {"ValueTooWide", [](PostageTest&) {},
       [] {
         auto c = UnClient();
         c->Vendeur(QStringLiteral("VENDEUR-ONZE"));
         return c;
       }(),
       -2003,
       "La valeur de la colonne FFVEND de la table factma.dbf dépasse 10 caractères : rien de "
       "cette ligne n'a été écrit.",
       0, 7},
      {"IndexedTable",
       [](PostageTest& t) {
         QFile f(t.Chemin("factma"));
         ASSERT_TRUE(f.open(QIODevice::ReadWrite));
         f.seek(28);
         f.write("\x01", 1);
       },
       UnClient(), -2005,
       "La table factma.dbf a un index de production (.mdx) que ce programme ne sait pas tenir à "
       "jour : aucune ligne n'y a été écrite.",
       0, 7},
      {"CounterHeldByAnotherPosting",
       [](PostageTest& t) {
         t.autre_ = dbf::SqliteDbfProvider().Open(QStringLiteral("Data Source=") + t.dir_.path());
         t.verrou_ = t.autre_->Lock(QStringLiteral("solde"), milliseconds(0));
       },
       UnClient(), -2007,
       "La table solde est occupée par une autre saisie ; réessayez dans un moment.", 0, 7},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.nom);
    dir_.remove();
    ASSERT_TRUE(QDir().mkpath(dir_.path()));
    Compagnie();
    c.preparer(*this);
    auto document = Document(c.client, {UneLigne(QStringLiteral("AB6"), 2, 50)});
    EXPECT_FALSE(document->Enregistrer());
    const QString message = document->Message();
    EXPECT_EQ(message,
              kInconnue + QString::number(c.numero) + kCrLf + QString::fromUtf8(c.description));
    EXPECT_EQ(Lignes("factma").size(), c.lignesFactma);
    EXPECT_TRUE(Lignes("client").isEmpty());
    if (c.compteur >= 0) {
      EXPECT_EQ(Compteur(), c.compteur);
    }
    EXPECT_TRUE(Statements(QStringLiteral("update solde")).isEmpty());
    ToutesCoherentes();
    verrou_.reset();
    autre_.reset();
    log_.clear();
  }
}

TEST_F(PostageTest, FixtureHoldsEveryColumnThePostingWrites) {
  Compagnie(1, 0.14975);
  for (const char* table : kTables) {
    const auto lu = DbfRead(Chemin(table));
    ASSERT_TRUE(lu.ok) << table;
  }
  EXPECT_EQ(Compteur(), 1);
  EXPECT_EQ(Lignes("taxpro")[0].toObject()[u"TAXPRC1"].toDouble(), 0.14975);
  EXPECT_THROW(DossierDemoDbf().Creer(dir_.path()), platform::DatabaseError);  // never overwrites
}

}  // namespace
}  // namespace brivane::dbase
