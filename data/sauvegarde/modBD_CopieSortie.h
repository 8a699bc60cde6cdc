// The copy made as the program ends: the evening's sales reach a copy without anyone thinking
// of it. Same folder, names, free-space and clock rules as the day's automatic copy; at most
// one such copy a day (a later one replaces that day's earlier one).
#pragma once

#include <QDateTime>
#include <QString>

namespace modBD {

// How far back from a copy's recorded moment a write of BD.mdb still counts as a change: the
// file system stamps writes with a coarse clock, a little behind the program's.
inline constexpr qint64 kMargeMomentCopieMs = 100;

// True when BD.mdb was written after the data of the newest copy were taken (the moment the
// order file records for it; for a copy recorded without one, the copy file's own date), or
// when there is no copy at all.
bool BaseChangeeDepuisDerniereCopie();
// Where the exit copy made at `maintenant` goes: "sauvegardes", BD-AAAAMMJJ-HHMMSS.mdb.
QString CheminCopieSortie(const QDateTime& maintenant);
// After a checked exit copy: that day's earlier exit copy is deleted, the copy is recorded as
// the newest with the moment of its data, and the oldest days go beyond 30 days of use.
void NoterCopieSortie(const QString& cheminFinal, const QDateTime& momentDonnees);
// The exit copies of a folder (file names), as the order file marks them.
QStringList CopiesSortie(const QString& dossier);

}  // namespace modBD
