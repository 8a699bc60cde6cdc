#include "FctVar.h"

#include <QLabel>
#include <QTreeWidget>

namespace FctVar {

bool AjouterLigneTransaction(QTreeWidget& lstTransactions, const QString& nomPiece, const QString& date,
                             const QString& nbEnfants, const QString& nbAdultes, const QString& couts,
                             const QString& porte) {
    for (int i = 0; i < lstTransactions.topLevelItemCount(); ++i) {
        const QTreeWidgetItem* ligne = lstTransactions.topLevelItem(i);
        if (ligne->text(ColNom) == nomPiece && ligne->text(ColDate) == date) return false;
    }
    const QString aLaPorte = LireNombre(porte) == std::optional<double>(1.0) ? QStringLiteral("Oui") : QStringLiteral("Non");
    auto* ligne = new QTreeWidgetItem(QStringList{nomPiece, date, nbEnfants, nbAdultes, couts, aLaPorte});
    lstTransactions.addTopLevelItem(ligne);
    return true;
}

void CalculerMontantTotal(const QTreeWidget& lstTransactions, QLabel& lblMontantTotal) {
    double total = 0.0;
    for (int i = 0; i < lstTransactions.topLevelItemCount(); ++i)
        total += LireMontant(lstTransactions.topLevelItem(i)->text(ColCouts));
    lblMontantTotal.setText(FormaterNombre(total));
}

}  // namespace FctVar
