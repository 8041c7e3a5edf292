#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace brivane::dbase {

// A statement template: pieces joined as given, whose placeholders ("@nom")
// are replaced one after the other. Only the template's own text is searched:
// a value already put in, even one holding "@adresse", is never touched again.
class ModeleSql final {
 public:
  explicit ModeleSql(const QStringList& pieces);

  // Replaces every occurrence of the placeholder `repere` (exact case) by the
  // literal `litteral`.
  ModeleSql& Remplacer(const QString& repere, const QString& litteral);
  QString Texte() const;

 private:
  // A run of the template's text, or a literal put in by Remplacer.
  struct Segment {
    qsizetype debut = 0;
    qsizetype longueur = 0;
    int valeur = -1;  // index in valeurs_, or -1 for template text
  };
  // Where `repere` occurs in the template text of a segment, from `depuis`.
  qsizetype Chercher(const Segment& segment, qsizetype depuis, const QString& repere) const;

  QString modele_;
  std::vector<qsizetype> arobases_;  // positions of '@' in modele_, where placeholders start
  std::vector<QString> valeurs_;
  std::vector<Segment> segments_;
};

}  // namespace brivane::dbase
