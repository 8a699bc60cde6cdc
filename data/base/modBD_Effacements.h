// Clients' details erased on request: the orders concerned keep their lines, amounts and
// dates, their name becomes "Client effacé n° {N}" and their phone is emptied. Each erasure is
// kept in EffacementClient so that a restore from an older copy can apply it again.
#pragma once

#include <QList>
#include <QString>

namespace modBD {

inline const QString kTableEffacements = QStringLiteral("EffacementClient");
QString NomClientEfface(qint64 noClient);  // "Client effacé n° 812"

struct Effacement {
    qint64 noClient = 0;
    QString date;
};
// The erasures the open base records (none without the table).
QList<Effacement> EffacementsEnregistres();
// Inside the caller's transaction: erases each order's details and records it. Orders gone
// since are skipped. Returns how many orders were changed.
int EcrireEffacements(const QList<Effacement>& effacements);
// Runs after a restore: the erasures of the replaced base applied again to the restored one,
// in one transaction of its own. Returns how many orders were erased again.
int ReappliquerEffacements(const QList<Effacement>& effacements);

}  // namespace modBD
