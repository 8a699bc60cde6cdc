#include "frmGestionPieces.h"

#include "FctVar.h"
#include "Toolkit.h"
#include "modBD.h"
#include "modBD_Catalogue.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

using Toolkit::PlacerTw;
using Toolkit::Tw;

namespace {
const QString kTitre = QStringLiteral("Gestion des pièces et des représentations");
const QString kQuestionEffacer = QStringLiteral("Êtes-vous sur de vouloir effacer la pièce %1?");
const QString kTitreEffacement = QStringLiteral("Effacement");

QListWidget* CreerListe(QWidget* parent, const QString& nom) {
    auto* l = new QListWidget(parent);
    l->setObjectName(nom);
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    l->setSortingEnabled(false);
    return l;
}

bool EntreeSelectionnee(const QListWidget* lst) { return !lst->selectedItems().isEmpty(); }
}  // namespace

frmGestionPieces::frmGestionPieces(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                             Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmGestionPieces"));
    setWindowTitle(kTitre);
    setAccessibleName(kTitre);
    ConstruireFenetre();
    Form_Load();
}

void frmGestionPieces::ConstruireFenetre() {
    setFixedSize(Tw(7215), Tw(4305));

    Frame1 = new QGroupBox(QStringLiteral("Gestion des pièces"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    PlacerTw(Frame1, 120, 120, 3375, 3615);
    Frame2 = new QGroupBox(QStringLiteral("Gestion des représentations"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    PlacerTw(Frame2, 3600, 120, 3495, 3615);

    // Plays, on the left.
    txtNomPiece = new QLineEdit(Frame1);
    txtNomPiece->setObjectName(QStringLiteral("txtNomPiece"));
    PlacerTw(txtNomPiece, 120, 600, 3135, 285);
    Label2 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label2"), QStringLiteral("&Nom d'une nouvelle pièce :"), txtNomPiece);
    // Wider than drawn (1935) so the whole caption shows in the small font; still within the frame.
    PlacerTw(Label2, 120, 360, 3135, 255);
    cmdAjouterPiece = Toolkit::CreerBouton(Frame1, QStringLiteral("cmdAjouterPiece"), QStringLiteral("&Ajouter"));
    PlacerTw(cmdAjouterPiece, 2280, 960, 975, 285);
    lstPieces = CreerListe(Frame1, QStringLiteral("lstPieces"));
    PlacerTw(lstPieces, 120, 1560, 3135, 1815);
    Label1 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label1"), QStringLiteral("&Liste des pièces :"), lstPieces);
    PlacerTw(Label1, 120, 1320, 1935, 255);

    // Performances, on the right.
    cboPieces = new QComboBox(Frame2);
    cboPieces->setObjectName(QStringLiteral("cboPieces"));
    cboPieces->setEditable(false);
    PlacerTw(cboPieces, 120, 600, 3255, 315);
    Label5 = Toolkit::CreerEtiquette(Frame2, QStringLiteral("Label5"), QStringLiteral("Liste des &pièces :"), cboPieces);
    PlacerTw(Label5, 120, 360, 1935, 255);
    DPDateRepresentation = Toolkit::CreerSelecteurDate(Frame2, QStringLiteral("DPDateRepresentation"));
    PlacerTw(DPDateRepresentation, 120, 1320, 2175, 285);
    Label3 = Toolkit::CreerEtiquette(Frame2, QStringLiteral("Label3"), QStringLiteral("&Date de la représentation :"),
                                     DPDateRepresentation);
    PlacerTw(Label3, 120, 1080, 3255, 255);  // widened like Label2
    cmdAjouterRepresentation = Toolkit::CreerBouton(Frame2, QStringLiteral("cmdAjouterRepresentation"), QStringLiteral("Aj&outer"));
    PlacerTw(cmdAjouterRepresentation, 2400, 1320, 975, 285);
    lstRepresentations = CreerListe(Frame2, QStringLiteral("lstRepresentations"));
    PlacerTw(lstRepresentations, 120, 2160, 3255, 1230);
    Label4 = Toolkit::CreerEtiquette(Frame2, QStringLiteral("Label4"), QStringLiteral("Liste des &représentations :"),
                                     lstRepresentations);
    PlacerTw(Label4, 120, 1920, 3255, 255);  // widened like Label2

    cmdFermer = Toolkit::CreerBouton(this, QStringLiteral("cmdFermer"), QStringLiteral("&Fermer"));
    PlacerTw(cmdFermer, 6000, 3840, 1095, 375);

    QWidget::setTabOrder(txtNomPiece, cmdAjouterPiece);
    QWidget::setTabOrder(cmdAjouterPiece, lstPieces);
    QWidget::setTabOrder(lstPieces, cboPieces);
    QWidget::setTabOrder(cboPieces, DPDateRepresentation);
    QWidget::setTabOrder(DPDateRepresentation, cmdAjouterRepresentation);
    QWidget::setTabOrder(cmdAjouterRepresentation, lstRepresentations);
    QWidget::setTabOrder(lstRepresentations, cmdFermer);

    // Hidden menus, shown only over their list.
    mnuPopupPiece = new QMenu(QStringLiteral("Popup1"), this);
    mnuPopupPiece->setObjectName(QStringLiteral("mnuPopupPiece"));
    mnuSupprimerPiece = mnuPopupPiece->addAction(QStringLiteral("Supprimer"), this, &frmGestionPieces::mnuSupprimerPiece_Click);
    mnuSupprimerPiece->setObjectName(QStringLiteral("mnuSupprimerPiece"));
    mnuPopupRepresentation = new QMenu(QStringLiteral("Popup2"), this);
    mnuPopupRepresentation->setObjectName(QStringLiteral("mnuPopupRepresentation"));
    mnuSupprimerRepresentation = mnuPopupRepresentation->addAction(QStringLiteral("Supprimer"), this,
                                                                   &frmGestionPieces::mnuSupprimerRepresentation_Click);
    mnuSupprimerRepresentation->setObjectName(QStringLiteral("mnuSupprimerRepresentation"));

    connect(cmdAjouterPiece, &QPushButton::clicked, this, &frmGestionPieces::cmdAjouterPiece_Click);
    connect(cmdAjouterRepresentation, &QPushButton::clicked, this, &frmGestionPieces::cmdAjouterRepresentation_Click);
    connect(cmdFermer, &QPushButton::clicked, this, &frmGestionPieces::cmdFermer_Click);
    connect(cboPieces, &QComboBox::currentIndexChanged, this, &frmGestionPieces::cboPieces_Click);
    Toolkit::SurClicDroit(lstPieces, [this] { lstPieces_MouseUp(Qt::RightButton); });
    Toolkit::SurClicDroit(lstRepresentations, [this] { lstRepresentations_MouseUp(Qt::RightButton); });
    Toolkit::MenuAuClavier(lstPieces, mnuPopupPiece, [this] { mnuSupprimerPiece_Click(); });
    Toolkit::MenuAuClavier(lstRepresentations, mnuPopupRepresentation, [this] { mnuSupprimerRepresentation_Click(); });
    Toolkit::PreparerFenetre(this, txtNomPiece, cmdFermer);
}

void frmGestionPieces::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    Toolkit::CentrerPremiereFois(this, m_centree);
}

void frmGestionPieces::Form_Load() {
    // A play another station adds or deletes shows when the clerk next uses a list.
    const auto LirePieces = [this]() -> std::optional<QStringList> {
        QStringList noms;
        try {
            for (const modBD::LigneCatalogue& l : modBD::LignesPieces()) noms << l.texte;
        } catch (const modBD::ErreurBD& e) {
            Toolkit::EchecBase(this, QStringLiteral("La liste des pièces n'a pas pu être lue."), e);
            return std::nullopt;
        }
        return noms;
    };
    Toolkit::SuivreBase(lstPieces, LirePieces);
    Toolkit::SuivreBase(cboPieces, LirePieces);
    Toolkit::SuivreBase(lstRepresentations, [this] { return FctVar::DatesSuivies(this, cboPieces->currentText()); });
    AfficherListePieces();
    AfficherListeRepresentations();
    DPDateRepresentation->setDate(FctVar::TexteEnDate(FctVar::ObtenirDateDuJour()));
    if (lstPieces->count() > 0) lstPieces->setCurrentRow(0);
    if (lstRepresentations->count() > 0) lstRepresentations->setCurrentRow(0);
}

void frmGestionPieces::AfficherListePieces() {
    QStringList noms;
    try {
        for (const modBD::LigneCatalogue& l : modBD::LignesPieces()) noms << l.texte;
    } catch (const modBD::ErreurBD& e) {
        Toolkit::EchecBase(this, QStringLiteral("La liste des pièces n'a pas pu être lue."), e);
        return;
    }
    Toolkit::RemplirListe(lstPieces, noms);
    Toolkit::RemplirCombo(cboPieces, noms);
    if (cboPieces->count() > 0)
        cboPieces->setCurrentIndex(0);  // raises cboPieces_Click, which lists that play's performances
    else
        lstRepresentations->clear();  // no play left: no date may stand for a play that is gone
}

void frmGestionPieces::AfficherListeRepresentations() {
    // A play gone (deleted elsewhere) or a failed read: show none of another play's dates.
    const FctVar::Representations lues = FctVar::LireRepresentations(this, cboPieces->currentText());
    Toolkit::RemplirListe(lstRepresentations, lues.dates);
    if (lstRepresentations->count() > 0) lstRepresentations->setCurrentRow(0);
}

void frmGestionPieces::cboPieces_Click() { AfficherListeRepresentations(); }

void frmGestionPieces::cmdAjouterPiece_Click() {
    modBD::ResultatAjout resultat;
    try {
        resultat = modBD::AjouterPiece(txtNomPiece->text());
    } catch (const modBD::ErreurBD& e) {
        Toolkit::EchecBase(this, QStringLiteral("La pièce n'a pas été ajoutée."), e);
        return;
    }
    if (resultat == modBD::ResultatAjout::Doublon) {
        // Entered by another station since the list was read: the list shows it now.
        Toolkit::RafraichirSiChange(lstPieces);
        Toolkit::RafraichirSiChange(cboPieces);
        Toolkit::Avis(this, QStringLiteral("Cette pièce est déjà entrée"));
        return;
    }
    AfficherListePieces();
}

void frmGestionPieces::cmdAjouterRepresentation_Click() {
    const QString nomPiece = cboPieces->currentText();
    const QString date = FctVar::DateEnTexte(DPDateRepresentation->date()).trimmed();
    if (nomPiece.isEmpty()) {
        Toolkit::Avis(this, QStringLiteral("Vous devez sélectionner une pièce pour la représentation à ajouter"));
        return;
    }
    modBD::ResultatAjout resultat;
    try {
        const QString noPiece = modBD::ObtenirNoPieceSansCasse(nomPiece);
        if (noPiece.isEmpty()) {
            Toolkit::Avis(this, QStringLiteral("La pièce « %1 » n'est plus dans la base de données : "
                                               "la représentation n'a pas été ajoutée.")
                                    .arg(nomPiece));
            AfficherListePieces();
            return;
        }
        resultat = modBD::AjouterRepresentation(noPiece, date);
    } catch (const modBD::ErreurBD& e) {
        Toolkit::EchecBase(this, QStringLiteral("La représentation n'a pas été ajoutée."), e);
        return;
    }
    if (resultat == modBD::ResultatAjout::Doublon) {
        Toolkit::Avis(this, QStringLiteral("Cette date de représentation existe déjà pour cette pièce"));
        return;
    }
    AfficherListeRepresentations();
}

void frmGestionPieces::cmdFermer_Click() { close(); }

void frmGestionPieces::lstPieces_MouseUp(Qt::MouseButton bouton) {
    if (bouton == Qt::RightButton) mnuPopupPiece->popup(QCursor::pos());
}

void frmGestionPieces::lstRepresentations_MouseUp(Qt::MouseButton bouton) {
    if (bouton == Qt::RightButton) mnuPopupRepresentation->popup(QCursor::pos());
}

void frmGestionPieces::mnuSupprimerPiece_Click() {
    const bool choisie = EntreeSelectionnee(lstPieces);
    const QString nom = Toolkit::TexteSelectionne(lstPieces);
    try {
        if (choisie) {
            // Every stored row of that exact name is offered in turn; the first one confirmed goes.
            for (const modBD::LigneCatalogue& l : modBD::LignesPieces()) {
                if (l.texte != nom) continue;
                if (Toolkit::Question(this, kQuestionEffacer.arg(l.texte), kTitreEffacement)) {
                    modBD::SupprimerPiece(l.numero);
                    break;
                }
            }
        }
    } catch (const modBD::ErreurBD& e) {
        // Nothing was deleted: the lists still show what is stored.
        Toolkit::EchecBase(this, QStringLiteral("La pièce n'a pas été effacée."), e);
        return;
    }
    AfficherListePieces();
}

void frmGestionPieces::mnuSupprimerRepresentation_Click() {
    const bool choisie = EntreeSelectionnee(lstRepresentations);
    const QString date = Toolkit::TexteSelectionne(lstRepresentations);
    const QString nomPiece = cboPieces->currentText();
    try {
        const QString noPiece = (choisie && !nomPiece.isEmpty()) ? modBD::ObtenirNoPiece(nomPiece) : QString();
        // Only the chosen play's performances: another play may have one on the same date.
        for (const modBD::LigneCatalogue& l : modBD::LignesRepresentations(noPiece)) {
            if (l.texte != date) continue;
            if (Toolkit::Question(this, kQuestionEffacer.arg(l.texte), kTitreEffacement)) {
                modBD::SupprimerRepresentation(l.numero);
                break;
            }
        }
    } catch (const modBD::ErreurBD& e) {
        Toolkit::EchecBase(this, QStringLiteral("La représentation n'a pas été effacée."), e);
        return;
    }
    AfficherListePieces();
}
