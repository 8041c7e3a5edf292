#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringDecoder>
#include "dbf/FormatDbf.h"
#include "platform/ValeurColonne.h"
#include "platform/os/Fichier.h"

#include <memory>
#include <optional>
#include <vector>

namespace brivane::dbf {

// One .dbf file, read and written a whole record at a time. Values cross
// this class as ValeurColonne: null, qlonglongs, doubles and QStrings; the bytes of
// each field are formatted and checked here, so that a value that does not
// fit its column is refused before any byte of its record is written.
// Every failure is thrown as ErreurBaseDonnees.
class TableDbf final {
 public:
  // Opens an existing table to read it, through shapelib.
  static std::unique_ptr<TableDbf> Ouvrir(const QString& path);
  // Opens an existing table to write it, with our own format code through
  // `fichiers` (reads too). A table whose header declares a production index
  // is refused: the index would no longer match.
  static std::unique_ptr<TableDbf> OuvrirEcriture(const QString& path,
                                                  os::SystemeFichiers& fichiers);
  // Creates an empty dBASE table (version 3, no memo, dated today, closed by
  // the end-of-file mark) with the given columns and language driver;
  // replaces any file of that name.
  static void Creer(const QString& path, const std::vector<ChampDbf>& fields,
                    unsigned char piloteLangue, os::SystemeFichiers& fichiers);

  ~TableDbf();
  TableDbf(const TableDbf&) = delete;
  TableDbf& operator=(const TableDbf&) = delete;

  const QString& path() const { return path_; }
  const std::vector<ChampDbf>& fields() const { return fields_; }
  // Index of the column of that name in any letter case, or -1.
  int indexChamp(const QString& name) const;
  int nombreLignes() const;

  // The raw record n, deletion flag first.
  QByteArray record(int n) const;
  // The same bytes without a copy, valid until the next read of this table.
  QByteArrayView vueLigne(int n) const;
  static bool EstSupprimee(QByteArrayView record) { return !record.isEmpty() && record[0] == '*'; }
  // The value of a field of a raw record. Text loses its trailing blanks; a
  // blank number, date or logical is null.
  platform::ValeurColonne value(const QByteArray& record, int field) const;

  // The bytes of a text field without its trailing blanks, as stored.
  QByteArray texteStocke(const QByteArray& record, int field) const;
  QByteArrayView texteStocke(QByteArrayView record, int field) const;
  // The text in the table's code page; empty when the code page cannot hold it.
  std::optional<QByteArray> encode(const QString& text) const;

  // A full record from `base` (or a blank new row) with the given fields
  // replaced; a field without a value keeps its bytes.
  QByteArray composer(const std::vector<std::optional<platform::ValeurColonne>>& values,
                      const QByteArray* base) const;
  // Writes record n; n == nombreLignes() appends.
  void write(int n, const QByteArray& record);
  // Brings the header up to date (record count, last-update date) and makes
  // sure the file ends with the end-of-file mark; the table is then a reader.
  void terminer(QDate derniereMaj);

 private:
  enum class Mode { Lecture, Ecriture };
  // `fichiers` only in Write mode.
  static std::unique_ptr<TableDbf> OuvrirEn(const QString& path, Mode mode,
                                            os::SystemeFichiers* fichiers);
  TableDbf(QString path, Mode mode, EnteteDbf entete);
  QByteArray format(const ChampDbf& field, const platform::ValeurColonne& value) const;
  QString decode(const QByteArray& bytes) const;
  [[noreturn]] void refuserValeur(const ChampDbf& field, const QString& why) const;
  [[noreturn]] void refuserEcriture(int n) const;
  // Write mode: record n read from the file, or null.
  const char* lireLigne(int n) const;
  void ouvrirLecteur();

  QString path_;
  Mode mode_;
  EnteteDbf entete_;        // as read when opened, and as written since
  void* handle_ = nullptr;  // Read mode: shapelib's DBFHandle, kept out of this header
  std::unique_ptr<os::Fichier> fichier_;  // Write mode
  mutable QByteArray ligne_;              // Write mode: the last record read
  std::vector<ChampDbf> fields_;
  QByteArray codec_;  // the table's code page, as Qt names it
};

}  // namespace brivane::dbf
