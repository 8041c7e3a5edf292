// What a product lookup and a line insert cost against a company with many
// products. Repeated on one connection, lookups after the first go through
// the connection's index of the key column.
#include "dbase/DossierDemoDbf.h"
#include "dbf/FournisseurDbfSqlite.h"
#include "dbf/TableDbf.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

namespace {

using brivane::dbf::TableDbf;

// A fixture company whose produi holds `produits` rows.
QString Compagnie(QTemporaryDir& dir, int produits) {
  brivane::dbase::DossierDemoDbf().Creer(dir.path());
  auto table = TableDbf::OuvrirEcriture(QDir(dir.path()).filePath(QStringLiteral("produi.dbf")),
                                        brivane::os::SystemeFichiers::Reel());
  for (int i = 0; i < produits; ++i) {
    table->write(i, table->composer({QStringLiteral("P%1").arg(i).leftJustified(21, u'.'),
                                     QStringLiteral("Produit %1").arg(i)},
                                    nullptr));
  }
  table->terminer(QDate::currentDate());
  return QStringLiteral("Data Source=") + dir.path();
}

void ProductLookup(benchmark::State& state) {
  QTemporaryDir dir;
  const auto base = brivane::dbf::FournisseurDbfSqlite(brivane::os::SystemeFichiers::Reel())
                        .Open(Compagnie(dir, static_cast<int>(state.range(0))));
  const QString select = QStringLiteral("select * from produi where pnum='ABSENT...............'");
  for (auto _ : state) {
    benchmark::DoNotOptimize(base->Execute(select)->Eof());
  }
}
BENCHMARK(ProductLookup)->Arg(1000)->Arg(50000)->Unit(benchmark::kMillisecond);

void InvoiceLineInsert(benchmark::State& state) {
  QTemporaryDir dir;
  const auto base = brivane::dbf::FournisseurDbfSqlite(brivane::os::SystemeFichiers::Reel())
                        .Open(Compagnie(dir, 0));
  const QString insert = QStringLiteral(
      "insert into factit (finofact,filigne,fipnum,fipnom,fipqtec,fipqte,fipprix,fipvent,fitaxf,"
      "fitaxp,fiescfix,fiescprc,finclf,finclp,ficode,fitype,ficout,fiplev) values ('!00007',1,"
      "'..................AB6','Vis',2,2,10,20,1,1,0,0,0,0,'F',1,20,1)");
  for (auto _ : state) {
    base->Execute(insert);
  }
}
BENCHMARK(InvoiceLineInsert)->Unit(benchmark::kMicrosecond);

}  // namespace
