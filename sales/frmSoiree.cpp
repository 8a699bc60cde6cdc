#include "frmSoiree.h"

#include "Exportation.h"
#include "FctVar.h"
#include "Tableau.h"
#include "Toolkit.h"
#include "Montant.h"
#include "modBD.h"
#include "modBD_Caisse.h"
#include "modBD_LectureCourte.h"
#include "modBD_RechercheCommandes.h"
#include "ReglagesPoste.h"
#include "frmCaisse.h"

#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFont>
#include <QFormLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {
const QString kTitre = QStringLiteral("Soirée de représentation");
constexpr int kActualiserMs = 1500;  // another station's check-in shows within 2 s

QString Libelle(const modBD::RepresentationSoiree& r) { return QStringLiteral("%1 — %2").arg(r.piece, r.date); }

// The small door-sale dialog: counts, cost (from the prices while the clerk has not typed
// one), seller, payment. "Enregistrer" hands the entries to the evening window, which records them.
class DialogueVentePorte : public QDialog {
public:
    DialogueVentePorte(frmSoiree* soiree, const QStringList& vendeurs) : QDialog(soiree), m_soiree(soiree) {
        setObjectName(QStringLiteral("dlgVentePorte"));
        setWindowTitle(QStringLiteral("Vente à la porte"));
        auto* forme = new QFormLayout(this);
        txtNbEnfants = Champ(QStringLiteral("txtNbEnfants"), QStringLiteral("0"));
        txtNbAdultes = Champ(QStringLiteral("txtNbAdultes"), QStringLiteral("0"));
        txtCouts = Champ(QStringLiteral("txtCouts"), QStringLiteral("0"));
        cboVendeur = new QComboBox(this);
        cboVendeur->setObjectName(QStringLiteral("cboVendeur"));
        Toolkit::RemplirCombo(cboVendeur, vendeurs);
        // No seller chosen at a station's first door sale, then the one it used last.
        cboVendeur->setCurrentIndex(static_cast<int>(vendeurs.indexOf(ReglagesPoste::DernierVendeurPorte())));
        cboPaiement = new QComboBox(this);
        cboPaiement->setObjectName(QStringLiteral("cboPaiement"));
        Toolkit::RemplirCombo(cboPaiement, modBD::TextesModes());
        cboPaiement->setCurrentIndex(0);  // "Espèces"
        txtReference = new QLineEdit(this);
        txtReference->setObjectName(QStringLiteral("txtReference"));
        txtReference->setMaxLength(30);
        txtReference->setEnabled(false);
        forme->addRow(QStringLiteral("Billets &enfants :"), txtNbEnfants);
        forme->addRow(QStringLiteral("Billets &adultes :"), txtNbAdultes);
        forme->addRow(QStringLiteral("&Coûts ($) :"), txtCouts);
        forme->addRow(QStringLiteral("&Vendeur :"), cboVendeur);
        forme->addRow(QStringLiteral("&Paiement :"), cboPaiement);
        forme->addRow(QStringLiteral("N° du c&hèque :"), txtReference);
        auto* boutons = new QDialogButtonBox(this);
        cmdEnregistrer = boutons->addButton(QStringLiteral("Enregistrer"), QDialogButtonBox::AcceptRole);
        cmdEnregistrer->setDefault(true);
        boutons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
        forme->addRow(boutons);
        Relier(boutons);
    }
    QLineEdit* txtNbEnfants;
    QLineEdit* txtNbAdultes;
    QLineEdit* txtCouts;
    QComboBox* cboVendeur;
    QComboBox* cboPaiement;
    QLineEdit* txtReference;
    QPushButton* cmdEnregistrer;

private:
    void Relier(QDialogButtonBox* boutons) {
        connect(boutons, &QDialogButtonBox::accepted, this, [this] {
            if (m_soiree->VendreALaPorte(txtNbEnfants->text(), txtNbAdultes->text(), txtCouts->text(), cboVendeur->currentText(),
                                         cboPaiement->currentText(), txtReference->text(), m_jeton))
                accept();
        });
        connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(cboPaiement, &QComboBox::currentIndexChanged, this, [this] {
            txtReference->setEnabled(cboPaiement->currentText() == modBD::TexteMode(modBD::ModePaiement::Cheque));
        });
        connect(txtCouts, &QLineEdit::textEdited, this, [this] { m_coutsTapes = true; });
        for (QLineEdit* t : {txtNbEnfants, txtNbAdultes})
            connect(t, &QLineEdit::textChanged, this, [this] {
                if (m_coutsTapes) return;
                const QString c = m_soiree->CoutSelonTarif(txtNbEnfants->text(), txtNbAdultes->text());
                if (!c.isEmpty()) txtCouts->setText(c);
            });
    }
    QLineEdit* Champ(const QString& nom, const QString& texte) {
        auto* t = new QLineEdit(texte, this);
        t->setObjectName(nom);
        t->setMaxLength(5);
        Toolkit::SurFocus(t, [t] { Toolkit::SelectionnerTout(t); });
        return t;
    }
    frmSoiree* m_soiree;
    bool m_coutsTapes = false;
    const QString m_jeton = modBD::NouveauJeton();  // one sale per dialog, however often "Enregistrer" is pressed
};
}  // namespace

