#include "modBD_EffacementClient.h"

#include "modBD.h"
#include "modBD_Effacements.h"
#include "modBD_Journal.h"
#include "modBD_RechercheCommandes.h"

#include <QSqlQuery>

namespace modBD {

namespace {
const QString kVentePorte = QStringLiteral("Vente à la porte");

QString Chiffres(const QString& telephone) {
    QString c;
    for (const QChar ch : telephone)
        if (ch.isDigit()) c += ch;
    return c;
}
}  // namespace

QList<CommandeClient> CommandesDuClient(qint64 noClient) {
    QList<CommandeClient> liste;
    QSqlQuery choisie = Executer(QStringLiteral("SELECT NomClient, TelephoneClient FROM InfoClientReservation WHERE NoClient = ?"),
                                 {noClient});
    if (!choisie.next()) return liste;
    if (choisie.value(0).toString() == kVentePorte) return liste;
    const QString nom = PlierTexte(choisie.value(0).toString());
    const QString telephone = Chiffres(choisie.value(1).toString());
    choisie.finish();
    QSqlQuery q = Executer(QStringLiteral("SELECT NoClient, DateReservation, NomClient, TelephoneClient, MontantTotal "
                                          "FROM InfoClientReservation WHERE NomClient <> ? ORDER BY NoClient"),
                           {kVentePorte});
    while (q.next()) {
        CommandeClient c{q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                         Montant::DepuisStocke(q.value(4).toDouble()), false};
        const bool memeTelephone = !telephone.isEmpty() && Chiffres(c.telephoneClient) == telephone;
        const bool memeNom = !nom.isEmpty() && PlierTexte(c.nomClient) == nom;
        if (!memeTelephone && !memeNom && c.noClient != noClient) continue;
        c.cochee = memeTelephone || c.noClient == noClient;
        if (c.noClient == noClient) liste.prepend(c);
        else liste.append(c);
    }
    return liste;
}

int EffacerCoordonnees(const QList<qint64>& nosClient, const QString& dateEffacement) {
    if (nosClient.isEmpty()) return 0;
    // Freed pages are overwritten on a file base, so the old name does not linger in it.
    if (Connexion().driverName() == QLatin1String("QSQLITE"))
        Executer(QStringLiteral("PRAGMA secure_delete = ON"));
    QList<Effacement> effacements;
    for (qint64 no : nosClient) effacements.append({no, dateEffacement});
    const int n = EnTransaction([&](Transaction& t) {
        ExigerRole(Role::Tresorerie);
        const int changees = EcrireEffacements(effacements);
        t.Valider();
        return changees;
    });
    OublierIndexRecherche();
    return n;
}

}  // namespace modBD
