#include "modBD_Annulations.h"

#include "modBD.h"
#include "modBD_Changements.h"
#include "modBD_Journal.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QVariant>

namespace modBD {

namespace {
bool CommandeExiste(qint64 noClient) {
    QSqlQuery q = Executer(QStringLiteral("SELECT COUNT(*) FROM InfoClientReservation WHERE NoClient = ?"), {noClient});
    return q.next() && q.value(0).toLongLong() > 0;
}

// "?, ?, ?" for an IN list of n bound values.
QString Marques(qsizetype n) {
    QString m;
    m.reserve(n * 3);
    for (qsizetype i = 0; i < n; ++i) m += i == 0 ? QStringLiteral("?") : QStringLiteral(", ?");
    return m;
}
}  // namespace

QHash<qint64, Annulation> LireAnnulations(const QList<qint64>& nosClient) {
    QHash<qint64, Annulation> annulations;
    if (nosClient.isEmpty() || !TablePresente(kTableAnnulations)) return annulations;
    constexpr qsizetype kParRequete = 500;
    for (qsizetype debut = 0; debut < nosClient.size(); debut += kParRequete) {
        const QList<qint64> tranche = nosClient.mid(debut, kParRequete);
        QVariantList valeurs;
        for (qint64 no : tranche) valeurs << no;
        QSqlQuery q = Executer(QStringLiteral("SELECT NoClient, DateAnnulation, Motif FROM AnnulationCommande "
                                              "WHERE NoClient IN (%1)").arg(Marques(tranche.size())),
                               valeurs);
        while (q.next()) annulations.insert(q.value(0).toLongLong(), {q.value(1).toString(), q.value(2).toString()});
    }
    return annulations;
}

std::optional<Annulation> LireAnnulation(qint64 noClient) {
    const QHash<qint64, Annulation> a = LireAnnulations({noClient});
    if (a.contains(noClient)) return a.value(noClient);
    return std::nullopt;
}

ResultatAnnulation AnnulerCommande(qint64 noClient, const QString& dateAnnulation, const QString& motif) {
    const QString raison = motif.trimmed();
    if (raison.size() > kLongueurMaxMotif)
        throw ErreurBD(QStringLiteral("Le motif ne peut dépasser %1 caractères.").arg(kLongueurMaxMotif));
    if (dateAnnulation.trimmed().isEmpty())
        throw ErreurBD(QStringLiteral("La date d'annulation est vide : rien n'a été enregistré."));

    // Everything below, the new table included, is undone on any exit but Valider; replayed
    // whole when the server aborts it for a conflict with another station.
    return EnTransaction([&](Transaction& transaction) {
        ExigerRole(Role::Tresorerie);
        AssurerTable(kTableAnnulations);
        // Checked inside the transaction: the report tool may have deleted the order since it was listed.
        if (!CommandeExiste(noClient)) return ResultatAnnulation::CommandeIntrouvable;
        QSqlQuery deja = Executer(QStringLiteral("SELECT COUNT(*) FROM AnnulationCommande WHERE NoClient = ?"), {noClient});
        if (deja.next() && deja.value(0).toLongLong() > 0) return ResultatAnnulation::DejaAnnulee;
        deja.finish();
        Executer(QStringLiteral("INSERT INTO AnnulationCommande (NoClient, DateAnnulation, Motif) VALUES (?, ?, ?)"),
                 {noClient, dateAnnulation, raison});
        // The reason stays out: it may name the client.
        SignalerChangement(Domaine::Commandes);
        Journaliser(QStringLiteral("Commande annulée"), QStringLiteral("Commande %1").arg(noClient), dateAnnulation);
        transaction.Valider();
        return ResultatAnnulation::Fait;
    });
}

ResultatAnnulation RetablirCommande(qint64 noClient) {
    // Nothing to take back in a file without the table: and it must not be created for that.
    if (!TablePresente(kTableAnnulations))
        return CommandeExiste(noClient) ? ResultatAnnulation::PasAnnulee : ResultatAnnulation::CommandeIntrouvable;
    return EnTransaction([&](Transaction& transaction) {
        ExigerRole(Role::Tresorerie);
        if (!CommandeExiste(noClient)) return ResultatAnnulation::CommandeIntrouvable;
        QSqlQuery q = Executer(QStringLiteral("DELETE FROM AnnulationCommande WHERE NoClient = ?"), {noClient});
        if (q.numRowsAffected() <= 0) return ResultatAnnulation::PasAnnulee;
        q.finish();
        SignalerChangement(Domaine::Commandes);
        Journaliser(QStringLiteral("Commande rétablie"), QStringLiteral("Commande %1").arg(noClient));
        transaction.Valider();
        return ResultatAnnulation::Fait;
    });
}

}  // namespace modBD