frmSoiree::frmSoiree(QWidget* principal)
    : QWidget(principal, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                             Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmSoiree"));
    setWindowTitle(kTitre);
    setAccessibleName(kTitre);
    ConstruireFenetre();
    ConstruireLigneStatut();
    PreparerLecteurEtClavier();
    Form_Load();
}

void frmSoiree::ConstruireLigneStatut() {
    lblStatut = new QLabel(this);
    lblStatut->setObjectName(QStringLiteral("lblStatut"));
    lblStatut->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout()->addWidget(lblStatut);
    TiEffacerStatut = new QTimer(this);
    TiEffacerStatut->setObjectName(QStringLiteral("TiEffacerStatut"));
    TiEffacerStatut->setSingleShot(true);
    TiEffacerStatut->setInterval(5000);
    connect(TiEffacerStatut, &QTimer::timeout, lblStatut, &QLabel::clear);
}

void frmSoiree::AnnoncerFichier(const QString& chemin) {
    const QString texte = QStringLiteral("Enregistré : %1").arg(QDir::toNativeSeparators(chemin));
    lblStatut->setText(texte);
    lblStatut->setAccessibleName(texte);
    TiEffacerStatut->start();
    emit FichierEnregistre(chemin);
}

// Names a screen reader reads in words, the usual mnemonics, and Escape for "Fermer".
void frmSoiree::PreparerLecteurEtClavier() {
    lstParties->setAccessibleName(QStringLiteral("Liste des parties"));
    cmdPlus->setAccessibleName(QStringLiteral("Un arrivé de plus"));
    cmdMoins->setAccessibleName(QStringLiteral("Un arrivé de moins"));
    lblRecherche->setText(QStringLiteral("R&echercher :"));
    cmdAnnulerArrivee->setText(QStringLiteral("A&nnuler l'arrivée"));
    cmdFermer->setText(QStringLiteral("&Fermer"));
    Toolkit::PreparerFenetre(this, nullptr, cmdFermer);
}

void frmSoiree::ConstruireFenetre() {
    auto* racine = new QVBoxLayout(this);

    cboRepresentation = new QComboBox(this);
    cboRepresentation->setObjectName(QStringLiteral("cboRepresentation"));
    cboRepresentation->setMinimumContentsLength(30);
    cboRepresentation->installEventFilter(this);  // changed only when the clerk opens it
    lblRepresentation = Toolkit::CreerEtiquette(this, QStringLiteral("lblRepresentation"), QStringLiteral("&Représentation :"),
                                                cboRepresentation);
    auto* haut = new QHBoxLayout;
    haut->addWidget(lblRepresentation);
    haut->addWidget(cboRepresentation, 1);
    racine->addLayout(haut);

    ConstruireCompteurs(racine);
    ConstruireRecherche(racine);

    lstParties = new QTreeWidget(this);
    lstParties->setObjectName(QStringLiteral("lstParties"));
    lstParties->setHeaderLabels({QStringLiteral("Client"), QStringLiteral("Téléphone"), QStringLiteral("Enfants"),
                                 QStringLiteral("Adultes"), QStringLiteral("Arrivés")});
    lstParties->setRootIsDecorated(false);
    lstParties->setItemsExpandable(false);
    lstParties->setSelectionMode(QAbstractItemView::SingleSelection);
    lstParties->setAllColumnsShowFocus(true);
    lstParties->setUniformRowHeights(true);
    lstParties->setToolTip(QStringLiteral("Entrée ou Espace : toute la commande est arrivée. + et − : une personne de plus ou de moins."));
    for (int c : {0, 1, 2, 3, 4}) lstParties->setColumnWidth(c, c == 0 ? 240 : c == 1 ? 110 : 80);
    lstParties->header()->setStretchLastSection(false);  // the client's name takes the room, not the counts
    lstParties->header()->setSectionResizeMode(ColClient, QHeaderView::Stretch);
    lstParties->installEventFilter(this);
    racine->addWidget(lstParties, 1);

    ConstruireBoutons(racine);
    lblEtat = new QLabel(this);
    lblEtat->setObjectName(QStringLiteral("lblEtat"));
    lblEtat->setAccessibleDescription(QStringLiteral("État"));
    racine->addWidget(lblEtat);
    resize(900, 600);

    const QList<QWidget*> ordre{txtRecherche, lstParties, cmdArrivee, cmdPlus, cmdMoins, cmdAnnulerArrivee, cmdVentePorte,
                                cmdCaisse, cmdCloture, cmdImprimerCloture, cmdFermer, cboRepresentation};
    for (qsizetype i = 1; i < ordre.size(); ++i) QWidget::setTabOrder(ordre[i - 1], ordre[i]);

    TiActualiser = new QTimer(this);
    TiActualiser->setObjectName(QStringLiteral("TiActualiser"));
    TiActualiser->setInterval(kActualiserMs);
    connect(TiActualiser, &QTimer::timeout, this, [this] {
        if (isVisible()) Actualiser();
    });
    TiActualiser->start();
    Relier();
}

