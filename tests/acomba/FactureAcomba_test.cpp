#include "acomba/BancAcomba.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <limits>

namespace brivane::testing {
namespace {

struct CasTaxes {
  const char* nom;
  double quantite;
  double cout;
  bool federal;
  bool provincial;
  const char* montantFederal;
  const char* montantProvincial;
};

class TaxesTest : public BackEndAcombaTest, public ::testing::WithParamInterface<CasTaxes> {};

TEST_P(TaxesTest, amountsComeFromTheTaxableTotals) {
  const CasTaxes& cas = GetParam();
  vis->Quantite(cas.quantite);
  vis->Cout(cas.cout);
  vis->TaxableFederal(cas.federal);
  vis->TaxableProvincial(cas.provincial);
  sdk.Valeurs("taxe.Taux[1]", {500, 950});
  ASSERT_TRUE(Enregistrer());
  EXPECT_EQ(sdk.Filtre("transaction.Montant"),
            (QStringList{"transaction.Montant[2]=" + QString::fromLatin1(cas.montantFederal),
                         "transaction.Montant[3]=" + QString::fromLatin1(cas.montantProvincial)}));
}

INSTANTIATE_TEST_SUITE_P(Cas, TaxesTest,
                         ::testing::Values(CasTaxes{"lesDeux", 2, 10, true, true, "1", "1.9"},
                                           CasTaxes{"federalSeul", 2, 10, true, false, "1", "0"},
                                           CasTaxes{"provincialSeul", 2, 10, false, true, "0",
                                                    "1.9"},
                                           CasTaxes{"aucune", 2, 10, false, false, "0", "0"}),
                         NomCas);

TEST_F(BackEndAcombaTest, taxTotalsAddEveryTaxableLine) {
  auto b = Ligne("B", "b", 3, 10);
  b->TaxableProvincial(false);
  doc->AddItem(b);
  sdk.Valeurs("taxe.Taux[1]", {1000, 1000});
  ASSERT_TRUE(Enregistrer());
  // Federal: 5 + 30; provincial: 5.
  EXPECT_EQ(sdk.Filtre("transaction.Montant"),
            (QStringList{"transaction.Montant[3]=3.5", "transaction.Montant[4]=0.5"}));
}

TEST_F(BackEndAcombaTest, productNotFoundLeavesTheLineWithoutReference) {
  sdk.Statuts("produit.Trouver", {0, 10});  // product step, then invoice step
  sdk.Valeurs("produit.NoGroupe", {4});
  ASSERT_TRUE(Enregistrer());
  EXPECT_EQ(sdk.Filtre("transaction.ReferenceArticle[1]").size(), 0);
  EXPECT_TRUE(sdk.Contient("transaction.GroupeLigne[1]=4"));
}

TEST_F(BackEndAcombaTest, taxNotFoundKeepsTypeNumberAndCode) {
  sdk.Statuts("taxe.Trouver", {10, 0});
  ASSERT_TRUE(Enregistrer());
  QStringList federale;
  for (const QString& e : sdk.Filtre("transaction.")) {
    if (e.contains("[2]")) {
      federale << e;
    }
  }
  EXPECT_EQ(federale, (QStringList{"transaction.TypeLigne[2]=8", "transaction.NumeroLigne[2]=991",
                                   "transaction.CodeArticle[2]=T.P.S. 100%"}));
  EXPECT_TRUE(sdk.Contient("transaction.Montant[3]=0"));
}

struct CasVendeur {
  const char* nom;
  const char* vendeur;
  std::int32_t charges;
  std::int32_t statutPlage;
  bool ecrit;
};

class VendeurTest : public BackEndAcombaTest, public ::testing::WithParamInterface<CasVendeur> {};

TEST_P(VendeurTest, salesRepMatchesOnUpperCasedCode) {
  const CasVendeur& cas = GetParam();
  auto c = ClientExemple();
  c->Vendeur(QString::fromLatin1(cas.vendeur));
  doc->Client(c);
  sdk.Valeurs("vendeur.NombreEnregistrements", {2});
  sdk.Valeurs("vendeur.NombreCharges", {cas.charges});
  sdk.Statuts("vendeur.ChargerPlage", {cas.statutPlage});
  sdk.Valeurs("vendeur.Code", {"JD", "ML"});
  sdk.Valeurs("vendeur.Numero", {8});
  ASSERT_TRUE(Enregistrer());
  EXPECT_EQ(sdk.Contient("transaction.NoVendeur=8"), cas.ecrit);
  EXPECT_EQ(sdk.Filtre("transaction.NoVendeur").size(), cas.ecrit ? 1 : 0);
  EXPECT_EQ(sdk.Filtre("vendeur.Selectionner").isEmpty(), cas.charges == 0 || cas.statutPlage != 0);
}

INSTANTIATE_TEST_SUITE_P(Cas, VendeurTest,
                         ::testing::Values(CasVendeur{"memeCasse", "ML", 2, 0, true},
                                           CasVendeur{"minuscules", "ml", 2, 0, true},
                                           CasVendeur{"blancFinal", "ml ", 2, 0, false},
                                           CasVendeur{"inconnu", "ZZ", 2, 0, false},
                                           CasVendeur{"rienCharge", "ML", 0, 0, false},
                                           CasVendeur{"plageRefusee", "ML", 2, 14, false}),
                         NomCas);

struct EchecFacture {
  const char* nom;
  const char* cle;
  std::int32_t statut;
  const char* apres;  // calls on the transaction after the failing one
};

class EchecFactureTest : public BackEndAcombaTest,
                         public ::testing::WithParamInterface<EchecFacture> {};

// Before, these were reported as a success while no invoice existed.
TEST_P(EchecFactureTest, invoiceFailureIsReportedWithTheSdkMessage) {
  const EchecFacture& cas = GetParam();
  sdk.Statuts(QString::fromLatin1(cas.cle), {cas.statut});
  EXPECT_FALSE(Enregistrer());
  // Past the pre-check, the customer was written: the message says so.
  const QString ecrit = cas.statut == 21 ? QString()
                                         : kCrLf +
                                               "Déjà écrit dans la compagnie : le client « "
                                               "C0042 » (mis à jour). La facture n'a pas été "
                                               "écrite.";
  EXPECT_EQ(doc->Message(), QStringLiteral("%1 texte de %1").arg(cas.statut) + ecrit);
  EXPECT_TRUE(Ferme());
  const auto echec =
      sdk.journal.indexOf(QRegularExpression(QString::fromLatin1(cas.cle) + "\\(.*"));
  ASSERT_GE(echec, 0);
  QStringList apres;
  for (const QString& e : sdk.journal.mid(echec + 1)) {
    if (e.startsWith("transaction.")) {
      apres << e;
    }
  }
  EXPECT_EQ(apres.join(u'|'), QString::fromLatin1(cas.apres));
}

INSTANTIATE_TEST_SUITE_P(
    Lignes, EchecFactureTest,
    ::testing::Values(EchecFacture{"preVerification", "preverif.LireAPosition", 21, ""},
                      EchecFacture{"reserveNouveau", "transaction.ReserverNouveau", 22, ""},
                      EchecFacture{"ajout", "transaction.Ajouter", 23,
                                   "transaction.AnnulerNouveau()"}),
    NomCas);

TEST_F(BackEndAcombaTest, failedPreCheckWritesNothing) {
  sdk.Statuts("preverif.LireAPosition", {21});
  EXPECT_FALSE(Enregistrer());
  EXPECT_EQ(sdk.Filtre("transaction."), QStringList{});
  EXPECT_FALSE(Cree("client"));
}

// ---- Unexpected failures ---------------------------------------------------

TEST_F(BackEndAcombaTest, failedCallEndsThePostingWithoutClosing) {
  for (const char* cle : {"session.OuvrirCompagnie", "client.Ajouter", "produit.Trouver",
                          "transaction.Ajouter", "session.FermerCompagnie"}) {
    SCOPED_TRACE(cle);
    sdk.journal.clear();
    sdk.echecs = {QString::fromLatin1(cle)};
    sdk.Statuts("client.Trouver", {10});
    EXPECT_FALSE(Enregistrer());
    EXPECT_EQ(doc->Message(), "Une erreur inconnue s'est produite : -2147023174" + kCrLf +
                                  "Serveur RPC indisponible.");
    EXPECT_TRUE(sdk.journal.last().startsWith(QString::fromLatin1(cle)));
    if (QString::fromLatin1(cle) != "session.FermerCompagnie") {
      EXPECT_FALSE(Ferme());
    }
  }
}

// Only the SDK's invalid-argument answer to the last line number is its line
// limit: another failure there is unexpected, as anywhere else.
TEST_F(BackEndAcombaTest, failedLineLimitProbeIsAnUnexpectedFailureNotALimit) {
  sdk.echecs = {QStringLiteral("transaction.NumeroLigne")};
  EXPECT_FALSE(Enregistrer());
  EXPECT_EQ(doc->Message(), "Une erreur inconnue s'est produite : -2147023174" + kCrLf +
                                "Serveur RPC indisponible.");
  EXPECT_FALSE(Cree("client"));
  EXPECT_FALSE(Ferme());
}

// An installed SDK keeps no record of imports: an import that demands one is
// refused with nothing written; one that does not posts as always.
TEST_F(BackEndAcombaTest, aRecordDemandedOfAnSdkWithoutOneRefusesBeforeAnyWrite) {
  doc->Importation({QStringLiteral("ab12"), QStringLiteral("poste-1"), 3, true, true});
  EXPECT_FALSE(Enregistrer());
  EXPECT_TRUE(doc->SansRegistre());
  EXPECT_EQ(doc->Message(), QStringLiteral("Ce système comptable ne tient pas de registre des "
                                           "importations. Rien n'a été écrit."));
  EXPECT_FALSE(Cree("client"));
  EXPECT_TRUE(Ferme());

  doc->Importation({QStringLiteral("ab12"), QStringLiteral("poste-1"), 3, true, false});
  EXPECT_TRUE(Enregistrer()) << doc->Message().toStdString();
  EXPECT_FALSE(doc->SansRegistre());
  EXPECT_TRUE(FactureAjoutee());
}

TEST_F(BackEndAcombaTest, classNotProvidedIsAnUnexpectedFailure) {
  sdk.classesAbsentes = {acomba::identifiants::kTaxe.classe};
  EXPECT_FALSE(Enregistrer());
  EXPECT_EQ(doc->Message(),
            "Une erreur inconnue s'est produite : -2147221164" + kCrLf + "Classe non enregistrée.");
  EXPECT_FALSE(FactureAjoutee());
}

TEST_F(BackEndAcombaTest, taxTotalOverflowFailsBeforeAnythingIsAdded) {
  const double grand = std::numeric_limits<double>::max();
  vis->Quantite(grand);
  vis->Cout(2);
  EXPECT_FALSE(Enregistrer());
  EXPECT_EQ(doc->Message(),
            "Une erreur inconnue s'est produite : 6" + kCrLf + "Dépassement de capacité.");
  EXPECT_FALSE(FactureAjoutee());
  EXPECT_FALSE(sdk.Contient("transaction.ReserverNouveau()"));
}

TEST_F(BackEndAcombaTest, identifiersKeepTheirRegistryForm) {
  EXPECT_EQ(acomba::TexteIdentifiant(acomba::identifiants::kSession.classe),
            "{00000072-0000-000F-1000-000AC0BA1001}");
  EXPECT_EQ(acomba::TexteIdentifiant(acomba::identifiants::kPreVerification.interface_),
            "{000000CD-0000-000F-1000-000AC0BA1001}");
}

}  // namespace
}  // namespace brivane::testing
