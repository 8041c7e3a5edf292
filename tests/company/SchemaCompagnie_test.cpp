// The built-in company's tables are declared once, by the schema that makes
// them. The record objects' column lists and the docs are checked against it.
#include "company/BaseCompagnie.h"
#include "company/TablesIntegrees.h"
#include "support/QStringPrinter.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace brivane::company::integre {
namespace {

// Column name -> declared type, as SQLite reports a new company's table.
std::map<QString, QString> ColonnesSql(const BaseCompagnie& base, const QString& table) {
  Requete r(base.db(), QStringLiteral("SELECT name, type FROM pragma_table_info('%1')").arg(table));
  std::map<QString, QString> colonnes;
  while (r.Suivante()) {
    colonnes[r.Texte(0)] = r.Texte(1);
  }
  return colonnes;
}

QStringList TablesSql(const BaseCompagnie& base) {
  Requete r(base.db(), QStringLiteral("SELECT name FROM sqlite_schema WHERE type = 'table' "
                                      "AND name NOT LIKE 'sqlite_%' ORDER BY name"));
  QStringList tables;
  while (r.Suivante()) {
    tables << r.Texte(0);
  }
  return tables;
}

QString TypeSql(Type type) {
  switch (type) {
    case Type::Entier:
      return QStringLiteral("INTEGER");
    case Type::Reel:
      return QStringLiteral("REAL");
    case Type::Texte:
      break;
  }
  return QStringLiteral("TEXT");
}

// The rows of the "Tables" section of the docs, by table name.
std::map<QString, QString> LignesDocs() {
  QFile f(QStringLiteral(BRIVANE_DOCS "/built-in-company.md"));
  EXPECT_TRUE(f.open(QIODevice::ReadOnly));
  const QString texte = QString::fromUtf8(f.readAll());
  const qsizetype debut = texte.indexOf(QStringLiteral("\n## Tables\n"));
  const qsizetype fin = texte.indexOf(QStringLiteral("\n## "), debut + 1);
  EXPECT_GE(debut, 0);
  std::map<QString, QString> lignes;
  static const QRegularExpression ligne(QStringLiteral("^\\| `([a-z_]+)` \\|(.*)$"),
                                        QRegularExpression::MultilineOption);
  auto it = ligne.globalMatch(texte.mid(debut, fin - debut));
  while (it.hasNext()) {
    const auto m = it.next();
    lignes[m.captured(1)] = m.captured(2);
  }
  return lignes;
}

// Whether a docs row names the column: as itself, inside a numbered run
// ("`taux_0` … `taux_2`"), or as the delivery twin of a billing column
// ("the same six with `_livraison`").
bool Mentionnee(const QString& ligne, const QString& colonne) {
  if (ligne.contains(u'`' + colonne + u'`')) {
    return true;
  }
  static const QRegularExpression numerotee(QStringLiteral("^(.*_)(\\d+)$"));
  if (const auto m = numerotee.match(colonne); m.hasMatch()) {
    const QRegularExpression suite(
        u'`' + QRegularExpression::escape(m.captured(1)) + QStringLiteral("(\\d+)` \u2026 `") +
        QRegularExpression::escape(m.captured(1)) + QStringLiteral("(\\d+)`"));
    const auto s = suite.match(ligne);
    const int n = m.captured(2).toInt();
    if (s.hasMatch() && s.captured(1).toInt() <= n && n <= s.captured(2).toInt()) {
      return true;
    }
  }
  const QString livraison = QStringLiteral("_livraison");
  if (colonne.endsWith(livraison)) {
    const QString facturation = colonne.chopped(livraison.size()) + QStringLiteral("_facturation");
    return ligne.contains(u'`' + facturation + u'`') && ligne.contains(u'`' + livraison + u'`');
  }
  return false;
}

class SchemaCompagnie : public ::testing::Test {
 protected:
  SchemaCompagnie() : base_(BaseCompagnie::Creer(dossier_.path(), QStringLiteral("Schéma"))) {}

  QTemporaryDir dossier_;
  std::unique_ptr<BaseCompagnie> base_;
};

TEST_F(SchemaCompagnie, EveryColumnTheRecordsUseIsInTheSchemaWithItsType) {
  for (const Table* table : Tables()) {
    const auto colonnes = ColonnesSql(*base_, table->nom);
    ASSERT_FALSE(colonnes.empty()) << table->nom.toStdString();
    if (!table->cle.isEmpty()) {
      EXPECT_TRUE(colonnes.count(table->cle))
          << table->nom.toStdString() << " key " << table->cle.toStdString();
    }
    for (const Colonne& c : table->colonnes) {
      const auto it = colonnes.find(c.nom);
      ASSERT_NE(it, colonnes.end()) << table->nom.toStdString() << "." << c.nom.toStdString();
      EXPECT_EQ(it->second, TypeSql(c.type))
          << table->nom.toStdString() << "." << c.nom.toStdString();
    }
  }
}

TEST_F(SchemaCompagnie, TheDocsListEveryTableAndColumnOfTheSchemaAndNoOther) {
  const auto lignes = LignesDocs();
  const QStringList tables = TablesSql(*base_);
  ASSERT_FALSE(tables.isEmpty());
  EXPECT_EQ(lignes.size(), static_cast<std::size_t>(tables.size()));
  static const QRegularExpression nom(QStringLiteral("`([a-z][a-z0-9_]*)`"));
  for (const QString& table : tables) {
    const auto ligne = lignes.find(table);
    ASSERT_NE(ligne, lignes.end()) << table.toStdString() << " is not in docs/built-in-company.md";
    const auto colonnes = ColonnesSql(*base_, table);
    for (const auto& [colonne, type] : colonnes) {
      if (colonne != QStringLiteral("position")) {
        EXPECT_TRUE(Mentionnee(ligne->second, colonne))
            << table.toStdString() << "." << colonne.toStdString();
      }
    }
    auto it = nom.globalMatch(ligne->second);
    while (it.hasNext()) {
      const QString cite = it.next().captured(1);
      EXPECT_TRUE(colonnes.count(cite))
          << table.toStdString() << ": the docs name " << cite.toStdString();
    }
  }
}

}  // namespace
}  // namespace brivane::company::integre
