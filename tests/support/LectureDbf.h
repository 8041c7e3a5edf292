#pragma once

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>

#include <cstdint>

namespace brivane::testing {

// A table as Debian's python3-dbfread reads it: an independent reader that no
// one here wrote. Numbers come back as JSON numbers, texts as strings (trailing
// blanks dropped), dates as "YYYY-MM-DD", logicals as booleans, blanks as null.
struct TableDbfLue {
  bool ok = false;
  QString error;
  int headerCount = -1;
  int deleted = 0;  // rows marked deleted, which dbfread does not list
  QJsonArray rows;  // one object per row, keys as in the header
};

inline TableDbfLue LectureDbf(const QString& path) {
  static const char* kScript = R"(
import dbfread, json, sys
t = dbfread.DBF(sys.argv[1], encoding='cp1252', ignore_missing_memofile=True)
rows = [dict(r) for r in t]
print(json.dumps({'count': t.header.numrecords, 'deleted': sum(1 for _ in t.deleted),
                  'rows': rows}, default=str))
)";
  QProcess python;
  python.start(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral("-c"), QString::fromLatin1(kScript), path});
  TableDbfLue table;
  if (!python.waitForFinished(30000) || python.exitCode() != 0) {
    table.error = QString::fromUtf8(python.readAllStandardError());
    return table;
  }
  const QJsonObject result = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
  table.ok = true;
  table.headerCount = result.value(QStringLiteral("count")).toInt(-1);
  table.deleted = result.value(QStringLiteral("deleted")).toInt();
  table.rows = result.value(QStringLiteral("rows")).toArray();
  return table;
}

// The file's own consistency: the header's record count matches the file's
// size, and the file ends with the end-of-file mark 0x1A.
struct ControleFichierDbf {
  std::uint32_t headerCount = 0;
  std::int64_t countFromSize = -1;
  bool endsWith1A = false;
  QByteArray header;  // the first 32 bytes
};

inline ControleFichierDbf CheckDbfFile(const QString& path) {
  QFile file(path);
  ControleFichierDbf check;
  if (!file.open(QIODevice::ReadOnly)) {
    return check;
  }
  const QByteArray bytes = file.readAll();
  if (bytes.size() < 32) {
    return check;
  }
  const auto u = [&](int i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]));
  };
  check.header = bytes.left(32);
  check.headerCount = u(4) | (u(5) << 8) | (u(6) << 16) | (u(7) << 24);
  const std::int64_t headerLength = u(8) | (u(9) << 8);
  const std::int64_t recordLength = u(10) | (u(11) << 8);
  const std::int64_t data = bytes.size() - headerLength - 1;
  if (recordLength > 0 && data >= 0 && data % recordLength == 0) {
    check.countFromSize = data / recordLength;
  }
  check.endsWith1A = bytes.endsWith('\x1a');
  return check;
}

}  // namespace brivane::testing
