#include "modBD_EffacementAutomatique.h"

#include "Regles.h"
#include "modBD.h"
#include "modBD_Effacements.h"
#include "modBD_Journal.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QSqlQuery>

#include <algorithm>

namespace modBD {

namespace {
const QString kTableReglages = QStringLiteral("ReglageBilletterie");
const QString kVentePorte = QStringLiteral("Vente à la porte");

// A performance's date as stored: the locale's short date, else ISO (older or imported bases).
QDate DateStockee(const QString& texte) {
    const QDate d = Regles::TexteEnDate(texte);
    return d.isValid() ? d : QDate::fromString(texte.trimmed().left(10), Qt::ISODate);
}

QString Chiffres(const QString& telephone) {
    QString c;
    for (const QChar ch : telephone)
        if (ch.isDigit()) c += ch;
    return c;
}

struct Client {
    QList<qint64> commandes;
    QDate derniere;
    bool dateInconnue = false;  // a performance without a readable date: the client is kept
};

// The clients not yet erased, each with its orders and its last performance.
QHash<QString, Client> ClientsAEffacer(const QSet<qint64>& dejaEffacees) {
    QHash<QString, Client> clients;
    QSqlQuery q = Executer(QStringLiteral("SELECT c.NoClient, c.TelephoneClient, r.DateRepresentation "
                                          "FROM InfoClientReservation c "
                                          "LEFT JOIN InfoReservation l ON l.NoClient = c.NoClient "
                                          "LEFT JOIN Representation r ON r.NoRepresentation = l.NoRepresentation "
                                          "WHERE c.NomClient <> ? ORDER BY c.NoClient"),
                           {kVentePorte});
    while (q.next()) {
        const qint64 no = q.value(0).toLongLong();
        if (dejaEffacees.contains(no)) continue;
        const QString telephone = Chiffres(q.value(1).toString());
        Client& c = clients[telephone.isEmpty() ? QStringLiteral("#%1").arg(no) : telephone];
        if (c.commandes.isEmpty() || c.commandes.constLast() != no) c.commandes.append(no);
        const QDate d = q.value(2).isNull() ? QDate() : DateStockee(q.value(2).toString());
        if (!d.isValid()) c.dateInconnue = true;
        else if (!c.derniere.isValid() || d > c.derniere) c.derniere = d;
    }
    return clients;
}

QSet<qint64> CommandesDejaEffacees() {
    QSet<qint64> nos;
    for (const Effacement& e : EffacementsEnregistres()) nos.insert(e.noClient);
    return nos;
}
}  // namespace

int MoisEffacementAutomatique() {
    if (!ConnexionOuverte() || !TablePresente(kTableReglages)) return 0;
    QSqlQuery q = Executer(QStringLiteral("SELECT Valeur FROM ReglageBilletterie WHERE Cle = ?"), {kCleEffacementAutomatique});
    if (!q.next()) return 0;
    bool ok = false;
    const int mois = q.value(0).toString().toInt(&ok);
    return ok && mois > 0 && mois <= kMoisEffacementMax ? mois : 0;
}

void EnregistrerMoisEffacementAutomatique(int mois) {
    if (mois < 0 || mois > kMoisEffacementMax)
        throw ErreurBD(QStringLiteral("Le nombre de mois doit être compris entre 0 et %1 : rien n'a été enregistré.")
                           .arg(kMoisEffacementMax));
    EnTransaction([&](Transaction& transaction) {
        ExigerRole(Role::Tresorerie);
        AssurerTable(kTableReglages);
        Executer(QStringLiteral("DELETE FROM ReglageBilletterie WHERE Cle = ?"), {kCleEffacementAutomatique});
        if (mois > 0)
            Executer(QStringLiteral("INSERT INTO ReglageBilletterie (Cle, Valeur) VALUES (?, ?)"),
                     {kCleEffacementAutomatique, QString::number(mois)});
        Journaliser(QStringLiteral("Effacement automatique"), QStringLiteral("Réglage"),
                    mois > 0 ? QStringLiteral("%1 mois").arg(mois) : QStringLiteral("désactivé"));
        transaction.Valider();
    });
}

int AppliquerEffacementAutomatique(QDate aujourdhui) {
    if (MoisEffacementAutomatique() == 0) return 0;
    if (!aujourdhui.isValid()) aujourdhui = Regles::TexteEnDate(Regles::ObtenirDateDuJour());
    if (!aujourdhui.isValid()) aujourdhui = QDate::currentDate();
    // Freed pages are overwritten on a file base, so the old names do not linger in it.
    if (Connexion().driverName() == QLatin1String("QSQLITE")) Executer(QStringLiteral("PRAGMA secure_delete = ON"));
    return EnTransaction([&](Transaction& t) {
        // Read again inside the unit: another station may have changed it or erased already.
        const int mois = MoisEffacementAutomatique();
        const QDate limite = aujourdhui.addMonths(-mois);
        QList<Effacement> effacements;
        const QString date = aujourdhui.toString(Qt::ISODate);
        const QHash<QString, Client> clients = mois > 0 ? ClientsAEffacer(CommandesDejaEffacees()) : QHash<QString, Client>();
        for (const Client& c : clients)
            if (!c.dateInconnue && c.derniere.isValid() && c.derniere < limite)
                for (qint64 no : c.commandes) effacements.append({no, date});
        std::sort(effacements.begin(), effacements.end(),
                  [](const Effacement& a, const Effacement& b) { return a.noClient < b.noClient; });
        const int n = effacements.isEmpty() ? 0 : EcrireEffacements(effacements);
        t.Valider();
        return n;
    });
}

}  // namespace modBD
