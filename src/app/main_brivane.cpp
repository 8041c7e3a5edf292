// brivane: the main window.
#include "app/Composition.h"
#include "app/Programme.h"
#include "app/frmPrincipale.h"
#include "platform/CoffreMotDePasseQt.h"
#include "platform/StockageReglagesQt.h"
#include "platform/gui/InterfaceQt.h"
#include "settings/ConfigurationTransfert.h"
#include "settings/StockageAvecCoffre.h"

#include <QApplication>

int main(int argc, char** argv) {
  if (brivane::AfficherVersionSiDemandee(argc, argv)) return 0;
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Brivane"));
  QGuiApplication::setDesktopFileName(QStringLiteral("brivane"));  // its menu entry and icon
  brivane::ChargerTraductionsFrancaises(application);

  brivane::platform::StockageReglagesQt fichier;
  // The password in the keyring where one answers, else in the file.
  brivane::platform::CoffreMotDePasseQt coffre(brivane::kApplication);
  brivane::StockageAvecCoffre store(fichier, fichier.Emplacement(brivane::kApplication), coffre);
  brivane::platform::BoiteMessageQt messages;
  brivane::platform::PointeurOccupeQt occupe;
  brivane::platform::DialogueFichierQt dialogue;
  brivane::frmPrincipale fenetre(
      {store, messages, occupe, dialogue, brivane::Composition::Import()});
  fenetre.show();
  return QApplication::exec();
}
