#include "dbase/DossierDemoDbf.h"

#include "platform/ErreurBaseDonnees.h"

#include <QDir>
#include <QFileInfo>

namespace brivane::dbase {

namespace {

using dbf::ChampDbf;

ChampDbf C(const char* name, int width) { return {QString::fromLatin1(name), 'C', width, 0, 0}; }
ChampDbf N(const char* name, int width, int decimals) {
  return {QString::fromLatin1(name), 'N', width, decimals, 0};
}
ChampDbf L(const char* name) { return {QString::fromLatin1(name), 'L', 1, 0, 0}; }
ChampDbf D(const char* name) { return {QString::fromLatin1(name), 'D', 8, 0, 0}; }

ChampDbf Montant(const char* name) { return N(name, 12, 2); }
ChampDbf Taux(const char* name) { return N(name, 8, 5); }

// Windows ANSI (code page 1252).
constexpr unsigned char kPilote1252 = 0x57;

}  // namespace

const std::vector<DossierDemoDbf::Table>& DossierDemoDbf::Tables() {
  static const std::vector<Table> tables = {
      {QStringLiteral("client"),
       {C("CNUM", 10), C("CNOM", 45), C("CADR", 45), C("CVIL", 30), C("CPROV", 2), C("CCOD", 7),
        C("CCTEL1", 12), C("CCFAX1", 12), C("CCMAIL1", 60), C("CPAYS", 3), C("CRESP", 30),
        Montant("CSOLDE")}},
      {QStringLiteral("produi"),
       {C("PNUM", 21), C("PNOM", 63), C("PNOMA", 63), C("PFRN", 10), C("PGLACHAT", 5),
        C("PPOST", 5), L("PTXP"), L("PTXF"), N("PCOU", 13, 4), C("PFMT", 20), C("PSPE", 20),
        C("PDPT", 10), C("PSSG", 10), C("PLOC", 8), N("PQTE", 12, 3)}},
      {QStringLiteral("factma"),
       {C("FFCNUM", 10),      C("FFCNOM", 45),     C("FFCADR", 45),      C("FFCVIL", 30),
        C("FFCCOD", 7),       C("FFCTEL", 12),     C("FFLCNUM", 10),     C("FFLCNOM", 45),
        C("FFLCADR", 45),     C("FFLCVIL", 30),    C("FFLCCOD", 7),      C("FFLCTEL", 12),
        C("FFVEND", 10),      Montant("FFSS_TAX"), Montant("FFTAXF"),    Montant("FFTAXP"),
        Montant("FFGTOT"),    Montant("FFSOLDE"),  Montant("FFTOTDU"),   Montant("FFSSTOT"),
        C("FFNOFACT", 6),     D("FFDATE"),         Montant("FFESCOMPT"), Montant("FFESCFIX"),
        N("FFESCPRC", 6, 2),  N("FFNIVTAX", 1, 0), Taux("FFPRCTXP"),     N("FFGLTAX", 5, 0),
        Montant("FFPAIE1"),   Montant("FFPAIE2"),  Montant("FFPAIE3"),   Taux("FFTAUXF1"),
        Taux("FFTAUXF2"),     Montant("FFPAIE4"),  Montant("FFTAXFI"),   Montant("FFTAXPI"),
        C("FFTXFEDAV", 1),    C("FFTXFEDAP", 1),   C("FFPROAPES", 1),    Taux("FFTAUXF3"),
        Taux("FFPRCTXP2"),    Montant("FFTAXP2"),  Montant("FFTAXPI2"),  Taux("FFPRCRET"),
        Taux("FFTXRETP1"),    Taux("FFTXRETP2"),   Taux("FFTXRETF"),     Montant("FFMNTRET"),
        Montant("FFTOTRET"),  C("AVI", 1),         Montant("FFMNTTRA"),  C("FFGLTRA", 5),
        N("FFTXPTRA", 1, 0),  N("FFTXFTRA", 1, 0), Montant("FFTXREMF"),  Montant("FFTXREMP"),
        Montant("FFTXREMP2"), Montant("FFPAIE5"),  C("FFPOSTE", 30),     Montant("FFDPAMNT"),
        C("FFCPROV", 2),      C("FFCPAYS", 3),     C("FFLCPROV", 2),     C("FFLCPAYS", 3),
        Taux("FFPRCSUR"),     Montant("FFTXPSUR"), Montant("FFTXFSUR"),  Montant("FFMNTSUR"),
        L("FFCREDIT")}},
      {QStringLiteral("factit"),
       {C("FINOFACT", 6), N("FILIGNE", 4, 0), C("FIPNUM", 21), C("FIPNOM", 63), Montant("FIPQTEC"),
        Montant("FIPQTE"), Montant("FIPPRIX"), Montant("FIPVENT"), N("FITAXF", 1, 0),
        N("FITAXP", 1, 0), Montant("FIESCFIX"), N("FIESCPRC", 6, 2), N("FINCLF", 1, 0),
        N("FINCLP", 1, 0), C("FICODE", 1), N("FITYPE", 2, 0), Montant("FICOUT"),
        N("FIPLEV", 1, 0)}},
      {QStringLiteral("solde"), {N("SNEXTS", 6, 0)}},
      {QStringLiteral("taxpro"), {C("TAXPROV", 2), Taux("TAXPRC1")}},
  };
  return tables;
}

void DossierDemoDbf::Creer(const QString& dossier) const {
  if (!QDir().mkpath(dossier)) {
    throw platform::ErreurBaseDonnees(
        platform::ErreurBaseDonnees::kCannotOpen,
        QStringLiteral("Le dossier %1 ne peut pas être créé.").arg(dossier));
  }
  const QDir dir(dossier);
  for (const Table& table : Tables()) {
    if (QFileInfo::exists(dir.filePath(table.nom + QStringLiteral(".dbf")))) {
      throw platform::ErreurBaseDonnees(
          platform::ErreurBaseDonnees::kCannotOpen,
          QStringLiteral("La table %1 existe déjà dans %2 : rien n'a été créé.")
              .arg(table.nom, dossier));
    }
  }
  for (const Table& table : Tables()) {
    const QString chemin = dir.filePath(table.nom + QStringLiteral(".dbf"));
    dbf::TableDbf::Creer(chemin, table.champs, kPilote1252, os::SystemeFichiers::Reel());
  }

  const auto ajouter = [&](const QString& nom,
                           const std::vector<std::optional<platform::ValeurColonne>>& valeurs) {
    auto table = dbf::TableDbf::OuvrirEcriture(dir.filePath(nom + QStringLiteral(".dbf")),
                                               os::SystemeFichiers::Reel());
    table->write(table->nombreLignes(), table->composer(valeurs, nullptr));
    table->terminer(QDate::currentDate());
  };
  ajouter(QStringLiteral("solde"), {platform::ValeurColonne(qlonglong{compteur})});
  ajouter(QStringLiteral("taxpro"),
          {platform::ValeurColonne(QStringLiteral("QC")), platform::ValeurColonne(tauxProvincial)});
}

}  // namespace brivane::dbase
