// "Effacer les coordonnées du client…" of the confirmed orders' window.
#include "frmCommandes.h"

#include "Toolkit.h"
#include "modBD.h"
#include "modBD_EffacementAutomatique.h"
#include "modBD_EffacementClient.h"

#include <QDate>
#include <QDialog>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
// The client's orders, the ticked ones to erase. Returns the numbers chosen (empty: cancelled).
QList<qint64> ChoisirCommandes(QWidget* parent, const QList<modBD::CommandeClient>& commandes) {
    QDialog choix(parent);
    choix.setObjectName(QStringLiteral("frmEffacementClient"));
    choix.setWindowTitle(QStringLiteral("Effacer les coordonnées du client"));
    auto* texte = new QLabel(QStringLiteral("Les commandes cochées perdront le nom et le téléphone du client "
                                            "(les billets, montants et dates restent) :"), &choix);
    texte->setWordWrap(true);
    auto* liste = new QTreeWidget(&choix);
    liste->setObjectName(QStringLiteral("lstCommandesClient"));
    liste->setHeaderLabels({QStringLiteral("Commande"), QStringLiteral("Date"), QStringLiteral("Client"),
                            QStringLiteral("Téléphone"), QStringLiteral("Montant")});
    liste->setRootIsDecorated(false);
    liste->setMinimumWidth(620);
    for (const modBD::CommandeClient& c : commandes) {
        auto* item = new QTreeWidgetItem(liste, {QString::number(c.noClient), c.dateReservation, c.nomClient, c.telephoneClient,
                                                 c.montant.TexteSimple()});
        item->setCheckState(0, c.cochee ? Qt::Checked : Qt::Unchecked);
    }
    for (int i = 0; i < 4; ++i) liste->resizeColumnToContents(i);
    auto* boutons = new QDialogButtonBox(&choix);
    boutons->addButton(QStringLiteral("Effacer"), QDialogButtonBox::AcceptRole);
    boutons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    QObject::connect(boutons, &QDialogButtonBox::accepted, &choix, &QDialog::accept);
    QObject::connect(boutons, &QDialogButtonBox::rejected, &choix, &QDialog::reject);
    auto* colonne = new QVBoxLayout(&choix);
    colonne->addWidget(texte);
    colonne->addWidget(liste);
    colonne->addWidget(boutons);
    QList<qint64> nos;
    if (choix.exec() != QDialog::Accepted) return nos;
    for (int i = 0; i < liste->topLevelItemCount(); ++i)
        if (liste->topLevelItem(i)->checkState(0) == Qt::Checked) nos << liste->topLevelItem(i)->text(0).toLongLong();
    return nos;
}
// The setting's dialog: the months chosen (0: off), or nothing when cancelled.
std::optional<int> ChoisirMois(QWidget* parent, int actuel) {
    QDialog choix(parent);
    choix.setObjectName(QStringLiteral("frmEffacementAutomatique"));
    choix.setWindowTitle(QStringLiteral("Effacement automatique"));
    auto* chk = new QCheckBox(QStringLiteral("Effacer les coordonnées des clients dont la dernière représentation date de plus de"),
                              &choix);
    chk->setObjectName(QStringLiteral("chkEffacementAutomatique"));
    chk->setChecked(actuel > 0);
    auto* txt = new QSpinBox(&choix);
    txt->setObjectName(QStringLiteral("txtMoisEffacement"));
    txt->setRange(1, modBD::kMoisEffacementMax);
    txt->setSuffix(QStringLiteral(" mois"));
    txt->setValue(actuel > 0 ? actuel : 24);
    txt->setEnabled(chk->isChecked());
    txt->setAccessibleName(QStringLiteral("Nombre de mois"));
    QObject::connect(chk, &QCheckBox::toggled, txt, &QWidget::setEnabled);
    auto* note = new QLabel(QStringLiteral("Fait à chaque démarrage du programme. Les ventes à la porte ne sont jamais effacées ; "
                                           "les billets, montants et dates restent."), &choix);
    note->setWordWrap(true);
    auto* boutons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &choix);
    boutons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Enregistrer"));
    boutons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
    QObject::connect(boutons, &QDialogButtonBox::accepted, &choix, &QDialog::accept);
    QObject::connect(boutons, &QDialogButtonBox::rejected, &choix, &QDialog::reject);
    auto* ligne = new QHBoxLayout;
    ligne->addWidget(chk);
    ligne->addWidget(txt);
    auto* colonne = new QVBoxLayout(&choix);
    colonne->addLayout(ligne);
    colonne->addWidget(note);
    colonne->addWidget(boutons);
    if (choix.exec() != QDialog::Accepted) return std::nullopt;
    return chk->isChecked() ? txt->value() : 0;
}
}  // namespace

void frmCommandes::cmdEffacementAutomatique_Click() {
    try {
        const int actuel = modBD::MoisEffacementAutomatique();
        const std::optional<int> mois = ChoisirMois(this, actuel);
        if (!mois || *mois == actuel) return;
        // Turning it on, or shortening it, erases at the next start what cannot be restored.
        if ((*mois > 0 && (actuel == 0 || *mois < actuel)) &&
            Toolkit::MsgBox(this,
                            QStringLiteral("Au prochain démarrage, les coordonnées des clients dont la dernière représentation "
                                           "date de plus de %1 mois seront effacées. Cela ne peut pas être défait. Continuer?")
                                .arg(*mois),
                            Toolkit::Boutons::OuiNon, Toolkit::Icone::Question, QStringLiteral("Effacement automatique"),
                            Toolkit::Reponse::Non) != Toolkit::Reponse::Oui)
            return;
        modBD::EnregistrerMoisEffacementAutomatique(*mois);
    } catch (const modBD::ErreurBD& e) {
        Toolkit::Erreur(this, QStringLiteral("Le réglage n'a pas été enregistré.\n") + e.message());
    }
}

void frmCommandes::cmdEffacerClient_Click() {
    const std::optional<qint64> no = CommandeChoisie();
    if (!no) {
        Toolkit::Erreur(this, QStringLiteral("Choisissez d'abord une commande dans la liste."));
        return;
    }
    try {
        const QList<modBD::CommandeClient> commandes = modBD::CommandesDuClient(*no);
        if (commandes.isEmpty()) {
            Toolkit::Erreur(this, QStringLiteral("Une vente à la porte n'a pas de coordonnées de client à effacer."));
            return;
        }
        const QList<qint64> nos = ChoisirCommandes(this, commandes);
        if (nos.isEmpty()) return;
        if (Toolkit::MsgBox(this,
                            QStringLiteral("Effacer le nom et le téléphone de %1 commande(s)? Cela ne peut pas être défait.")
                                .arg(nos.size()),
                            Toolkit::Boutons::OuiNon, Toolkit::Icone::Question, QStringLiteral("Effacement"),
                            Toolkit::Reponse::Non) != Toolkit::Reponse::Oui)
            return;
        modBD::EffacerCoordonnees(nos, QDate::currentDate().toString(Qt::ISODate));
    } catch (const modBD::ErreurBD& e) {
        Toolkit::EchecBase(this, QStringLiteral("Les coordonnées n'ont pas été effacées."), e);
    }
}
