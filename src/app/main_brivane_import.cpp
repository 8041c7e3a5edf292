// brivane-import: the import run without windows, for the producing program
// and for scripts.
#include "app/Composition.h"
#include "app/ImportEnLigne.h"
#include "app/Programme.h"
#include "platform/CoffreMotDePasseQt.h"
#include "platform/NomFichier.h"
#include "platform/StockageReglagesQt.h"
#include "platform/os/Systeme.h"
#include "settings/ConfigurationTransfert.h"
#include "settings/StockageAvecCoffre.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
  if (brivane::AfficherVersionSiDemandee(argc, argv)) return 0;
  // A reader that goes away must not kill the program between a posting and
  // its move: a failed write is reported by the exit code instead.
  brivane::os::IgnorerTubeRompu();
  QCoreApplication application(argc, argv);
  brivane::ChargerTraductionsFrancaises(application);
  brivane::platform::StockageReglagesQt fichier;
  // The password where the window saved it: the keyring if one answers, else the file.
  brivane::platform::CoffreMotDePasseQt coffre(brivane::kApplication);
  brivane::StockageAvecCoffre store(fichier, fichier.Emplacement(brivane::kApplication), coffre);
  QTextStream sortie(stdout);
  QTextStream erreurs(stderr);
  // File names as the system gave them, whatever their bytes.
  QStringList arguments;
  for (const std::string& argument : brivane::os::Arguments(argc, argv)) {
    arguments << brivane::platform::DecoderNom(QByteArray::fromStdString(argument));
  }
  const brivane::ServicesImport services = brivane::Composition::Import();
  const int code = brivane::ImporterEnLigne(arguments, store, sortie, erreurs, services);
  if (code == brivane::kAideDemandee) {
    sortie << brivane::AideImportEnLigne(fichier.Emplacement(brivane::kApplication),
                                         brivane::SqliteJournalImport::CheminParDefaut());
    sortie.flush();
    return sortie.status() == QTextStream::Ok ? 0 : brivane::kSortieImpossible;
  }
  return code;
}
