#include "dbase/SqlTemplate.h"

namespace brivane::dbase {

SqlTemplate::SqlTemplate(const QStringList& pieces) {
  segments_.push_back({pieces.join(QString())});
}

SqlTemplate& SqlTemplate::Remplacer(const QString& placeholder, const QString& literal) {
  if (placeholder.isEmpty()) {
    return *this;
  }
  std::vector<Segment> resultat;
  for (const Segment& segment : segments_) {
    if (segment.valeur) {
      resultat.push_back(segment);
      continue;
    }
    qsizetype debut = 0;
    for (qsizetype trouve = segment.texte.indexOf(placeholder, 0, Qt::CaseSensitive); trouve >= 0;
         trouve = segment.texte.indexOf(placeholder, debut, Qt::CaseSensitive)) {
      resultat.push_back({segment.texte.mid(debut, trouve - debut)});
      resultat.push_back({literal, true});
      debut = trouve + placeholder.size();
    }
    resultat.push_back({segment.texte.mid(debut)});
  }
  segments_ = std::move(resultat);
  return *this;
}

QString SqlTemplate::Texte() const {
  QString texte;
  for (const Segment& segment : segments_) {
    texte += segment.texte;
  }
  return texte;
}

}  // namespace brivane::dbase
