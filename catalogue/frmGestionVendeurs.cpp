#include "frmGestionVendeurs.h"

#include "Toolkit.h"
#include "modBD.h"
#include "modBD_Catalogue.h"

#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

using Toolkit::PlacerTw;
using Toolkit::Tw;

namespace {
const QString kTitre = QStringLiteral("Gestion des différents vendeurs");

}  // namespace

frmGestionVendeurs::frmGestionVendeurs(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                             Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmGestionVendeurs"));
    setWindowTitle(kTitre);
    setAccessibleName(kTitre);
    ConstruireFenetre();
    Form_Load();
}

void frmGestionVendeurs::ConstruireFenetre() {
    setFixedSize(Tw(3645), Tw(4275));

    Frame1 = new QGroupBox(QStringLiteral("Gestion des vendeurs"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    PlacerTw(Frame1, 120, 120, 3375, 3615);

    txtNomVendeur = new QLineEdit(Frame1);
    txtNomVendeur->setObjectName(QStringLiteral("txtNomVendeur"));
    PlacerTw(txtNomVendeur, 120, 600, 3135, 285);
    Label2 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label2"), QStringLiteral("&Nom du vendeur :"), txtNomVendeur);
    PlacerTw(Label2, 120, 360, 1935, 255);
    chkComedien = new QCheckBox(QStringLiteral("Est un &comédien"), Frame1);
    chkComedien->setObjectName(QStringLiteral("chkComedien"));
    chkComedien->setChecked(false);
    PlacerTw(chkComedien, 120, 960, 2100, 255);  // wider than drawn (1575) so the caption shows whole; ends before "Ajouter"
    cmdAjouterVendeur = Toolkit::CreerBouton(Frame1, QStringLiteral("cmdAjouterVendeur"), QStringLiteral("&Ajouter"));
    PlacerTw(cmdAjouterVendeur, 2280, 960, 975, 285);
    lstVendeurs = new QListWidget(Frame1);
    lstVendeurs->setObjectName(QStringLiteral("lstVendeurs"));
    lstVendeurs->setSelectionMode(QAbstractItemView::SingleSelection);
    lstVendeurs->setSortingEnabled(false);
    PlacerTw(lstVendeurs, 120, 1560, 3135, 1815);
    Label1 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label1"), QStringLiteral("&Liste des vendeurs :"), lstVendeurs);
    PlacerTw(Label1, 120, 1320, 1935, 255);

    cmdFermer = Toolkit::CreerBouton(this, QStringLiteral("cmdFermer"), QStringLiteral("&Fermer"));
    PlacerTw(cmdFermer, 2400, 3840, 1095, 375);

    QWidget::setTabOrder(txtNomVendeur, chkComedien);
    QWidget::setTabOrder(chkComedien, cmdAjouterVendeur);
    QWidget::setTabOrder(cmdAjouterVendeur, lstVendeurs);
    QWidget::setTabOrder(lstVendeurs, cmdFermer);

    // Hidden menu, shown only over the list.
    mnuPopMenu = new QMenu(QStringLiteral("Pop1"), this);
    mnuPopMenu->setObjectName(QStringLiteral("mnuPopMenu"));
    mnuSupprimerVendeur = mnuPopMenu->addAction(QStringLiteral("Supprimer"), this, &frmGestionVendeurs::mnuSupprimerVendeur_Click);
    mnuSupprimerVendeur->setObjectName(QStringLiteral("mnuSupprimerVendeur"));

    connect(cmdAjouterVendeur, &QPushButton::clicked, this, &frmGestionVendeurs::cmdAjouterVendeur_Click);
    connect(cmdFermer, &QPushButton::clicked, this, &frmGestionVendeurs::cmdFermer_Click);
    Toolkit::SurClicDroit(lstVendeurs, [this] { lstVendeurs_MouseUp(Qt::RightButton); });
    Toolkit::MenuAuClavier(lstVendeurs, mnuPopMenu, [this] { mnuSupprimerVendeur_Click(); });
    Toolkit::PreparerFenetre(this, txtNomVendeur, cmdFermer);
}

void frmGestionVendeurs::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    Toolkit::CentrerPremiereFois(this, m_centree);
}

void frmGestionVendeurs::Form_Load() {
    AfficherListeVendeurs();
    // A seller another station adds or deletes shows when the clerk next uses the list.
    Toolkit::SuivreBase(lstVendeurs, [this]() -> std::optional<QStringList> {
        QStringList noms;
        try {
            for (const modBD::Vendeur& v : modBD::ListeVendeurs()) noms << (v.comedien ? v.nom + kMarqueComedienLongue : v.nom);
        } catch (const modBD::ErreurBD& e) {
            Toolkit::EchecBase(this, QStringLiteral("La liste des vendeurs n'a pas pu être lue."), e);
            return std::nullopt;
        }
        return noms;
    });
}

void frmGestionVendeurs::AfficherListeVendeurs() {
    QStringList noms;
    try {
        for (const modBD::Vendeur& v : modBD::ListeVendeurs()) noms << (v.comedien ? v.nom + kMarqueComedienLongue : v.nom);
    } catch (const modBD::ErreurBD& e) {
        Toolkit::EchecBase(this, QStringLiteral("La liste des vendeurs n'a pas pu être lue."), e);
        return;
    }
    Toolkit::RemplirListe(lstVendeurs, noms);
}

void frmGestionVendeurs::cmdAjouterVendeur_Click() {
    const QString nom = txtNomVendeur->text().trimmed();
    // The lists strip these endings to find the stored name again: such a name would
    // later be taken for another seller (or for none) when an order or a deletion looks it up.
    for (const QString& marque : {modBD::kMarqueComedien, kMarqueComedienLongue}) {
        if (nom.endsWith(marque, Qt::CaseSensitive)) {
            Toolkit::Avis(this, QStringLiteral("Le nom d'un vendeur ne peut pas se terminer par « %1 ». "
                                               "Pour un comédien, cochez plutôt « Est un comédien ».")
                                    .arg(marque.trimmed()));
            return;
        }
    }
    modBD::ResultatAjout resultat;
    try {
        resultat = modBD::AjouterVendeur(nom, chkComedien->isChecked());
    } catch (const modBD::ErreurBD& e) {
        Toolkit::EchecBase(this, QStringLiteral("Le vendeur n'a pas été ajouté."), e);
        return;
    }
    if (resultat == modBD::ResultatAjout::Doublon) {
        Toolkit::Avis(this, QStringLiteral("Ce vendeur est déjà entré"));
        return;
    }
    AfficherListeVendeurs();
}

void frmGestionVendeurs::cmdFermer_Click() {
    close();
    emit VendeursFermes();
}

void frmGestionVendeurs::lstVendeurs_MouseUp(Qt::MouseButton bouton) {
    if (bouton == Qt::RightButton) mnuPopMenu->popup(QCursor::pos());
}

void frmGestionVendeurs::mnuSupprimerVendeur_Click() {
    const bool choisi = !lstVendeurs->selectedItems().isEmpty();
    QString nom = Toolkit::TexteSelectionne(lstVendeurs);
    if (nom.endsWith(kMarqueComedienLongue, Qt::CaseSensitive)) nom.chop(kMarqueComedienLongue.size());
    try {
        if (choisi) {
            for (const modBD::LigneCatalogue& l : modBD::LignesVendeurs()) {
                if (l.texte != nom) continue;
                if (Toolkit::Question(this, QStringLiteral("Êtes-vous sur de vouloir effacer le vendeur %1?").arg(l.texte),
                                      QStringLiteral("Effacement"))) {
                    modBD::SupprimerVendeur(l.numero);
                    break;
                }
            }
        }
    } catch (const modBD::ErreurBD& e) {
        // Nothing was deleted: the list still shows what is stored.
        Toolkit::EchecBase(this, QStringLiteral("Le vendeur n'a pas été effacé."), e);
        return;
    }
    AfficherListeVendeurs();
}
