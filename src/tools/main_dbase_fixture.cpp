// brivane-dbase-fixture DOSSIER [COMPTEUR [TAUX]]
// Creates a company folder of empty dBASE tables to try postings on.
#include "app/Programme.h"
#include "dbase/DossierDemoDbf.h"
#include "platform/ErreurBaseDonnees.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

int main(int argc, char** argv) {
  if (brivane::AfficherVersionSiDemandee(argc, argv)) return 0;
  QCoreApplication app(argc, argv);
  QTextStream out(stdout);
  QTextStream err(stderr);
  const QStringList args = app.arguments().mid(1);
  if (args.isEmpty() || args.size() > 3) {
    err << "Usage : brivane-dbase-fixture DOSSIER [COMPTEUR [TAUX]]\n"
        << "Crée dans DOSSIER les tables client, produi, factma, factit, solde et taxpro.\n";
    return 2;
  }
  brivane::dbase::DossierDemoDbf fixture;
  bool ok = true;
  if (args.size() > 1) {
    fixture.compteur = args[1].toInt(&ok);
  }
  if (ok && args.size() > 2) {
    fixture.tauxProvincial = args[2].toDouble(&ok);
  }
  if (!ok) {
    err << "Le compteur doit être un entier et le taux un nombre (point décimal).\n";
    return 2;
  }
  try {
    fixture.Creer(args[0]);
  } catch (const brivane::platform::ErreurBaseDonnees& e) {
    err << e.description() << '\n';
    return 1;
  }
  out << "Compagnie créée dans " << args[0] << " (prochaine facture " << fixture.compteur
      << ", taux provincial " << fixture.tauxProvincial << ").\n";
  return 0;
}
