#include "support/Plancher.h"

#include <QDataStream>
#include <QDir>
#include <QFile>

#include <shapefil.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <stdexcept>

namespace brivane::bench {

void PlancherShapelib(const QString& dossier, const RangeesParTable& rangees) {
  static const std::map<QString, const char*> kCles = {{QStringLiteral("client"), "CNUM"},
                                                       {QStringLiteral("produi"), "PNUM"},
                                                       {QStringLiteral("factma"), "FFNOFACT"}};
  std::set<QString> tables;
  for (const auto& [table, cle] : kCles) {
    tables.insert(table);
  }
  for (const auto& [table, liste] : rangees) {
    if (!liste.empty()) {
      tables.insert(table);
    }
  }
  std::size_t lus = 0;
  for (const QString& table : tables) {
    const QByteArray chemin =
        QFile::encodeName(QDir(dossier).filePath(table + QStringLiteral(".dbf")));
    DBFHandle h = DBFOpen(chemin.constData(), "rb+");
    if (h == nullptr) {
      throw std::runtime_error("cannot open " + chemin.toStdString());
    }
    const int fd = fileno(reinterpret_cast<FILE*>(h->fp));
    struct flock verrou {};
    verrou.l_type = F_WRLCK;
    verrou.l_whence = SEEK_SET;
    if (fcntl(fd, F_SETLKW, &verrou) != 0) {
      throw std::runtime_error("cannot lock " + chemin.toStdString());
    }
    if (const auto it = kCles.find(table); it != kCles.end()) {
      const int champ = DBFGetFieldIndex(h, it->second);
      for (int i = 0; i < DBFGetRecordCount(h); ++i) {
        lus += std::strlen(DBFReadStringAttribute(h, i, champ));
      }
    }
    if (const auto it = rangees.find(table); it != rangees.end()) {
      for (const QByteArray& r : it->second) {
        QByteArray copie = r;
        DBFWriteTuple(h, DBFGetRecordCount(h), copie.data());
      }
    }
    DBFUpdateHeader(h);
    std::fflush(reinterpret_cast<FILE*>(h->fp));
    ::fsync(fd);
    DBFClose(h);
  }
  if (lus == 0) {
    throw std::runtime_error("no key read");
  }
}

void EcrireRangees(const QString& chemin, const RangeesParTable& rangees) {
  QFile f(chemin);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    throw std::runtime_error("cannot write " + chemin.toStdString());
  }
  QDataStream out(&f);
  out << static_cast<qint32>(rangees.size());
  for (const auto& [table, liste] : rangees) {
    out << table << static_cast<qint32>(liste.size());
    for (const QByteArray& r : liste) {
      out << r;
    }
  }
}

RangeesParTable LireRangees(const QString& chemin) {
  QFile f(chemin);
  if (!f.open(QIODevice::ReadOnly)) {
    throw std::runtime_error("cannot read " + chemin.toStdString());
  }
  QDataStream in(&f);
  RangeesParTable rangees;
  qint32 tables = 0;
  in >> tables;
  for (qint32 t = 0; t < tables; ++t) {
    QString table;
    qint32 n = 0;
    in >> table >> n;
    auto& liste = rangees[table];
    for (qint32 i = 0; i < n; ++i) {
      QByteArray r;
      in >> r;
      liste.push_back(r);
    }
  }
  return rangees;
}

}  // namespace brivane::bench
