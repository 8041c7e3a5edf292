// Every seed and every input a fuzzer once failed on, replayed through the
// same target bodies: a fault fixed stays fixed in the ordinary test run.
#include "targets/Targets.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brivane::testing {
namespace {

struct Entree {
  std::string cible;
  QString chemin;
  void (*corps)(const std::uint8_t*, std::size_t);
};

std::vector<Entree> Entrees() {
  const struct {
    const char* cible;
    void (*corps)(const std::uint8_t*, std::size_t);
  } cibles[] = {{"invoice_reader", fuzz::LectureFacture},
                {"sql_literal", fuzz::LitterauxSql},
                {"dbf_table", fuzz::TableDbf},
                {"company_db", fuzz::BaseCompagnieEndommagee}};
  std::vector<Entree> entrees;
  for (const auto& c : cibles) {
    for (const char* sorte : {"corpus", "regressions"}) {
      const QDir dossier(QStringLiteral(BRIVANE_FUZZ_DIR "/%1/%2")
                             .arg(QLatin1String(sorte), QLatin1String(c.cible)));
      for (const QString& nom : dossier.entryList(QDir::Files, QDir::Name)) {
        entrees.push_back({c.cible, dossier.filePath(nom), c.corps});
      }
    }
  }
  return entrees;
}

class FuzzRejeuTest : public ::testing::TestWithParam<Entree> {};

TEST_P(FuzzRejeuTest, inputIsHandledCleanly) {
  QFile f(GetParam().chemin);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << GetParam().chemin.toStdString();
  const QByteArray octets = f.readAll();
  // A broken promise aborts the program with its reason on standard error.
  GetParam().corps(reinterpret_cast<const std::uint8_t*>(octets.constData()),
                   static_cast<std::size_t>(octets.size()));
}

INSTANTIATE_TEST_SUITE_P(Entrees, FuzzRejeuTest, ::testing::ValuesIn(Entrees()),
                         [](const ::testing::TestParamInfo<Entree>& p) {
                           std::string nom = p.param.cible + "_" + std::to_string(p.index);
                           return nom;
                         });

TEST(FuzzCorpusTest, everyTargetHasSeeds) {
  for (const char* cible : {"invoice_reader", "sql_literal", "dbf_table", "company_db"}) {
    EXPECT_FALSE(
        QDir(QStringLiteral(BRIVANE_FUZZ_DIR "/corpus/%1").arg(QLatin1String(cible))).isEmpty())
        << cible;
  }
}

}  // namespace
}  // namespace brivane::testing
