#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace brivane::platform {

// The largest file read as an invoice: far above any real one (a few
// kilobytes), low enough that a mistaken path cannot fill the memory.
inline constexpr qint64 kTailleMaximaleFichier = 64LL * 1024 * 1024;

// Reads a whole file as bytes; the caller decodes them.
class LecteurFichier {
 public:
  virtual ~LecteurFichier() = default;
  // The file's bytes, or nothing with the reason in raison (French, a clause
  // that fits after "… : ").
  virtual std::optional<QByteArray> LireOctets(const QString& chemin, QString& raison) const = 0;
};

// Moves a file to another path. Fails when the source is missing or when the
// target already exists; never replaces a file.
class DeplaceurFichier {
 public:
  virtual ~DeplaceurFichier() = default;
  // True when cible can take source before anything is done: its folder
  // exists, is a folder, can be written, is not source's own folder, and holds
  // nothing of that name. Otherwise false with the reason in raison.
  virtual bool PeutRecevoir(const QString& source, const QString& cible, QString& raison) const = 0;
  // True when moved; otherwise false with the reason in raison, and source
  // where it was.
  virtual bool Deplacer(const QString& source, const QString& cible, QString& raison) = 0;
  // Whether the file is still where it was (a failed move may have left it).
  virtual bool Present(const QString& chemin) const;
  // As Deplacer, but when a file of cible's name is there already, under the
  // first free name of the form "nom (2).ext", "nom (3).ext", …: nothing is
  // ever replaced. The name used is left in cibleFinale.
  bool DeplacerSousNomLibre(const QString& source, const QString& cible, QString& cibleFinale,
                            QString& raison);
};

// The n-th name tried for cible (n from 2): "dossier/nom (n).ext".
QString NomLibre(const QString& cible, int n);

// Reads only regular files (a link to one included), at most
// kTailleMaximaleFichier bytes; devices, FIFOs and sockets are refused without
// waiting on them. Names go to the system with EncoderNom.
class LecteurFichierQt final : public LecteurFichier {
 public:
  std::optional<QByteArray> LireOctets(const QString& chemin, QString& raison) const override;
};

// The move of DeplacerSansEcraser, with French reasons.
class DeplaceurFichierQt final : public DeplaceurFichier {
 public:
  bool PeutRecevoir(const QString& source, const QString& cible, QString& raison) const override;
  bool Deplacer(const QString& source, const QString& cible, QString& raison) override;
  bool Present(const QString& chemin) const override;
};

}  // namespace brivane::platform
