// brivane-demo-company DOSSIER: creates a demo company of the built-in
// accounting SDK, ready for the import of a sample invoice.
#include "app/Programme.h"
#include "company/BaseCompagnie.h"
#include "company/CompagnieDemo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

using brivane::company::CompagnieDemo;

int main(int argc, char* argv[]) {
  if (brivane::AfficherVersionSiDemandee(argc, argv)) return 0;
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("brivane-demo-company"));
  QTextStream sortie(stdout);
  QTextStream erreur(stderr);

  QCommandLineParser options;
  options.setApplicationDescription(
      QStringLiteral("Crée une compagnie de démonstration dans DOSSIER : un utilisateur, "
                     "des groupes de produit, les taxes T.P.S. et T.V.Q., des vendeurs."));
  options.addHelpOption();
  options.addPositionalArgument(QStringLiteral("DOSSIER"),
                                QStringLiteral("Dossier de la compagnie (créé au besoin)."));
  const QCommandLineOption utilisateur(
      QStringLiteral("utilisateur"), QStringLiteral("Nom de l'utilisateur (défaut : demo)."),
      QStringLiteral("NOM"), QString::fromUtf16(CompagnieDemo::kUtilisateur));
  const QCommandLineOption motDePasse(
      QStringLiteral("mot-de-passe"),
      QStringLiteral("Mot de passe de l'utilisateur (défaut : demo)."), QStringLiteral("MOT"),
      QString::fromUtf16(CompagnieDemo::kMotDePasse));
  options.addOption(utilisateur);
  options.addOption(motDePasse);
  options.process(app);

  if (options.positionalArguments().size() != 1) {
    erreur << "Usage : brivane-demo-company [--utilisateur NOM] [--mot-de-passe MOT] DOSSIER\n";
    return 2;
  }
  const QString dossier = options.positionalArguments().first();
  try {
    const QStringList fait =
        CompagnieDemo::Creer(dossier, options.value(utilisateur), options.value(motDePasse));
    for (const QString& ligne : fait) {
      sortie << ligne << '\n';
    }
    sortie << "Compagnie de démonstration prête.\n";
    return 0;
  } catch (const brivane::company::ErreurBase& e) {
    namespace statuts = brivane::company::statuts;
    erreur << "Compagnie non créée : ";
    if (e.statut() == statuts::kOperationRefusee) {
      erreur << e.detail() << '\n';
    } else {
      erreur << brivane::company::TexteStatut(e.statut()) << " (" << e.detail() << ")\n";
    }
    return 1;
  }
}
