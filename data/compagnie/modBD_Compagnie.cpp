#include "modBD_Compagnie.h"

#include "modBD.h"
#include "modBD_Changements.h"
#include "modBD_Journal.h"

#include <QSqlQuery>
#include <QVariant>

namespace modBD {

QString LireNomCompagnie() {
    if (!TablePresente(kTableReglagesBilletterie)) return {};
    QSqlQuery q = Executer(QStringLiteral("SELECT Valeur FROM ReglageBilletterie WHERE Cle = ?"), {kCleNomCompagnie});
    return q.next() ? q.value(0).toString() : QString();
}

void EnregistrerNomCompagnie(const QString& nom) {
    const QString texte = nom.trimmed();
    if (texte.isEmpty() && !TablePresente(kTableReglagesBilletterie)) return;
    EnTransaction([&](Transaction& transaction) {
        ExigerRole(Role::Administration);
        AssurerTable(kTableReglagesBilletterie);
        Executer(QStringLiteral("DELETE FROM ReglageBilletterie WHERE Cle = ?"), {kCleNomCompagnie});
        if (!texte.isEmpty())
            Executer(QStringLiteral("INSERT INTO ReglageBilletterie (Cle, Valeur) VALUES (?, ?)"), {kCleNomCompagnie, texte});
        SignalerChangement(Domaine::Reglages);
        Journaliser(QStringLiteral("Nom de la compagnie"), QStringLiteral("Réglage"), texte);
        transaction.Valider();
    });
}

}  // namespace modBD