void frmSoiree::ConstruireCompteurs(QVBoxLayout* racine) {
    // A caption above each value, values large enough to read from the door.
    auto* compteurs = new QGridLayout;
    QFont gros = font();
    gros.setPointSizeF(gros.pointSizeF() * 1.8);
    gros.setBold(true);
    const QList<std::tuple<QLabel**, QString, QString>> valeurs = {
        {&lblCapacite, QStringLiteral("lblCapacite"), QStringLiteral("Capacité")},
        {&lblVendusAvance, QStringLiteral("lblVendusAvance"), QStringLiteral("Vendus d'avance")},
        {&lblVendusPorte, QStringLiteral("lblVendusPorte"), QStringLiteral("Vendus à la porte")},
        {&lblArrives, QStringLiteral("lblArrives"), QStringLiteral("Arrivés")},
        {&lblAttendus, QStringLiteral("lblAttendus"), QStringLiteral("Attendus")},
        {&lblPlacesLibres, QStringLiteral("lblPlacesLibres"), QStringLiteral("Places libres")}};
    for (int i = 0; i < valeurs.size(); ++i) {
        const auto& [champ, nomObjet, nom] = valeurs.at(i);
        auto* valeur = new QLabel(this);
        valeur->setObjectName(nomObjet);
        valeur->setFont(gros);
        valeur->setAlignment(Qt::AlignCenter);
        valeur->setAccessibleDescription(nom);
        *champ = valeur;
        auto* titre = Toolkit::CreerEtiquette(this, QStringLiteral("lblTitre%1").arg(i), nom, valeur);
        titre->setAlignment(Qt::AlignCenter);
        compteurs->addWidget(titre, 0, i);
        compteurs->addWidget(valeur, 1, i);
    }
    racine->addLayout(compteurs);
}

void frmSoiree::ConstruireRecherche(QVBoxLayout* racine) {
    txtRecherche = new QLineEdit(this);
    txtRecherche->setObjectName(QStringLiteral("txtRecherche"));
    txtRecherche->setClearButtonEnabled(true);
    txtRecherche->setToolTip(QStringLiteral("Nom du client, téléphone ou numéro de commande (sans égard aux accents ni aux "
                                            "majuscules). Entrée : la commande choisie est arrivée ; flèches : choisir ; "
                                            "+ et − du pavé : une personne de plus ou de moins ; Échap : effacer."));
    txtRecherche->installEventFilter(this);
    lblRecherche = Toolkit::CreerEtiquette(this, QStringLiteral("lblRecherche"), QStringLiteral("Rec&hercher :"), txtRecherche);
    auto* recherche = new QHBoxLayout;
    recherche->addWidget(lblRecherche);
    recherche->addWidget(txtRecherche, 1);
    racine->addLayout(recherche);
}

