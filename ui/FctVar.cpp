#include "FctVar.h"

#include "Toolkit.h"

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
    // The amount is kept beside its text, in cents: the total adds these, never the texts.
    ligne->setData(ColCouts, kRoleCentimes, Montant::LireTexte(couts).centimes());
    lstTransactions.addTopLevelItem(ligne);
    return true;
}

Montant MontantLigne(const QTreeWidgetItem& ligne) {
    const QVariant centimes = ligne.data(ColCouts, kRoleCentimes);
    // A line put there by other means than AjouterLigneTransaction: its text, read once.
    return centimes.isValid() ? Montant::Centimes(centimes.toLongLong()) : Montant::LireTexte(ligne.text(ColCouts));
}

void CalculerMontantTotal(const QTreeWidget& lstTransactions, QLabel& lblMontantTotal) {
    Montant total;
    for (int i = 0; i < lstTransactions.topLevelItemCount(); ++i) total += MontantLigne(*lstTransactions.topLevelItem(i));
    lblMontantTotal.setText(total.TexteGeneral());
}

bool ContientLigne(const QTreeWidget& lstTransactions, const QString& nomPiece, const QString& date) {
    for (int i = 0; i < lstTransactions.topLevelItemCount(); ++i) {
        const QTreeWidgetItem* ligne = lstTransactions.topLevelItem(i);
        if (ligne->text(ColNom) == nomPiece && ligne->text(ColDate) == date) return true;
    }
    return false;
}

bool QuestionComplet(QWidget* parent, qlonglong restantes, const QString& nomPiece, const QString& date) {
    // An oversold performance has none left, not a negative number of them.
    return Toolkit::Question(parent,
                             QStringLiteral("Il ne reste que %1 places pour %2 le %3. Ajouter quand même ?")
                                 .arg(std::max<qlonglong>(restantes, 0))
                                 .arg(nomPiece, date),
                             QStringLiteral("Complet"));
}

namespace {
constexpr int kRolePlacesAcceptees = Qt::UserRole + 1;
}

void MarquerPlacesAcceptees(QTreeWidgetItem& ligne, qlonglong restantes) {
    ligne.setData(ColNom, kRolePlacesAcceptees, restantes);
}

std::optional<qlonglong> PlacesAcceptees(const QTreeWidgetItem& ligne) {
    const QVariant v = ligne.data(ColNom, kRolePlacesAcceptees);
    if (!v.isValid()) return std::nullopt;
    return v.toLongLong();
}

}  // namespace FctVar
