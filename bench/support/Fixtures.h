#pragma once

// Fixture companies for the benchmarks, kept between runs in the benchmark
// folder: generating a company of a million customers takes far longer than
// posting into it.
#include "document/ComSoum.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace brivane::bench {

// Where fixtures and generated files live: $BRIVANE_BENCH_DATA, or
// "bench-data" under the working folder.
QString DossierDonnees();

// The line count of the posted invoice, and the share of it whose products are new.
inline constexpr int kLignesFacture = 1000;

// A dBASE company whose client and produi hold `rangees` rows and whose factit
// holds ten times as many (factma a tenth as many invoices of 100 lines each).
// Made once; the folder is returned.
QString CompagnieDbf(int rangees);
// The built-in company of the same sizes.
QString CompagnieIntegree(int rangees);
// Seconds the last generation of that fixture took (0 when it was reused).
double SecondesGeneration(const QString& dossier);

// The invoice of kLignesFacture lines into a company of `rangees` rows: an
// existing customer, every other product an existing one, the others new.
void RemplirFacture(ComSoum& document, int rangees, int lignes = kLignesFacture);

// The state of the .dbf files of a folder, to put them back after a posting.
// Large files only grow by appended rows: their size, header and last byte
// are enough; small ones are kept whole.
class InstantaneDbf {
 public:
  explicit InstantaneDbf(const QString& dossier);
  void Restaurer() const;
  // The records appended to each table since the snapshot, as raw bytes.
  std::map<QString, std::vector<QByteArray>> NouvellesRangees() const;

 private:
  struct Fichier {
    QString chemin;
    qint64 taille = 0;
    QByteArray entete;   // the first 32 bytes
    QByteArray dernier;  // the last byte
    QByteArray entier;   // the whole file when small
  };
  std::vector<Fichier> fichiers_;
};

// The rows a posting added to the built-in company, removed again.
class InstantaneIntegre {
 public:
  explicit InstantaneIntegre(const QString& dossier);
  void Restaurer() const;

 private:
  QString dossier_;
  std::map<QString, qint64> derniere_;  // largest position per table
};

}  // namespace brivane::bench
