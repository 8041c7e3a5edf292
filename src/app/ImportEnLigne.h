#pragma once

#include "app/ImporterFichier.h"
#include "platform/StockageReglages.h"

#include <QStringList>
#include <QTextStream>

namespace brivane {

// Exit codes of the headless importer; a larger code is a more serious outcome,
// so that several files end with the code of the worst one.
enum CodeSortie : int {
  kAideDemandee = -1,  // not an exit code: the caller prints the help and exits 0
  kTousTransferes = 0,
  kErreurInterne = 1,
  kUsage = 2,
  kFichierNonIndique = 3,
  kConfigurationIncomplete = 4,
  kLectureImpossible = 5,
  kRefuse = 6,
  kDeplacementImpossible = 7,
  kDejaTransfere = 8,
  kInterrompu = 9,
  kSortieImpossible = 10,
  kEnCoursAilleurs = 11,
};

int CodeDe(ResultatImport resultat);

// The headless importer: runs the import of each file named in arguments (the
// program name excluded) in turn with the configuration of store, writes each
// message as "Titre : texte" (the confirmation on sortie, everything else on
// erreurs) and returns the exit code. Each file is moved before its
// confirmation is written; a failed write changes nothing imported and gives
// kSortieImpossible. --journal lists the import journal instead.
int ImporterEnLigne(const QStringList& arguments, platform::StockageReglages& store,
                    QTextStream& sortie, QTextStream& erreurs, const ServicesImport& services);

// The French help of the program.
QString AideImportEnLigne(const QString& emplacementConfiguration,
                          const QString& emplacementJournal);

}  // namespace brivane
