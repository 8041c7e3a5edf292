// A posting into the built-in company is one transaction that notes its
// import: posted whole with its record, or not at all.
#include "acomba/DocumentExemple.h"
#include "company/BaseCompagnie.h"
#include "company/CompagnieDemo.h"
#include "company/FabriqueParDefaut.h"
#include "company/InventaireCompagnie.h"
#include "support/QStringPrinter.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace brivane::company {
namespace {

using testing::ClientExemple;
using testing::Ligne;

const QString kEmpreinte =
    QStringLiteral("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08");

class RegistreDesImportations : public ::testing::Test {
 protected:
  RegistreDesImportations() {
    CompagnieDemo::Creer(Dossier(), QStringLiteral("marie"), QStringLiteral("Secret-1"));
  }

  QString Dossier() const { return dossier_.path(); }

  std::unique_ptr<ComSoum> Facture(bool refuserSiDejaPostee = true) const {
    auto doc = testing::DocumentExemple(FabriqueParDefaut(), Dossier());
    doc->AddItem(Ligne(QStringLiteral("VIS-10"), QStringLiteral("Vis 10 mm"), 100, 0.05, 2));
    doc->Importation({kEmpreinte, QStringLiteral("poste-1"), 7, refuserSiDejaPostee, true});
    return doc;
  }

  InventaireCompagnie Contenu() const { return InventaireCompagnie::Lire(Dossier()); }

  QTemporaryDir dossier_;
};

TEST_F(RegistreDesImportations, AContentIsPostedOnceUnlessTheUserPostsItAgain) {
  auto premier = Facture();
  ASSERT_TRUE(premier->Enregistrer()) << premier->Message().toStdString();
  InventaireCompagnie inv = Contenu();
  ASSERT_EQ(inv.transactions.size(), 1U);
  EXPECT_EQ(premier->NumeroDocument(), inv.transactions[0].numero);
  ASSERT_EQ(inv.importations.size(), 1U);
  EXPECT_EQ(inv.importations[0].empreinte, kEmpreinte);
  EXPECT_EQ(inv.importations[0].numero, 7);
  EXPECT_EQ(inv.importations[0].numeroDocument, inv.transactions[0].numero);

  // The same content again, its customer renamed: refused, nothing written.
  auto encore = Facture();
  auto client = ClientExemple();
  client->Nom(QStringLiteral("Autre nom"));
  encore->Client(client);
  EXPECT_FALSE(encore->Enregistrer());
  ASSERT_TRUE(encore->ImportationTrouvee().has_value());
  EXPECT_EQ(encore->ImportationTrouvee()->numeroDocument, premier->NumeroDocument());
  EXPECT_FALSE(encore->EcrituresFaites());
  inv = Contenu();
  EXPECT_EQ(inv.transactions.size(), 1U);
  EXPECT_EQ(inv.clients[0].nom, QStringLiteral("Atelier Nord"));

  auto voulu = Facture(false);
  ASSERT_TRUE(voulu->Enregistrer()) << voulu->Message().toStdString();
  inv = Contenu();
  EXPECT_EQ(inv.transactions.size(), 2U);
  ASSERT_EQ(inv.importations.size(), 2U);
  EXPECT_EQ(inv.importations[1].numeroDocument, voulu->NumeroDocument());
  EXPECT_NE(voulu->NumeroDocument(), premier->NumeroDocument());
}

// The customer and the product are written before the invoice or the record
// is refused: the whole posting is rolled back and says so.
TEST_F(RegistreDesImportations, ARefusalAfterTheFirstWriteLeavesTheCompanyUnchanged) {
  for (const char* table : {"transac", "importation"}) {
    SCOPED_TRACE(table);
    BaseCompagnie::Ouvrir(Dossier())->Executer(
        QStringLiteral("CREATE TRIGGER refus BEFORE INSERT ON %1 BEGIN SELECT RAISE(ABORT, "
                       "'refus'); END")
            .arg(QString::fromLatin1(table)));
    auto doc = Facture();
    EXPECT_FALSE(doc->Enregistrer());
    EXPECT_FALSE(doc->EcrituresFaites());
    EXPECT_TRUE(doc->NumeroDocument().isEmpty());
    EXPECT_TRUE(doc->Message().endsWith(QStringLiteral(
        "Rien n'a été gardé : ce que ce transfert avait écrit dans la compagnie a été annulé.")))
        << doc->Message().toStdString();
    EXPECT_FALSE(doc->Message().contains(QStringLiteral("Déjà écrit")));
    const InventaireCompagnie inv = Contenu();
    EXPECT_EQ(inv.clients.size(), 0U);
    EXPECT_EQ(inv.produits.size(), 0U);
    EXPECT_EQ(inv.transactions.size(), 0U);
    EXPECT_EQ(inv.importations.size(), 0U);
    BaseCompagnie::Ouvrir(Dossier())->Executer(QStringLiteral("DROP TRIGGER refus"));
  }
}

// A company made before the record is read as it is, and gains the record at
// its first opening for writing.
TEST_F(RegistreDesImportations, ACompanyOfTheFirstLayoutGainsTheRecordWhenPostedInto) {
  {
    const auto base = BaseCompagnie::Ouvrir(Dossier());
    base->Executer(QStringLiteral("DROP TABLE importation; PRAGMA user_version = 1"));
  }
  const auto version = [&] {
    const auto base = BaseCompagnie::Ouvrir(Dossier(), true);
    Requete r(base->db(), QStringLiteral("PRAGMA user_version"));
    return r.Suivante() ? r.Entier(0) : -1;
  };
  EXPECT_TRUE(Contenu().importations.empty());
  EXPECT_EQ(version(), 1);
  auto doc = Facture();
  ASSERT_TRUE(doc->Enregistrer()) << doc->Message().toStdString();
  EXPECT_EQ(version(), 2);
  EXPECT_EQ(Contenu().importations.size(), 1U);
  EXPECT_TRUE(BaseCompagnie::Verifier(Dossier()).isEmpty());
}

// A code on two lines, new to the company: only the first line adds it, so
// only its group counts.
TEST_F(RegistreDesImportations, ARepeatedNewCodeNeedsOnlyTheGroupOfItsFirstLine) {
  auto doc = Facture();
  doc->AddItem(Ligne(QStringLiteral("VIS-10"), QStringLiteral("Vis 10 mm"), 5, 0.05, 99));
  ASSERT_TRUE(doc->Enregistrer()) << doc->Message().toStdString();
  const InventaireCompagnie inv = Contenu();
  ASSERT_EQ(inv.produits.size(), 1U);
  EXPECT_EQ(inv.produits[0].groupe, 2);
  EXPECT_EQ(inv.transactions.size(), 1U);
}

}  // namespace
}  // namespace brivane::company
