#include "acomba/BancAcomba.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <limits>

namespace brivane::testing {
namespace {

TEST_F(BackEndAcombaTest, postingWritesEverythingInOrder) {
  sdk.Valeurs("demarrage.ValeurDemarrage", {42});
  sdk.Valeurs("utilisateur.Numero", {7});
  sdk.Valeurs("client.NumeroClient", {"C0042"});
  sdk.Valeurs("client.Position", {31});
  sdk.Valeurs("produit.Position", {310});
  sdk.Valeurs("produit.NoGroupe", {5});
  sdk.Valeurs("taxe.Reference", {11, 12});
  sdk.Valeurs("taxe.ValeurTaxe", {1, 2});
  sdk.Valeurs("taxe.Taux[1]", {500, 1000});
  sdk.Valeurs("vendeur.NombreEnregistrements", {2});
  sdk.Valeurs("vendeur.NombreCharges", {2});
  sdk.Valeurs("vendeur.Code", {"AB", "ml"});
  sdk.Valeurs("vendeur.Numero", {23});
  sdk.Valeurs("transaction.TypeTransaction", {4});
  sdk.Valeurs("transaction.Source2", {3});
  sdk.Valeurs("transaction.Source3", {"000017"});

  ASSERT_TRUE(Enregistrer());
  EXPECT_EQ(doc->Message(), kEntete);
  const QStringList attendu{
      // Session
      "creer session", "creer demarrage", "creer utilisateur", "demarrage.ValeurDemarrage?",
      "demarrage.Demarrer(42)", "session.VerifierCompagnie(/cie)",
      "session.OuvrirCompagnie(/opt/compta,/cie)", "utilisateur.CleRecherche=marie",
      "utilisateur.Trouver(1,false)", "utilisateur.Numero?", "session.Connecter(7,Secret-1)",
      // Before anything is written: company ready, line limit, sales rep, products
      "creer preverif", "preverif.LireAPosition(1)", "creer transaction",
      "transaction.NumeroLigne[3]=992", "creer vendeur", "vendeur.NombreEnregistrements?",
      "vendeur.ChargerPlage(1,2)", "vendeur.NombreCharges?", "vendeur.NombreEnregistrements?",
      "vendeur.Selectionner=1", "vendeur.Code?", "vendeur.Selectionner=2", "vendeur.Code?",
      "vendeur.Numero?", "creer produit", "produit.Liberer()", "produit.CleRecherche=VIS-10",
      "produit.Trouver(1,false)",
      // Customer, update path
      "creer client", "client.Vider()", "client.CleRecherche=C0042", "client.Trouver(1,true)",
      "client.NumeroClient?", "client.Position?", "client.Reserver(31)", "client.Constante1=1",
      "client.Nom=Atelier Nord", "client.Adresse=12 rue Haute", "client.Ville=Villeneuve",
      "client.Courriel[1]=", "client.Constante2=12", "client.Telephone[1]=8195550101",
      "client.Telephone[2]=8195550102", "client.CodePostal=G8T1A1", "client.Province=QC",
      "client.AuSoinDe=", "client.Pays=Ca", "client.Modifier(true)",
      // Products: it exists
      "creer produit", "produit.Liberer()", "produit.CleRecherche=VIS-10",
      "produit.Trouver(1,false)",
      // Invoice
      "transaction.Reinitialiser()", "creer preverif", "preverif.LireAPosition(1)",
      "transaction.TypeTransaction=4", "transaction.ConstanteEntete1=1",
      "transaction.ConstanteEntete2=1", "transaction.NumeroClient=C0042",
      "transaction.NombreLignes=3", "transaction.TypeLigne[1]=4", "transaction.NumeroLigne[1]=1",
      "creer produit", "produit.Liberer()", "produit.CleRecherche=VIS-10",
      "produit.Trouver(1,true)", "produit.Position?", "transaction.ReferenceArticle[1]=310",
      "transaction.CodeArticle[1]=VIS-10", "transaction.DescriptionLigne[1]=Vis 10 mm",
      "transaction.PrixUnitaire[1]=0.05", "transaction.Quantite[1]=100", "produit.NoGroupe?",
      "transaction.GroupeLigne[1]=5",
      // Federal tax line
      "creer taxe", "taxe.Vider()", "transaction.TypeLigne[2]=8", "transaction.NumeroLigne[2]=991",
      "transaction.CodeArticle[2]=T.P.S. 100%", "taxe.CleRecherche=T.P.S. 100%",
      "taxe.Trouver(1,true)", "taxe.Reference?", "transaction.ReferenceArticle[2]=11",
      "taxe.ValeurTaxe?", "transaction.TaxeLigne[2]=1", "taxe.Taux[1]?",
      "transaction.Montant[2]=0.25",
      // Provincial tax line
      "taxe.Vider()", "transaction.TypeLigne[3]=8", "transaction.NumeroLigne[3]=992",
      "transaction.CodeArticle[3]=T.V.Q. 100%", "taxe.CleRecherche=T.V.Q. 100%",
      "taxe.Trouver(1,true)", "taxe.Reference?", "transaction.ReferenceArticle[3]=12",
      "taxe.ValeurTaxe?", "transaction.TaxeLigne[3]=2", "taxe.Taux[1]?",
      "transaction.Montant[3]=0.5",
      // Addresses and conditions
      "transaction.NomFacturation=Atelier Nord",
      "transaction.AuSoinDeFacturation=", "transaction.AdresseFacturation=12 rue Haute",
      "transaction.VilleFacturation=Villeneuve", "transaction.CodePostalFacturation=G8T1A1",
      "transaction.PaysFacturation=ca", "transaction.NomLivraison=Atelier Nord, entrepot",
      "transaction.AuSoinDeLivraison=", "transaction.AdresseLivraison=40 rue Basse",
      "transaction.VilleLivraison=Villeneuve", "transaction.CodePostalLivraison=G9A2G4",
      "transaction.PaysLivraison=ca", "transaction.Conditions=Net 30",
      // Sales rep, found before
      "transaction.NoVendeur=23",
      // Mirrors, reserve, add
      "transaction.TypeTransaction?", "transaction.Miroir1=4", "transaction.Source2?",
      "transaction.Miroir2=3", "transaction.ReserverNouveau()", "transaction.Source3?",
      "transaction.Miroir3=000017", "transaction.Ajouter()",
      // The number the company kept
      "transaction.Source3?",
      // Close
      "session.FermerCompagnie()"};
  EXPECT_EQ(sdk.journal, attendu);
}

// ---- Session -------------------------------------------------------------

struct EchecOuverture {
  const char* nom;
  const char* cle;  // the scripted answer
  std::int32_t statut;
  const char* message;
  bool connecte;  // log in attempted
  bool fermee;    // the company that was opened is let go
};

class OuvertureTest : public BackEndAcombaTest,
                      public ::testing::WithParamInterface<EchecOuverture> {};

TEST_P(OuvertureTest, failingStepStopsTheOpeningWithItsMessage) {
  const EchecOuverture& cas = GetParam();
  sdk.Statuts(QString::fromLatin1(cas.cle), {cas.statut});
  EXPECT_FALSE(Enregistrer());
  EXPECT_EQ(doc->Message(), QString::fromUtf8(cas.message));
  EXPECT_EQ(!sdk.Filtre("session.Connecter").isEmpty(), cas.connecte);
  EXPECT_EQ(Ferme(), cas.fermee);
  EXPECT_FALSE(Cree("client"));
  EXPECT_FALSE(Cree("produit"));
}

INSTANTIATE_TEST_SUITE_P(
    Lignes, OuvertureTest,
    ::testing::Values(
        EchecOuverture{"demarrage", "demarrage.Demarrer", 3,
                       "Impossible de se connecter à la base de donnée.", false, false},
        EchecOuverture{"verification", "session.VerifierCompagnie", 0, "0 texte de 0", false,
                       false},
        EchecOuverture{"ouverture", "session.OuvrirCompagnie", 44, "44 texte de 44", false, false},
        EchecOuverture{"utilisateurInconnu", "utilisateur.Trouver", 10, "10 texte de 10", false,
                       true},
        EchecOuverture{"motDePasse", "session.Connecter", -5, "-5 texte de -5", true, true}),
    NomCas);

TEST_F(BackEndAcombaTest, closeStatusIsNotReported) {
  sdk.Statuts("session.FermerCompagnie", {99});
  EXPECT_TRUE(Enregistrer());
  EXPECT_EQ(doc->Message(), kEntete);
  EXPECT_EQ(sdk.Filtre("session.TexteErreur").size(), 0);
}

// ---- Customer ------------------------------------------------------------

struct CasRecherche {
  const char* nom;
  std::int32_t statut;
  const char* numeroLu;
  bool ajout;
};

class RechercheClientTest : public BackEndAcombaTest,
                            public ::testing::WithParamInterface<CasRecherche> {};

TEST_P(RechercheClientTest, findOutcomeChoosesAddOrUpdate) {
  const CasRecherche& cas = GetParam();
  sdk.Statuts("client.Trouver", {cas.statut});
  sdk.Valeurs("client.NumeroClient", {QString::fromLatin1(cas.numeroLu)});
  sdk.Valeurs("client.Position", {8});
  ASSERT_TRUE(Enregistrer());
  const QStringList client = sdk.Filtre("client.");
  const auto debut = client.indexOf("client.NumeroClient?") + 1;
  QStringList suite = client.mid(debut);
  const QStringList champs{"client.Constante1=1",
                           "client.Nom=Atelier Nord",
                           "client.Adresse=12 rue Haute",
                           "client.Ville=Villeneuve",
                           "client.Courriel[1]=",
                           "client.Constante2=12",
                           "client.Telephone[1]=8195550101",
                           "client.Telephone[2]=8195550102",
                           "client.CodePostal=G8T1A1",
                           "client.Province=QC",
                           "client.AuSoinDe=",
                           "client.Pays=Ca"};
  QStringList attendu;
  if (cas.ajout) {
    attendu << "client.Liberer()"
            << "client.CleRecherche=C0042"
            << "client.NumeroClient=C0042"
            << "client.Constante3=2400"
            << "client.ReserverNouveau()" << champs << "client.Ajouter()";
  } else {
    attendu << "client.Position?"
            << "client.Reserver(8)" << champs << "client.Modifier(true)";
  }
  EXPECT_EQ(suite, attendu);
}

INSTANTIATE_TEST_SUITE_P(Cas, RechercheClientTest,
                         ::testing::Values(CasRecherche{"trouve", 0, "C0042", false},
                                           CasRecherche{"absent", 10, "", true},
                                           CasRecherche{"absentSuivantDifferent", 10, "C0050",
                                                        true},
                                           CasRecherche{"absentMaisMemeNumero", 10, "C0042", false},
                                           CasRecherche{"casseDifferente", 10, "c0042", true},
                                           CasRecherche{"autreStatut", 3, "", false}),
                         NomCas);

// Only the product step's calls: those after the customer's step (or the
// opening, when products are posted alone) and before the invoice's reset.
QStringList EtapeProduits(const ScriptSdk& sdk) {
  QStringList resultat;
  bool dedans = !sdk.Contient(QStringLiteral("creer client"));
  for (const QString& e : sdk.journal) {
    if (e == "transaction.Reinitialiser()") {
      break;
    }
    if (e == "client.Modifier(true)" || e == "client.Ajouter()") {
      dedans = true;
    } else if (dedans && (e.startsWith("produit.") || e.startsWith("groupe."))) {
      resultat << e;
    }
  }
  return resultat;
}

struct EchecClient {
  const char* nom;
  std::int32_t trouve;
  const char* cle;
  std::int32_t statut;
  const char* message;
  const char* apres;  // the call that follows the failure, or ""
};

class EchecClientTest : public BackEndAcombaTest,
                        public ::testing::WithParamInterface<EchecClient> {};

// The invoice would name a customer that is not there: nothing after the
// customer runs, the session is closed, and the reason is shown. A failed
// add looks the customer up once more, in case another import added it.
TEST_P(EchecClientTest, failureStopsThePostingBeforeProductsAndInvoice) {
  const EchecClient& cas = GetParam();
  sdk.Statuts("client.Trouver", {cas.trouve});
  sdk.Statuts(QString::fromLatin1(cas.cle), {cas.statut});
  EXPECT_FALSE(Enregistrer());
  EXPECT_EQ(doc->Message(), QString::fromUtf8(cas.message));
  EXPECT_EQ(EtapeProduits(sdk), QStringList{});
  EXPECT_FALSE(FactureAjoutee());
  EXPECT_TRUE(Ferme());
  const QStringList client = sdk.Filtre("client.");
  const auto echec = client.indexOf(QRegularExpression(QString::fromLatin1(cas.cle) + "\\(.*"));
  ASSERT_GE(echec, 0);
  EXPECT_EQ(client.mid(echec + 1).join(u'|'), QString::fromLatin1(cas.apres));
}

INSTANTIATE_TEST_SUITE_P(
    Lignes, EchecClientTest,
    ::testing::Values(EchecClient{"reserveNouveau", 10, "client.ReserverNouveau", 7, "7 texte de 7",
                                  "client.Liberer()|client.CleRecherche=C0042|"
                                  "client.Trouver(1,true)"},
                      EchecClient{"ajout", 10, "client.Ajouter", 8,
                                  "Erreur d'insertion du client.\r\n8 texte de 8",
                                  "client.AnnulerNouveau()|client.Liberer()|client.CleRecherche="
                                  "C0042|client.Trouver(1,true)"},
                      EchecClient{"reserve", 0, "client.Reserver", 9, "9 texte de 9", ""},
                      EchecClient{"modification", 0, "client.Modifier", 4,
                                  "Erreur d'insertion du client.\r\n4 texte de 4",
                                  "client.Liberer()"}),
    NomCas);

TEST_F(BackEndAcombaTest, emptyContactFieldsOverwriteWithEmptyTexts) {
  auto c = ClientExemple();
  c->NoFax(QString());
  c->pays(QString());
  c->Courriel(QString());
  doc->Client(c);
  ASSERT_TRUE(Enregistrer());
  EXPECT_TRUE(sdk.Contient("client.Telephone[2]="));
  EXPECT_TRUE(sdk.Contient("client.Pays="));
  EXPECT_TRUE(sdk.Contient("client.Courriel[1]="));
}

// ---- Products ------------------------------------------------------------

QStringList AjoutProduit(const QString& code, std::int32_t groupe, const QString& description,
                         const QString& prix, const QString& format) {
  return {"produit.Liberer()",
          "produit.CleRecherche=" + code,
          "produit.Trouver(1,false)",
          "produit.Liberer()",
          "produit.CleRecherche=" + code,
          "produit.ReserverNouveau()",
          "produit.NumeroProduit=" + code,
          "groupe.CleRecherche=" + QString::number(groupe),
          "groupe.Trouver(1,false)",
          "groupe.NoGroupe?",
          "produit.NoGroupe=" + QString::number(groupe),
          "produit.Constante1=1",
          "produit.Description[1]=" + description,
          "produit.Localisation=A-1",
          "produit.SousGroupe=Mat",
          "produit.Prix[0]=" + prix,
          "produit.Prix[1]=" + prix,
          "produit.Format=" + format,
          "produit.Ajouter()"};
}

TEST_F(BackEndAcombaTest, missingProductsAreAddedEachWithItsOwnFormat) {
  auto info = Ligne("INFO", "Frais de transport", 1, 25, 7);
  info->Format("Forfait");
  doc->AddItem(info);
  sdk.Statuts("produit.Trouver", {10, 10, 10, 10, 0});  // checked before writing, then posted
  sdk.Valeurs("groupe.NoGroupe", {5, 7});
  ASSERT_TRUE(Enregistrer());
  EXPECT_EQ(EtapeProduits(sdk), AjoutProduit("VIS-10", 5, "Vis 10 mm", "0.05", "Unité") +
                                    AjoutProduit("INFO", 7, "Frais de transport", "25", "Forfait"));
}

TEST_F(BackEndAcombaTest, productsThatExistAreLeftAlone) {
  doc->AddItem(Ligne("INFO", "Frais de transport", 1, 25));
  // Found, then an answer other than 10; checked before writing, then posted.
  sdk.Statuts("produit.Trouver", {0, 3, 0, 3});
  ASSERT_TRUE(Enregistrer());
  EXPECT_EQ(
      EtapeProduits(sdk),
      (QStringList{"produit.Liberer()", "produit.CleRecherche=VIS-10", "produit.Trouver(1,false)",
                   "produit.Liberer()", "produit.CleRecherche=INFO", "produit.Trouver(1,false)"}));
  EXPECT_FALSE(Cree("groupe"));
}

TEST_F(BackEndAcombaTest, sameNewCodeTwiceIsAddedOnce) {
  doc->AddItem(Ligne("VIS-10", "Vis 10 mm", 5, 0.05));
  sdk.Statuts("produit.Trouver", {10, 10, 0});  // checked once before writing, then posted
  ASSERT_TRUE(Enregistrer());
  EXPECT_EQ(EtapeProduits(sdk).count("produit.Ajouter()"), 1);
}

// A new product whose group the company lacks: an invoice is refused before
// its customer is written; products posted alone stop at that line.
TEST_F(BackEndAcombaTest, missingGroupStopsTheLinesAndTheInvoice) {
  doc->AddItem(Ligne("NEUF", "Neuf", 1, 1, 99));
  doc->AddItem(Ligne("APRES", "Après", 1, 1));
  sdk.Statuts("produit.Trouver", {0, 10, 10});
  sdk.Statuts("groupe.Trouver", {10});
  EXPECT_FALSE(Enregistrer());
  EXPECT_EQ(doc->Message(), "code de groupe de produit non trouvé");
  EXPECT_FALSE(Cree("client"));
  EXPECT_FALSE(sdk.Contient("produit.ReserverNouveau()"));
  EXPECT_FALSE(sdk.Contient("produit.CleRecherche=APRES"));
  EXPECT_FALSE(FactureAjoutee());
  EXPECT_TRUE(Ferme());

  sdk.journal.clear();
  sdk.Statuts("produit.Trouver", {0, 10, 10});
  doc->Client(nullptr);
  EXPECT_FALSE(Enregistrer(true));
  EXPECT_EQ(doc->Message(), "code de groupe de produit non trouvé");
  const QStringList produits = EtapeProduits(sdk);
  EXPECT_EQ(produits.mid(produits.size() - 3),
            (QStringList{"groupe.CleRecherche=99", "groupe.Trouver(1,false)",
                         "produit.AnnulerNouveau()"}));
  EXPECT_FALSE(produits.contains("produit.CleRecherche=APRES"));
}

TEST_F(BackEndAcombaTest, failedAddGoesOnAndNamesTheLastFailingCode) {
  doc->AddItem(Ligne("B", "b", 1, 1));
  doc->AddItem(Ligne("C", "c", 1, 1));
  sdk.Statuts("produit.Trouver", {10});
  sdk.Statuts("produit.Ajouter", {12, 0, 13});
  EXPECT_FALSE(Enregistrer());
  // What was written before the failure is named, and the invoice's absence.
  EXPECT_EQ(doc->Message(), "Erreur d'insertion du produit C" + kCrLf + "texte de 13" + kCrLf +
                                "Déjà écrit dans la compagnie : le client « C0042 » (mis à jour), "
                                "1 produit(s) ajouté(s). La facture n'a pas été écrite.");
  const QStringList produits = EtapeProduits(sdk);
  EXPECT_EQ(produits.count("produit.Ajouter()"), 3);
  EXPECT_EQ(produits.count("produit.AnnulerNouveau()"), 2);
  EXPECT_FALSE(FactureAjoutee());
  EXPECT_TRUE(Ferme());
}

TEST_F(BackEndAcombaTest, productsOnlyModeOpensPostsProductsAndCloses) {
  sdk.Statuts("produit.Trouver", {10});
  doc->Client(nullptr);
  ASSERT_TRUE(Enregistrer(true));
  EXPECT_FALSE(Cree("client"));
  EXPECT_FALSE(Cree("transaction"));
  EXPECT_TRUE(sdk.Contient("produit.Ajouter()"));
  EXPECT_EQ(sdk.journal.last(), "session.FermerCompagnie()");
}

TEST_F(BackEndAcombaTest, productsOnlyModeFailsWhenAProductIsNotAdded) {
  sdk.Statuts("produit.Trouver", {10});
  sdk.Statuts("produit.Ajouter", {5});
  EXPECT_FALSE(Enregistrer(true));
  EXPECT_EQ(doc->Message(), "Erreur d'insertion du produit VIS-10" + kCrLf + "texte de 5");
  EXPECT_TRUE(Ferme());
}

// ---- Invoice -------------------------------------------------------------

TEST_F(BackEndAcombaTest, threeLinesDeclareFiveTransactionLines) {
  doc->AddItem(Ligne("B", "b", 1, 1));
  doc->AddItem(Ligne("C", "c", 1, 1));
  ASSERT_TRUE(Enregistrer());
  EXPECT_TRUE(sdk.Contient("transaction.NombreLignes=5"));
  // The last line is tried before anything is written, then every line written.
  EXPECT_EQ(sdk.Filtre("transaction.NumeroLigne"),
            (QStringList{"transaction.NumeroLigne[5]=992", "transaction.NumeroLigne[1]=1",
                         "transaction.NumeroLigne[2]=2", "transaction.NumeroLigne[3]=3",
                         "transaction.NumeroLigne[4]=991", "transaction.NumeroLigne[5]=992"}));
}

TEST_F(BackEndAcombaTest, typesFollowSoumissionAndTaxLinesStayEight) {
  for (const bool soumission : {true, false}) {
    sdk.journal.clear();
    doc->Soumission(soumission);
    ASSERT_TRUE(Enregistrer());
    const QString t = soumission ? "4" : "2";
    EXPECT_EQ(sdk.Filtre("transaction.TypeTransaction="),
              QStringList{"transaction.TypeTransaction=" + t});
    EXPECT_EQ(sdk.Filtre("transaction.TypeLigne"),
              (QStringList{"transaction.TypeLigne[1]=" + t, "transaction.TypeLigne[2]=8",
                           "transaction.TypeLigne[3]=8"}));
  }
}

}  // namespace
}  // namespace brivane::testing
