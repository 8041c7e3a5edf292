// brivane-company DOSSIER: prints what a company of the built-in accounting
// SDK holds, so that a user can see what an import did.
// brivane-company --verifier DOSSIER: reads the whole company file and says
// whether it is sound.
#include "app/Programme.h"
#include "company/BaseCompagnie.h"
#include "company/InventaireCompagnie.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

namespace {

int Verifier(const QString& dossier, QTextStream& sortie) {
  const QStringList problemes = brivane::company::BaseCompagnie::Verifier(dossier);
  if (problemes.isEmpty()) {
    sortie << "La compagnie « " << dossier << " » est intacte.\n";
    return 0;
  }
  sortie << "La compagnie « " << dossier << " » est endommagée (" << problemes.size()
         << " problème(s)) :\n";
  for (const QString& p : problemes) {
    sortie << "  " << p << '\n';
  }
  sortie << "Restaurez sa dernière copie de sauvegarde avant tout nouvel import.\n";
  return 3;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (brivane::AfficherVersionSiDemandee(argc, argv)) return 0;
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("brivane-company"));
  QTextStream sortie(stdout);
  QTextStream erreur(stderr);

  QCommandLineParser options;
  options.setApplicationDescription(QStringLiteral(
      "Affiche les clients, les produits, les factures (lignes et taxes) et le registre des\n"
      "importations d'une compagnie.\n"
      "Codes de sortie : 0 réussite, 1 compagnie illisible, 2 utilisation incorrecte,\n"
      "3 compagnie endommagée (--verifier)."));
  options.addHelpOption();
  const QCommandLineOption verifier(
      QStringLiteral("verifier"),
      QStringLiteral("Vérifie la compagnie entière (chaque page du fichier) au lieu de "
                     "l'afficher."));
  options.addOption(verifier);
  options.addPositionalArgument(QStringLiteral("DOSSIER"),
                                QStringLiteral("Dossier de la compagnie."));
  options.process(app);
  if (options.positionalArguments().size() != 1) {
    erreur << "Usage : brivane-company [--verifier] DOSSIER\n";
    return 2;
  }
  const QString dossier = options.positionalArguments().first();
  try {
    if (options.isSet(verifier)) {
      return Verifier(dossier, sortie);
    }
    sortie << brivane::company::InventaireCompagnie::Lire(dossier).Decrire();
    return 0;
  } catch (const brivane::company::ErreurBase& e) {
    erreur << "Impossible de lire la compagnie « " << dossier
           << " » : " << brivane::company::TexteStatut(e.statut()) << " (" << e.detail() << ")\n";
    return 1;
  }
}