void frmSoiree::ConstruireBoutons(QVBoxLayout* racine) {
    cmdArrivee = Toolkit::CreerBouton(this, QStringLiteral("cmdArrivee"), QStringLiteral("&Arrivée"),
                                      QStringLiteral("Toute la commande est arrivée (Entrée, Espace, double-clic)"));
    cmdPlus = Toolkit::CreerBouton(this, QStringLiteral("cmdPlus"), QStringLiteral("+"), QStringLiteral("Une personne de plus (+)"));
    cmdMoins = Toolkit::CreerBouton(this, QStringLiteral("cmdMoins"), QStringLiteral("−"), QStringLiteral("Une personne de moins (−)"));
    cmdAnnulerArrivee = Toolkit::CreerBouton(this, QStringLiteral("cmdAnnulerArrivee"), QStringLiteral("Annuler l'arrivée"));
    cmdVentePorte = Toolkit::CreerBouton(this, QStringLiteral("cmdVentePorte"), QStringLiteral("&Vente à la porte…"));
    cmdCaisse = Toolkit::CreerBouton(this, QStringLiteral("cmdCaisse"), QStringLiteral("Ca&isse…"),
                                     QStringLiteral("La caisse de ce poste pour cette représentation"));
    cmdCloture = Toolkit::CreerBouton(this, QStringLiteral("cmdCloture"), QStringLiteral("&Clôture de la soirée…"),
                                      QStringLiteral("La page de clôture en PDF"));
    cmdImprimerCloture = Toolkit::CreerBouton(this, QStringLiteral("cmdImprimerCloture"), QStringLiteral("Im&primer la clôture…"));
    cmdFermer = Toolkit::CreerBouton(this, QStringLiteral("cmdFermer"), QStringLiteral("Fermer"));
    // Two rows, so that no caption is cut: the check-ins, then the evening's money and papers.
    auto* arrivees = new QHBoxLayout;
    for (QPushButton* b : {cmdArrivee, cmdPlus, cmdMoins, cmdAnnulerArrivee}) arrivees->addWidget(b);
    arrivees->addStretch(1);
    racine->addLayout(arrivees);
    auto* soiree = new QHBoxLayout;
    for (QPushButton* b : {cmdVentePorte, cmdCaisse, cmdCloture, cmdImprimerCloture}) soiree->addWidget(b);
    soiree->addStretch(1);
    soiree->addWidget(cmdFermer);
    racine->addLayout(soiree);
}

void frmSoiree::Relier() {
    connect(cboRepresentation, &QComboBox::currentIndexChanged, this, [this] { cboRepresentation_Click(); });
    connect(txtRecherche, &QLineEdit::textChanged, this, [this] { txtRecherche_Change(); });
    connect(lstParties, &QTreeWidget::itemDoubleClicked, this, [this] { cmdArrivee_Click(); });
    connect(cmdArrivee, &QPushButton::clicked, this, &frmSoiree::cmdArrivee_Click);
    connect(cmdPlus, &QPushButton::clicked, this, &frmSoiree::cmdPlus_Click);
    connect(cmdMoins, &QPushButton::clicked, this, &frmSoiree::cmdMoins_Click);
    connect(cmdAnnulerArrivee, &QPushButton::clicked, this, &frmSoiree::cmdAnnulerArrivee_Click);
    connect(cmdVentePorte, &QPushButton::clicked, this, &frmSoiree::cmdVentePorte_Click);
    connect(cmdCaisse, &QPushButton::clicked, this, &frmSoiree::cmdCaisse_Click);
    connect(cmdCloture, &QPushButton::clicked, this, &frmSoiree::cmdCloture_Click);
    connect(cmdImprimerCloture, &QPushButton::clicked, this, &frmSoiree::cmdImprimerCloture_Click);
    connect(cmdFermer, &QPushButton::clicked, this, &QWidget::close);
    // After any button, typing goes to the search again (connected after the handlers: runs last).
    for (QPushButton* b : {cmdArrivee, cmdPlus, cmdMoins, cmdAnnulerArrivee, cmdVentePorte, cmdCaisse, cmdCloture,
                           cmdImprimerCloture})
        connect(b, &QPushButton::clicked, this, &frmSoiree::RendreFocus);
}

void frmSoiree::RendreFocus() {
    if (txtRecherche) txtRecherche->setFocus(Qt::OtherFocusReason);
}

void frmSoiree::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    Toolkit::CentrerPremiereFois(this, m_centree);
    RendreFocus();
}

bool frmSoiree::ToucheListe(const QKeyEvent* touche) {
    switch (touche->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: cmdArrivee_Click(); return true;
    case Qt::Key_Plus: cmdPlus_Click(); return true;
    case Qt::Key_Minus: cmdMoins_Click(); return true;
    default:
        if (touche->text() == QStringLiteral("−")) {
            cmdMoins_Click();
            return true;
        }
    }
    return false;
}

