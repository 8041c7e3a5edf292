#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace brivane::platform {

// Reads a whole file as bytes; the caller decodes them.
class LecteurFichier {
 public:
  virtual ~LecteurFichier() = default;
  // The file's bytes, or nothing with the reason in raison.
  virtual std::optional<QByteArray> LireOctets(const QString& chemin, QString& raison) const = 0;
};

// Moves a file to another path. Fails when the source is missing or when the
// target already exists; never replaces a file.
class DeplaceurFichier {
 public:
  virtual ~DeplaceurFichier() = default;
  // True when moved; otherwise false with the reason in raison.
  virtual bool Deplacer(const QString& source, const QString& cible, QString& raison) = 0;
};

class QtLecteurFichier final : public LecteurFichier {
 public:
  std::optional<QByteArray> LireOctets(const QString& chemin, QString& raison) const override;
};

class QtDeplaceurFichier final : public DeplaceurFichier {
 public:
  bool Deplacer(const QString& source, const QString& cible, QString& raison) override;
};

}  // namespace brivane::platform
