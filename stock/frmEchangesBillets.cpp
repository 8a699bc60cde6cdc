#include "frmEchangesBillets.h"

#include "FctVar.h"
#include "Toolkit.h"
#include "modBD.h"
#include "modBD_Inventaire.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using Toolkit::PlacerTw;
using Toolkit::Tw;

namespace {
const QString kTitre = QStringLiteral("Échange de billets");

QComboBox* CreerListe(QWidget* parent, const QString& nom, int gauche, int haut) {
    auto* cbo = new QComboBox(parent);
    cbo->setObjectName(nom);
    PlacerTw(cbo, gauche, haut, 2895, 315);
    return cbo;
}
}  // namespace

frmEchangesBillets::frmEchangesBillets(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                             Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmEchangesBillets"));
    setWindowTitle(kTitre);
    setAccessibleName(kTitre);
    ConstruireFenetre();
    Form_Load();
}

void frmEchangesBillets::ConstruireFenetre() {
    resize(Tw(7575), Tw(5160));

    Frame2 = new QGroupBox(QStringLiteral("Informations sur l'échange de billets"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    PlacerTw(Frame2, 120, 120, 7335, 4335);
    cmdFermer = new QPushButton(QStringLiteral("&Fermer"), this);
    cmdFermer->setObjectName(QStringLiteral("cmdFermer"));
    PlacerTw(cmdFermer, 6360, 4680, 1095, 375);

    DPDateEchange = Toolkit::CreerSelecteurDate(Frame2, QStringLiteral("DPDateEchange"));
    PlacerTw(DPDateEchange, 240, 600, 1575, 285);
    Label1 = Toolkit::CreerEtiquette(Frame2, QStringLiteral("Label1"), QStringLiteral("&Date de l'échange :"), DPDateEchange);
    PlacerTw(Label1, 240, 360, 2655, 255);
    txtNbBillets = new QLineEdit(QStringLiteral("0"), Frame2);
    txtNbBillets->setObjectName(QStringLiteral("txtNbBillets"));
    PlacerTw(txtNbBillets, 1920, 600, 1455, 285);
    Label6 = Toolkit::CreerEtiquette(Frame2, QStringLiteral("Label6"), QStringLiteral("&Nb de billets :"), txtNbBillets);
    PlacerTw(Label6, 1920, 360, 1335, 255);

    ConstruireCotes();

    txtCommentaire = new QLineEdit(Frame2);
    txtCommentaire->setObjectName(QStringLiteral("txtCommentaire"));
    Toolkit::LimiterLongueur(txtCommentaire, 100);
    PlacerTw(txtCommentaire, 240, 3840, 5655, 285);
    Label7 = Toolkit::CreerEtiquette(Frame2, QStringLiteral("Label7"), QStringLiteral("&Commentaire :"), txtCommentaire);
    PlacerTw(Label7, 240, 3600, 1215, 255);
    cmdEchanger = new QPushButton(QStringLiteral("Éc&hanger"), Frame2);
    cmdEchanger->setObjectName(QStringLiteral("cmdEchanger"));
    PlacerTw(cmdEchanger, 6000, 3785, 1095, 405);
    RelierFenetre();
}

// The tab order and what each control does.
void frmEchangesBillets::RelierFenetre() {
    // The seller lists come last in the keyboard order, after "Fermer".
    const QList<QWidget*> ordre{DPDateEchange, txtNbBillets, cboPieces,    cboRepresentations, cboPieces2,
                                cboRepresentations2, txtCommentaire, cmdEchanger, cmdFermer, cboVendeurFrom,
                                cboVendeurTo};
    for (qsizetype i = 1; i < ordre.size(); ++i) QWidget::setTabOrder(ordre[i - 1], ordre[i]);

    Toolkit::SurChoix(cboPieces, [this] { cboPieces_Click(); });
    Toolkit::SurChoix(cboPieces2, [this] { cboPieces2_Click(); });
    connect(cmdEchanger, &QPushButton::clicked, this, &frmEchangesBillets::cmdEchanger_Click);
    connect(cmdFermer, &QPushButton::clicked, this, &frmEchangesBillets::cmdFermer_Click);
    Toolkit::SurFocus(txtNbBillets, [this] { txtNbBillets_GotFocus(); });
    Toolkit::SurFocus(txtCommentaire, [this] { txtCommentaire_GotFocus(); });
    Toolkit::PreparerFenetre(this, DPDateEchange, cmdFermer);
}

// The two sides, given and received, and the arrow between them.
void frmEchangesBillets::ConstruireCotes() {
    // The given side.
    Frame1 = new QGroupBox(QStringLiteral("Donné"), Frame2);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    PlacerTw(Frame1, 240, 960, 3135, 2535);
    cboPieces = CreerListe(Frame1, QStringLiteral("cboPieces"), 120, 600);
    Label5 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label5"), QStringLiteral("Liste des &pièces :"), cboPieces);
    PlacerTw(Label5, 120, 360, 1935, 255);
    cboRepresentations = CreerListe(Frame1, QStringLiteral("cboRepresentations"), 120, 1320);
    Label4 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label4"), QStringLiteral("Liste des &représentations :"),
                                     cboRepresentations);
    PlacerTw(Label4, 120, 1080, 2895, 255);  // as wide as its list: the caption is longer than drawn
    cboVendeurFrom = CreerListe(Frame1, QStringLiteral("cboVendeurFrom"), 120, 2040);
    Label8 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label8"), QStringLiteral("&Vendeur :"), cboVendeurFrom);
    PlacerTw(Label8, 120, 1800, 855, 255);
    // The screen reader tells the two sides apart by their frame.
    cboPieces->setAccessibleDescription(QStringLiteral("Donné"));
    cboRepresentations->setAccessibleDescription(QStringLiteral("Donné"));
    cboVendeurFrom->setAccessibleDescription(QStringLiteral("Donné"));

    lblFleche = new QLabel(QStringLiteral("->"), Frame2);
    lblFleche->setObjectName(QStringLiteral("lblFleche"));
    lblFleche->setAccessibleName(QStringLiteral("donné vers reçu"));  // not "tiret, supérieur"
    QFont fleche(QStringLiteral("Sans Serif"));
    fleche.setStyleHint(QFont::SansSerif);
    fleche.setBold(true);
    fleche.setPointSizeF(22.5);
    lblFleche->setFont(fleche);
    // The whole gap between the two frames, so the large arrow is not cut.
    lblFleche->setAlignment(Qt::AlignCenter);
    PlacerTw(lblFleche, 3375, 1920, 585, 615);

    // The received side.
    Frame3 = new QGroupBox(QStringLiteral("Recu"), Frame2);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    PlacerTw(Frame3, 3960, 960, 3135, 2535);
    cboPieces2 = CreerListe(Frame3, QStringLiteral("cboPieces2"), 120, 600);
    Label3 = Toolkit::CreerEtiquette(Frame3, QStringLiteral("Label3"), QStringLiteral("Lis&te des pièces :"), cboPieces2);
    PlacerTw(Label3, 120, 360, 1935, 255);
    cboRepresentations2 = CreerListe(Frame3, QStringLiteral("cboRepresentations2"), 120, 1320);
    Label2 = Toolkit::CreerEtiquette(Frame3, QStringLiteral("Label2"), QStringLiteral("Liste des repré&sentations :"),
                                     cboRepresentations2);
    PlacerTw(Label2, 120, 1080, 2895, 255);
    cboVendeurTo = CreerListe(Frame3, QStringLiteral("cboVendeurTo"), 120, 2040);
    Label9 = Toolkit::CreerEtiquette(Frame3, QStringLiteral("Label9"), QStringLiteral("Vend&eur :"), cboVendeurTo);
    PlacerTw(Label9, 120, 1800, 855, 255);
    cboPieces2->setAccessibleDescription(QStringLiteral("Recu"));
    cboRepresentations2->setAccessibleDescription(QStringLiteral("Recu"));
    cboVendeurTo->setAccessibleDescription(QStringLiteral("Recu"));
}

void frmEchangesBillets::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    Toolkit::CentrerPremiereFois(this, m_centree);
}

