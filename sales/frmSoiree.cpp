#include "frmSoiree.h"

#include "Exportation.h"
#include "FctVar.h"
#include "Tableau.h"
#include "Toolkit.h"
#include "modBD.h"
#include "modBD_RechercheCommandes.h"

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

#include <cmath>

namespace {
const QString kTitre = QStringLiteral("Soirée de représentation");
constexpr int kActualiserMs = 1500;  // another station's check-in shows within 2 s

QString Libelle(const modBD::RepresentationSoiree& r) { return QStringLiteral("%1 — %2").arg(r.piece, r.date); }

// The small door-sale dialog: counts, cost (from the prices while the clerk has not typed
// one), seller. "Enregistrer" hands the entries to the evening window, which records them.
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
        if (cboVendeur->count() > 0) cboVendeur->setCurrentIndex(0);
        forme->addRow(QStringLiteral("Billets &enfants :"), txtNbEnfants);
        forme->addRow(QStringLiteral("Billets &adultes :"), txtNbAdultes);
        forme->addRow(QStringLiteral("&Coûts ($) :"), txtCouts);
        forme->addRow(QStringLiteral("&Vendeur :"), cboVendeur);
        auto* boutons = new QDialogButtonBox(this);
        cmdEnregistrer = boutons->addButton(QStringLiteral("Enregistrer"), QDialogButtonBox::AcceptRole);
        cmdEnregistrer->setDefault(true);
        boutons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
        forme->addRow(boutons);
        connect(boutons, &QDialogButtonBox::accepted, this, [this] {
            if (m_soiree->VendreALaPorte(txtNbEnfants->text(), txtNbAdultes->text(), txtCouts->text(), cboVendeur->currentText()))
                accept();
        });
        connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(txtCouts, &QLineEdit::textEdited, this, [this] { m_coutsTapes = true; });
        for (QLineEdit* t : {txtNbEnfants, txtNbAdultes})
            connect(t, &QLineEdit::textChanged, this, [this] {
                if (m_coutsTapes) return;
                const QString c = m_soiree->CoutSelonTarif(txtNbEnfants->text(), txtNbAdultes->text());
                if (!c.isEmpty()) txtCouts->setText(c);
            });
    }
    QLineEdit* txtNbEnfants;
    QLineEdit* txtNbAdultes;
    QLineEdit* txtCouts;
    QComboBox* cboVendeur;
    QPushButton* cmdEnregistrer;

