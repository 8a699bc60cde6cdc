#include "frmInventaireBillets.h"

#include "FctVar.h"
#include "Toolkit.h"
#include "modBD.h"
#include "modBD_Inventaire.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <limits>

using Toolkit::PlacerTw;
using Toolkit::Tw;

namespace {
const QString kTitre = QStringLiteral("Gestion de l'inventaire des billets");
}

frmInventaireBillets::frmInventaireBillets(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                             Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmInventaireBillets"));
    setWindowTitle(kTitre);
    setAccessibleName(kTitre);
    ConstruireFenetre();
    Form_Load();
}

void frmInventaireBillets::ConstruireFenetre() {
    resize(Tw(6855), Tw(4905));

    Frame2 = new QGroupBox(kTitre, this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    PlacerTw(Frame2, 120, 120, 6615, 4215);
    cmdFermer = new QPushButton(QStringLiteral("&Fermer"), this);
    cmdFermer->setObjectName(QStringLiteral("cmdFermer"));
    PlacerTw(cmdFermer, 5640, 4440, 1095, 375);

    DPDate = Toolkit::CreerSelecteurDate(Frame2, QStringLiteral("DPDate"));
    PlacerTw(DPDate, 240, 600, 2895, 285);
    Label1 = Toolkit::CreerEtiquette(Frame2, QStringLiteral("Label1"), QStringLiteral("&Date :"), DPDate);
    PlacerTw(Label1, 240, 360, 2655, 255);

    cboPieces = new QComboBox(Frame2);
    cboPieces->setObjectName(QStringLiteral("cboPieces"));
    PlacerTw(cboPieces, 240, 1320, 2895, 315);
    Label5 = Toolkit::CreerEtiquette(Frame2, QStringLiteral("Label5"), QStringLiteral("Liste des &pièces :"), cboPieces);
    PlacerTw(Label5, 240, 1080, 1935, 255);
    cboRepresentations = new QComboBox(Frame2);
    cboRepresentations->setObjectName(QStringLiteral("cboRepresentations"));
    PlacerTw(cboRepresentations, 3480, 1320, 2895, 315);
    Label4 = Toolkit::CreerEtiquette(Frame2, QStringLiteral("Label4"), QStringLiteral("Liste des &représentations :"),
                                     cboRepresentations);
    PlacerTw(Label4, 3480, 1080, 2895, 255);  // as wide as its list: the caption is longer than drawn

    ConstruireOperation();

    cboVendeur = new QComboBox(Frame2);
    cboVendeur->setObjectName(QStringLiteral("cboVendeur"));
    PlacerTw(cboVendeur, 240, 3120, 3855, 315);
    Label8 = Toolkit::CreerEtiquette(Frame2, QStringLiteral("Label8"), QStringLiteral("&Vendeur :"), cboVendeur);
    PlacerTw(Label8, 240, 2880, 855, 255);
    txtCommentaire = new QLineEdit(Frame2);
    txtCommentaire->setObjectName(QStringLiteral("txtCommentaire"));
    Toolkit::LimiterLongueur(txtCommentaire, 100);
    PlacerTw(txtCommentaire, 240, 3720, 4935, 285);
    Label7 = Toolkit::CreerEtiquette(Frame2, QStringLiteral("Label7"), QStringLiteral("&Commentaire :"), txtCommentaire);
    PlacerTw(Label7, 240, 3480, 1215, 255);
    cmdEnregistrer = new QPushButton(QStringLiteral("Enre&gistrer"), Frame2);
    cmdEnregistrer->setObjectName(QStringLiteral("cmdEnregistrer"));
    PlacerTw(cmdEnregistrer, 5280, 3600, 1095, 405);
    RelierFenetre();
}

// The tab order and what each control does.
void frmInventaireBillets::RelierFenetre() {
    QWidget::setTabOrder(DPDate, cboPieces);
    QWidget::setTabOrder(cboPieces, cboRepresentations);
    QWidget::setTabOrder(cboRepresentations, optAjouter);
    QWidget::setTabOrder(optAjouter, optEnlever);
    QWidget::setTabOrder(optEnlever, txtNbBillets);
    QWidget::setTabOrder(txtNbBillets, cboVendeur);
    QWidget::setTabOrder(cboVendeur, txtCommentaire);
    QWidget::setTabOrder(txtCommentaire, cmdEnregistrer);
    QWidget::setTabOrder(cmdEnregistrer, cmdFermer);

    // A selection made by the program raises the same handler as one made by the clerk.
    Toolkit::SurChoix(cboPieces, [this] { cboPieces_Click(); });
    Toolkit::SurChoix(cboRepresentations, [this] { cboRepresentations_Click(); });
    connect(cmdEnregistrer, &QPushButton::clicked, this, &frmInventaireBillets::cmdEnregistrer_Click);
    connect(cmdFermer, &QPushButton::clicked, this, &frmInventaireBillets::cmdFermer_Click);
    Toolkit::SurFocus(txtNbBillets, [this] { txtNbBillets_GotFocus(); });
    Toolkit::SurFocus(txtCommentaire, [this] { Toolkit::SelectionnerTout(txtCommentaire); });
    Toolkit::PreparerFenetre(this, DPDate, cmdFermer);
}

// The operation frame: add or remove, how many, and the current count.
void frmInventaireBillets::ConstruireOperation() {
    Frame1 = new QGroupBox(QStringLiteral("Opération"), Frame2);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    // Wider than drawn (and kept centred) so the count caption shows whole.
    PlacerTw(Frame1, 600, 1800, 5415, 975);
    optAjouter = new QRadioButton(QStringLiteral("&Ajouter"), Frame1);
    optAjouter->setObjectName(QStringLiteral("optAjouter"));
    PlacerTw(optAjouter, 120, 360, 1155, 240);
    optEnlever = new QRadioButton(QStringLiteral("&Enlever"), Frame1);
    optEnlever->setObjectName(QStringLiteral("optEnlever"));
    PlacerTw(optEnlever, 120, 600, 1155, 240);
    grpOperation = new QButtonGroup(this);
    grpOperation->addButton(optAjouter);
    grpOperation->addButton(optEnlever);
    optAjouter->setChecked(true);
    txtNbBillets = new QLineEdit(QStringLiteral("0"), Frame1);
    txtNbBillets->setObjectName(QStringLiteral("txtNbBillets"));
    PlacerTw(txtNbBillets, 1320, 480, 975, 285);
    Label6 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label6"), QStringLiteral("&Nb de billets :"), txtNbBillets);
    PlacerTw(Label6, 1320, 240, 1455, 255);
    lblNbBillets = new QLabel(QStringLiteral("0"), Frame1);
    lblNbBillets->setObjectName(QStringLiteral("lblNbBillets"));
    PlacerTw(lblNbBillets, 2880, 480, 2415, 255);
    Label2 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label2"), QStringLiteral("Nb de billets total courant :"),
                                     lblNbBillets);
    PlacerTw(Label2, 2880, 240, 2415, 255);
}

