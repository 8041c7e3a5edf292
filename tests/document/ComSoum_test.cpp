#include "document/ComSoum.h"
#include "document/ErreurInattendue.h"

#include "support/HorlogeFixe.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace brivane {
namespace {

const QString crlf = QStringLiteral("\r\n");
const QString entete = QStringLiteral("Des erreurs se sont produites");

// What a scripted back end does at each step, and the calls it saw.
struct Script {
  bool ouvrir = true;
  bool client = true;
  bool produits = true;
  bool facture = true;
  QString lanceA;  // name of the step that throws, if any
  bool lanceAutre = false;
  QStringList appels;
  int fabrications = 0;
};

class BackEndScripte final : public BackEnd {
 public:
  BackEndScripte(ComSoum& doc, Script& s) : BackEnd(doc), s_(s) {}
  bool Ouvrir() override { return etape(QStringLiteral("Ouvrir"), s_.ouvrir); }
  bool EnregistrerClient() override { return etape(QStringLiteral("Client"), s_.client); }
  bool EnregistrerProduits() override { return etape(QStringLiteral("Produits"), s_.produits); }
  bool EnregistrerFacture() override { return etape(QStringLiteral("Facture"), s_.facture); }
  void Fermer(bool) override { s_.appels << QStringLiteral("Fermer"); }

