// brivane-postage-frais preparer|dbase|plancher|poster RANGEES [DOSSIER]
// One dBASE posting of the benchmark invoice, or its floor, in a process of
// its own, as a user meets it: prints the milliseconds it took. "preparer"
// posts once and keeps the rows written, for "plancher" to write them again.
// The company (BRIVANE_BENCH_DATA) is put back as it was after each run;
// "poster" posts into a copy of it, DOSSIER, and leaves it posted, to compare
// what two builds write.
#include "dbase/BackEndDbf.h"
#include "dbf/FournisseurDbfSqlite.h"
#include "document/ComSoum.h"
#include "platform/HorlogeQt.h"
#include "platform/NomOrdinateurQt.h"
#include "platform/ParametresRegionauxQt.h"
#include "support/Fixtures.h"
#include "support/Plancher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <cstdio>

using namespace brivane;

namespace {

bool Poster(const QString& dossier, int rangees) {
  ServicesDocument s;
  s.horloge = std::make_shared<platform::HorlogeQt>();
  s.dbase = [](ComSoum& document) -> std::unique_ptr<BackEnd> {
    return std::make_unique<dbase::BackEndDbf>(
        document,
        dbase::ServicesDbf{std::make_shared<dbf::FournisseurDbfSqlite>(os::SystemeFichiers::Reel()),
                           std::make_shared<platform::NomOrdinateurQt>(),
                           std::make_shared<platform::ParametresRegionauxQt>(),
                           os::SystemeFichiers::Reel()});
  };
  ComSoum document(s);
  bench::RemplirFacture(document, rangees);
  document.SystemeComptable(2);
  document.cheminCie(dossier);
  document.cheminApp(dossier);
  document.Soumission(false);
  const auto debut = std::chrono::steady_clock::now();
  const bool ok = document.Enregistrer();
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - debut).count();
  if (!ok) {
    std::fprintf(stderr, "%s\n", document.Message().toUtf8().constData());
    return false;
  }
  std::printf("%.3f\n", ms);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "Usage: brivane-postage-frais preparer|dbase|plancher|poster RANGEES\n");
    return 2;
  }
  const QString mode = QString::fromLatin1(argv[1]);
  const int rangees = QString::fromLatin1(argv[2]).toInt();
  if (mode == u"poster" && argc == 4) {
    const QString copie = QString::fromLocal8Bit(argv[3]);
    QDir().mkpath(copie);
    const QDir source(bench::CompagnieDbf(rangees));
    for (const QFileInfo& f : source.entryInfoList({QStringLiteral("*.dbf")}, QDir::Files)) {
      QFile::copy(f.absoluteFilePath(), QDir(copie).filePath(f.fileName()));
    }
    return Poster(copie, rangees) ? 0 : 1;
  }
  const QString dossier = bench::CompagnieDbf(rangees);
  const QString fichierRangees =
      QDir(bench::DossierDonnees()).filePath(QStringLiteral("rangees-%1.bin").arg(rangees));
  const bench::InstantaneDbf instantane(dossier);
  bool ok = true;
  if (mode == u"dbase" || mode == u"preparer") {
    ok = Poster(dossier, rangees);
    if (ok && mode == u"preparer") {
      bench::EcrireRangees(fichierRangees, instantane.NouvellesRangees());
    }
  } else if (mode == u"plancher") {
    const bench::RangeesParTable lignes = bench::LireRangees(fichierRangees);
    const auto debut = std::chrono::steady_clock::now();
    bench::PlancherShapelib(dossier, lignes);
    std::printf("%.3f\n",
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - debut)
                    .count());
  } else {
    ok = false;
  }
  instantane.Restaurer();
  return ok ? 0 : 1;
}
