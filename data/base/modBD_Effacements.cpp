#include "modBD_Effacements.h"

#include "modBD.h"
#include "modBD_Changements.h"
#include "modBD_Journal.h"

#include <QSqlQuery>

namespace modBD {

QString NomClientEfface(qint64 noClient) { return QStringLiteral("Client effacé n° %1").arg(noClient); }

QList<Effacement> EffacementsEnregistres() {
    QList<Effacement> liste;
    if (!ConnexionOuverte() || !TablePresente(kTableEffacements)) return liste;
    QSqlQuery q = Executer(QStringLiteral("SELECT NoClient, DateEffacement FROM EffacementClient ORDER BY NoClient"));
    while (q.next()) liste.append({q.value(0).toLongLong(), q.value(1).toString()});
    return liste;
}

int EcrireEffacements(const QList<Effacement>& effacements) {
    AssurerTable(kTableEffacements);
    int changees = 0;
    for (const Effacement& e : effacements) {
        QSqlQuery q = Executer(QStringLiteral("UPDATE InfoClientReservation SET NomClient = ?, TelephoneClient = '' "
                                              "WHERE NoClient = ?"),
                               {NomClientEfface(e.noClient), e.noClient});
        if (q.numRowsAffected() <= 0) continue;
        q.finish();
        ++changees;
        Executer(QStringLiteral("DELETE FROM EffacementClient WHERE NoClient = ?"), {e.noClient});
        Executer(QStringLiteral("INSERT INTO EffacementClient (NoClient, DateEffacement) VALUES (?, ?)"), {e.noClient, e.date});
        SignalerChangement(Domaine::Commandes);
        Journaliser(QStringLiteral("Coordonnées effacées"), QStringLiteral("Commande %1").arg(e.noClient), e.date);
    }
    return changees;
}

int ReappliquerEffacements(const QList<Effacement>& effacements) {
    if (effacements.isEmpty()) return 0;
    return EnTransaction([&](Transaction& t) {
        const int n = EcrireEffacements(effacements);
        t.Valider();
        return n;
    });
}

}  // namespace modBD