void frmInventaireBillets::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    Toolkit::CentrerPremiereFois(this, m_centree);
}

void frmInventaireBillets::Form_Load() {
    // Plays and sellers another station adds are there when the clerk next opens a list.
    Toolkit::SuivreBase(cboPieces, [this] { return FctVar::LirePieces(this); });
    Toolkit::SuivreBase(cboRepresentations, [this] { return FctVar::DatesSuivies(this, cboPieces->currentText()); });
    Toolkit::SuivreBase(cboVendeur, [this] { return FctVar::LireVendeurs(this); });
    AfficherListePieces();
    AfficherListeRepresentations();
    DPDate->setDate(FctVar::TexteEnDate(FctVar::ObtenirDateDuJour()));
    if (cboPieces->count() > 0) cboPieces->setCurrentIndex(0);
    if (cboRepresentations->count() > 0) cboRepresentations->setCurrentIndex(0);
    AfficherListeVendeurs();
}

void frmInventaireBillets::AfficherListePieces() {
    const QStringList pieces = FctVar::LirePieces(this).value_or(QStringList());
    Toolkit::RemplirCombo(cboPieces, pieces);
    if (cboPieces->count() > 0) cboPieces->setCurrentIndex(0);
}

void frmInventaireBillets::AfficherListeRepresentations() {
    const FctVar::Representations lues = FctVar::LireRepresentations(this, cboPieces->currentText());
    // A play that no longer exists leaves the list as it was.
    if (lues.etat != FctVar::EtatLecture::PieceAbsente) {
        Toolkit::RemplirCombo(cboRepresentations, lues.dates);
        if (cboRepresentations->count() > 0) cboRepresentations->setCurrentIndex(0);
    }
    if (lues.etat == FctVar::EtatLecture::Echec) {
        lblNbBillets->setText(QStringLiteral("0"));
        return;
    }
    if (!cboPieces->currentText().isEmpty() && !cboRepresentations->currentText().isEmpty()) {
        AfficherNbBillets();
    } else {
        lblNbBillets->setText(QStringLiteral("0"));
        cmdEnregistrer->setEnabled(false);  // only a fresh opening enables it again
    }
}

