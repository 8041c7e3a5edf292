#include "app/Programme.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstring>

#ifndef BRIVANE_VERSION
#error "BRIVANE_VERSION comes from the build (src/CMakeLists.txt)"
#endif

namespace brivane {

QString Version() { return QStringLiteral(BRIVANE_VERSION); }

bool AfficherVersionSiDemandee(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) {
      return false;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      const QString nom = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
      std::printf("%s %s\n", qUtf8Printable(nom), BRIVANE_VERSION);
      std::fflush(stdout);
      return true;
    }
  }
  return false;
}

bool ChargerTraductionsFrancaises(QCoreApplication& application) {
  // The translator must live as long as the application: it is its child.
  auto* traducteur = new QTranslator(&application);
  const QLocale francais(QLocale::French, QLocale::Canada);
  if (!traducteur->load(francais, QStringLiteral("qt"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete traducteur;
    return false;
  }
  QCoreApplication::installTranslator(traducteur);
  // Dates and numbers in Qt's own dialogs follow the same language.
  QLocale::setDefault(francais);
  return true;
}

}  // namespace brivane
