// Invoice files imported through the import run into a demo company of the
// built-in provider, then read back from the company.
#include "acomba/CompagnieDemo.h"
#include "acomba/InventaireCompagnie.h"
#include "app/ImporterFichier.h"

#include "support/DossierDemo.h"
#include "support/ImportAvecMessages.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace brivane {
namespace {

using acomba::InventaireCompagnie;

const QByteArray kEntete = "Titres\r\n";
const QByteArray kClient =
    "X1;ML;X2;Net 30;Camion;C0042;Atelier Nord;12 rue Haute;Villeneuve;QC;G8T 1A1;"
    "(819) 555-0101;(819) 555-0102;Atelier Nord, entrep\xf4t;40 rue Basse;Villeneuve;Qu\xe9"
    "bec;G9A_2G4\r\n";
const QByteArray kLignes =
    "Article;Description;Qt\xe9;Prix\r\nVIS-10;Vis 10 mm;100;0.05\r\n"
    ";Frais de transport;1;25\r\n";

class ImportCompagnie : public testing::DossierDemo, public testing::ImportAvecMessages {
 protected:
  QString Ecrire(const QString& nom, const QByteArray& contenu) const {
    return testing::EcrireFichier(QDir::toNativeSeparators(racine_.filePath(nom)), contenu);
  }

  ConfigurationTransfert Configuration(const QString& groupe = QStringLiteral("2")) const {
    return {compagnie(),
            racine_.filePath(QStringLiteral("acomba")),
            QStringLiteral("demo"),
            QStringLiteral("demo"),
            groupe,
            QDir::toNativeSeparators(traite())};
  }
};

TEST_F(ImportCompagnie, InvoiceFileReachesTheCompanyAndIsMoved) {
  const QString chemin = Ecrire(QStringLiteral("A-2024-000017.csv"), kEntete + kClient + kLignes);
  Transferer(chemin, Configuration(), traite());
  if (HasFatalFailure()) return;

  const InventaireCompagnie inv = InventaireCompagnie::Lire(compagnie());
  ASSERT_EQ(inv.clients.size(), 1U);
  EXPECT_EQ(inv.clients[0].numero, QStringLiteral("C0042"));
  EXPECT_EQ(inv.clients[0].nom, QStringLiteral("Atelier Nord"));
  EXPECT_EQ(inv.clients[0].codePostal, QStringLiteral("G8T1A1"));
  EXPECT_EQ(inv.clients[0].telephone, QStringLiteral("8195550101"));
  ASSERT_EQ(inv.produits.size(), 2U);
  EXPECT_EQ(inv.produits[0].numero, QStringLiteral("VIS-10"));
  EXPECT_EQ(inv.produits[1].numero, QStringLiteral("INFO"));
  EXPECT_EQ(inv.produits[1].groupe, 2);
  ASSERT_EQ(inv.transactions.size(), 1U);
  const auto& t = inv.transactions[0];
  EXPECT_EQ(t.client, QStringLiteral("C0042"));
  // Windows-1252 bytes of the file arrive as the accented text they stand for.
  EXPECT_EQ(t.nomLivraison, QStringLiteral("Atelier Nord, entrepôt"));
  EXPECT_EQ(t.codeVendeur, QStringLiteral("ML"));
  // Two detail lines and the two tax lines: 5 % and 9.5 % of 30.00.
  ASSERT_EQ(t.lignes.size(), 4U);
  EXPECT_EQ(t.lignes[0].code.toString(), QStringLiteral("VIS-10"));
  EXPECT_DOUBLE_EQ(t.lignes[0].quantite.toDouble(), 100);
  EXPECT_DOUBLE_EQ(t.lignes[2].montant.toDouble(), 1.5);
  EXPECT_DOUBLE_EQ(t.lignes[3].montant.toDouble(), 2.85);
}

TEST_F(ImportCompagnie, RefusedFileStaysAndACorrectedOneAddsNothingTwice) {
  // Group 0 makes every line invalid: nothing may reach the company.
  const QString chemin = Ecrire(QStringLiteral("facture.csv"), kEntete + kClient + kLignes);
  EXPECT_EQ(Importer(chemin, Configuration(QStringLiteral("0"))), ResultatImport::Refuse);
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(
      messages_[0].startsWith(QStringLiteral("Validation : Des erreurs se sont produites")));
  EXPECT_TRUE(QFile::exists(chemin));
  EXPECT_TRUE(InventaireCompagnie::Lire(compagnie()).clients.empty());

  // An unknown product group is refused by the company; the file stays.
  EXPECT_EQ(Importer(chemin, Configuration(QStringLiteral("99"))), ResultatImport::Refuse);
  EXPECT_TRUE(QFile::exists(chemin));
  EXPECT_TRUE(InventaireCompagnie::Lire(compagnie()).transactions.empty());

  // Corrected: posted once. A second file for the same customer and products
  // with a new address updates the customer and adds no product twice.
  ASSERT_EQ(Importer(chemin, Configuration()), ResultatImport::Transfere)
      << messages_.join(u'|').toStdString();
  QByteArray client2 = kClient;
  client2.replace("12 rue Haute", "99 rue Neuve");
  const QString chemin2 = Ecrire(QStringLiteral("facture2.csv"), kEntete + client2 + kLignes);
  ASSERT_EQ(Importer(chemin2, Configuration()), ResultatImport::Transfere)
      << messages_.join(u'|').toStdString();

  const InventaireCompagnie inv = InventaireCompagnie::Lire(compagnie());
  ASSERT_EQ(inv.clients.size(), 1U);
  EXPECT_EQ(inv.clients[0].adresse, QStringLiteral("99 rue Neuve"));
  EXPECT_EQ(inv.produits.size(), 2U);
  EXPECT_EQ(inv.transactions.size(), 2U);
}

TEST_F(ImportCompagnie, WrongCredentialsAreRefusedAndTheFileStays) {
  const QString chemin = Ecrire(QStringLiteral("facture.csv"), kEntete + kClient + kLignes);
  ConfigurationTransfert mauvais = Configuration();
  mauvais.PWDAcomba = QStringLiteral("mauvais");
  EXPECT_EQ(Importer(chemin, mauvais), ResultatImport::Refuse);
  ConfigurationTransfert inconnu = Configuration();
  inconnu.UserAcomba = QStringLiteral("inconnu");
  EXPECT_EQ(Importer(chemin, inconnu), ResultatImport::Refuse);
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].startsWith(QStringLiteral("Validation : 10 ")));
  EXPECT_TRUE(QFile::exists(chemin));
  EXPECT_TRUE(InventaireCompagnie::Lire(compagnie()).clients.empty());
}

}  // namespace
}  // namespace brivane