 private:
  bool etape(const QString& nom, bool resultat) {
    s_.appels << nom;
    if (s_.lanceA == nom) {
      if (s_.lanceAutre) throw std::runtime_error("boom");
      throw ErreurInattendue(-2147217865, QStringLiteral("Table introuvable"));
    }
    if (!resultat) RemplacerMessage(QStringLiteral("échec ") + nom);
    return resultat;
  }
  Script& s_;
};

ServicesDocument services(Script& s) {
  ServicesDocument d;
  d.horloge = std::make_shared<testing::HorlogeFixe>(QDate(2024, 3, 5));
  auto fabrique = [&s](ComSoum& doc) -> std::unique_ptr<BackEnd> {
    ++s.fabrications;
    return std::make_unique<BackEndScripte>(doc, s);
  };
  d.acomba = fabrique;
  d.dbase = fabrique;
  return d;
}

std::shared_ptr<Client> clientValide() {
  auto c = std::make_shared<Client>();
  c->Numero(QStringLiteral("123"));
  c->Nom(QStringLiteral("Dubé"));
  return c;
}

std::shared_ptr<Item> ligneValide() {
  auto i = std::make_shared<Item>();
  i->code(QStringLiteral("A1"));
  i->Description(QStringLiteral("Article"));
  i->GroupeProduit(3);
  i->fournisseur(QStringLiteral("F1"));
  i->PosteGlVente(QStringLiteral("4000"));
  i->PosteGlAchat(QStringLiteral("1300"));
  return i;
}

// A document that passes validation under codes 1 and 2.
void remplir(ComSoum& doc, std::int32_t code) {
  doc.SystemeComptable(code);
  doc.cheminCie(QStringLiteral("/compta/cie"));
  doc.Utilisateur(QStringLiteral("paul"));
  doc.MotDePasse(QStringLiteral("secret"));
  doc.Client(clientValide());
  doc.AddItem(ligneValide());
}

TEST(ComSoumCreation, Defaults) {
  Script s;
  ComSoum doc(services(s));
  EXPECT_TRUE(doc.Soumission());
  EXPECT_EQ(doc.DocumentDate(), QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
  EXPECT_EQ(doc.Escompte(), 0.0);
  EXPECT_TRUE(doc.Message().isEmpty());
  EXPECT_EQ(s.fabrications, 0);  // creation makes no back end
}

TEST(ComSoumCreation, DefaultServicesDateTheDocumentToday) {
  ComSoum doc;
  EXPECT_EQ(doc.DocumentDate(), QDateTime(QDate::currentDate(), QTime(0, 0)));
}

TEST(ComSoumValidation, HeaderChecksAccumulateAndLinesAreNotLookedAt) {
  Script s;
  ComSoum doc(services(s));
  auto ligne = std::make_shared<Item>();
  doc.AddItem(ligne);
  auto client = std::make_shared<Client>();
  doc.Client(client);
  EXPECT_FALSE(doc.Enregistrer());
  EXPECT_EQ(doc.Message(), entete + crlf +
                               QStringLiteral("Aucun type de système comptable fourni.") + crlf +
                               QStringLiteral("Aucun chemin vers la base de donnée fournie.") +
                               crlf + QStringLiteral("Code de client obligatoire.") + crlf +
                               QStringLiteral("Nom de client obligatoire."));
  EXPECT_TRUE(ligne->Message().isEmpty());
  EXPECT_TRUE(s.appels.isEmpty());
}

TEST(ComSoumValidation, MissingCustomerMattersOnlyOutsideItemMode) {
  Script s;
  ComSoum doc(services(s));
  doc.SystemeComptable(2);
  doc.cheminCie(QStringLiteral("/cie"));
  doc.AddItem(ligneValide());
  EXPECT_FALSE(doc.Enregistrer());
  EXPECT_EQ(doc.Message(), entete + crlf + QStringLiteral("Le client n'a pas été défini!"));
  EXPECT_TRUE(s.appels.isEmpty());

  EXPECT_TRUE(doc.Enregistrer(true));
  EXPECT_EQ(s.appels, (QStringList{QStringLiteral("Ouvrir"), QStringLiteral("Produits"),
                                   QStringLiteral("Fermer")}));
}

TEST(ComSoumValidation, NoLinesReplacesTheHeading) {
  Script s;
  ComSoum doc(services(s));
  doc.SystemeComptable(1);
  doc.cheminCie(QStringLiteral("/cie"));
  doc.Client(clientValide());
  EXPECT_FALSE(doc.Enregistrer());
  EXPECT_EQ(doc.Message(), crlf + QStringLiteral("Auncune ligne de détail fournie!"));
}

TEST(ComSoumValidation, InvalidLinesGiveOneBlockEachWithTheirPositions) {
  Script s;
  ComSoum doc(services(s));
  doc.SystemeComptable(1);
  doc.cheminCie(QStringLiteral("/cie"));
  doc.Client(clientValide());
  auto sansDescription = ligneValide();
  sansDescription->Description(QString());
  auto sansGroupe = ligneValide();
  sansGroupe->GroupeProduit(0);
  doc.AddItem(sansDescription);
  doc.AddItem(ligneValide());
  doc.AddItem(sansGroupe);

  const QString attendu = entete + crlf + QStringLiteral("La ligne de détail 0") +
                          QStringLiteral(" comporte des erreurs, impossible de continuer.") + crlf +
                          QStringLiteral("La description est obligatoire.") + crlf +
                          QStringLiteral("La ligne de détail 2") +
                          QStringLiteral(" comporte des erreurs, impossible de continuer.") + crlf +
                          QStringLiteral("Le groupe de produit est obligatoire.");
  EXPECT_FALSE(doc.Enregistrer());
  EXPECT_EQ(doc.Message(), attendu);
  EXPECT_TRUE(s.appels.isEmpty());

  // The lines keep their own messages: a second run repeats them inside each block.
  EXPECT_FALSE(doc.Enregistrer());
  EXPECT_EQ(sansDescription->Message(), crlf + QStringLiteral("La description est obligatoire.") +
                                            crlf +
                                            QStringLiteral("La description est obligatoire."));
  EXPECT_TRUE(doc.Message().startsWith(entete + crlf + QStringLiteral("La ligne de détail 0")));
}

TEST(ComSoumValidation, InvalidLineHidesMissingCredentials) {
  Script s;
  ComSoum doc(services(s));
  doc.SystemeComptable(1);
  doc.cheminCie(QStringLiteral("/cie"));
  doc.Client(clientValide());
  doc.AddItem(std::make_shared<Item>());
  EXPECT_FALSE(doc.Enregistrer());
  EXPECT_FALSE(doc.Message().contains(QStringLiteral("obligatoire pour la connexion")));
  EXPECT_TRUE(doc.Message().startsWith(entete + crlf + QStringLiteral("La ligne de détail 0")));
}

TEST(ComSoumCredentials, UserThenPasswordAndOnlyForCode1) {
  struct Cas {
    QString utilisateur;
    QString motDePasse;
    QString message;
  };
  const Cas cas[] = {
      {{}, {}, QStringLiteral("Nom d'utilisateur obligatoire pour la connexion à Acomba.")},
      {{},
       QStringLiteral("x"),
       QStringLiteral("Nom d'utilisateur obligatoire pour la connexion à Acomba.")},
      {QStringLiteral("paul"),
       {},
       QStringLiteral("Mot de passe obligatoire pour la connexion à Acomba.")},
  };
  for (const Cas& c : cas) {
    Script s;
    ComSoum doc(services(s));
    remplir(doc, 1);
    doc.Utilisateur(c.utilisateur);
    doc.MotDePasse(c.motDePasse);
    EXPECT_FALSE(doc.Enregistrer());
    EXPECT_EQ(doc.Message(), c.message);
    EXPECT_EQ(s.fabrications, 0);
  }

  Script s;
  ComSoum doc(services(s));
  remplir(doc, 2);
  doc.Utilisateur(QString());
  doc.MotDePasse(QString());
  EXPECT_TRUE(doc.Enregistrer());
}

TEST(ComSoumDispatch, StepOrderPerMode) {
  for (std::int32_t code : {1, 2}) {
    Script s;
    ComSoum doc(services(s));
    remplir(doc, code);
    EXPECT_TRUE(doc.Enregistrer());
    EXPECT_EQ(s.appels, (QStringList{QStringLiteral("Ouvrir"), QStringLiteral("Client"),
                                     QStringLiteral("Produits"), QStringLiteral("Facture"),
                                     QStringLiteral("Fermer")}))
        << code;
    EXPECT_EQ(doc.Message(), entete) << code;

    s.appels.clear();
    EXPECT_TRUE(doc.Enregistrer(true));
    EXPECT_EQ(s.appels, (QStringList{QStringLiteral("Ouvrir"), QStringLiteral("Produits"),
                                     QStringLiteral("Fermer")}))
        << code;
    EXPECT_EQ(s.fabrications, 2) << code;  // a new back end for each posting
  }
}

TEST(ComSoumDispatch, OtherCodesPostNothingAndSucceed) {
  Script s;
  ComSoum doc(services(s));
  remplir(doc, 3);
  EXPECT_TRUE(doc.Enregistrer());
  EXPECT_EQ(doc.Message(), entete);
  EXPECT_EQ(s.fabrications, 0);
}

TEST(ComSoumDispatch, BackEndThatDoesNotOpenStopsEverything) {
  Script s;
  s.ouvrir = false;
  ComSoum doc(services(s));
  remplir(doc, 2);
  EXPECT_FALSE(doc.Enregistrer());
  EXPECT_EQ(doc.Message(), QStringLiteral("échec Ouvrir"));
  EXPECT_EQ(s.appels, QStringList{QStringLiteral("Ouvrir")});
}

// A failed step must never be reported as a success, and the invoice must not
// be written over a customer or product that is missing.
TEST(ComSoumDispatch, FailedStepStopsThePostingClosesAndReturnsFalse) {
  struct Cas {
    bool client, produits, facture;
    QStringList appels;
    QString message;
  };
  const QString o = QStringLiteral("Ouvrir"), c = QStringLiteral("Client"),
                p = QStringLiteral("Produits"), f = QStringLiteral("Facture"),
                fe = QStringLiteral("Fermer");
  const Cas cas[] = {
      {false, true, true, {o, c, fe}, QStringLiteral("échec Client")},
      {true, false, true, {o, c, p, fe}, QStringLiteral("échec Produits")},
      {true, true, false, {o, c, p, f, fe}, QStringLiteral("échec Facture")},
  };
  for (const Cas& k : cas) {
    Script s;
    s.client = k.client;
    s.produits = k.produits;
    s.facture = k.facture;
    ComSoum doc(services(s));
    remplir(doc, 1);
    EXPECT_FALSE(doc.Enregistrer());
    EXPECT_EQ(s.appels, k.appels);
    EXPECT_EQ(doc.Message(), k.message);
  }
}

TEST(ComSoumUnexpected, ThrownFailuresBecomeTheUnknownErrorTextWithoutClosing) {
  Script s;
  s.lanceA = QStringLiteral("Produits");
  ComSoum doc(services(s));
  remplir(doc, 2);
  EXPECT_FALSE(doc.Enregistrer());
  EXPECT_EQ(doc.Message(), QStringLiteral("Une erreur inconnue s'est produite : -2147217865") +
                               crlf + QStringLiteral("Table introuvable"));
  EXPECT_EQ(s.appels, (QStringList{QStringLiteral("Ouvrir"), QStringLiteral("Client"),
                                   QStringLiteral("Produits")}));

  Script autre;
  autre.lanceA = QStringLiteral("Facture");
  autre.lanceAutre = true;
  ComSoum doc2(services(autre));
  remplir(doc2, 1);
  EXPECT_FALSE(doc2.Enregistrer());
  EXPECT_EQ(doc2.Message(), QStringLiteral("Une erreur inconnue s'est produite : -1002") + crlf +
                                QStringLiteral("Erreur interne\u00a0: boom"));
}

// What a document says when its accounting system has no back end.
const QString indisponible =
    QStringLiteral("Une erreur inconnue s'est produite : -1001") + crlf +
    QStringLiteral("Ce système comptable n'est pas disponible dans cette version du programme.");

TEST(ComSoumUnexpected, MissingBackEndIsRefusedNeverASuccess) {
  for (std::int32_t code : {1, 2}) {
    ServicesDocument d;
    d.horloge = std::make_shared<testing::HorlogeFixe>(QDate(2024, 1, 1));
    ComSoum doc(d);
    remplir(doc, code);
    EXPECT_FALSE(doc.Enregistrer()) << code;
    EXPECT_EQ(doc.Message(), indisponible) << code;
  }
}

// The model wires no back end of its own: only the program that builds the
// services decides where a document posts.
TEST(ComSoumUnexpected, ADocumentMadeWithoutServicesPostsNowhere) {
  for (std::int32_t code : {1, 2}) {
    ComSoum doc;
    remplir(doc, code);
    EXPECT_FALSE(doc.Enregistrer()) << code;
    EXPECT_EQ(doc.Message(), indisponible) << code;
  }
}

TEST(ComSoumLines, ANullLineIsRefusedAtOnceAndLeavesTheDocumentAsItWas) {
  Script s;
  ComSoum doc(services(s));
  remplir(doc, 2);
  EXPECT_THROW(doc.AddItem(nullptr), std::invalid_argument);
  ASSERT_EQ(doc.Lignes().size(), 1U);
  EXPECT_NE(doc.Lignes()[0], nullptr);
  // The document still posts: the refused line left no hole to crash on.
  EXPECT_TRUE(doc.Enregistrer(false)) << doc.Message().toStdString();
  EXPECT_EQ(s.appels, (QStringList{QStringLiteral("Ouvrir"), QStringLiteral("Client"),
                                   QStringLiteral("Produits"), QStringLiteral("Facture"),
                                   QStringLiteral("Fermer")}));
}

TEST(ComSoumDispatch, CustomerIsPaddedAfterACode2Posting) {
  Script s;
  ComSoum doc(services(s));
  remplir(doc, 2);
  auto client = clientValide();
  doc.Client(client);
  EXPECT_TRUE(doc.Enregistrer());
  EXPECT_EQ(client->Numero(), QStringLiteral("0000000123"));
}

}  // namespace
}  // namespace brivane
