#include "support/ConfigurationIsolee.h"

#include "app/JournalImport.h"
#include "platform/StockageReglagesQt.h"
#include "support/QStringPrinter.h"

#include <QDir>

#include <gtest/gtest.h>

namespace brivane {
namespace {

TEST(ConfigurationIsolee, TheTestsNeverWriteTheUsersOwnSettingsOrJournal) {
  const QString dossier = qEnvironmentVariable("BRIVANE_CONFIG_DIR");
  ASSERT_FALSE(dossier.isEmpty());
  EXPECT_TRUE(SqliteJournalImport::CheminParDefaut().startsWith(dossier));
  EXPECT_TRUE(platform::StockageReglagesQt::DossierParDefaut().startsWith(dossier));
  EXPECT_FALSE(dossier.startsWith(QDir::homePath() + QStringLiteral("/.config")));
}

}  // namespace
}  // namespace brivane
