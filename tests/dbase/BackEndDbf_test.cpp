#include "dbase/BancDbf.h"

#include <gtest/gtest.h>

namespace brivane::dbase {
namespace {

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
  // The folder had no record table: made, then the folder opened again to see it.
  EXPECT_EQ(log_.value(1), log_.value(0));
  // One transaction over every table the posting writes; the counter is its last statement.
  EXPECT_EQ(log_.value(2), QStringLiteral("BEGIN client,produi,factma,factit,solde,brivimp"));
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

}  // namespace
}  // namespace brivane::dbase
