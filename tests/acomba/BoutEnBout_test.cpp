// A sales document posted through Enregistrer into a demo company of the
// built-in provider, then read back from the company.
#include "acomba/DocumentExemple.h"
#include "company/BaseCompagnie.h"
#include "company/CompagnieDemo.h"
#include "company/FabriqueParDefaut.h"
#include "company/InventaireCompagnie.h"
#include "support/QStringPrinter.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace brivane::testing {
namespace {

using company::InventaireCompagnie;

class BoutEnBoutTest : public ::testing::Test {
 protected:
  BoutEnBoutTest() {
    company::CompagnieDemo::Creer(dossier_.path(), QStringLiteral("marie"),
                                  QStringLiteral("Secret-1"));
  }

  // The sample invoice: 100 screws at 0.05 (group 2) and a transport fee of
  // 25 (group 4), both taxable.
  std::unique_ptr<ComSoum> Facture(std::int32_t groupeTransport = 4) const {
    auto doc = DocumentExemple(company::FabriqueParDefaut(), dossier_.path());
    doc->AddItem(Ligne(QStringLiteral("VIS-10"), QStringLiteral("Vis 10 mm"), 100, 0.05, 2));
    doc->AddItem(Ligne(QStringLiteral("INFO"), QStringLiteral("Frais de transport"), 1, 25,
                       groupeTransport));
    return doc;
  }

  InventaireCompagnie Contenu() const { return InventaireCompagnie::Lire(dossier_.path()); }