private:
    QLineEdit* Champ(const QString& nom, const QString& texte) {
        auto* t = new QLineEdit(texte, this);
        t->setObjectName(nom);
        t->setMaxLength(5);
        Toolkit::SurFocus(t, [t] { Toolkit::SelectionnerTout(t); });
        return t;
    }
    frmSoiree* m_soiree;
    bool m_coutsTapes = false;
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
    lblRepresentation = Toolkit::CreerEtiquette(this, QStringLiteral("lblRepresentation"), QStringLiteral("&Représentation :"),
                                                cboRepresentation);
    auto* haut = new QHBoxLayout;
    haut->addWidget(lblRepresentation);
    haut->addWidget(cboRepresentation, 1);
    racine->addLayout(haut);

    // The counters: a caption above each value, values large enough to read from the door.
    auto* compteurs = new QGridLayout;
    QFont gros = font();
    gros.setPointSizeF(gros.pointSizeF() * 1.6);
    gros.setBold(true);
    const QList<std::pair<QLabel**, QString>> valeurs = {
        {&lblCapacite, QStringLiteral("Capacité")},          {&lblVendusAvance, QStringLiteral("Vendus d'avance")},
        {&lblVendusPorte, QStringLiteral("Vendus à la porte")}, {&lblArrives, QStringLiteral("Arrivés")},
        {&lblAttendus, QStringLiteral("Attendus")},          {&lblPlacesLibres, QStringLiteral("Places libres")}};
    for (int i = 0; i < valeurs.size(); ++i) {
        auto* valeur = new QLabel(this);
        const QString nom = valeurs.at(i).second;
        valeur->setObjectName(QStringLiteral("lbl%1").arg(i));
        valeur->setFont(gros);
        valeur->setAlignment(Qt::AlignCenter);
        valeur->setAccessibleDescription(nom);
        *valeurs.at(i).first = valeur;
        auto* titre = Toolkit::CreerEtiquette(this, QStringLiteral("lblTitre%1").arg(i), nom, valeur);
        titre->setAlignment(Qt::AlignCenter);
        compteurs->addWidget(titre, 0, i);
        compteurs->addWidget(valeur, 1, i);
    }
    lblCapacite->setObjectName(QStringLiteral("lblCapacite"));
    lblVendusAvance->setObjectName(QStringLiteral("lblVendusAvance"));
    lblVendusPorte->setObjectName(QStringLiteral("lblVendusPorte"));
    lblArrives->setObjectName(QStringLiteral("lblArrives"));
    lblAttendus->setObjectName(QStringLiteral("lblAttendus"));
    lblPlacesLibres->setObjectName(QStringLiteral("lblPlacesLibres"));
    racine->addLayout(compteurs);

    txtRecherche = new QLineEdit(this);
    txtRecherche->setObjectName(QStringLiteral("txtRecherche"));
    txtRecherche->setClearButtonEnabled(true);
    txtRecherche->setToolTip(QStringLiteral("Nom du client ou téléphone (sans égard aux accents ni aux majuscules)"));
    lblRecherche = Toolkit::CreerEtiquette(this, QStringLiteral("lblRecherche"), QStringLiteral("Rechercher :"), txtRecherche);
    auto* recherche = new QHBoxLayout;
    recherche->addWidget(lblRecherche);
    recherche->addWidget(txtRecherche, 1);
    racine->addLayout(recherche);

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
    for (int c : {0, 1, 2, 3, 4}) lstParties->setColumnWidth(c, c == 0 ? 240 : c == 1 ? 110 : 70);
    lstParties->header()->setStretchLastSection(false);  // the client's name takes the room, not the counts
    lstParties->header()->setSectionResizeMode(ColClient, QHeaderView::Stretch);
    lstParties->installEventFilter(this);
    racine->addWidget(lstParties, 1);

    cmdArrivee = Toolkit::CreerBouton(this, QStringLiteral("cmdArrivee"), QStringLiteral("&Arrivée"),
                                      QStringLiteral("Toute la commande est arrivée (Entrée, Espace, double-clic)"));
    cmdPlus = Toolkit::CreerBouton(this, QStringLiteral("cmdPlus"), QStringLiteral("+"), QStringLiteral("Une personne de plus (+)"));
    cmdMoins = Toolkit::CreerBouton(this, QStringLiteral("cmdMoins"), QStringLiteral("−"), QStringLiteral("Une personne de moins (−)"));
    cmdAnnulerArrivee = Toolkit::CreerBouton(this, QStringLiteral("cmdAnnulerArrivee"), QStringLiteral("Annuler l'arrivée"));
    cmdVentePorte = Toolkit::CreerBouton(this, QStringLiteral("cmdVentePorte"), QStringLiteral("&Vente à la porte…"));
    cmdCloture = Toolkit::CreerBouton(this, QStringLiteral("cmdCloture"), QStringLiteral("&Clôture de la soirée…"),
                                      QStringLiteral("La page de clôture en PDF"));
    cmdImprimerCloture = Toolkit::CreerBouton(this, QStringLiteral("cmdImprimerCloture"), QStringLiteral("&Imprimer la clôture…"));
    cmdFermer = Toolkit::CreerBouton(this, QStringLiteral("cmdFermer"), QStringLiteral("Fermer"));
    auto* actions = new QHBoxLayout;
    for (QPushButton* b : {cmdArrivee, cmdPlus, cmdMoins, cmdAnnulerArrivee}) actions->addWidget(b);
    actions->addStretch(1);
    for (QPushButton* b : {cmdVentePorte, cmdCloture, cmdImprimerCloture, cmdFermer}) actions->addWidget(b);
    racine->addLayout(actions);
    resize(900, 600);

    const QList<QWidget*> ordre{cboRepresentation, txtRecherche, lstParties, cmdArrivee, cmdPlus, cmdMoins, cmdAnnulerArrivee,
                                cmdVentePorte, cmdCloture, cmdImprimerCloture, cmdFermer};
    for (qsizetype i = 1; i < ordre.size(); ++i) QWidget::setTabOrder(ordre[i - 1], ordre[i]);

    TiActualiser = new QTimer(this);
    TiActualiser->setObjectName(QStringLiteral("TiActualiser"));
    TiActualiser->setInterval(kActualiserMs);
    connect(TiActualiser, &QTimer::timeout, this, [this] {
        if (isVisible()) Actualiser();
    });
    TiActualiser->start();

    connect(cboRepresentation, &QComboBox::currentIndexChanged, this, [this] { cboRepresentation_Click(); });
    connect(txtRecherche, &QLineEdit::textChanged, this, [this] { txtRecherche_Change(); });
    connect(lstParties, &QTreeWidget::itemDoubleClicked, this, [this] { cmdArrivee_Click(); });
    connect(cmdArrivee, &QPushButton::clicked, this, &frmSoiree::cmdArrivee_Click);
    connect(cmdPlus, &QPushButton::clicked, this, &frmSoiree::cmdPlus_Click);
    connect(cmdMoins, &QPushButton::clicked, this, &frmSoiree::cmdMoins_Click);
    connect(cmdAnnulerArrivee, &QPushButton::clicked, this, &frmSoiree::cmdAnnulerArrivee_Click);
    connect(cmdVentePorte, &QPushButton::clicked, this, &frmSoiree::cmdVentePorte_Click);
    connect(cmdCloture, &QPushButton::clicked, this, &frmSoiree::cmdCloture_Click);
    connect(cmdImprimerCloture, &QPushButton::clicked, this, &frmSoiree::cmdImprimerCloture_Click);
    connect(cmdFermer, &QPushButton::clicked, this, &QWidget::close);
}