void frmEchangesBillets::Form_Load() {
    // Plays and sellers another station adds are there when the clerk next opens a list.
    for (QComboBox* c : {cboPieces, cboPieces2}) Toolkit::SuivreBase(c, [this] { return FctVar::LirePieces(this); });
    Toolkit::SuivreBase(cboRepresentations, [this] { return FctVar::DatesSuivies(this, cboPieces->currentText()); });
    Toolkit::SuivreBase(cboRepresentations2, [this] { return FctVar::DatesSuivies(this, cboPieces2->currentText()); });
    for (QComboBox* c : {cboVendeurFrom, cboVendeurTo}) Toolkit::SuivreBase(c, [this] { return FctVar::LireVendeurs(this); });
    AfficherListePieces();
    AfficherListeRepresentations(1);
    AfficherListeRepresentations(2);
    DPDateEchange->setDate(FctVar::TexteEnDate(FctVar::ObtenirDateDuJour()));
    if (cboPieces->count() > 0) {
        cboPieces->setCurrentIndex(0);
        if (cboRepresentations->count() > 0) cboRepresentations->setCurrentIndex(0);
    }
    AfficherListeVendeurs();
}

void frmEchangesBillets::AfficherListePieces() {
    const QStringList pieces = FctVar::LirePieces(this).value_or(QStringList());
    Toolkit::RemplirCombo(cboPieces, pieces);
    Toolkit::RemplirCombo(cboPieces2, pieces);
    if (cboPieces->count() > 0) {
        cboPieces->setCurrentIndex(0);
        cboPieces2->setCurrentIndex(0);
    }
}