void frmInventaireBillets::AfficherListeVendeurs() {
    const QStringList vendeurs = FctVar::LireVendeurs(this).value_or(QStringList());
    Toolkit::RemplirCombo(cboVendeur, vendeurs);
    if (cboVendeur->count() > 0) cboVendeur->setCurrentIndex(0);
}

void frmInventaireBillets::AfficherNbBillets() {
    try {
        lblNbBillets->setText(modBD::ObtenirNbBillets(cboPieces->currentText(), cboRepresentations->currentText()));
    } catch (const modBD::ErreurBD& e) {
        lblNbBillets->setText(QStringLiteral("?"));  // unknown, not zero
        Toolkit::EchecBase(this, QStringLiteral("Le nombre de billets n'a pas pu être lu."), e);
    }
}

void frmInventaireBillets::cboPieces_Click() { AfficherListeRepresentations(); }

void frmInventaireBillets::cboRepresentations_Click() { AfficherNbBillets(); }

void frmInventaireBillets::RefuserNombre(const QString& message) {
    Toolkit::Erreur(this, message);
    txtNbBillets->setFocus();
}

void frmInventaireBillets::cmdEnregistrer_Click() {
    const QString texte = txtNbBillets->text();
    if (texte == QLatin1String("0") || texte.isEmpty()) {
        RefuserNombre(QStringLiteral("Vous devez entrer un nombre de billets à échanger!"));
        return;
    }
    if (!FctVar::EstNumerique(texte)) {
        RefuserNombre(QStringLiteral("Le nombre de billets doit être numérique!"));
        return;
    }
    // A movement is a 16-bit count: refuse what would not fit rather than wrap it.
    const std::optional<qint16> compte = FctVar::TexteEnCompte16(texte);
    if (!compte) {
        RefuserNombre(QStringLiteral("Le nombre de billets doit être compris entre -32768 et 32767!"));
        return;
    }
    qint16 nombre = *compte;
    if (optEnlever->isChecked()) {
        if (nombre == std::numeric_limits<qint16>::min()) {
            RefuserNombre(QStringLiteral("Le nombre de billets à enlever doit être compris entre -32767 et 32767!"));
            return;
        }
        nombre = static_cast<qint16>(-nombre);
    }
    try {
        // Kept while its answer is unsettled: the next save asks the base before writing again.
        if (m_jeton.isEmpty()) m_jeton = modBD::NouveauJeton();
        modBD::AjouterMouvementInventaire(FctVar::DateEnTexte(DPDate->date()), cboPieces->currentText(),
                                          cboRepresentations->currentText(), nombre, txtCommentaire->text(),
                                          cboVendeur->currentText(), m_jeton);
    } catch (const modBD::ErreurBD& e) {
        if (!modBD::JetonEnSuspens(m_jeton)) m_jeton.clear();
        Toolkit::Erreur(this, e.message());  // nothing written: the fields stay as typed
        return;
    }
    m_jeton.clear();
    txtNbBillets->setText(QStringLiteral("0"));
    txtCommentaire->clear();
    AfficherNbBillets();
}

void frmInventaireBillets::cmdFermer_Click() { close(); }

void frmInventaireBillets::txtNbBillets_GotFocus() { Toolkit::SelectionnerTout(txtNbBillets); }
