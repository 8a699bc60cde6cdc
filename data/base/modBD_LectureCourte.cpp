#include "modBD_LectureCourte.h"

#include "modBD.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

namespace modBD {

namespace {
// Statements of its own, straight on the connection: they neither reconnect nor count as the
// program's reads, and a failure simply leaves the usual limit in place.
bool Lancer(const QString& sql, QVariant* valeur = nullptr) {
    QSqlDatabase db = Connexion();
    if (!db.isOpen()) return false;
    QSqlQuery q(db);
    if (!q.exec(sql)) return false;
    if (valeur) *valeur = q.next() ? q.value(0) : QVariant();
    return true;
}
}  // namespace

LectureCourte::LectureCourte(int ms) {
    if (!ConnexionOuverte()) return;
    m_serveur = Connexion().driverName() == QLatin1String("QPSQL");
    // On the server reads pass a writer's lock; only a lock taken against reads would hold them.
    QVariant avant;
    if (!Lancer(m_serveur ? QStringLiteral("SHOW lock_timeout") : QStringLiteral("PRAGMA busy_timeout"), &avant)) return;
    m_avant = avant.toString();
    m_actif = Lancer(m_serveur ? QStringLiteral("SET lock_timeout = '%1ms'").arg(ms)
                               : QStringLiteral("PRAGMA busy_timeout = %1").arg(ms));
}

LectureCourte::~LectureCourte() {
    if (!m_actif || !ConnexionOuverte()) return;
    if (m_serveur) Lancer(QStringLiteral("SET lock_timeout = '%1'").arg(m_avant));
    else Lancer(QStringLiteral("PRAGMA busy_timeout = %1").arg(m_avant.toInt()));
}

}  // namespace modBD
