// brivane-dbase-post DOSSIER [--facture] [--lignes N]
// Posts a sample document (one customer, three lines, or N lines each of a
// product of its own) with accounting-system code 2 into the dBASE tables of
// DOSSIER, as the import run would.
#include "app/Programme.h"
#include "dbase/FabriqueParDefaut.h"
#include "document/ComSoum.h"
#include "platform/HorlogeQt.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

int main(int argc, char** argv) {
  if (brivane::AfficherVersionSiDemandee(argc, argv)) return 0;
  QCoreApplication app(argc, argv);
  QTextStream out(stdout);
  QTextStream err(stderr);
  QStringList args = app.arguments().mid(1);
  int nombre = 0;  // 0: the three sample lines
  if (const qsizetype at = args.indexOf(QStringLiteral("--lignes")); at >= 0) {
    bool ok = false;
    nombre = args.value(at + 1).toInt(&ok);
    if (!ok || nombre < 1) {
      args.clear();
    } else {
      args.remove(at, 2);
    }
  }
  if (args.isEmpty() || args.size() > 2 || (args.size() == 2 && args[1] != u"--facture")) {
    err << "Usage : brivane-dbase-post DOSSIER [--facture] [--lignes N]\n"
        << "Enregistre une facture d'exemple dans les tables dBASE de DOSSIER\n"
        << "(une soumission « ! » par défaut, une facture « ? » avec --facture ;\n"
        << "N lignes d'autant de produits nouveaux avec --lignes N).\n";
    return 2;
  }

  auto client = std::make_shared<brivane::Client>();
  client->Numero(QStringLiteral("123"));
  client->Nom(QStringLiteral("Quincaillerie L'Érable inc."));
  client->Adresse(QStringLiteral("12, rue Principale"));
  client->Ville(QStringLiteral("Québec"));
  client->Province(QStringLiteral("QC"));
  client->CP(QStringLiteral("G1R 2B5"));
  client->NoTelephone(QStringLiteral("4185550123"));
  client->pays(QStringLiteral("CAN"));
  client->Vendeur(QStringLiteral("JT"));

  brivane::ComSoum document(brivane::ServicesDocument{
      std::make_shared<brivane::platform::HorlogeQt>(), {}, brivane::dbase::FabriqueParDefaut()});
  document.SystemeComptable(2);
  document.cheminCie(args[0]);
  document.Client(client);
  document.Soumission(args.size() == 1);
  const struct {
    const char16_t* code;
    const char16_t* description;
    double quantite;
    double cout;
  } lignes[] = {
      {u"AB6", u"Vis à bois n° 6, boîte de 100", 2, 10},
      {u"CL-12", u"Clous galvanisés 3 po", 1, 4},
      {u"PE'1", u"Peinture d'apprêt, 1 l", 0.5, 3},
  };
  const int total = nombre > 0 ? nombre : 3;
  for (int n = 0; n < total; ++n) {
    const auto& l = lignes[n % 3];
    auto item = std::make_shared<brivane::Item>();
    item->code(nombre > 0 ? QStringLiteral("P%1").arg(n + 1) : QString::fromUtf16(l.code));
    item->Description(QString::fromUtf16(l.description));
    item->Quantite(l.quantite);
    item->Cout(l.cout);
    item->fournisseur(QStringLiteral("F100"));
    item->PosteGlVente(QStringLiteral("40100"));
    item->PosteGlAchat(QStringLiteral("13100"));
    document.AddItem(item);
  }

  if (!document.Enregistrer()) {
    err << document.Message() << '\n';
    return 1;
  }
  out << "Document enregistré dans " << args[0] << ".\n";
  return 0;
}
