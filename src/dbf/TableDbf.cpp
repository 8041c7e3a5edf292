#include "dbf/TableDbf.h"

#include "dbf/CrochetsShapelib.h"
#include "platform/ErreurBaseDonnees.h"
#include "platform/TexteDecimal.h"
#include "platform/os/Fichier.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>

namespace brivane::dbf {

using platform::ErreurBaseDonnees;

namespace {

QString TableName(const QString& path) { return QFileInfo(path).fileName(); }

// The code page a language-driver byte names; Windows-1252 when it names none.
QByteArray CodecForDriver(unsigned char driver) {
  switch (driver) {
    case 0x00:
    case 0x03:
    case 0x57:
    case 0x58:
    case 0x59:
      return "windows-1252";
    case 0x01:
      return "IBM437";
    case 0x02:
      return "IBM850";
    case 0x64:
      return "IBM852";
    case 0x66:
      return "IBM865";
    case 0xC8:
      return "windows-1250";
    case 0xC9:
      return "windows-1251";
    case 0xCA:
      return "windows-1254";
    case 0xCB:
      return "windows-1253";
    default:
      return {};
  }
}

[[noreturn]] void Corrupt(const QString& path, const QString& why) {
  throw ErreurBaseDonnees(
      ErreurBaseDonnees::kCorruptTable,
      QStringLiteral("La table %1 est endommagée : %2.").arg(TableName(path), why));
}

DBFHandle Handle(void* handle) { return static_cast<DBFHandle>(handle); }

}  // namespace

TableDbf::TableDbf(QString path, Mode mode, EnteteDbf entete)
    : path_(std::move(path)), mode_(mode), entete_(std::move(entete)) {}

TableDbf::~TableDbf() {
  if (handle_ != nullptr) {
    DBFClose(Handle(handle_));
  }
}

std::unique_ptr<TableDbf> TableDbf::Ouvrir(const QString& path) {
  return OuvrirEn(path, Mode::Lecture, nullptr);
}

std::unique_ptr<TableDbf> TableDbf::OuvrirEcriture(const QString& path,
                                                   os::SystemeFichiers& fichiers) {
  return OuvrirEn(path, Mode::Ecriture, &fichiers);
}

std::unique_ptr<TableDbf> TableDbf::OuvrirEn(const QString& path, Mode mode,
                                             os::SystemeFichiers* fichiers) {
  const std::string file = QFile::encodeName(path).toStdString();
  std::optional<EnteteDbf> lu;
  QByteArray descripteurs;
  long long size = -1;
  try {
    const auto raw = os::Fichier::Ouvrir(file, os::Fichier::Mode::Lecture);
    lu = EnteteDbf::LireFichier(*raw);
    if (lu && lu->longueurEntete() > kTailleEntete) {
      descripteurs.resize(lu->longueurEntete() - kTailleEntete);
      descripteurs.resize(static_cast<qsizetype>(raw->LireA(
          kTailleEntete, descripteurs.data(), static_cast<std::size_t>(descripteurs.size()))));
    }
    size = static_cast<long long>(raw->Taille());
  } catch (const os::ErreurOs&) {
    throw ErreurBaseDonnees(
        ErreurBaseDonnees::kCannotOpen,
        QStringLiteral("La table %1 ne peut pas être ouverte.").arg(TableName(path)));
  }

  if (!lu) {
    Corrupt(path, QStringLiteral("l'en-tête est incomplet"));
  }
  EnteteDbf& header = *lu;
  if (!header.estDbase()) {
    Corrupt(path, QStringLiteral("ce n'est pas une table dBASE IV"));
  }
  if (header.longueurEntete() <= kTailleEntete || header.longueurLigne() < 1) {
    Corrupt(path, QStringLiteral("l'en-tête est invalide"));
  }
  const auto needed = static_cast<long long>(header.positionLigne(header.nombreLignes()));
  if (size < needed) {
    Corrupt(path, QStringLiteral("le fichier est plus court que ses lignes"));
  }
  const QByteArray codec = CodecForDriver(header.piloteLangue());
  if (codec.isEmpty()) {
    throw ErreurBaseDonnees(
        ErreurBaseDonnees::kUnsupported,
        QStringLiteral("La page de code de la table %1 n'est pas prise en charge.")
            .arg(TableName(path)));
  }
  if (mode == Mode::Ecriture && header.indexProduction()) {
    throw RefusIndexProduction(path);
  }

  header.LireChamps(descripteurs);
  std::vector<ChampDbf> fields = std::move(header.champs);
  header.champs.clear();
  std::unique_ptr<TableDbf> table(new TableDbf(path, mode, std::move(header)));
  table->codec_ = codec;
  if (mode == Mode::Ecriture) {
    try {
      table->fichier_ = fichiers->Ouvrir(file, os::Fichier::Mode::LectureEcriture);
    } catch (const os::ErreurOs& e) {
      throw ErreurBaseDonnees(ErreurBaseDonnees::kCannotOpen,
                              (e.kind() == os::ErreurOs::Kind::AccessDenied
                                   ? QStringLiteral("La table %1 est en lecture seule.")
                                   : QStringLiteral("La table %1 ne peut pas être ouverte."))
                                  .arg(TableName(path)));
    }
  } else {
    table->ouvrirLecteur();
  }
  table->fields_ = std::move(fields);
  const int offset =
      table->fields_.empty() ? 1 : table->fields_.back().offset + table->fields_.back().width;
  if (offset != table->entete_.longueurLigne() || table->fields_.empty()) {
    Corrupt(path, QStringLiteral("la longueur des lignes ne correspond pas aux colonnes"));
  }
  return table;
}

void TableDbf::ouvrirLecteur() {
  SAHooks hooks = CrochetsLecture();
  OublierErreurShapelib();
  handle_ = DBFOpenLL(QFile::encodeName(path_).constData(), "rb", &hooks);
  if (handle_ == nullptr) {
    Corrupt(path_, DerniereErreurShapelib().isEmpty() ? QStringLiteral("illisible")
                                                      : DerniereErreurShapelib());
  }
}

void TableDbf::Creer(const QString& path, const std::vector<ChampDbf>& fields,
                     unsigned char piloteLangue, os::SystemeFichiers& fichiers) {
  const EnteteDbf entete = EnteteDbf::Nouvelle(path, fields, piloteLangue, QDate::currentDate());
  QByteArray bytes(reinterpret_cast<const char*>(entete.octets.data()), kTailleEntete);
  bytes += entete.EcrireChamps();
  bytes += kFinFichier;
  const std::string file = QFile::encodeName(path).toStdString();
  try {
    std::unique_ptr<os::Fichier> io;
    bool replaced = false;
    try {
      io = fichiers.Ouvrir(file, os::Fichier::Mode::CreationNouveau);
    } catch (const os::ErreurOs& e) {
      if (e.kind() != os::ErreurOs::Kind::Exists) {
        throw;
      }
      io = fichiers.Ouvrir(file, os::Fichier::Mode::LectureEcriture);
      replaced = true;
    }
    io->EcrireA(0, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (replaced) {
      io->Tronquer(static_cast<std::uint64_t>(bytes.size()));
    }
  } catch (const os::ErreurOs&) {
    throw ErreurBaseDonnees(
        ErreurBaseDonnees::kCannotOpen,
        QStringLiteral("La table %1 ne peut pas être créée.").arg(TableName(path)));
  }
}

int TableDbf::indexChamp(const QString& name) const {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int TableDbf::nombreLignes() const {
  return mode_ == Mode::Ecriture ? static_cast<int>(entete_.nombreLignes())
                                 : DBFGetRecordCount(Handle(handle_));
}

QByteArray TableDbf::record(int n) const { return vueLigne(n).toByteArray(); }

QByteArrayView TableDbf::vueLigne(int n) const {
  const char* tuple = mode_ == Mode::Lecture ? DBFReadTuple(Handle(handle_), n) : lireLigne(n);
  if (tuple == nullptr) {
    throw ErreurBaseDonnees(ErreurBaseDonnees::kInputOutput,
                            QStringLiteral("La ligne %1 de la table %2 ne peut pas être lue.")
                                .arg(QString::number(n + 1), TableName(path_)));
  }
  return QByteArrayView(tuple, entete_.longueurLigne());
}

const char* TableDbf::lireLigne(int n) const {
  // Few rows are read while writing: one read each, into one buffer.
  if (n < 0 || n >= nombreLignes()) {
    return nullptr;
  }
  ligne_.resize(entete_.longueurLigne());
  const auto size = static_cast<std::size_t>(ligne_.size());
  try {
    const std::uint64_t at = entete_.positionLigne(static_cast<std::uint64_t>(n));
    return fichier_->LireA(at, ligne_.data(), size) == size ? ligne_.constData() : nullptr;
  } catch (const os::ErreurOs&) {
    return nullptr;
  }
}

QString TableDbf::decode(const QByteArray& bytes) const {
  // Making a decoder costs more than reading a record: keep one. Every code
  // page we know is single-byte, so no state carries from one field to the next.
  thread_local std::map<QByteArray, std::unique_ptr<QStringDecoder>> decoders;
  auto it = decoders.find(codec_);
  if (it == decoders.end()) {
    it = decoders.emplace(codec_, std::make_unique<QStringDecoder>(codec_.constData())).first;
  }
  it->second->resetState();
  return it->second->decode(bytes);
}

QByteArray TableDbf::texteStocke(const QByteArray& record, int index) const {
  return texteStocke(QByteArrayView(record), index).toByteArray();
}

QByteArrayView TableDbf::texteStocke(QByteArrayView record, int index) const {
  const ChampDbf& field = fields_[static_cast<std::size_t>(index)];
  QByteArrayView bytes = record.sliced(std::min<qsizetype>(field.offset, record.size()));
  bytes.truncate(std::min<qsizetype>(field.width, bytes.size()));
  qsizetype end = bytes.size();
  while (end > 0 && (bytes[end - 1] == ' ' || bytes[end - 1] == '\0')) {
    --end;
  }
  return bytes.first(end);
}

std::optional<QByteArray> TableDbf::encode(const QString& text) const {
  // Making an encoder costs more than writing a record: keep one per code
  // page and thread. Single-byte code pages carry no state from one text to
  // the next once a text encoded without error.
  // Never moved: the converter keeps the address of its state.
  thread_local std::map<QByteArray, std::unique_ptr<QStringEncoder>> encoders;
  auto it = encoders.find(codec_);
  if (it == encoders.end()) {
    it = encoders.emplace(codec_, std::make_unique<QStringEncoder>(codec_.constData())).first;
  }
  QByteArray bytes = it->second->encode(text);
  if (it->second->hasError()) {
    encoders.erase(it);  // its error would stay: the next text gets a new one
    return std::nullopt;
  }
  return bytes;
}

platform::ValeurColonne TableDbf::value(const QByteArray& record, int index) const {
  const ChampDbf& field = fields_[static_cast<std::size_t>(index)];
  QByteArray bytes = record.mid(field.offset, field.width);
  switch (field.type) {
    case 'N':
    case 'F': {
      bytes = bytes.trimmed();
      if (bytes.isEmpty() || bytes.count('*') == bytes.size()) {
        return {};
      }
      bool ok = false;
      if (!bytes.contains('.')) {
        const qlonglong whole = bytes.toLongLong(&ok);
        if (ok) {
          return whole;
        }
      }
      const double real = bytes.toDouble(&ok);  // C locale, whatever the settings
      return ok ? platform::ValeurColonne(real) : platform::ValeurColonne();
    }
    case 'L':
      switch (bytes.isEmpty() ? ' ' : bytes[0]) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
          return qlonglong{1};
        case 'F':
        case 'f':
        case 'N':
        case 'n':
          return qlonglong{0};
        default:
          return {};
      }
    case 'D':
    case 'M':
      bytes = bytes.trimmed();
      return bytes.isEmpty() ? platform::ValeurColonne()
                             : platform::ValeurColonne(QString::fromLatin1(bytes));
    default:
      return decode(texteStocke(record, index));
  }
}

void TableDbf::refuserValeur(const ChampDbf& field, const QString& why) const {
  throw ErreurBaseDonnees(
      ErreurBaseDonnees::kValueDoesNotFit,
      QStringLiteral("La valeur de la colonne %1 de la table %2 %3 : rien de cette "
                     "ligne n'a été écrit.")
          .arg(field.name, TableName(path_), why));
}

QByteArray TableDbf::format(const ChampDbf& field, const platform::ValeurColonne& value) const {
  const auto width = static_cast<qsizetype>(field.width);
  if (platform::EstNulle(value)) {
    return QByteArray(width, ' ');
  }
  const bool isText = std::holds_alternative<QString>(value);
  const bool isWhole = std::holds_alternative<qlonglong>(value);
  const bool isNumber = isWhole || std::holds_alternative<double>(value);
  switch (field.type) {
    case 'C': {
      if (!isText) {
        refuserValeur(field, QStringLiteral("doit être un texte"));
      }
      const auto encoded = encode(std::get<QString>(value));
      if (!encoded) {
        refuserValeur(field,
                      QStringLiteral("contient un caractère que la page de code de la table ne "
                                     "peut pas représenter"));
      }
      const QByteArray& bytes = *encoded;
      if (bytes.size() > width) {
        refuserValeur(field, QStringLiteral("dépasse %1 caractères").arg(width));
      }
      return bytes.leftJustified(width, ' ');
    }
    case 'N':
    case 'F': {
      if (!isNumber) {
        refuserValeur(field, QStringLiteral("doit être un nombre"));
      }
      QString text;
      if (isWhole) {
        text = QString::number(std::get<qlonglong>(value));
      } else {
        const auto plain = platform::decimal::NombreSimple(std::get<double>(value));
        if (!plain) {
          refuserValeur(field, QStringLiteral("n'est pas un nombre fini"));
        }
        text = *plain;
      }
      const qsizetype point = text.indexOf(u'.');
      const qsizetype decimals = point < 0 ? 0 : text.size() - point - 1;
      if (decimals > field.decimals) {
        refuserValeur(field, QStringLiteral("a plus de %1 décimales").arg(field.decimals));
      }
      if (field.decimals > 0) {
        if (point < 0) {
          text += u'.';
        }
        text += QString(field.decimals - decimals, u'0');
      }
      if (text.size() > width) {
        refuserValeur(field, QStringLiteral("a trop de chiffres pour ses %1 positions").arg(width));
      }
      return text.rightJustified(width, u' ').toLatin1();
    }
    case 'L': {
      if (const auto* n = std::get_if<qlonglong>(&value); n != nullptr && (*n == 0 || *n == 1)) {
        return QByteArray(1, *n == 1 ? 'T' : 'F');
      }
      refuserValeur(field, QStringLiteral("doit être vrai ou faux"));
    }
    case 'D': {
      if (!isText) {
        refuserValeur(field, QStringLiteral("doit être une date"));
      }
      // Year, month and day, in that order, with one separator repeated or none.
      const QString text = std::get<QString>(value);
      QStringList parts;
      QStringList separators;
      QString current;
      bool digits = true;
      for (const QChar c : text) {
        if (c.isDigit() != digits) {
          (digits ? parts : separators) << current;
          current.clear();
          digits = !digits;
        }
        current += c;
      }
      (digits ? parts : separators) << current;
      QDate date;
      if (parts.size() == 1 && text.size() == 8) {
        date = QDate::fromString(text, QStringLiteral("yyyyMMdd"));
      } else if (parts.size() == 3 && separators.size() == 2 && separators[0] == separators[1] &&
                 parts[0].size() == 4 && parts[1].size() == 2 && parts[2].size() == 2) {
        date = QDate(parts[0].toInt(), parts[1].toInt(), parts[2].toInt());
      }
      if (!date.isValid()) {
        refuserValeur(field, QStringLiteral("n'est pas une date aaaa/mm/jj valide"));
      }
      return date.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    }
    case 'M':
      refuserValeur(field, QStringLiteral("est un mémo, que ce programme laisse vide"));
    default:
      refuserValeur(field, QStringLiteral("est d'un type de colonne non pris en charge"));
  }
}

QByteArray TableDbf::composer(const std::vector<std::optional<platform::ValeurColonne>>& values,
                              const QByteArray* base) const {
  QByteArray result =
      base != nullptr ? *base : QByteArray(entete_.longueurLigne(), ' ');  // ' ': not deleted
  for (std::size_t i = 0; i < fields_.size() && i < values.size(); ++i) {
    if (values[i]) {
      const ChampDbf& field = fields_[i];
      result.replace(field.offset, field.width, format(field, *values[i]));
    }
  }
  return result;
}

void TableDbf::refuserEcriture(int n) const {
  throw ErreurBaseDonnees(ErreurBaseDonnees::kInputOutput,
                          QStringLiteral("La ligne %1 de la table %2 n'a pas pu être écrite.")
                              .arg(QString::number(n + 1), TableName(path_)));
}

void TableDbf::write(int n, const QByteArray& record) {
  if (mode_ != Mode::Ecriture || record.size() != entete_.longueurLigne()) {
    throw ErreurBaseDonnees(
        ErreurBaseDonnees::kInputOutput,
        QStringLiteral("La table %1 n'est pas ouverte en écriture.").arg(TableName(path_)));
  }
  if (n < 0 || n > nombreLignes()) {
    refuserEcriture(n);
  }
  const std::uint64_t at = entete_.positionLigne(static_cast<std::uint64_t>(n));
  try {
    if (n < nombreLignes()) {
      fichier_->EcrireA(at, record.constData(), static_cast<std::size_t>(record.size()));
      return;
    }
    // A new row takes three writes, so that a crash between any two leaves
    // every reader the same rows, whether it counts rows by the header or
    // reads up to the end mark: the row's bytes marked deleted after the last
    // row, then the header counting it, then its mark made live.
    QByteArray bytes = record;
    bytes[0] = '*';
    bytes += kFinFichier;
    fichier_->EcrireA(at, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    // Counted here only once the file counts it, so that a failed write
    // leaves this object saying what the file says.
    EnteteDbf apres = entete_;
    apres.FixerNombreLignes(static_cast<std::uint32_t>(n) + 1);
    fichier_->EcrireA(kPositionNombreLignes, apres.octets.data() + kPositionNombreLignes, 4);
    entete_ = std::move(apres);
    fichier_->EcrireA(at, record.constData(), 1);
  } catch (const os::ErreurOs&) {
    refuserEcriture(n);
  }
}

void TableDbf::terminer(QDate derniereMaj) {
  if (mode_ != Mode::Ecriture) {
    return;  // nothing written, nothing to bring up to date
  }
  try {
    entete_.MettreAJour(entete_.nombreLignes(), derniereMaj);
    fichier_->EcrireA(0, entete_.octets.data(), entete_.octets.size());
    // A table written by another program may lack the end-of-file mark.
    const std::uint64_t end = entete_.positionLigne(entete_.nombreLignes());
    char last = 0;
    if (fichier_->LireA(end, &last, 1) != 1 || last != kFinFichier) {
      fichier_->EcrireA(end, &kFinFichier, 1);
    }
  } catch (const os::ErreurOs&) {
    throw ErreurBaseDonnees(ErreurBaseDonnees::kInputOutput,
                            QStringLiteral("La table %1 n'a pas pu être enregistrée sur le disque.")
                                .arg(TableName(path_)));
  }
  // Still readable, as a reader.
  fichier_.reset();
  mode_ = Mode::Lecture;
  ouvrirLecteur();
}

}  // namespace brivane::dbf
