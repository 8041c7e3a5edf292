#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace brivane::testing {

// What Debian's python3-dbfread and the file's own bytes say of every table
// of several folders, read in one run of the interpreter:
//   { folder: { table: { "error": text or null, "count": header count,
//                        "headerLength", "recordLength", "size": file size,
//                        "rows": [ {column: value} ] (live rows),
//                        "deleted": rows marked deleted,
//                        "dbf": live rows as python3-dbf counts them, or its error } } }
// Numbers come back as JSON numbers, texts without trailing blanks, dates as
// "YYYY-MM-DD", blanks as null.
inline QJsonObject EtatDbf(const QStringList& dossiers) {
  static const char* kScript = R"(
import dbfread, json, os, struct, sys
try:
    import dbf
except ImportError:
    dbf = None
out = {}
for folder in sys.argv[1:]:
    tables = {}
    for name in sorted(os.listdir(folder)):
        if not name.lower().endswith('.dbf'):
            continue
        path = os.path.join(folder, name)
        with open(path, 'rb') as f:
            head = f.read(32)
        t = {'size': os.path.getsize(path), 'error': None, 'rows': []}
        if len(head) == 32:
            t['count'], t['headerLength'], t['recordLength'] = struct.unpack('<IHH', head[4:12])
        try:
            d = dbfread.DBF(path, encoding='cp1252', ignore_missing_memofile=True)
            t['rows'] = [dict(r) for r in d]
            t['deleted'] = len(list(d.deleted))
        except Exception as e:
            t['error'] = '%s: %s' % (type(e).__name__, e)
        if dbf:
            try:
                other = dbf.Table(path, codepage='cp1252')
                other.open(dbf.READ_ONLY)
                try:
                    t['dbf'] = sum(1 for r in other if not dbf.is_deleted(r))
                finally:
                    other.close()
            except Exception as e:
                t['dbf'] = '%s: %s' % (type(e).__name__, e)
        tables[name[:-4].lower()] = t
    out[folder] = tables
print(json.dumps(out, default=str))
)";
  QProcess python;
  python.start(QStringLiteral("/usr/bin/python3"),
               QStringList{QStringLiteral("-c"), QString::fromLatin1(kScript)} + dossiers);
  if (!python.waitForFinished(120000) || python.exitCode() != 0) {
    return QJsonObject{
        {QStringLiteral("python"), QString::fromUtf8(python.readAllStandardError())}};
  }
  return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

}  // namespace brivane::testing