void frmEchangesBillets::AfficherListeRepresentations(int cote) {
    QComboBox* pieces = cote == 1 ? cboPieces : cboPieces2;
    QComboBox* representations = cote == 1 ? cboRepresentations : cboRepresentations2;
    const FctVar::Representations lues = FctVar::LireRepresentations(this, pieces->currentText());
    if (lues.etat == FctVar::EtatLecture::PieceAbsente) return;  // no such play: the list stays as it was
    Toolkit::RemplirCombo(representations, lues.dates);
    if (representations->count() > 0) representations->setCurrentIndex(0);
}

void frmEchangesBillets::AfficherListeVendeurs() {
    const QStringList vendeurs = FctVar::LireVendeurs(this).value_or(QStringList());
    Toolkit::RemplirCombo(cboVendeurFrom, vendeurs);
    Toolkit::RemplirCombo(cboVendeurTo, vendeurs);
    if (cboVendeurFrom->count() > 0) {
        cboVendeurFrom->setCurrentIndex(0);
        cboVendeurTo->setCurrentIndex(0);
    }
}

void frmEchangesBillets::cboPieces_Click() { AfficherListeRepresentations(1); }

void frmEchangesBillets::cboPieces2_Click() { AfficherListeRepresentations(2); }

void frmEchangesBillets::RefuserNombre(const QString& message) {
    Toolkit::Erreur(this, message);
    txtNbBillets->setFocus();
}

void frmEchangesBillets::cmdEchanger_Click() {
    const QString texte = txtNbBillets->text();
    if (texte == QLatin1String("0") || texte.isEmpty()) {
        RefuserNombre(QStringLiteral("Vous devez entrer un nombre de billets à échanger!"));
        return;
    }
    if (!FctVar::EstNumerique(texte)) {
        RefuserNombre(QStringLiteral("Le nombre de billets est invalide!"));
        return;
    }
    const std::optional<qint16> compte = FctVar::TexteEnCompte16(texte);
    if (!compte) {
        // Too large for one movement: refuse it rather than wrap it.
        if (FctVar::LireNombre(texte).value_or(0.0) < 0.0)
            RefuserNombre(QStringLiteral("Le nombre de billets ne peut être négatif!"));
        else
            RefuserNombre(QStringLiteral("Le nombre de billets ne peut dépasser 32767!"));
        return;
    }
    if (*compte < 0) {
        RefuserNombre(QStringLiteral("Le nombre de billets ne peut être négatif!"));
        return;
    }
    try {
        // Kept while its answer is unsettled: the next save asks the base before writing again.
        if (m_jeton.isEmpty()) m_jeton = modBD::NouveauJeton();
        modBD::AjouterEchangeInventaire(
            FctVar::DateEnTexte(DPDateEchange->date()),
            {cboPieces->currentText(), cboRepresentations->currentText(), cboVendeurFrom->currentText()},
            {cboPieces2->currentText(), cboRepresentations2->currentText(), cboVendeurTo->currentText()}, *compte,
            txtCommentaire->text(), m_jeton);
    } catch (const modBD::ErreurBD& e) {
        if (!modBD::JetonEnSuspens(m_jeton)) m_jeton.clear();
        Toolkit::Erreur(this, e.message());  // nothing written: the fields stay as typed
        return;
    }
    m_jeton.clear();
    txtNbBillets->setText(QStringLiteral("0"));
    txtCommentaire->clear();
}

void frmEchangesBillets::cmdFermer_Click() { close(); }

void frmEchangesBillets::txtNbBillets_GotFocus() { Toolkit::SelectionnerTout(txtNbBillets); }

void frmEchangesBillets::txtCommentaire_GotFocus() { Toolkit::SelectionnerTout(txtCommentaire); }
