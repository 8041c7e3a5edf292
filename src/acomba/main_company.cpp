// brivane-company DOSSIER: prints what a company of the built-in accounting
// SDK holds, so that a user can see what an import did.
#include "acomba/BaseCompagnie.h"
#include "acomba/InventaireCompagnie.h"
#include "app/Programme.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
  if (brivane::AfficherVersionSiDemandee(argc, argv)) return 0;
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("brivane-company"));
  QTextStream sortie(stdout);
  QTextStream erreur(stderr);

  QCommandLineParser options;
  options.setApplicationDescription(QStringLiteral(
      "Affiche les clients, les produits et les factures (lignes et taxes) d'une compagnie."));
  options.addHelpOption();
  options.addPositionalArgument(QStringLiteral("DOSSIER"),
                                QStringLiteral("Dossier de la compagnie."));
  options.process(app);
  if (options.positionalArguments().size() != 1) {
    erreur << "Usage : brivane-company DOSSIER\n";
    return 2;
  }
  const QString dossier = options.positionalArguments().first();
  try {
    sortie << brivane::acomba::InventaireCompagnie::Lire(dossier).Decrire();
    return 0;
  } catch (const brivane::acomba::ErreurBase& e) {
    erreur << "Impossible de lire la compagnie « " << dossier
           << " » : " << brivane::acomba::TexteStatut(e.statut()) << " (" << e.detail() << ")\n";
    return 1;
  }
}
