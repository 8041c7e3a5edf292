#include "app/LireFactureCsv.h"

#include "support/FauxBackEnd.h"
#include "support/FauxFichiers.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace brivane {
namespace {

using testing::FauxLecteurFichier;
using testing::Inspecteur;

const QString kChemin = QStringLiteral("/factures/A-2024-000017.csv");
const QByteArray kClient =
    "X1;ML;X2;Net 30;Camion;C0042;Atelier Nord;12 rue Haute;Villeneuve;QC;G8T 1A1;(819) "
    "555-0101;(819) 555-0102;Atelier Nord, entrepot;40 rue Basse;Villeneuve;Quebec;G9A_2G4";

// Reads the given bytes as the file kChemin and keeps the document for inspection.
struct Lecture {
  explicit Lecture(const QByteArray& octets, const QString& groupe = QStringLiteral("7"),
                   const QLocale& regional = QLocale::c()) {
    lecteur.fichiers[kChemin] = octets;
    LireFactureCsv(kChemin, groupe, document, lecteur, regional);
  }
  const std::shared_ptr<Client>& client() { return inspecteur.client(); }
  const std::vector<std::shared_ptr<Item>>& lignes() { return inspecteur.lignes(); }

  FauxLecteurFichier lecteur;
  ComSoum document;
  Inspecteur inspecteur{document};
};

TEST(LireFactureCsv, TheCompleteFiveLineExample) {
  Lecture l("Titres des colonnes\r\n" + kClient +
            "\r\nLigne 3\r\nVIS-10;Vis 10 mm;100;0.05\r\n;Frais de transport;1;25\r\n");

  ASSERT_TRUE(l.client());
  const Client& c = *l.client();
  EXPECT_EQ(c.Vendeur(), QStringLiteral("ML"));
  EXPECT_EQ(c.Condition(), QStringLiteral("Net 30"));
  EXPECT_EQ(c.Livraison(), QStringLiteral("Camion"));
  EXPECT_EQ(const_cast<Client&>(c).Numero(), QStringLiteral("C0042"));
  EXPECT_EQ(c.Nom(), QStringLiteral("Atelier Nord"));
  EXPECT_EQ(c.Adresse(), QStringLiteral("12 rue Haute"));
  EXPECT_EQ(c.Ville(), QStringLiteral("Villeneuve"));
  EXPECT_EQ(c.Province(), QStringLiteral("QC"));
  EXPECT_EQ(c.CP(), QStringLiteral("G8T1A1"));
  EXPECT_EQ(c.NoTelephone(), QStringLiteral("8195550101"));
  EXPECT_EQ(c.NoTelephonel(), QStringLiteral("8195550101"));
  EXPECT_EQ(c.NoFax(), QStringLiteral("8195550102"));
  EXPECT_EQ(c.NoFaxl(), QStringLiteral("8195550102"));
  EXPECT_EQ(c.Noml(), QStringLiteral("Atelier Nord, entrepot"));
  EXPECT_EQ(c.Adressel(), QStringLiteral("40 rue Basse"));
  EXPECT_EQ(c.Villel(), QStringLiteral("Villeneuve"));
  EXPECT_EQ(c.Provincel(), QStringLiteral("Qu"));
  EXPECT_EQ(c.CPl(), QStringLiteral("G9A2G4"));
  EXPECT_EQ(c.Courriel(), QString());
  EXPECT_EQ(c.pays(), QStringLiteral("Ca"));
  EXPECT_EQ(c.paysl(), QStringLiteral("Ca"));
  EXPECT_EQ(c.AuSoinDe(), QString());
  EXPECT_EQ(c.AuSoinDel(), QString());

  ASSERT_EQ(l.lignes().size(), 2U);
  struct Attendu {
    QString code, description;
    double quantite, cout;
  };
  const Attendu attendus[] = {
      {QStringLiteral("VIS-10"), QStringLiteral("Vis 10 mm"), 100, 0.05},
      {QStringLiteral("INFO"), QStringLiteral("Frais de transport"), 1, 25}};
  for (std::size_t i = 0; i < 2; ++i) {
    const Item& ligne = *l.lignes()[i];
    EXPECT_EQ(ligne.code(), attendus[i].code);
    EXPECT_EQ(ligne.Description(), attendus[i].description);
    EXPECT_EQ(ligne.Quantite(), attendus[i].quantite);
    EXPECT_EQ(ligne.Cout(), attendus[i].cout);
    EXPECT_TRUE(ligne.TaxableFederal());
    EXPECT_TRUE(ligne.TaxableProvincial());
    EXPECT_EQ(ligne.Format(), QStringLiteral("9"));
    EXPECT_EQ(ligne.SousGroupe(), QStringLiteral("Mat"));
    EXPECT_EQ(ligne.Localisation(), QString());
    EXPECT_EQ(ligne.GroupeProduit(), 7);
    EXPECT_EQ(ligne.fournisseur(), QString());
    EXPECT_EQ(ligne.PosteGlVente(), QString());
    EXPECT_EQ(ligne.Projet(), QString());
  }
  // The example is a valid document under the Acomba limits.
  EXPECT_TRUE(l.client()->IsValide(1)) << l.client()->Message().toStdString();
}

TEST(LireFactureCsv, LinesAreFoundByPositionWhateverTheirTerminator) {
  struct Cas {
    const char* nom;
    QByteArray octets;
    bool client;
    std::size_t lignes;
  };
  const QByteArray detail = "A1;Vis;12,5;0.35";
  const Cas cas[] = {
      {"fichier vide", "", false, 0},
      {"une ligne", "titres", false, 0},
      {"une ligne terminée", "titres\r\n", false, 0},
      {"deux lignes", "titres\n" + kClient, true, 0},
      {"trois lignes", "titres\n" + kClient + "\n", true, 0},
      {"LF seuls", "t\n" + kClient + "\n\n" + detail + "\n" + detail, true, 2},
      {"CR LF", "t\r\n" + kClient + "\r\n\r\n" + detail + "\r\n", true, 1},
      {"lignes 1 et 3 jamais lues", ";;;\n" + kClient + "\nn'importe quoi;\"\n" + detail, true, 1},
  };
  for (const Cas& c : cas) {
    Lecture l(c.octets);
    EXPECT_EQ(static_cast<bool>(l.client()), c.client) << c.nom;
    EXPECT_EQ(l.lignes().size(), c.lignes) << c.nom;
  }
}

TEST(LireFactureCsv, FieldRulesOfTheCustomerLine) {
  const auto lire = [](const QByteArray& ligne) {
    Lecture l("t\n" + ligne + "\n");
    return l.client();
  };
  // Exactly 18 fields is enough; a 19th field changes nothing.
  auto c = lire("0;1;2;3;4;5;6;7;8;Québec;H2X-1Y4;+1 (514) 555.1234 x2;_(a)-b;13;14;15;QC;H2X 1Y4");
  EXPECT_EQ(c->Province(), QStringLiteral("Qu"));
  EXPECT_EQ(c->CP(), QStringLiteral("H2X-1Y4"));
  EXPECT_EQ(c->NoTelephone(), QStringLiteral("+1514555.1234x2"));
  EXPECT_EQ(c->NoFax(), QStringLiteral("ab"));
  EXPECT_EQ(c->Provincel(), QStringLiteral("QC"));
  EXPECT_EQ(c->CPl(), QStringLiteral("H2X1Y4"));
  c = lire("0;1;2;3;4;5;6;7;8;Q;(x)_ y;11;12;13;14;15;;17;18;19");
  EXPECT_EQ(c->Province(), QStringLiteral("Q"));
  EXPECT_EQ(c->CP(), QStringLiteral("xy"));
  EXPECT_EQ(c->Provincel(), QString());
  EXPECT_EQ(c->CPl(), QStringLiteral("17"));
  // No quoting: a quoted ";" splits the field and shifts the later ones.
  c = lire("0;1;2;3;4;5;\"Nord; Sud\";7;8;QC;10;11;12;13;14;15;16;17");
  EXPECT_EQ(c->Nom(), QStringLiteral("\"Nord"));
  EXPECT_EQ(c->Adresse(), QStringLiteral(" Sud\""));
  EXPECT_EQ(c->Ville(), QStringLiteral("7"));
}

TEST(LireFactureCsv, FieldRulesOfADetailLine) {
  struct Cas {
    QByteArray ligne;
    QString code, description;
    double quantite, cout;
  };
  const Cas cas[] = {
      {"A1;Vis;12,5;0.35", QStringLiteral("A1"), QStringLiteral("Vis"), 12, 0.35},
      {";Frais;1;25", QStringLiteral("INFO"), QStringLiteral("Frais"), 1, 25},
      {"\"\";\"Frais\";1;25", QStringLiteral("INFO"), QStringLiteral("Frais"), 1, 25},
      {"\"VIS-10\";Vis \"fine\";1 000;abc", QStringLiteral("VIS-10"), QStringLiteral("Vis fine"),
       1000, 0},
      {"   ;Espaces;;", QStringLiteral("   "), QStringLiteral("Espaces"), 0, 0},
      {"B2; \xC9"
       "crou ;2;3;champ 4;champ 5",
       QStringLiteral("B2"), QStringLiteral(" Écrou "), 2, 3},
  };
  for (const Cas& c : cas) {
    Lecture l("t\n" + kClient + "\nt\n" + c.ligne);
    ASSERT_EQ(l.lignes().size(), 1U) << c.ligne.constData();
    const Item& i = *l.lignes()[0];
    EXPECT_EQ(i.code(), c.code) << c.ligne.constData();
    EXPECT_EQ(i.Description(), c.description) << c.ligne.constData();
    EXPECT_EQ(i.Quantite(), c.quantite) << c.ligne.constData();
    EXPECT_EQ(i.Cout(), c.cout) << c.ligne.constData();
  }
}

TEST(LireFactureCsv, BytesAreReadInTheWindows1252CodePage) {
  Lecture l(
      "t\n0;1;2;3;4;5;Caf\xE9 \x93"
      "Chez L\xE9o\x94;7;8;Qu\xE9"
      "bec;10;11;12;13;14;15;16;17\nt\n"
      "\x80;Cr\xE8me br\xFBl\xE9"
      "e;1;2\n");
  EXPECT_EQ(l.client()->Nom(), QStringLiteral("Café “Chez Léo”"));
  EXPECT_EQ(l.client()->Province(), QStringLiteral("Qu"));
  EXPECT_EQ(l.lignes()[0]->code(), QStringLiteral("€"));
  EXPECT_EQ(l.lignes()[0]->Description(), QStringLiteral("Crème brûlée"));
}

TEST(LireNombre, ReadsFromTheLeftWithThePointAsDecimalSeparator) {
  struct Cas {
    const char* texte;
    double valeur;
  };
  const Cas cas[] = {
      {"3.25", 3.25},
      {"12,50", 12},
      {"1 000", 1000},
      {"", 0},
      {"abc", 0},
      {"  -4.5", -4.5},
      {"+7", 7},
      {"\t1\n2 3", 123},
      {"1.2.3", 1.2},
      {".5", 0.5},
      {"5.", 5},
      {"-", 0},
      {".", 0},
      {"1e3", 1000},
      {"2E-2", 0.02},
      {"1.5 E +2", 150},
      {"3e", 3},
      {"3e+", 3},
      {"4ex", 4},
      {"&H1F", 31},
      {"&hff", 255},
      {"&O17", 15},
      {"&o8", 0},
      {"&HG", 0},
      {"&12", 0},
      {"12abc", 12},
      {"0.05", 0.05},
      {"1E-400", 0},
      {"- 3", -3},
      {"12$", 12},
      {"\r12", 0},
      {"1d2", 1},
      {"&HFFFFFFFF", 4294967295.0},
      {"&O37777777777", 4294967295.0},
      {"&H0000000000001", 1},
  };
  for (const Cas& c : cas) {
    const std::optional<double> v = LireNombre(QString::fromUtf8(c.texte));
    ASSERT_TRUE(v) << c.texte;
    EXPECT_DOUBLE_EQ(*v, c.valeur) << c.texte;
  }
  EXPECT_FALSE(LireNombre(QStringLiteral("1E400")));
  EXPECT_FALSE(LireNombre(QString(400, u'9')));
  // Hexadecimal and octal numbers are 32-bit: a wider one is too large.
  EXPECT_FALSE(LireNombre(QStringLiteral("&H100000000")));
  EXPECT_FALSE(LireNombre(QStringLiteral("&HFFFFFFFFFF")));
  EXPECT_FALSE(LireNombre(QStringLiteral("&O40000000000")));
}

TEST(ConvertirGroupeProd, FollowsTheRegionalSettingsAndRoundsHalvesToEven) {
  const QLocale c = QLocale::c();
  const QLocale fr(QLocale::French, QLocale::Canada);
  struct Cas {
    QString texte;
    QLocale regional;
    std::optional<std::int32_t> valeur;
  };
  const Cas cas[] = {
      {QStringLiteral("3"), c, 3},
      {QStringLiteral("  42  "), c, 42},
      {QStringLiteral("2.5"), c, 2},
      {QStringLiteral("3.5"), c, 4},
      {QStringLiteral("-2.5"), c, -2},
      {QStringLiteral("2.6"), c, 3},
      {QStringLiteral("2,5"), fr, 2},
      {QStringLiteral("3,5"), fr, 4},
      {QStringLiteral("0"), c, 0},
      {QStringLiteral("2147483647"), c, 2147483647},
      {QStringLiteral("-2147483648"), c, std::numeric_limits<std::int32_t>::min()},
      {QStringLiteral("2147483647.5"), c, std::nullopt},
      {QStringLiteral("2147483648"), c, std::nullopt},
      {QStringLiteral("-2147483649"), c, std::nullopt},
      {QStringLiteral("12a"), c, std::nullopt},
      {QStringLiteral(""), c, std::nullopt},
      {QStringLiteral("   "), c, std::nullopt},
      {QStringLiteral("1 2"), c, std::nullopt},
  };
  for (const Cas& k : cas) {
    EXPECT_EQ(ConvertirGroupeProd(k.texte, k.regional), k.valeur)
        << k.texte.toStdString() << " " << k.regional.name().toStdString();
  }
}

TEST(LireFactureCsv, EveryReadingFailureNamesTheFileAndTheLine) {
  struct Cas {
    const char* nom;
    QByteArray octets;
    QString groupe;
    int ligne;
    QString raison;
  };
  const QByteArray debut = "t\n" + kClient + "\nt\n";
  const Cas cas[] = {
      {"client à 17 champs", "t\n0;1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16\n", QStringLiteral("7"),
       2, QStringLiteral("compte 17 champs")},
      {"client vide", "t\n\nt\n", QStringLiteral("7"), 2, QStringLiteral("compte 1 champs")},
      {"détail à 3 champs", debut + "A;B;1\n", QStringLiteral("7"), 4,
       QStringLiteral("compte 3 champs")},
      {"ligne vide après le dernier détail", debut + "A;B;1;2\n\n", QStringLiteral("7"), 5,
       QStringLiteral("vide")},
      {"groupe non numérique", debut + "A;B;1;2\n", QStringLiteral("12a"), 4,
       QStringLiteral("« 12a »")},
      {"groupe hors limites", debut + "A;B;1;2\n", QStringLiteral("3000000000"), 4,
       QStringLiteral("« 3000000000 »")},
      {"nombre trop grand", debut + "A;B;1e999;2\n", QStringLiteral("7"), 4,
       QStringLiteral("« 1e999 »")},
      // Markers of the message's own fields reach the user as the file wrote them.
      {"nombre long avec %1", debut + "A;B;1e999%1%2%3........................................;2\n",
       QStringLiteral("7"), 4, QStringLiteral("« 1e999%1%2%3.........… » (51 caractères)")},
      {"groupe avec %1", debut + "A;B;1;2\n", QStringLiteral("%1%2"), 4,
       QStringLiteral("« %1%2 »")},
  };
  for (const Cas& c : cas) {
    FauxLecteurFichier lecteur;
    lecteur.fichiers[kChemin] = c.octets;
    ComSoum document;
    try {
      LireFactureCsv(kChemin, c.groupe, document, lecteur, QLocale::c());
      ADD_FAILURE() << c.nom << ": no failure";
    } catch (const ErreurLecture& e) {
      EXPECT_EQ(e.ligne(), c.ligne) << c.nom;
      EXPECT_TRUE(e.Texte().contains(kChemin)) << c.nom;
      EXPECT_TRUE(e.Texte().contains(QStringLiteral("à la ligne %1 :").arg(c.ligne)))
          << e.Texte().toStdString();
      EXPECT_TRUE(e.raison().contains(c.raison)) << e.raison().toStdString();
    }
  }

  FauxLecteurFichier vide;
  ComSoum document;
  try {
    LireFactureCsv(QStringLiteral("   "), QStringLiteral("7"), document, vide, QLocale::c());
    ADD_FAILURE() << "a missing file was read";
  } catch (const ErreurLecture& e) {
    EXPECT_EQ(e.ligne(), 0);
    EXPECT_EQ(e.Texte(), QStringLiteral("Le fichier «     » ne peut pas être lu : le fichier "
                                        "n'existe pas."));
  }
}

TEST(LireFactureCsv, AProductGroupThatIsNotANumberPassesWhenThereIsNoDetailLine) {
  Lecture l("t\n" + kClient + "\nt\n", QStringLiteral("12a"));
  EXPECT_TRUE(l.client());
  EXPECT_TRUE(l.lignes().empty());
}

}  // namespace
}  // namespace brivane
