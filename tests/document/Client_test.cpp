#include "document/Client.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <functional>

namespace brivane {
namespace {

const QString crlf = QStringLiteral("\r\n");

// A customer that passes under both codes.
Client clientValide() {
  Client c;
  c.Numero(QStringLiteral("123"));
  c.Nom(QStringLiteral("Quincaillerie Dubé"));
  return c;
}

TEST(ClientValidation, EmptyCustomerGivesTheTwoRequiredMessagesUnderEveryCode) {
  const QString attendu = crlf + QStringLiteral("Code de client obligatoire.") + crlf +
                          QStringLiteral("Nom de client obligatoire.");
  for (std::int32_t code : {0, 1, 2, 3, -7}) {
    Client c;
    EXPECT_FALSE(c.IsValide(code)) << code;
    EXPECT_EQ(c.Message(), attendu) << code;
  }
}

TEST(ClientValidation, BlanksAreNotEmpty) {
  Client c;
  c.Numero(QStringLiteral(" "));
  c.Nom(QStringLiteral("   "));
  EXPECT_TRUE(c.IsValide(1));
  EXPECT_TRUE(c.Message().isEmpty());
}

struct Limite {
  const char* champ;
  std::function<void(Client&, const QString&)> poser;
  std::int32_t code;
  int limite;
  const char16_t* message;
};

class ClientLimite : public ::testing::TestWithParam<Limite> {};

// Exactly at the limit passes; one more character fails with that message alone.
TEST_P(ClientLimite, AtLimitPassesOneMoreFails) {
  const Limite& l = GetParam();
  Client ok = clientValide();
  l.poser(ok, QString(l.limite, u'x'));
  EXPECT_TRUE(ok.IsValide(l.code)) << ok.Message().toStdString();

  Client trop = clientValide();
  l.poser(trop, QString(l.limite + 1, u'x'));
  EXPECT_FALSE(trop.IsValide(l.code));
  EXPECT_EQ(trop.Message(), crlf + QString::fromUtf16(l.message));
}

void numero(Client& c, const QString& v) { c.Numero(v); }
void nom(Client& c, const QString& v) { c.Nom(v); }
void adresse(Client& c, const QString& v) { c.Adresse(v); }
void ville(Client& c, const QString& v) { c.Ville(v); }
void province(Client& c, const QString& v) { c.Province(v); }
void cp(Client& c, const QString& v) { c.CP(v); }
void fax(Client& c, const QString& v) { c.NoFax(v); }
void courriel(Client& c, const QString& v) { c.Courriel(v); }
void pays(Client& c, const QString& v) { c.pays(v); }
void auSoinDe(Client& c, const QString& v) { c.AuSoinDe(v); }

INSTANTIATE_TEST_SUITE_P(
    LesDeuxSystemes, ClientLimite,
    ::testing::Values(
        Limite{"Numero", numero, 1, 20, u"Le numéro de client est limité à 20 caractères."},
        Limite{"Numero", numero, 2, 10, u"Le numéro de client est limité à 10 caractères."},
        Limite{"Nom", nom, 1, 40, u"Le nom du client est limité à 40 caractères."},
        Limite{"Nom", nom, 2, 45, u"Le nom du client est limité à 45 caractères."},
        Limite{"Adresse", adresse, 1, 40, u"L'adresse du client est limité à 40 caractères."},
        Limite{"Adresse", adresse, 2, 45, u"L'adresse du client est limité à 45 caractères."},
        Limite{"Ville", ville, 1, 40, u"La ville du client est limitée à 40 caractères."},
        Limite{"Ville", ville, 2, 30, u"La ville du client est limitée à 30 carractères."},
        Limite{"Province", province, 1, 2,
               u"Le code de province du client est limité à 2 caractères."},
        Limite{"Province", province, 2, 2,
               u"Le code de province du client est limité à 2 caractères."},
        Limite{"Province", province, 0, 2,
               u"Le code de province du client est limité à 2 caractères."},
        Limite{"CP", cp, 1, 11, u"Le code postal du client est limitée à 11 caractères."},
        Limite{"CP", cp, 2, 7, u"Le code postal du client est limitée à 7 caractères."},
        Limite{"NoFax", fax, 2, 12, u"Le fax du client est limité à 12 caractères."},
        Limite{"Courriel", courriel, 1, 80, u"Le courriel du client est limité à 80 caractères."},
        Limite{"Courriel", courriel, 2, 60, u"Le courriel du client est limité à 60 caractères."},
        Limite{"pays", pays, 1, 2, u"Le pays du client est limité à 2 caractères."},
        Limite{"pays", pays, 2, 3, u"Le pays du client est limité à 3 caractères."},
        Limite{"AuSoinDe", auSoinDe, 1, 40,
               u"Le champ «Au soin de» du client est limité à 40 caractères."},
        Limite{"AuSoinDe", auSoinDe, 2, 30,
               u"Le champ «Au soin de» du client est limité à 30 caractères."}),
    [](const auto& p) {
      return std::string(p.param.champ) + "_code" + std::to_string(p.param.code);
    });

TEST(ClientValidation, TelephoneIsFreeUnderCode1AndCheckedTwiceUnderCode2) {
  const QString trop = crlf + QStringLiteral("Le téléphone du client est limité à 12 caractères.");
  const QString longueur =
      crlf + QStringLiteral("Le téléphone du client est validé à 7, 10 ou 11 caractères.");
  struct Cas {
    int longueur;
    std::int32_t code;
    QString message;
  };
  const Cas cas[] = {
      {30, 1, {}}, {0, 2, {}},       {7, 2, {}},        {10, 2, {}},
      {11, 2, {}}, {8, 2, longueur}, {12, 2, longueur}, {13, 2, trop + longueur},
      {13, 0, {}},
  };
  for (const Cas& c : cas) {
    Client client = clientValide();
    client.NoTelephone(QString(c.longueur, u'5'));
    EXPECT_EQ(client.IsValide(c.code), c.message.isEmpty()) << c.longueur << " code " << c.code;
    EXPECT_EQ(client.Message(), c.message) << c.longueur << " code " << c.code;
  }
}

TEST(ClientValidation, FaxLengthRuleOnlyUnderCode1) {
  const QString longueur =
      crlf + QStringLiteral("Le fax du client est validé à 7, 10 ou 11 carractères.");
  for (int n : {0, 7, 10, 11}) {
    Client c = clientValide();
    c.NoFax(QString(n, u'5'));
    EXPECT_TRUE(c.IsValide(1)) << n;
  }
  for (int n : {1, 8, 9, 12, 13}) {
    Client c = clientValide();
    c.NoFax(QString(n, u'5'));
    EXPECT_FALSE(c.IsValide(1)) << n;
    EXPECT_EQ(c.Message(), longueur) << n;
  }
  for (int n : {1, 8, 12}) {
    Client c = clientValide();
    c.NoFax(QString(n, u'5'));
    EXPECT_TRUE(c.IsValide(2)) << n;
  }
}

TEST(ClientValidation, AuSoinDeAcrossCodes) {
  Client moyen = clientValide();
  moyen.AuSoinDe(QString(35, u'a'));
  EXPECT_TRUE(moyen.IsValide(1));
  EXPECT_FALSE(moyen.IsValide(2));
  EXPECT_EQ(moyen.Message(),
            crlf + QStringLiteral("Le champ «Au soin de» du client est limité à 30 caractères."));

  Client long45 = clientValide();
  long45.AuSoinDe(QString(45, u'a'));
  EXPECT_FALSE(long45.IsValide(1));
  EXPECT_FALSE(long45.IsValide(2));
  EXPECT_EQ(long45.Message(),
            crlf + QStringLiteral("Le champ «Au soin de» du client est limité à 40 caractères.") +
                crlf +
                QStringLiteral("Le champ «Au soin de» du client est limité à 30 caractères."));
}

TEST(ClientValidation, EveryFailingCheckReportsInTableOrder) {
  Client c;
  c.Numero(QString(21, u'1'));
  c.Nom(QString(46, u'n'));
  c.Adresse(QString(46, u'a'));
  c.Ville(QString(41, u'v'));
  c.Province(QStringLiteral("QCX"));
  c.CP(QString(12, u'c'));
  c.NoTelephone(QString(13, u't'));
  c.NoFax(QString(13, u'f'));
  c.Courriel(QString(81, u'e'));
  c.pays(QStringLiteral("CANA"));
  c.AuSoinDe(QString(41, u's'));
  EXPECT_FALSE(c.IsValide(2));
  const QString attendu2 =
      crlf + QStringLiteral("Le numéro de client est limité à 10 caractères.") + crlf +
      QStringLiteral("Le nom du client est limité à 45 caractères.") + crlf +
      QStringLiteral("L'adresse du client est limité à 45 caractères.") + crlf +
      QStringLiteral("La ville du client est limitée à 30 carractères.") + crlf +
      QStringLiteral("Le code de province du client est limité à 2 caractères.") + crlf +
      QStringLiteral("Le code postal du client est limitée à 7 caractères.") + crlf +
      QStringLiteral("Le téléphone du client est limité à 12 caractères.") + crlf +
      QStringLiteral("Le téléphone du client est validé à 7, 10 ou 11 caractères.") + crlf +
      QStringLiteral("Le fax du client est limité à 12 caractères.") + crlf +
      QStringLiteral("Le courriel du client est limité à 60 caractères.") + crlf +
      QStringLiteral("Le pays du client est limité à 3 caractères.") + crlf +
      QStringLiteral("Le champ «Au soin de» du client est limité à 30 caractères.");
  EXPECT_EQ(c.Message(), attendu2);

  Client d;
  d.Numero(QString(21, u'1'));
  d.Nom(QString(41, u'n'));
  d.Adresse(QString(41, u'a'));
  d.Ville(QString(41, u'v'));
  d.Province(QStringLiteral("QCX"));
  d.CP(QString(12, u'c'));
  d.NoFax(QString(13, u'f'));
  d.Courriel(QString(81, u'e'));
  d.pays(QStringLiteral("CAN"));
  d.AuSoinDe(QString(41, u's'));
  EXPECT_FALSE(d.IsValide(1));
  const QString attendu1 =
      crlf + QStringLiteral("Le numéro de client est limité à 20 caractères.") + crlf +
      QStringLiteral("Le nom du client est limité à 40 caractères.") + crlf +
      QStringLiteral("L'adresse du client est limité à 40 caractères.") + crlf +
      QStringLiteral("La ville du client est limitée à 40 caractères.") + crlf +
      QStringLiteral("Le code de province du client est limité à 2 caractères.") + crlf +
      QStringLiteral("Le code postal du client est limitée à 11 caractères.") + crlf +
      QStringLiteral("Le fax du client est validé à 7, 10 ou 11 carractères.") + crlf +
      QStringLiteral("Le courriel du client est limité à 80 caractères.") + crlf +
      QStringLiteral("Le pays du client est limité à 2 caractères.") + crlf +
      QStringLiteral("Le champ «Au soin de» du client est limité à 40 caractères.");
  EXPECT_EQ(d.Message(), attendu1);
}

TEST(ClientValidation, SecondCallDoublesTheMessages) {
  Client c;
  EXPECT_FALSE(c.IsValide(1));
  EXPECT_FALSE(c.IsValide(1));
  const QString une = crlf + QStringLiteral("Code de client obligatoire.") + crlf +
                      QStringLiteral("Nom de client obligatoire.");
  EXPECT_EQ(c.Message(), une + une);
}

TEST(ClientValidation, DeliveryAndUncheckedFieldsAreNeverValidated) {
  Client c = clientValide();
  const QString enorme(500, u'z');
  c.Noml(enorme);
  c.Adressel(enorme);
  c.Villel(enorme);
  c.Provincel(enorme);
  c.CPl(enorme);
  c.NoTelephonel(enorme);
  c.NoFaxl(enorme);
  c.paysl(enorme);
  c.AuSoinDel(enorme);
  c.Vendeur(enorme);
  c.Livraison(enorme);
  c.Condition(enorme);
  EXPECT_TRUE(c.IsValide(1));
  EXPECT_TRUE(c.IsValide(2));
}

TEST(ClientNumero, PaddedOnlyAfterCode2AndStaysPadded) {
  Client c = clientValide();
  EXPECT_EQ(c.Numero(), QStringLiteral("123"));
  ASSERT_TRUE(c.IsValide(1));
  EXPECT_EQ(c.Numero(), QStringLiteral("123"));
  ASSERT_TRUE(c.IsValide(2));
  EXPECT_EQ(c.Numero(), QStringLiteral("0000000123"));
  ASSERT_TRUE(c.IsValide(1));
  EXPECT_EQ(c.Numero(), QStringLiteral("0000000123"));

  Client longue = clientValide();
  longue.Numero(QStringLiteral("ABCDEFGHIJKL"));
  EXPECT_FALSE(longue.IsValide(2));
  EXPECT_EQ(longue.Numero(), QStringLiteral("ABCDEFGHIJKL"));

  Client dix = clientValide();
  dix.Numero(QStringLiteral("1234567890"));
  EXPECT_TRUE(dix.IsValide(2));
  EXPECT_EQ(dix.Numero(), QStringLiteral("1234567890"));
}

TEST(ClientProprietes, EachGetterReturnsItsOwnField) {
  Client c;
  c.AuSoinDe(QStringLiteral("a"));
  c.AuSoinDel(QStringLiteral("b"));
  c.NoFax(QStringLiteral("c"));
  c.NoFaxl(QStringLiteral("d"));
  c.pays(QStringLiteral("e"));
  c.paysl(QStringLiteral("f"));
  c.Livraison(QStringLiteral("g"));
  c.Condition(QStringLiteral("h"));
  EXPECT_EQ(c.AuSoinDe(), QStringLiteral("a"));
  EXPECT_EQ(c.AuSoinDel(), QStringLiteral("b"));
  EXPECT_EQ(c.NoFax(), QStringLiteral("c"));
  EXPECT_EQ(c.NoFaxl(), QStringLiteral("d"));
  EXPECT_EQ(c.pays(), QStringLiteral("e"));
  EXPECT_EQ(c.paysl(), QStringLiteral("f"));
  EXPECT_EQ(c.Livraison(), QStringLiteral("g"));
  EXPECT_EQ(c.Condition(), QStringLiteral("h"));
  EXPECT_TRUE(c.Message().isEmpty());
}

}  // namespace
}  // namespace brivane
