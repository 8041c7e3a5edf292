// The sample invoices shipped in exemples/ give the outcomes the README tells.
#include "app/ImporterFichier.h"
#include "app/LireFactureCsv.h"

#include "support/FauxBackEnd.h"
#include "support/FauxFichiers.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace brivane {
namespace {

QString exemple(const char* nom) {
  // The samples of the source tree, wherever the build runs.
  return QStringLiteral(BRIVANE_EXEMPLES "/") + QLatin1StringView(nom);
}

TEST(Exemples, EachSampleGivesItsOutcome) {
  struct Cas {
    const char* fichier;
    ResultatImport resultat;
    QString debutMessage;
  };
  const Cas cas[] = {
      {"facture-complete.csv", ResultatImport::Transfere, QStringLiteral("Confirmation : ")},
      {"facture-fins-lf.csv", ResultatImport::Transfere, QStringLiteral("Confirmation : ")},
      {"facture-accents.csv", ResultatImport::Transfere, QStringLiteral("Confirmation : ")},
      {"facture-refusee.csv", ResultatImport::Refuse,
       QStringLiteral("Validation : Des erreurs se sont produites\r\nLe nom du client est limité "
                      "à 40 caractères.")},
      {"facture-sans-ligne.csv", ResultatImport::Refuse,
       QStringLiteral("Validation : \r\nAuncune ligne de détail fournie!")},
      {"facture-ligne-courte.csv", ResultatImport::LectureImpossible,
       QStringLiteral("Lecture du fichier : Le fichier « %1 » ne peut pas être lu à la ligne 5 :")
           .arg(exemple("facture-ligne-courte.csv"))},
  };
  for (const Cas& c : cas) {
    testing::ScenarioBackEnd scenario;
    auto deplaceur = std::make_shared<testing::FauxDeplaceurFichier>();
    QStringList messages;
    const ResultatImport r = ImporterFichier(
        exemple(c.fichier),
        {QStringLiteral("/cie"), QStringLiteral("/acomba"), QStringLiteral("u"),
         QStringLiteral("p"), QStringLiteral("3"), QStringLiteral("/traite")},
        [&](const QString& texte, const QString& titre) {
          messages << titre + QStringLiteral(" : ") + texte;
        },
        [](bool) {},
        {std::make_shared<platform::LecteurFichierQt>(),
         deplaceur,
         testing::ServicesAvec(scenario),
         testing::JournalEnMemoire(),
         {}});
    EXPECT_EQ(r, c.resultat) << c.fichier;
    ASSERT_EQ(messages.size(), 1) << c.fichier;
    EXPECT_TRUE(messages[0].startsWith(c.debutMessage)) << messages[0].toStdString();
  }
}

TEST(Exemples, TheAccentedSampleIsReadInWindows1252) {
  ComSoum document;
  LireFactureCsv(exemple("facture-accents.csv"), QStringLiteral("3"), document,
                 platform::LecteurFichierQt(), QLocale::c());
  const testing::Inspecteur lu(document);
  const Client& c = *lu.client();
  EXPECT_EQ(c.Nom(), QStringLiteral("Quincaillerie Émile"));
  EXPECT_EQ(c.Ville(), QStringLiteral("Montréal"));
  EXPECT_EQ(c.Province(), QStringLiteral("Qu"));
  EXPECT_EQ(c.Adressel(), QStringLiteral("8 rue de l'Église"));
  EXPECT_EQ(c.CPl(), QStringLiteral("G9A5H7"));
  ASSERT_EQ(lu.lignes().size(), 4U);
  const struct {
    QString code, description;
    double quantite, cout;
  } attendus[] = {
      {QStringLiteral("BOU-6"), QStringLiteral("Boulons carrosserie ½ po"), 1000, 0.12},
      {QStringLiteral("ÉCR-3"), QStringLiteral("Écrou à oreilles"), 12, 0.35},
      {QStringLiteral("INFO"), QStringLiteral("Livraison spéciale"), 1, 31},
      {QStringLiteral("GAR-1"), QStringLiteral("Garantie 2 ans"), 1, 45},
  };
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(lu.lignes()[i]->code(), attendus[i].code);
    EXPECT_EQ(lu.lignes()[i]->Description(), attendus[i].description);
    EXPECT_DOUBLE_EQ(lu.lignes()[i]->Quantite(), attendus[i].quantite);
    EXPECT_DOUBLE_EQ(lu.lignes()[i]->Cout(), attendus[i].cout);
  }
}

}  // namespace
}  // namespace brivane
