// The main window's side of the employees' accounts: signing in at start and on hand-over,
// what the role enables, the accounts and journal windows.
#include "frmComptes.h"
#include "frmConnexion.h"
#include "frmJournal.h"
#include "frmMain.h"

#include "Toolkit.h"
#include "frmCommandes.h"
#include "frmEchangesBillets.h"
#include "frmGestionPieces.h"
#include "frmGestionVendeurs.h"
#include "frmInventaireBillets.h"
#include "frmPlacesTarifs.h"
#include "frmSoiree.h"
#include "modBD.h"
#include "modBD_EffacementAutomatique.h"
#include "modBD_Journal.h"
#include "modBD_RechercheCommandes.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeWidget>

using modBD::Role;

void frmMain::ConstruireMenusComptes() {
    mnuComptes = mnuOutils->addAction(QStringLiteral("Comptes des emp&loyés…"), this, &frmMain::mnuComptes_Click);
    mnuComptes->setObjectName(QStringLiteral("mnuComptes"));
    mnuJournal = mnuOutils->addAction(QStringLiteral("&Journal des opérations…"), this, &frmMain::mnuJournal_Click);
    mnuJournal->setObjectName(QStringLiteral("mnuJournal"));
}

bool frmMain::ConnecterAuDemarrage() {
    if (!modBD::SessionOuverte() && !frmConnexion::Exiger(this)) return false;
    AppliquerRoles();
    VerifierJournalAuDemarrage();
    EffacerAnciensClientsAuDemarrage();
    return true;
}

// The setting's erasure of old clients, each start: a failure does not stop the sales.
void frmMain::EffacerAnciensClientsAuDemarrage() {
    try {
        if (modBD::AppliquerEffacementAutomatique() > 0) modBD::OublierIndexRecherche();
    } catch (const modBD::ErreurBD& e) {
        DefinirTexteStatut(QStringLiteral("L'effacement automatique des coordonnées des anciens clients n'a pas pu être fait : ") +
                           e.message());
    }
}

void frmMain::VerifierJournalAuDemarrage() {
    try {
        // The last thousand rows: enough to catch a recent change without slowing the start.
        if (modBD::ComptesDefinis() && modBD::RolePermet(Role::Administration)) {
            const modBD::VerificationJournal v = modBD::VerifierJournal(QString(), 1000);
            if (!v.intact)
                Toolkit::MsgBox(this,
                                QStringLiteral("Journal modifié à l'opération n° %1 : une opération du journal a été changée, "
                                               "supprimée ou insérée depuis qu'elle a été écrite.").arg(v.operationFautive),
                                Toolkit::Boutons::OK, Toolkit::Icone::Exclamation, QStringLiteral("Journal des opérations"));
        }
    } catch (const modBD::ErreurBD&) {
        // A base that cannot be read now says so at the clerk's next action.
    }
}

namespace {
struct Reserve {
    QObject* element;
    Role role;
};

void Appliquer(QObject* element, bool permis, const QString& raison) {
    if (auto* action = qobject_cast<QAction*>(element)) {
        action->setEnabled(permis);
        action->setToolTip(permis ? action->text().remove(QLatin1Char('&')) : raison);
    } else if (auto* bouton = qobject_cast<QPushButton*>(element)) {
        bouton->setEnabled(permis);
        if (!permis) bouton->setToolTip(raison);
    }
}
}  // namespace

void frmMain::AppliquerRoles() {
    bool comptes = false;
    try {
        comptes = modBD::ComptesDefinis();
    } catch (const modBD::ErreurBD&) {
    }
    const QList<Reserve> reserves = {
        {mnuSoiree, Role::Porte},
        {mnuRechercheCommandes, Role::Billetterie}, {mnuGestionBillets, Role::Billetterie},
        {mnuEchanges, Role::Billetterie}, {cmdAjouterTransaction, Role::Billetterie},
        {cmdConfirmerTransactions, Role::Billetterie},
        {mnuProduireRapport, Role::Tresorerie}, {mnuJournal, Role::Tresorerie},
        {mnuGestionVendeurs, Role::Administration}, {mnuGestionPieces, Role::Administration},
        {mnuPlacesTarifs, Role::Administration}, {mnuSauvegarder, Role::Administration},
        {mnuRestaurer, Role::Administration}, {mnuComptes, Role::Administration},
    };
    // Without accounts nothing is reserved: the window stays as it has always been.
    mnuFichier->setToolTipsVisible(comptes);
    mnuOutils->setToolTipsVisible(comptes);
    for (const Reserve& r : reserves) {
        const bool permis = !comptes || modBD::RolePermet(r.role);
        if (comptes || !permis) Appliquer(r.element, permis, modBD::TexteReserve(r.role));
    }
    if (!comptes) {
        mnuComptes->setEnabled(true);
        mnuJournal->setEnabled(true);
    }
    ActualiserTitre();
}

void frmMain::ActualiserTitre() {
    // The caption without an employee is kept as a property, set once (the demonstration's differs).
    QVariant base = property("titreSansEmploye");
    if (!base.isValid()) {
        base = windowTitle();
        setProperty("titreSansEmploye", base);
    }
    QString titre = base.toString();
    if (modBD::SessionOuverte()) titre += QStringLiteral(" — ") + modBD::EmployeSession();
    setWindowTitle(titre);
}

void frmMain::mnuChangerEmploye_Click() {
    if (lstTransactions->topLevelItemCount() > 0 || !txtNomClient->text().isEmpty() || !txtNoTel->text().isEmpty()) {
        if (Toolkit::MsgBox(this, QStringLiteral("Une commande est en cours de saisie : elle sera effacée. Changer d'employé quand même?"),
                            Toolkit::Boutons::OuiNon, Toolkit::Icone::Question, QStringLiteral("Changer d'employé"),
                            Toolkit::Reponse::Non) != Toolkit::Reponse::Oui)
            return;
    }
    // The next employee starts from clean windows: nothing of the last one's entries stays.
    ReinitialiserChamps();
    for (QWidget* w : std::initializer_list<QWidget*>{m_pieces, m_vendeurs, m_inventaire, m_echanges, m_commandes,
                                                       m_placesTarifs, m_soiree})
        if (w) w->close();
    modBD::FermerSession();
    ActualiserTitre();
    frmConnexion::Exiger(this);
    AppliquerRoles();
}

void frmMain::mnuComptes_Click() {
    frmComptes comptes(this);
    comptes.exec();
    AppliquerRoles();
}

void frmMain::mnuJournal_Click() {
    frmJournal journal(this);
    journal.exec();
}