bool frmSoiree::ToucheRecherche(const QKeyEvent* touche) {
    const bool pave = touche->modifiers().testFlag(Qt::KeypadModifier);
    switch (touche->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: txtRecherche_Entree(); return true;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        // The selection moves in the list while the typing stays in the field.
        const int n = lstParties->topLevelItemCount();
        if (n == 0) return true;
        QTreeWidgetItem* courante = lstParties->currentItem();
        int rang = courante && courante->isSelected() ? lstParties->indexOfTopLevelItem(courante) : -1;
        rang = touche->key() == Qt::Key_Up ? std::max(rang - 1, 0) : std::min(rang + 1, n - 1);
        lstParties->setCurrentItem(lstParties->topLevelItem(rang));
        lstParties->topLevelItem(rang)->setSelected(true);
        return true;
    }
    case Qt::Key_Plus:
        if (!pave) return false;  // a "+" typed in a phone number stays text
        cmdPlus_Click();
        return true;
    case Qt::Key_Minus:
        if (!pave) return false;
        cmdMoins_Click();
        return true;
    case Qt::Key_Escape:
        if (txtRecherche->text().isEmpty()) return false;
        txtRecherche->clear();
        return true;
    default: return false;
    }
}

bool frmSoiree::eventFilter(QObject* objet, QEvent* evenement) {
    // Escape first empties "Rechercher :"; only once it is empty does it close the window, as "Fermer".
    if (evenement->type() == QEvent::ShortcutOverride && objet == txtRecherche &&
        static_cast<QKeyEvent*>(evenement)->key() == Qt::Key_Escape && !txtRecherche->text().isEmpty()) {
        evenement->accept();
        return true;
    }
    if (evenement->type() == QEvent::KeyPress) {
        const auto* touche = static_cast<QKeyEvent*>(evenement);
        if (objet == lstParties && ToucheListe(touche)) return true;
        if (objet == txtRecherche && ToucheRecherche(touche)) return true;
        if (objet == cboRepresentation) {
            // Typed letters must never switch the evening: only opening the list changes it.
            const bool ouvre = touche->key() == Qt::Key_F4 || touche->key() == Qt::Key_Space ||
                               ((touche->key() == Qt::Key_Down || touche->key() == Qt::Key_Up) &&
                                touche->modifiers().testFlag(Qt::AltModifier));
            const bool passe = touche->key() == Qt::Key_Tab || touche->key() == Qt::Key_Backtab ||
                               touche->key() == Qt::Key_Escape || touche->modifiers().testFlag(Qt::AltModifier);
            if (!ouvre && !passe) return true;
        }
    }
    if (objet == cboRepresentation && evenement->type() == QEvent::Wheel) return true;
    return QWidget::eventFilter(objet, evenement);
}

void frmSoiree::Form_Load() {
    try {
        m_representations = modBD::ListeRepresentationsSoiree();
    } catch (const modBD::ErreurBD& e) {
        Toolkit::Erreur(this, QStringLiteral("La liste des représentations n'a pas pu être lue.\n") + e.message());
        return;
    }
    QStringList libelles;
    for (const modBD::RepresentationSoiree& r : std::as_const(m_representations)) libelles << Libelle(r);
    Toolkit::RemplirCombo(cboRepresentation, libelles);
    const int rang = modBD::RepresentationDuJour(m_representations, FctVar::TexteEnDate(FctVar::ObtenirDateDuJour()));
    if (rang >= 0) cboRepresentation->setCurrentIndex(rang);  // raises cboRepresentation_Click
    else Actualiser();
}

std::optional<modBD::RepresentationSoiree> frmSoiree::RepresentationChoisie() const {
    const int i = cboRepresentation->currentIndex();
    if (i < 0 || i >= m_representations.size()) return std::nullopt;
    return m_representations.at(i);
}

void frmSoiree::cboRepresentation_Click() {
    m_tarif.reset();
    if (const auto r = RepresentationChoisie()) {
        try {
            m_tarif = modBD::LireTarif(r->noPiece);
        } catch (const modBD::ErreurBD&) {
            // No prices read: the clerk types the cost.
        }
    }
    Actualiser();
}

void frmSoiree::txtRecherche_Change() { RemplirListe(true); }

std::optional<qint64> frmSoiree::PartieChoisie() const {
    const QTreeWidgetItem* choisie = lstParties->currentItem();
    if (!choisie || !choisie->isSelected()) return std::nullopt;
    return choisie->data(ColClient, Qt::UserRole).toLongLong();
}

bool frmSoiree::ChoisirPartie(qint64 noClient) {
    for (int i = 0; i < lstParties->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = lstParties->topLevelItem(i);
        if (item->data(ColClient, Qt::UserRole).toLongLong() == noClient) {
            lstParties->setCurrentItem(item);
            item->setSelected(true);
            lstParties->scrollToItem(item);
            return true;
        }
    }
    return false;
}

const modBD::PartieSoiree* frmSoiree::Partie(qint64 noClient) const {
    for (const modBD::PartieSoiree& p : m_soiree.parties)
        if (p.noClient == noClient) return &p;
    return nullptr;
}

