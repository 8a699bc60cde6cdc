#include "frmTransaction.h"

#include "FctVar.h"
#include "Toolkit.h"
#include "modBD.h"
#include "modBD_Soiree.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <cmath>

using Toolkit::PlacerTw;
using Toolkit::Tw;

namespace {
constexpr int kLongueurMax = 5;

QLineEdit* CreerTexte(QWidget* parent, const QString& nom) {
    auto* t = new QLineEdit(QStringLiteral("0"), parent);
    t->setObjectName(nom);
    t->setMaxLength(kLongueurMax);
    return t;
}
}  // namespace

frmTransaction::frmTransaction(QWidget* parent, QTreeWidget& lstTransactions, QLabel& lblMontantTotal)
    : QDialog(parent), m_lstTransactions(lstTransactions), m_lblMontantTotal(lblMontantTotal) {
    setObjectName(QStringLiteral("frmTransaction"));
    setWindowTitle(QStringLiteral("Ajout d'une transaction"));
    setAccessibleName(windowTitle());
    // A fixed dialog: no minimise or maximise button, no task-bar entry (it belongs to the main window).
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    ConstruireFenetre();
    Form_Load();
}

void frmTransaction::ConstruireFenetre() {
    setFixedSize(Tw(5655), Tw(2475));

    Frame1 = new QGroupBox(QStringLiteral("Pièce"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    PlacerTw(Frame1, 120, 120, 5415, 1815);

    cboNomsPieces = new QComboBox(Frame1);
    cboNomsPieces->setObjectName(QStringLiteral("cboNomsPieces"));
    PlacerTw(cboNomsPieces, 120, 480, 2895, 315);
    Label2 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label2"), QStringLiteral("Nom de la pièce :"), cboNomsPieces);
    PlacerTw(Label2, 120, 240, 1935, 255);

    cboDatesPieces = new QComboBox(Frame1);
    cboDatesPieces->setObjectName(QStringLiteral("cboDatesPieces"));
    PlacerTw(cboDatesPieces, 3240, 480, 1935, 315);
    Label1 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label1"), QStringLiteral("Date de représentation :"), cboDatesPieces);
    PlacerTw(Label1, 3240, 240, 2115, 255);  // wider than drawn, so that the colon is not cut off

    txtNbEnfants = CreerTexte(Frame1, QStringLiteral("txtNbEnfants"));
    PlacerTw(txtNbEnfants, 120, 1320, 735, 285);
    Label4 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label4"), QStringLiteral("Billets enfants :"), txtNbEnfants);
    PlacerTw(Label4, 120, 1080, 1455, 255);  // wider than drawn, so that the colon is not cut off

    txtNbAdultes = CreerTexte(Frame1, QStringLiteral("txtNbAdultes"));
    PlacerTw(txtNbAdultes, 1680, 1320, 735, 285);
    Label3 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label3"), QStringLiteral("Billets adultes :"), txtNbAdultes);
    PlacerTw(Label3, 1680, 1080, 1455, 255);  // wider than drawn, so that the colon is not cut off

    txtCouts = CreerTexte(Frame1, QStringLiteral("txtCouts"));
    PlacerTw(txtCouts, 3240, 1320, 615, 285);
    Label5 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label5"), QStringLiteral("Coûts :"), txtCouts);
    PlacerTw(Label5, 3240, 1080, 795, 255);  // wider than drawn, so that the colon is not cut off
    Label6 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label6"), QStringLiteral("$"));
    PlacerTw(Label6, 3885, 1350, 135, 255);

    chkPorte = new QCheckBox(QStringLiteral("À la porte"), Frame1);
    chkPorte->setObjectName(QStringLiteral("chkPorte"));
    PlacerTw(chkPorte, 4080, 1320, 1260, 255);  // a little left and wider than drawn: the caption fits whole

    cmdAjouter = new QPushButton(QStringLiteral("Ajouter"), this);
    cmdAjouter->setObjectName(QStringLiteral("cmdAjouter"));
    cmdAjouter->setDefault(true);  // Enter adds the line
    PlacerTw(cmdAjouter, 2880, 2040, 1215, 375);
    cmdAnnuler = new QPushButton(QStringLiteral("Annuler"), this);
    cmdAnnuler->setObjectName(QStringLiteral("cmdAnnuler"));
    cmdAnnuler->setAutoDefault(false);
    PlacerTw(cmdAnnuler, 4320, 2040, 1215, 375);

    // Left of the buttons; empty unless the performance has a capacity.
    lblPlacesRestantes = new QLabel(this);
    lblPlacesRestantes->setObjectName(QStringLiteral("lblPlacesRestantes"));
    PlacerTw(lblPlacesRestantes, 120, 2100, 2700, 255);

    QWidget::setTabOrder(cboNomsPieces, cboDatesPieces);
    QWidget::setTabOrder(cboDatesPieces, txtNbEnfants);
    QWidget::setTabOrder(txtNbEnfants, txtNbAdultes);
    QWidget::setTabOrder(txtNbAdultes, txtCouts);
    QWidget::setTabOrder(txtCouts, chkPorte);
    QWidget::setTabOrder(chkPorte, cmdAjouter);
    QWidget::setTabOrder(cmdAjouter, cmdAnnuler);
    cboNomsPieces->setFocus();

    connect(cboNomsPieces, &QComboBox::currentIndexChanged, this, &frmTransaction::cboNomsPieces_Click);
    connect(cmdAjouter, &QPushButton::clicked, this, &frmTransaction::cmdAjouter_Click);
    connect(cmdAnnuler, &QPushButton::clicked, this, &frmTransaction::cmdAnnuler_Click);
    Toolkit::SurFocus(txtNbEnfants, [this] { txtNbEnfants_GotFocus(); });
    Toolkit::SurFocus(txtNbAdultes, [this] { txtNbAdultes_GotFocus(); });
    Toolkit::SurFocus(txtCouts, [this] { txtCouts_GotFocus(); });
    connect(cboDatesPieces, &QComboBox::currentIndexChanged, this, &frmTransaction::AfficherPlacesRestantes);
    connect(txtNbEnfants, &QLineEdit::textChanged, this, &frmTransaction::CalculerCouts);
    connect(txtNbAdultes, &QLineEdit::textChanged, this, &frmTransaction::CalculerCouts);
    // textEdited comes from the clerk only, never from the program's own setText.
    connect(txtCouts, &QLineEdit::textEdited, this, [this] { m_coutsTapes = true; });
}

void frmTransaction::LireTarif() {
    m_tarif.reset();
    try {
        const QString noPiece = modBD::ObtenirNoPiece(cboNomsPieces->currentText());
        if (noPiece.isEmpty()) return;
        if (const std::optional<modBD::Tarif> t = modBD::LireTarif(noPiece.toLongLong())) m_tarif = {{t->enfant, t->adulte}};
    } catch (const modBD::ErreurBD&) {
        // Without prices the clerk types the cost, as always.
    }
}

void frmTransaction::CalculerCouts() {
    if (!m_tarif || m_coutsTapes) return;
    const std::optional<double> enfants = FctVar::LireNombre(txtNbEnfants->text());
    const std::optional<double> adultes = FctVar::LireNombre(txtNbAdultes->text());
    if (!enfants || !adultes) return;
    const double total = std::round((*enfants * m_tarif->first + *adultes * m_tarif->second) * 100.0) / 100.0;
    const QString texte = FctVar::FormaterNombre(total);
    if (texte.size() <= txtCouts->maxLength()) txtCouts->setText(texte);  // too long: left as it is
}

void frmTransaction::AfficherPlacesRestantes() {
    std::optional<qlonglong> restantes;
    try {
        restantes = modBD::PlacesRestantes(cboNomsPieces->currentText(), cboDatesPieces->currentText());
    } catch (const modBD::ErreurBD&) {
        // Unreadable now: shown empty; "Confirmer" reads them again before writing.
    }
    lblPlacesRestantes->setText(restantes ? QStringLiteral("Places restantes : %1").arg(*restantes) : QString());
}

bool frmTransaction::AccepterPlaces(const QString& enfants, const QString& adultes) {
    m_placesAcceptees.reset();
    std::optional<qlonglong> restantes;
    try {
        restantes = modBD::PlacesRestantes(cboNomsPieces->currentText(), cboDatesPieces->currentText());
    } catch (const modBD::ErreurBD&) {
        // The line only joins the order on the window, as it always could: "Confirmer" reads
        // the seats again before anything is written.
        return true;
    }
    if (!restantes) return true;
    const double demandees = FctVar::LireNombre(enfants).value_or(0) + FctVar::LireNombre(adultes).value_or(0);
    if (demandees <= static_cast<double>(*restantes)) return true;
    if (!FctVar::QuestionComplet(this, *restantes, cboNomsPieces->currentText(), cboDatesPieces->currentText())) return false;
    m_placesAcceptees = *restantes;
    return true;
}

void frmTransaction::Form_Load() {
    // A play another station adds is there when the clerk next opens the list.
    Toolkit::SuivreBase(cboNomsPieces, [this] { return FctVar::LirePieces(this); });
    Toolkit::SuivreBase(cboDatesPieces, [this] { return FctVar::DatesSuivies(this, cboNomsPieces->currentText()); });
    AfficherListePieces();
    AfficherListeRepresentations();
    if (cboNomsPieces->count() > 0) cboNomsPieces->setCurrentIndex(0);
    if (cboDatesPieces->count() > 0) cboDatesPieces->setCurrentIndex(0);
}

void frmTransaction::AfficherListePieces() {
    const std::optional<QStringList> lus = FctVar::LirePieces(this);
    if (!lus) return;
    const QStringList& pieces = *lus;
    Toolkit::RemplirCombo(cboNomsPieces, pieces);
    if (cboNomsPieces->count() > 0) cboNomsPieces->setCurrentIndex(0);  // raises cboNomsPieces_Click
}

void frmTransaction::AfficherListeRepresentations() {
    const FctVar::Representations lues = FctVar::LireRepresentations(this, cboNomsPieces->currentText());
    // No play (or no longer there): the date list stays as it is.
    if (lues.etat == FctVar::EtatLecture::PieceAbsente) return;
    Toolkit::RemplirCombo(cboDatesPieces, lues.dates);
    if (cboDatesPieces->count() > 0) cboDatesPieces->setCurrentIndex(0);
}

void frmTransaction::cboNomsPieces_Click() {
    LireTarif();
    AfficherListeRepresentations();
    AfficherPlacesRestantes();
    CalculerCouts();
}

void frmTransaction::cmdAjouter_Click() {
    const QString enfants = txtNbEnfants->text();
    const QString adultes = txtNbAdultes->text();
    const QString couts = txtCouts->text();
    QString message;
    // Text comparisons on purpose: "00" is not "0", and the range is checked when the order is saved.
    if (enfants.isEmpty() || adultes.isEmpty())
        message = QStringLiteral("Vous devez entrer un nombre de billets pour enfant et pour adulte!");
    else if (!FctVar::EstNumerique(enfants))
        message = QStringLiteral("Le nombre de billets pour enfant n'est pas valide!");
    else if (!FctVar::EstNumerique(adultes))
        message = QStringLiteral("Le nombre de billets pour adulte n'est pas valide!");
    else if (enfants == QLatin1String("0") && adultes == QLatin1String("0"))
        message = QStringLiteral("Vous devez entrer au moins 1 billet pour adulte ou pour enfant!");
    else if (couts.isEmpty())
        message = QStringLiteral("Vous devez entrer un coûts!");
    else if (!Montant::LireSaisie(couts))  // no number, or beyond 99 999 999,99 $ ("9e99")
        message = QStringLiteral("Le champ des coûts n'est pas valide!");
    else if (couts.trimmed() == QLatin1String("0"))
        message = QStringLiteral("Le coûts ne peut pas être égale à 0!");
    else if (!FctVar::ContientLigne(m_lstTransactions, cboNomsPieces->currentText(), cboDatesPieces->currentText()) &&
             !AccepterPlaces(enfants, adultes))
        return;  // declined, or already told why: the dialog stays as it is
    else if (!FctVar::AjouterLigneTransaction(m_lstTransactions, cboNomsPieces->currentText(),
                                              cboDatesPieces->currentText(), enfants, adultes, couts,
                                              chkPorte->isChecked() ? QStringLiteral("1") : QStringLiteral("0")))
        message = QStringLiteral("La pièce pour la date choisie fait déjà parti de la transaction. "
                                 "Veuillez la modifier s'il y a lieu.");
    if (!message.isEmpty()) {
        Toolkit::Erreur(this, message);
        return;
    }
    if (m_placesAcceptees)
        FctVar::MarquerPlacesAcceptees(*m_lstTransactions.topLevelItem(m_lstTransactions.topLevelItemCount() - 1), *m_placesAcceptees);
    accept();
    FctVar::CalculerMontantTotal(m_lstTransactions, m_lblMontantTotal);
}

void frmTransaction::cmdAnnuler_Click() { reject(); }

void frmTransaction::txtNbEnfants_GotFocus() { Toolkit::SelectionnerTout(txtNbEnfants); }
void frmTransaction::txtNbAdultes_GotFocus() { Toolkit::SelectionnerTout(txtNbAdultes); }
void frmTransaction::txtCouts_GotFocus() { Toolkit::SelectionnerTout(txtCouts); }
