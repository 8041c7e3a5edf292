#pragma once

// The floor a dBASE posting is measured against, and the rows it writes kept
// on disk for runs in fresh processes.
#include <QByteArray>
#include <QString>

#include <map>
#include <vector>

namespace brivane::bench {

using RangeesParTable = std::map<QString, std::vector<QByteArray>>;

// The same new rows written with shapelib alone: each table opened, locked
// and synced once, the key columns a posting searches (client, produi,
// factma) read once, no SQL.
void PlancherShapelib(const QString& dossier, const RangeesParTable& rangees);

void EcrireRangees(const QString& chemin, const RangeesParTable& rangees);
RangeesParTable LireRangees(const QString& chemin);

}  // namespace brivane::bench
