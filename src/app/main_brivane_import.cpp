// brivane-import: the import run without windows, for the producing program
// and for scripts.
#include "app/ImportEnLigne.h"
#include "app/Programme.h"
#include "platform/QtSettingsStore.h"
#include "settings/ConfigurationTransfert.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
  if (brivane::AfficherVersionSiDemandee(argc, argv)) return 0;
  QCoreApplication application(argc, argv);
  brivane::ChargerTraductionsFrancaises(application);
  brivane::platform::QtSettingsStore store;
  QTextStream sortie(stdout);
  QTextStream erreurs(stderr);
  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();
  const int code = brivane::ImporterEnLigne(arguments, store, sortie, erreurs);
  if (code == brivane::kAideDemandee) {
    sortie << brivane::AideImportEnLigne(store.Emplacement(brivane::kApplication));
    return 0;
  }
  return code;
}