bool frmSoiree::Actualiser() {
    const std::optional<modBD::RepresentationSoiree> r = RepresentationChoisie();
    if (!r) {
        m_soiree = {};
    } else {
        try {
            const modBD::LectureCourte courte;
            m_soiree = modBD::LireSoiree(r->noRepresentation);
        } catch (const modBD::ErreurBD& e) {
            // A locked base or a server gone: what is shown stays, says how old it is, and the
            // next tick catches up by itself.
            const qint64 age = m_derniereLecture.isValid() ? m_derniereLecture.elapsed() / 1000 : 0;
            const bool injoignable = e.nature() == modBD::NatureErreur::ConnexionPerdue;
            lblEtat->setText(QStringLiteral("%1 — chiffres d'il y a %2 s")
                                 .arg(injoignable ? QStringLiteral("Serveur injoignable") : QStringLiteral("Base occupée"))
                                 .arg(age));
            return false;
        }
    }
    if (lblEtat->text().contains(QStringLiteral("chiffres d'il y a"))) lblEtat->clear();
    m_derniereLecture.start();
    AfficherCompteurs();
    RemplirListe();
    return true;
}

void frmSoiree::AfficherCompteurs() {
    const auto nombre = [](const std::optional<qlonglong>& n) { return n ? QString::number(*n) : QString(); };
    const std::optional<qlonglong> capacite = m_soiree.capacite ? std::optional<qlonglong>(*m_soiree.capacite) : std::nullopt;
    for (const auto& [l, texte] : {std::pair{lblCapacite, nombre(capacite)},
                                   std::pair{lblVendusAvance, QString::number(m_soiree.vendusAvance)},
                                   std::pair{lblVendusPorte, QString::number(m_soiree.vendusPorte)},
                                   std::pair{lblArrives, QString::number(m_soiree.arrives)},
                                   std::pair{lblAttendus, QString::number(m_soiree.attendus)},
                                   std::pair{lblPlacesLibres, nombre(m_soiree.placesLibres)}}) {
        Toolkit::AfficherValeur(l, texte);
    }
}

QTreeWidgetItem* frmSoiree::CreerItem(const modBD::PartieSoiree& p) const {
    const bool tous = p.billets() > 0 && p.arrives >= p.billets();
    const QString arrives = QStringLiteral("%1 / %2").arg(p.arrives).arg(p.billets());
    auto* item = new QTreeWidgetItem(QStringList{p.client, p.telephone, QString::number(p.billetsEnfant),
                                                 QString::number(p.billetsAdulte),
                                                 tous ? arrives + QStringLiteral(" ✓") : arrives});
    item->setData(ColClient, Qt::UserRole, p.noClient);
    for (int c : {ColEnfants, ColAdultes, ColArrives}) item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    if (p.arrives > 0) {
        // A tint of the list's own background, so the text keeps its contrast in a dark theme too.
        const QColor fond = lstParties->palette().color(QPalette::Base);
        const QColor teinte = tous ? QColor(0, 170, 60) : QColor(235, 190, 0);
        const QColor melange = QColor::fromRgbF(fond.redF() * 0.6f + teinte.redF() * 0.4f, fond.greenF() * 0.6f + teinte.greenF() * 0.4f,
                                                fond.blueF() * 0.6f + teinte.blueF() * 0.4f);
        for (int c = 0; c <= ColArrives; ++c) {
            item->setBackground(c, melange);
            item->setForeground(c, lstParties->palette().color(QPalette::Text));
        }
        item->setToolTip(ColArrives, tous ? QStringLiteral("Toute la commande est arrivée") : QStringLiteral("Arrivée en partie"));
    }
    return item;
}

void frmSoiree::RemplirListe(bool choisirPremiere) {
    const std::optional<qint64> avant = PartieChoisie();
    const QString tape = txtRecherche->text().trimmed();
    const QString cherche = modBD::PlierTexte(tape);
    // Digits that are an order's number (a receipt typed or read by a barcode reader): that order first.
    bool estNombre = false;
    const qint64 numero = tape.toLongLong(&estNombre);
    const modBD::PartieSoiree* parNumero = estNombre ? Partie(numero) : nullptr;
    const QSignalBlocker bloqueur(lstParties);
    lstParties->clear();
    QList<QTreeWidgetItem*> items;
    if (parNumero) items << CreerItem(*parNumero);
    for (const modBD::PartieSoiree& p : std::as_const(m_soiree.parties)) {
        if (&p == parNumero) continue;
        if (!cherche.isEmpty() && !modBD::PlierTexte(p.client).contains(cherche) && !modBD::PlierTexte(p.telephone).contains(cherche))
            continue;
        items << CreerItem(p);
    }
    lstParties->addTopLevelItems(items);
    if (!choisirPremiere && avant) ChoisirPartie(*avant);
    if ((choisirPremiere || !PartieChoisie()) && lstParties->topLevelItemCount() > 0 && !cherche.isEmpty()) {
        // Narrowed by a search: the first party found is the one to check in with Enter.
        lstParties->setCurrentItem(lstParties->topLevelItem(0));
        lstParties->topLevelItem(0)->setSelected(true);
    }
}

