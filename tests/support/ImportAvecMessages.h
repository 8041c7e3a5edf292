#pragma once

#include "app/Composition.h"
#include "app/ImporterFichier.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <gtest/gtest.h>

namespace brivane::testing {

// Writes an invoice file of the given bytes at chemin; returns chemin.
inline QString EcrireFichier(const QString& chemin, const QByteArray& contenu) {
  QFile f(chemin);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << chemin.toStdString();
  EXPECT_EQ(f.write(contenu), contenu.size());
  return chemin;
}

// Import runs on the real file system whose messages are kept, each as
// "Titre : texte", those of the latest run only.
class ImportAvecMessages {
 public:
  ResultatImport Importer(const QString& chemin, const ConfigurationTransfert& config) {
    messages_.clear();
    return ImporterFichier(
        chemin, config,
        [this](const QString& texte, const QString& titre) {
          messages_ << titre + QStringLiteral(" : ") + texte;
        },
        [](bool) {}, Composition::Import());
  }

  // Imports chemin and checks that it was posted, confirmed and moved into traite.
  void Transferer(const QString& chemin, const ConfigurationTransfert& config,
                  const QString& traite) {
    ASSERT_EQ(Importer(chemin, config), ResultatImport::Transfere)
        << messages_.join(u'|').toStdString();
    EXPECT_EQ(messages_,
              QStringList{QStringLiteral(
                  "Confirmation : La facture a été transférer à votre système comptable.")});
    EXPECT_FALSE(QFile::exists(chemin));
    EXPECT_TRUE(QFile::exists(QDir(traite).filePath(QFileInfo(chemin).fileName())));
  }

  QStringList messages_;
};

}  // namespace brivane::testing
