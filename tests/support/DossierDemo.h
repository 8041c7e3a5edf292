#pragma once

#include "company/CompagnieDemo.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace brivane::testing {

// A temporary folder holding a demo company of the built-in provider (user
// demo, password demo) and an empty folder of processed files.
class DossierDemo : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(racine_.isValid());
    QDir(racine_.path()).mkpath(QStringLiteral("compagnie"));
    QDir(racine_.path()).mkpath(QStringLiteral("traite"));
    company::CompagnieDemo::Creer(compagnie(), QStringLiteral("demo"), QStringLiteral("demo"));
  }

  QString compagnie() const { return racine_.filePath(QStringLiteral("compagnie")); }
  QString traite() const { return racine_.filePath(QStringLiteral("traite")); }

  QTemporaryDir racine_;
};

}  // namespace brivane::testing