void frmSoiree::txtRecherche_Entree() {
    if (!PartieChoisie()) {
        lblEtat->setText(QStringLiteral("Aucune commande ne correspond à « %1 ».").arg(txtRecherche->text().trimmed()));
        return;
    }
    Noter(modBD::Arrivee::Toute);
    const QSignalBlocker bloqueur(txtRecherche);  // the party just noted stays chosen in the full list
    txtRecherche->clear();
    RemplirListe();
}

void frmSoiree::Noter(modBD::Arrivee changement) {
    const std::optional<qint64> partie = PartieChoisie();
    const std::optional<modBD::RepresentationSoiree> r = RepresentationChoisie();
    if (!partie || !r) {
        Toolkit::Erreur(this, QStringLiteral("Choisissez d'abord une commande dans la liste."));
        return;
    }
    const modBD::PartieSoiree* p = Partie(*partie);
    if (changement == modBD::Arrivee::Toute && p && p->billets() > 0 && p->arrives >= p->billets()) {
        lblEtat->setText(QStringLiteral("Déjà arrivé : %1 (%2 / %3)").arg(p->client).arg(p->arrives).arg(p->billets()));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const std::optional<qlonglong> n = modBD::NoterArrivee(*partie, r->noRepresentation, changement);
        QApplication::restoreOverrideCursor();
        if (!n)
            Toolkit::Erreur(this, QStringLiteral("Cette commande n'est plus dans la base de données pour cette représentation "
                                                 "(supprimée ou annulée entre-temps) : rien n'a été noté."));
        else if (p)
            lblEtat->setText(QStringLiteral("%1 : %2 / %3").arg(p->client).arg(*n).arg(p->billets()));
    } catch (const modBD::ErreurBD& e) {
        QApplication::restoreOverrideCursor();
        Toolkit::Erreur(this, QStringLiteral("L'arrivée n'a pas été notée.\n") + e.message());
        return;
    }
    Actualiser();
}

void frmSoiree::cmdArrivee_Click() { Noter(modBD::Arrivee::Toute); }
void frmSoiree::cmdPlus_Click() { Noter(modBD::Arrivee::UneDePlus); }
void frmSoiree::cmdMoins_Click() { Noter(modBD::Arrivee::UneDeMoins); }
void frmSoiree::cmdAnnulerArrivee_Click() { Noter(modBD::Arrivee::Aucune); }

QString frmSoiree::CoutSelonTarif(const QString& enfants, const QString& adultes) const {
    if (!m_tarif) return {};
    const std::optional<double> e = FctVar::LireNombre(enfants);
    const std::optional<double> a = FctVar::LireNombre(adultes);
    if (!e || !a) return {};
    const QString texte = FctVar::FormaterNombre(std::round((*e * m_tarif->enfant + *a * m_tarif->adulte) * 100.0) / 100.0);
    return texte.size() <= 5 ? texte : QString();
}

void frmSoiree::cmdVentePorte_Click() {
    if (!RepresentationChoisie()) {
        Toolkit::Erreur(this, QStringLiteral("Choisissez d'abord une représentation."));
        return;
    }
    const std::optional<QStringList> vendeurs = FctVar::LireVendeurs(this);
    if (!vendeurs) return;
    DialogueVentePorte dialogue(this, *vendeurs);
    dialogue.exec();
}

namespace {
// The clerk's message for door-sale entries that cannot be recorded; empty when they can.
QString VerifierVentePorte(const std::optional<qint16>& nbE, const std::optional<qint16>& nbA, const QString& cout,
                           const QString& vendeur, const QString& paiement) {
    if (!nbE || *nbE < 0) return QStringLiteral("Le nombre de billets pour enfant n'est pas valide!");
    if (!nbA || *nbA < 0) return QStringLiteral("Le nombre de billets pour adulte n'est pas valide!");
    if (*nbE + *nbA == 0) return QStringLiteral("Vous devez entrer au moins 1 billet pour adulte ou pour enfant!");
    if (cout.trimmed().isEmpty()) return QStringLiteral("Vous devez entrer un coûts!");
    // No number, or beyond 99 999 999,99 $.
    if (!Montant::LireSaisie(cout)) return QStringLiteral("Le champ des coûts n'est pas valide!");
    if (vendeur.isEmpty()) return QStringLiteral("Choisissez le vendeur.");
    if (!modBD::ModeDepuisTexte(paiement)) return QStringLiteral("Choisissez le mode de paiement.");
    return {};
}
}  // namespace

