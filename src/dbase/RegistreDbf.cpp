#include "dbase/RegistreDbf.h"

#include "dbase/LitteralSql.h"
#include "dbase/ModeleSql.h"
#include "platform/ErreurBaseDonnees.h"
#include "platform/os/Fichier.h"
#include "platform/os/Systeme.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace brivane::dbase {

namespace {

using platform::ErreurBaseDonnees;

// Windows ANSI (code page 1252), as the company's tables.
constexpr unsigned char kPilote1252 = 0x57;

std::string Systeme(const QString& chemin) { return QFile::encodeName(chemin).toStdString(); }

QString NomFichier() { return RegistreDbf::kTable + QStringLiteral(".dbf"); }

[[noreturn]] void Impossible(const QString& dossier, const QString& raison) {
  throw ErreurBaseDonnees(
      ErreurBaseDonnees::kCannotOpen,
      QStringLiteral("Le registre des importations (%1) ne peut pas être créé dans le dossier %2 : "
                     "%3. Rien n'a été écrit.")
          .arg(NomFichier(), QDir::toNativeSeparators(dossier), raison));
}

[[noreturn]] void Impossible(const QString& dossier, const os::ErreurOs& e) {
  Impossible(dossier, QString::fromStdString(os::TexteErreurFrancais(e.code())));
}

QString Texte(const platform::ValeurColonne& valeur) {
  const auto* texte = std::get_if<QString>(&valeur);
  return texte != nullptr ? *texte : QString();
}

}  // namespace

const std::vector<dbf::ChampDbf>& RegistreDbf::Champs() {
  static const std::vector<dbf::ChampDbf> champs = {
      {QStringLiteral("EMPREINT"), 'C', 64, 0, 0},  // SHA-256 of the file, hexadecimal
      {QStringLiteral("JOURNAL"), 'C', 64, 0, 0},   // the import journal's identity
      {QStringLiteral("NUMERO"), 'N', 15, 0, 0},    // that journal's number for the import
      {QStringLiteral("MOMENT"), 'C', 24, 0, 0},    // UTC, 2024-03-05T14:03:07.123Z
      {QStringLiteral("NODOC"), 'C', 10, 0, 0},     // the invoice's FFNOFACT
  };
  return champs;
}

bool RegistreDbf::Present(const QString& dossier) {
  const QStringList fichiers = QDir(dossier).entryList(QDir::Files);
  return fichiers.contains(NomFichier(), Qt::CaseInsensitive);
}

void RegistreDbf::Creer(os::SystemeFichiers& fichiers, const QString& dossier) {
  if (Present(dossier)) {
    return;
  }
  try {
    os::VerifierDossierInscriptible(Systeme(dossier));
  } catch (const os::ErreurOs& e) {
    Impossible(dossier, e);
  }
  // Every .dbf file of the folder is a table to the engine: ours is not
  // there under that name until it is whole.
  QTemporaryDir prive(QDir(dossier).filePath(kTable + QStringLiteral("-XXXXXX")));
  if (!prive.isValid()) {
    Impossible(dossier, QStringLiteral("un sous-dossier de travail n'a pas pu y être créé"));
  }
  const QString provisoire = QDir(prive.path()).filePath(NomFichier());
  dbf::TableDbf::Creer(provisoire, Champs(), kPilote1252, fichiers);
  try {
    fichiers.Ouvrir(Systeme(provisoire), os::Fichier::Mode::LectureEcriture)->Synchroniser();
    fichiers.RenommerSansRemplacer(Systeme(provisoire),
                                   Systeme(QDir(dossier).filePath(NomFichier())));
  } catch (const os::ErreurOs& e) {
    if (e.kind() == os::ErreurOs::Kind::Exists) {
      return;  // another posting put its own in place first: that one is used
    }
    Impossible(dossier, e);
  }
}

QString RegistreDbf::Recherche(const QString& empreinte) {
  return QStringLiteral("select * from %1 where EMPREINT=%2 order by MOMENT desc limit 1")
      .arg(kTable, literal::TexteCite(empreinte.toLower()));
}

QString RegistreDbf::Insertion(const RegistreImportation& registre) {
  ModeleSql insert(
      {QStringLiteral("insert into %1(EMPREINT,JOURNAL,NUMERO,MOMENT,NODOC) ").arg(kTable),
       QStringLiteral("values(@empreinte,@journal,@numero,@moment,@document)")});
  insert.Remplacer(QStringLiteral("@empreinte"), literal::TexteCite(registre.empreinte.toLower()))
      .Remplacer(QStringLiteral("@journal"), literal::TexteCite(registre.journal))
      .Remplacer(QStringLiteral("@numero"), QString::number(registre.numero))
      .Remplacer(QStringLiteral("@moment"),
                 literal::TexteCite(registre.moment.toUTC().toString(Qt::ISODateWithMs)))
      .Remplacer(QStringLiteral("@document"), literal::TexteCite(registre.numeroDocument));
  return insert.Texte();
}

RegistreImportation RegistreDbf::Lu(const platform::JeuLignes& ligne) {
  RegistreImportation registre;
  registre.empreinte = Texte(ligne.Field(QStringLiteral("EMPREINT")));
  registre.journal = Texte(ligne.Field(QStringLiteral("JOURNAL")));
  const platform::ValeurColonne numero = ligne.Field(QStringLiteral("NUMERO"));
  if (const auto* n = std::get_if<qlonglong>(&numero)) {
    registre.numero = *n;
  }
  registre.moment =
      QDateTime::fromString(Texte(ligne.Field(QStringLiteral("MOMENT"))), Qt::ISODateWithMs)
          .toUTC();
  registre.numeroDocument = Texte(ligne.Field(QStringLiteral("NODOC")));
  return registre;
}

}  // namespace brivane::dbase