void frmSoiree::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    Toolkit::CentrerPremiereFois(this, m_centree);
}

bool frmSoiree::eventFilter(QObject* objet, QEvent* evenement) {
    if (objet == lstParties && evenement->type() == QEvent::KeyPress) {
        const auto* touche = static_cast<QKeyEvent*>(evenement);
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
    }
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

void frmSoiree::txtRecherche_Change() { RemplirListe(); }

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
            return true;
        }
    }
    return false;
}

void frmSoiree::Actualiser() {
    const std::optional<modBD::RepresentationSoiree> r = RepresentationChoisie();
    if (!r) {
        m_soiree = {};
    } else {
        try {
            m_soiree = modBD::LireSoiree(r->noRepresentation);
        } catch (const modBD::ErreurBD&) {
            // A locked base or a server gone: what is shown stays, the next tick tries again.
            return;
        }
    }
    AfficherCompteurs();
    RemplirListe();
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

void frmSoiree::RemplirListe() {
    const std::optional<qint64> avant = PartieChoisie();
    const QString cherche = modBD::PlierTexte(txtRecherche->text());
    const QSignalBlocker bloqueur(lstParties);
    lstParties->clear();
    QList<QTreeWidgetItem*> items;
    for (const modBD::PartieSoiree& p : std::as_const(m_soiree.parties)) {
        if (!cherche.isEmpty() && !modBD::PlierTexte(p.client).contains(cherche) && !modBD::PlierTexte(p.telephone).contains(cherche))
            continue;
        auto* item = new QTreeWidgetItem(QStringList{p.client, p.telephone, QString::number(p.billetsEnfant),
                                                     QString::number(p.billetsAdulte),
                                                     QStringLiteral("%1 / %2").arg(p.arrives).arg(p.billets())});
        item->setData(ColClient, Qt::UserRole, p.noClient);
        for (int c : {ColEnfants, ColAdultes, ColArrives}) item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        if (p.arrives >= p.billets()) {
            QFont f = item->font(ColClient);
            f.setItalic(true);
            for (int c = 0; c <= ColArrives; ++c) item->setFont(c, f);
        }
        items << item;
    }
    lstParties->addTopLevelItems(items);
    if (avant) ChoisirPartie(*avant);
    if (!PartieChoisie() && lstParties->topLevelItemCount() > 0 && !cherche.isEmpty()) {
        // Narrowed by a search: the first party found is the one to check in with Enter.
        lstParties->setCurrentItem(lstParties->topLevelItem(0));
        lstParties->topLevelItem(0)->setSelected(true);
    }
}

void frmSoiree::Noter(modBD::Arrivee changement) {
    const std::optional<qint64> partie = PartieChoisie();
    const std::optional<modBD::RepresentationSoiree> r = RepresentationChoisie();
    if (!partie || !r) {
        Toolkit::Erreur(this, QStringLiteral("Choisissez d'abord une commande dans la liste."));
        return;
    }
    try {
        if (!modBD::NoterArrivee(*partie, r->noRepresentation, changement))
            Toolkit::Erreur(this, QStringLiteral("Cette commande n'est plus dans la base de données pour cette représentation "
                                                 "(supprimée ou annulée entre-temps) : rien n'a été noté."));
    } catch (const modBD::ErreurBD& e) {
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

bool frmSoiree::VendreALaPorte(const QString& enfants, const QString& adultes, const QString& cout, const QString& vendeur) {
    const std::optional<modBD::RepresentationSoiree> r = RepresentationChoisie();
    QString message;
    const std::optional<qint16> nbE = FctVar::TexteEnCompte16(enfants);
    const std::optional<qint16> nbA = FctVar::TexteEnCompte16(adultes);
    if (!r)
        message = QStringLiteral("Choisissez d'abord une représentation.");
    else if (!nbE || *nbE < 0)
        message = QStringLiteral("Le nombre de billets pour enfant n'est pas valide!");
    else if (!nbA || *nbA < 0)
        message = QStringLiteral("Le nombre de billets pour adulte n'est pas valide!");
    else if (*nbE + *nbA == 0)
        message = QStringLiteral("Vous devez entrer au moins 1 billet pour adulte ou pour enfant!");
    else if (cout.trimmed().isEmpty())
        message = QStringLiteral("Vous devez entrer un coûts!");
    else if (!Montant::LireSaisie(cout))  // no number, or beyond 99 999 999,99 $
        message = QStringLiteral("Le champ des coûts n'est pas valide!");
    else if (vendeur.isEmpty())
        message = QStringLiteral("Vous devez sélectionner un vendeur. Allez dans 'Outils' pour en ajouter à la liste.");
    if (!message.isEmpty()) {
        Toolkit::Erreur(this, message);
        return false;
    }
    try {
        const std::optional<qlonglong> restantes = modBD::PlacesRestantes(r->noRepresentation);
        if (restantes && *nbE + *nbA > *restantes && !FctVar::QuestionComplet(this, *restantes, r->piece, r->date))
            return false;
        const QString no = modBD::EnregistrerVentePorte(r->piece, r->date, enfants, adultes, cout, vendeur,
                                                        FctVar::ObtenirDateDuJour());
        Actualiser();
        ChoisirPartie(no.toLongLong());
        emit VenteEnregistree();
    } catch (const modBD::ErreurBD& e) {
        Toolkit::Erreur(this, QStringLiteral("La vente à la porte n'a pas été enregistrée.\n") + e.message());
        Actualiser();
        return false;
    }
    return true;
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