bool frmSoiree::VendreALaPorte(const QString& enfants, const QString& adultes, const QString& cout, const QString& vendeur,
                               const QString& paiement, const QString& reference, const QString& jeton) {
    const std::optional<modBD::RepresentationSoiree> r = RepresentationChoisie();
    const std::optional<qint16> nbE = FctVar::TexteEnCompte16(enfants);
    const std::optional<qint16> nbA = FctVar::TexteEnCompte16(adultes);
    const QString message = r ? VerifierVentePorte(nbE, nbA, cout, vendeur, paiement)
                              : QStringLiteral("Choisissez d'abord une représentation.");
    if (!message.isEmpty()) {
        Toolkit::Erreur(this, message);
        return false;
    }
    const modBD::Paiement paye{*modBD::ModeDepuisTexte(paiement), reference, ReglagesPoste::NomPoste()};
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const std::optional<qlonglong> restantes = modBD::PlacesRestantes(r->noRepresentation);
        QApplication::restoreOverrideCursor();
        if (restantes && *nbE + *nbA > *restantes && !FctVar::QuestionComplet(this, *restantes, r->piece, r->date))
            return false;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const QString no = modBD::EnregistrerVentePortePayee(r->piece, r->date, enfants, adultes, cout, vendeur,
                                                             FctVar::ObtenirDateDuJour(), paye, jeton);
        QApplication::restoreOverrideCursor();
        ReglagesPoste::EnregistrerVendeurPorte(vendeur);
        Actualiser();
        ChoisirPartie(no.toLongLong());
        lblEtat->setText(QStringLiteral("Vente à la porte enregistrée : commande n° %1 (%2).").arg(no, paiement));
    } catch (const modBD::ErreurBD& e) {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        Toolkit::Erreur(this, QStringLiteral("La vente à la porte n'a pas été enregistrée.\n") + e.message());
        Actualiser();
        return false;
    }
    return true;
}

void frmSoiree::cmdCaisse_Click() {
    const std::optional<modBD::RepresentationSoiree> r = RepresentationChoisie();
    if (!r) {
        Toolkit::Erreur(this, QStringLiteral("Choisissez d'abord une représentation."));
        return;
    }
    frmCaisse caisse(this, *r);
    caisse.exec();
}

void frmSoiree::cmdCloture_Click() {
    const std::optional<modBD::RepresentationSoiree> r = RepresentationChoisie();
    if (!r) {
        Toolkit::Erreur(this, QStringLiteral("Choisissez d'abord une représentation."));
        return;
    }
    const QString chemin = Toolkit::ChoisirFichierEnregistrement(
        this, QStringLiteral("Clôture de la soirée"), QDir::homePath(),
        QStringLiteral("cloture-%1.pdf").arg(QString(r->date).replace(QLatin1Char('/'), QLatin1Char('-'))),
        QStringLiteral("Document PDF (*.pdf)"), QStringLiteral("pdf"));
    if (chemin.isEmpty()) return;
    try {
        Rapports::Exporter(Rapports::Produire(Rapports::Rapport::Soiree, {r->piece, r->date, {}, {}, {}}, modBD::DescriptionBase()),
                           Rapports::Format::Pdf, chemin);
        AnnoncerFichier(chemin);
    } catch (const modBD::ErreurBD& e) {
        Toolkit::Erreur(this, QStringLiteral("La clôture n'a pas pu être lue.\n") + e.message());
    } catch (const Rapports::ErreurSortie& e) {
        Toolkit::Erreur(this, e.message());
    }
}

void frmSoiree::cmdImprimerCloture_Click() {
    const std::optional<modBD::RepresentationSoiree> r = RepresentationChoisie();
    if (!r) {
        Toolkit::Erreur(this, QStringLiteral("Choisissez d'abord une représentation."));
        return;
    }
    Rapports::Tableau t;
    try {
        t = Rapports::Produire(Rapports::Rapport::Soiree, {r->piece, r->date, {}, {}, {}}, modBD::DescriptionBase());
    } catch (const modBD::ErreurBD& e) {
        Toolkit::Erreur(this, QStringLiteral("La clôture n'a pas pu être lue.\n") + e.message());
        return;
    }
    QPrinter imprimante(QPrinter::HighResolution);
    QPrintDialog dialogue(&imprimante, this);
    if (dialogue.exec() != QDialog::Accepted) return;
    Rapports::Peindre(t, imprimante);
}