  QTemporaryDir dossier_;
};

TEST_F(BoutEnBoutTest, invoiceIsPostedWithCustomerProductsLinesAndTaxes) {
  auto doc = Facture();
  ASSERT_TRUE(doc->Enregistrer()) << doc->Message().toStdString();

  const InventaireCompagnie inv = Contenu();
  ASSERT_EQ(inv.clients.size(), 1U);
  EXPECT_EQ(inv.clients[0].numero, QStringLiteral("C0042"));
  EXPECT_EQ(inv.clients[0].nom, QStringLiteral("Atelier Nord"));
  EXPECT_EQ(inv.clients[0].telephone, QStringLiteral("8195550101"));
  EXPECT_EQ(inv.clients[0].pays, QStringLiteral("Ca"));

  ASSERT_EQ(inv.produits.size(), 2U);
  EXPECT_EQ(inv.produits[0].numero, QStringLiteral("VIS-10"));
  EXPECT_EQ(inv.produits[0].groupe, 2);
  EXPECT_DOUBLE_EQ(inv.produits[0].prix, 0.05);
  EXPECT_EQ(inv.produits[1].numero, QStringLiteral("INFO"));
  EXPECT_EQ(inv.produits[1].groupe, 4);

  ASSERT_EQ(inv.transactions.size(), 1U);
  const auto& t = inv.transactions[0];
  EXPECT_EQ(t.type, 4);
  EXPECT_EQ(t.client, QStringLiteral("C0042"));
  EXPECT_EQ(t.nombreLignes, 4);
  EXPECT_EQ(t.codeVendeur, QStringLiteral("ML"));
  EXPECT_EQ(t.nomLivraison, QStringLiteral("Atelier Nord, entrepot"));
  EXPECT_EQ(t.paysFacturation, QStringLiteral("ca"));
  EXPECT_EQ(t.miroir3, t.numero);
  ASSERT_EQ(t.lignes.size(), 4U);
  EXPECT_EQ(t.lignes[0].code.toString(), QStringLiteral("VIS-10"));
  EXPECT_DOUBLE_EQ(t.lignes[0].quantite.toDouble(), 100);
  EXPECT_EQ(t.lignes[0].groupe.toInt(), 2);
  EXPECT_FALSE(t.lignes[0].reference.isNull());
  EXPECT_EQ(t.lignes[2].numeroLigne.toInt(), 991);
  EXPECT_NEAR(t.lignes[2].montant.toDouble(), 1.5, 1e-9);  // 5 % of 30
  EXPECT_EQ(t.lignes[3].numeroLigne.toInt(), 992);
  EXPECT_NEAR(t.lignes[3].montant.toDouble(), 2.85, 1e-9);  // 9.5 % of 30
  EXPECT_TRUE(t.lignes[3].description.isNull());

  const QString texte = inv.Decrire();
  EXPECT_TRUE(texte.contains(QStringLiteral("Factures (1)")));
  EXPECT_TRUE(texte.contains(QStringLiteral("taxe T.V.Q. 100% (992)")));
}

// The first file names a product group the company lacks: refused before
// anything is written. Once corrected, the second import posts it whole.
TEST_F(BoutEnBoutTest, correctedFileAfterARefusalAddsNothingTwice) {
  auto premier = Facture(99);
  EXPECT_FALSE(premier->Enregistrer());
  EXPECT_EQ(premier->Message(), QStringLiteral("code de groupe de produit non trouvé"));
  InventaireCompagnie inv = Contenu();
  EXPECT_EQ(inv.clients.size(), 0U);
  EXPECT_EQ(inv.produits.size(), 0U);
  EXPECT_EQ(inv.transactions.size(), 0U);

  auto second = Facture();
  auto client = ClientExemple();
  client->Nom(QStringLiteral("Atelier Nord inc."));
  second->Client(client);
  ASSERT_TRUE(second->Enregistrer()) << second->Message().toStdString();
  inv = Contenu();
  ASSERT_EQ(inv.clients.size(), 1U);
  EXPECT_EQ(inv.clients[0].nom, QStringLiteral("Atelier Nord inc."));
  EXPECT_EQ(inv.produits.size(), 2U);
  ASSERT_EQ(inv.transactions.size(), 1U);
  EXPECT_EQ(inv.transactions[0].nomFacturation, QStringLiteral("Atelier Nord inc."));
}

struct Refus {
  const char* nom;
  const char* utilisateur;
  const char* motDePasse;
  const char* message;
};

class RefusTest : public BoutEnBoutTest, public ::testing::WithParamInterface<Refus> {};

TEST_P(RefusTest, refusedLogInChangesNothing) {
  const Refus& cas = GetParam();
  auto doc = Facture();
  doc->Utilisateur(QString::fromUtf8(cas.utilisateur));
  doc->MotDePasse(QString::fromUtf8(cas.motDePasse));
  EXPECT_FALSE(doc->Enregistrer());
  EXPECT_EQ(doc->Message(), QString::fromUtf8(cas.message));
  const InventaireCompagnie inv = Contenu();
  EXPECT_EQ(inv.clients.size(), 0U);
  EXPECT_EQ(inv.produits.size(), 0U);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, RefusTest,
    ::testing::Values(Refus{"motDePasse", "marie", "secret-1", "1002 Mot de passe invalide."},
                      Refus{"utilisateurInconnu", "paul", "Secret-1",
                            "10 L'utilisateur « paul » est introuvable."}),
    [](const ::testing::TestParamInfo<Refus>& p) { return std::string(p.param.nom); });

TEST_F(BoutEnBoutTest, folderWithoutCompanyIsRefusedWithItsReason) {
  QTemporaryDir vide;
  auto doc = Facture();
  doc->cheminCie(vide.path());
  EXPECT_FALSE(doc->Enregistrer());
  EXPECT_EQ(doc->Message(), QStringLiteral("0 Le dossier « %1 » ne contient pas de compagnie "
                                           "(fichier compagnie.sqlite absent).")
                                .arg(vide.path()));
}

TEST_F(BoutEnBoutTest, damagedCompanyFileIsRefusedCleanly) {
  {
    QFile f(company::BaseCompagnie::CheminFichier(dossier_.path()));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(100);
    f.write(QByteArray(4000, '\x5a'));
  }
  auto doc = Facture();
  EXPECT_FALSE(doc->Enregistrer());
  // The full check runs once the damage is met, and says what it found.
  EXPECT_TRUE(doc->Message().startsWith(
      QStringLiteral("1006 Le fichier de la compagnie est endommagé (vérification complète : ")))
      << doc->Message().toStdString();
  EXPECT_TRUE(
      doc->Message().endsWith(QStringLiteral("Vérifiez-le avec brivane-company --verifier.")));
}

std::int64_t Nombre(const QString& dossier, const char* sql) {
  const auto base = company::BaseCompagnie::Ouvrir(dossier, true);
  company::Requete r(base->db(), QString::fromLatin1(sql));
  return r.Suivante() ? r.Entier(0) : -1;
}

// Opening no longer reads every page: damage in the products' table shows
// when the posting first reads it, before the customer is written, and then
// nothing more is read or written.
TEST_F(BoutEnBoutTest, damageFoundDuringThePostingWritesNothing) {
  ASSERT_TRUE(Facture()->Enregistrer());
  std::int64_t page = 0;
  std::int64_t taille = 0;
  {
    const auto base = company::BaseCompagnie::Ouvrir(dossier_.path(), true);
    company::Requete r(base->db(),
                       QStringLiteral("SELECT rootpage, (SELECT page_size FROM pragma_page_size) "
                                      "FROM sqlite_schema WHERE name = 'produit'"));
    ASSERT_TRUE(r.Suivante());
    page = r.Entier(0);
    taille = r.Entier(1);
  }
  {
    QFile f(company::BaseCompagnie::CheminFichier(dossier_.path()));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek((page - 1) * taille);
    f.write(QByteArray(64, '\xff'));
  }
  auto doc = Facture();
  auto client = ClientExemple();
  client->Numero(QStringLiteral("C0099"));
  doc->Client(client);
  EXPECT_FALSE(doc->Enregistrer());
  EXPECT_TRUE(doc->Message().startsWith(
      QStringLiteral("1006 Le fichier de la compagnie est endommagé (vérification complète : ")))
      << doc->Message().toStdString();
  EXPECT_EQ(Nombre(dossier_.path(), "SELECT count(*) FROM client"), 1);
  EXPECT_EQ(Nombre(dossier_.path(), "SELECT count(*) FROM transac"), 1);
  EXPECT_FALSE(company::BaseCompagnie::Verifier(dossier_.path()).isEmpty());
}

// The company's line limit is known before anything is written.
TEST_F(BoutEnBoutTest, invoiceOverTheLineLimitIsRefusedBeforeAnyWrite) {
  auto doc = Facture();
  for (int i = 0; i < 99997; ++i) {
    doc->AddItem(Ligne(QStringLiteral("VIS-10"), QStringLiteral("Vis 10 mm"), 1, 0.05, 2));
  }
  EXPECT_FALSE(doc->Enregistrer());
  EXPECT_EQ(doc->Message(),
            QStringLiteral("La facture compte 99999 lignes de détail, plus que le système "
                           "comptable n'en accepte (Numéro de ligne hors limites : 100001). Rien "
                           "n'a été écrit."));
  const InventaireCompagnie inv = Contenu();
  EXPECT_EQ(inv.clients.size(), 0U);
  EXPECT_EQ(inv.produits.size(), 0U);
}

// Texts holding "%1" are listed as written, not taken for the listing's own
// fields.
TEST_F(BoutEnBoutTest, listingShowsPercentMarkersAsWritten) {
  auto doc = Facture();
  doc->AddItem(Ligne(QStringLiteral("P%1"), QStringLiteral("Rabais %1 %2"), 1, 2, 2));
  ASSERT_TRUE(doc->Enregistrer()) << doc->Message().toStdString();
  const QString texte = Contenu().Decrire();
  EXPECT_TRUE(texte.contains(QStringLiteral("  P%1  Rabais %1 %2  groupe 2  prix 2,00 $")))
      << texte.toStdString();
  EXPECT_TRUE(texte.contains(QStringLiteral("3. P%1  Rabais %1 %2  quantité 1")))
      << texte.toStdString();
}

TEST_F(BoutEnBoutTest, productsOnlyModePostsTheProducts) {
  auto doc = Facture();
  doc->Client(nullptr);
  ASSERT_TRUE(doc->Enregistrer(true)) << doc->Message().toStdString();
  const InventaireCompagnie inv = Contenu();
  EXPECT_EQ(inv.clients.size(), 0U);
  EXPECT_EQ(inv.produits.size(), 2U);
  EXPECT_EQ(inv.transactions.size(), 0U);
}

}  // namespace
}  // namespace brivane::testing
