#include "frmRapports.h"

#include "FctVar.h"
#include "Graphique.h"
#include "Toolkit.h"
#include "modBD.h"
#include "modBD_Rapports.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCollator>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QScopeGuard>
#include <QShortcut>
#include <QSignalBlocker>
#include <QScrollArea>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

using namespace Rapports;

namespace {
const QString kToutesLesPieces = QStringLiteral("(Toutes les pièces)");
const QString kToutesLesRepresentations = QStringLiteral("(Toutes les représentations)");
const QString kTousLesVendeurs = QStringLiteral("(Tous les vendeurs)");

// A combo's choice again after its list was refilled, when it is still there.
void Rechoisir(QComboBox* liste, const QString& choix) {
    const int i = liste->findText(choix);
    if (i >= 0) liste->setCurrentIndex(i);
}
}

frmRapports::frmRapports(const QString& cheminBase, QWidget* parent)
    : QMainWindow(parent), m_base(QFileInfo(cheminBase).absoluteFilePath()) {
    setObjectName(QStringLiteral("frmRapports"));
    setWindowTitle(QStringLiteral("Corvandelle : rapports — %1").arg(QDir::toNativeSeparators(m_base)));
    auto* centre = new QWidget(this);
    setCentralWidget(centre);

    CreerFiltres(centre);
    CreerRapportEtBoutons(centre);
    Disposer(centre);
    Relier();
}

// The report's choice and its filters.
void frmRapports::CreerFiltres(QWidget* centre) {
    cboRapport = new QComboBox(centre);
    cboRapport->setObjectName(QStringLiteral("cboRapport"));
    for (Rapport r : TousLesRapports()) cboRapport->addItem(TitreRapport(r), static_cast<int>(r));
    cboPiece = new QComboBox(centre);
    cboPiece->setObjectName(QStringLiteral("cboPiece"));
    cboPiece->setMinimumContentsLength(20);
    cboRepresentation = new QComboBox(centre);
    cboRepresentation->setObjectName(QStringLiteral("cboRepresentation"));
    cboRepresentation->setMinimumContentsLength(12);
    cboVendeur = new QComboBox(centre);
    cboVendeur->setObjectName(QStringLiteral("cboVendeur"));
    cboVendeur->setMinimumContentsLength(14);
    // Long names must not widen the window past the screen: the list shows them whole.
    for (QComboBox* c : {cboPiece, cboRepresentation, cboVendeur})
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    chkDu = new QCheckBox(QStringLiteral("Commandes &du :"), centre);
    chkDu->setObjectName(QStringLiteral("chkDu"));
    DPDu = Toolkit::CreerSelecteurDate(centre, QStringLiteral("DPDu"));
    DPDu->setAccessibleName(QStringLiteral("Commandes du"));
    chkAu = new QCheckBox(QStringLiteral("&au :"), centre);
    chkAu->setObjectName(QStringLiteral("chkAu"));
    DPAu = Toolkit::CreerSelecteurDate(centre, QStringLiteral("DPAu"));
    DPAu->setAccessibleName(QStringLiteral("Commandes jusqu'au"));
}

// The table, the chart and the buttons under them.
void frmRapports::CreerRapportEtBoutons(QWidget* centre) {
    cmdImprimer = Toolkit::CreerBouton(centre, QStringLiteral("cmdImprimer"), QStringLiteral("I&mprimer…"),
                                       QStringLiteral("Imprimer le rapport affiché"));
    cmdExporterPdf = Toolkit::CreerBouton(centre, QStringLiteral("cmdExporterPdf"), QStringLiteral("Exporter en &PDF…"),
                                          QStringLiteral("Écrire le rapport affiché dans un fichier PDF"));
    cmdExporterCsv = Toolkit::CreerBouton(centre, QStringLiteral("cmdExporterCsv"), QStringLiteral("Exporter en &CSV…"),
                                          QStringLiteral("Écrire les données du rapport dans un fichier CSV"));
    cmdExporterClasseur = Toolkit::CreerBouton(centre, QStringLiteral("cmdExporterClasseur"),
                                               QStringLiteral("Exporter en c&lasseur…"),
                                               QStringLiteral("Écrire les données du rapport dans un classeur (.xlsx)"));

    cmdAnnuler = Toolkit::CreerBouton(centre, QStringLiteral("cmdAnnuler"), QStringLiteral("A&nnuler"),
                                      QStringLiteral("Abandonner la lecture du rapport"));
    cmdAnnuler->setVisible(false);
    m_modele = new ModeleRapport(this);
    tblRapport = new QTableView(centre);
    tblRapport->setObjectName(QStringLiteral("tblRapport"));
    tblRapport->setAccessibleName(QStringLiteral("Rapport"));
    tblRapport->setModel(m_modele);
    tblRapport->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblRapport->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblRapport->setAlternatingRowColors(true);
    // Tab moves on to the next control; the arrows move within the table.
    tblRapport->setTabKeyNavigation(false);
    tblRapport->verticalHeader()->setVisible(false);
    tblRapport->verticalHeader()->setDefaultSectionSize(tblRapport->fontMetrics().height() + 8);
    tblRapport->horizontalHeader()->setStretchLastSection(true);

    graVentes = new QChartView(centre);
    graVentes->setObjectName(QStringLiteral("graVentes"));
    graVentes->setAccessibleName(QStringLiteral("Graphique des billets vendus"));
    graVentes->setRenderHint(QPainter::Antialiasing);
    graVentes->setMinimumHeight(220);

    lblEtat = new QLabel(centre);
    lblEtat->setObjectName(QStringLiteral("lblEtat"));
}

void frmRapports::Disposer(QWidget* centre) {
    auto* filtres = new QGridLayout;
    filtres->addWidget(Toolkit::CreerEtiquette(centre, QStringLiteral("lblRapport"), QStringLiteral("&Rapport :"), cboRapport), 0, 0);
    filtres->addWidget(cboRapport, 0, 1);
    filtres->addWidget(Toolkit::CreerEtiquette(centre, QStringLiteral("lblPiece"), QStringLiteral("P&ièce :"), cboPiece), 0, 2);
    filtres->addWidget(cboPiece, 0, 3);
    filtres->addWidget(Toolkit::CreerEtiquette(centre, QStringLiteral("lblRepresentation"), QStringLiteral("Repr&ésentation :"),
                                               cboRepresentation), 0, 4);
    filtres->addWidget(cboRepresentation, 0, 5);
    // Two rows of filters: one row would push the window past a small screen.
    filtres->addWidget(Toolkit::CreerEtiquette(centre, QStringLiteral("lblVendeur"), QStringLiteral("&Vendeur :"), cboVendeur), 1, 0);
    filtres->addWidget(cboVendeur, 1, 1);
    filtres->addWidget(chkDu, 1, 2);
    filtres->addWidget(DPDu, 1, 3);
    filtres->addWidget(chkAu, 1, 4);
    filtres->addWidget(DPAu, 1, 5);
    filtres->setColumnStretch(6, 1);
    auto* boutons = new QHBoxLayout;
    for (QPushButton* b : {cmdImprimer, cmdExporterPdf, cmdExporterCsv, cmdExporterClasseur}) boutons->addWidget(b);
    boutons->addStretch(1);
    boutons->addWidget(lblEtat);
    boutons->addWidget(cmdAnnuler);

    auto* partage = new QSplitter(Qt::Vertical, centre);
    partage->addWidget(tblRapport);
    m_defilementGraphique = new QScrollArea(centre);
    m_defilementGraphique->setObjectName(QStringLiteral("defGraphique"));
    m_defilementGraphique->setWidgetResizable(true);
    m_defilementGraphique->setFrameShape(QFrame::NoFrame);
    m_defilementGraphique->setWidget(graVentes);
    partage->addWidget(m_defilementGraphique);
    partage->setStretchFactor(0, 3);
    partage->setStretchFactor(1, 2);

    auto* colonne = new QVBoxLayout(centre);
    colonne->addLayout(filtres);
    colonne->addWidget(partage, 1);
    colonne->addLayout(boutons);
}

// Tab order and handlers.
void frmRapports::Relier() {
    setTabOrder(cboRapport, cboPiece);
    setTabOrder(cboPiece, cboRepresentation);
    setTabOrder(cboRepresentation, cboVendeur);
    setTabOrder(cboVendeur, chkDu);
    setTabOrder(chkDu, DPDu);
    setTabOrder(DPDu, chkAu);
    setTabOrder(chkAu, DPAu);
    setTabOrder(DPAu, tblRapport);
    setTabOrder(tblRapport, cmdImprimer);
    setTabOrder(cmdImprimer, cmdExporterPdf);
    setTabOrder(cmdExporterPdf, cmdExporterCsv);
    setTabOrder(cmdExporterCsv, cmdExporterClasseur);

    connect(cboRapport, &QComboBox::currentIndexChanged, this, &frmRapports::cboRapport_Click);
    connect(cboPiece, &QComboBox::currentIndexChanged, this, &frmRapports::cboPiece_Click);
    connect(cboRepresentation, &QComboBox::currentIndexChanged, this, &frmRapports::Actualiser);
    connect(cboVendeur, &QComboBox::currentIndexChanged, this, &frmRapports::Actualiser);
    for (QCheckBox* c : {chkDu, chkAu}) connect(c, &QCheckBox::toggled, this, [this] {
        AdapterFiltres();
        Actualiser();
    });
    for (QDateEdit* d : {DPDu, DPAu}) connect(d, &QDateEdit::dateChanged, this, &frmRapports::Actualiser);
    // F5 reads the base again: the clerk may go on selling while the reports are open.
    auto* actualiser = new QShortcut(QKeySequence::Refresh, this);
    connect(actualiser, &QShortcut::activated, this, &frmRapports::Recharger);
    connect(cmdAnnuler, &QPushButton::clicked, this, [this] { m_annuler = true; });
    connect(cmdImprimer, &QPushButton::clicked, this, &frmRapports::cmdImprimer_Click);
    connect(cmdExporterPdf, &QPushButton::clicked, this, [this] { cmdExporter_Click(Format::Pdf); });
    connect(cmdExporterCsv, &QPushButton::clicked, this, [this] { cmdExporter_Click(Format::Csv); });
    connect(cmdExporterClasseur, &QPushButton::clicked, this, [this] { cmdExporter_Click(Format::Classeur); });
}

frmRapports::~frmRapports() { modBD::FermerConnexion(); }

bool frmRapports::Form_Load() {
    try {
        modBD::OuvrirBaseLecture(m_base);
    } catch (const modBD::ErreurBD& e) {
        Toolkit::Erreur(this, e.message());
        return false;
    }
    if (!ChargerListes()) return false;
    m_charge = true;
    // A play, performance or seller another station adds shows when the filters are next used.
    for (QComboBox* c : {cboPiece, cboRepresentation, cboVendeur}) {
        c->installEventFilter(this);
        // Its pop-up too, whatever opens it (a screen reader opens it without a click or a key).
        c->view()->parentWidget()->installEventFilter(this);
        c->view()->parentWidget()->setProperty("corvListeDe", QVariant::fromValue<QObject*>(c));
    }
    AfficherListeRepresentations();
    AdapterFiltres();
    Actualiser();
    // The chart is only drawn (the table says the same in text): Tab never stops in it.
    for (QWidget* w : m_defilementGraphique->findChildren<QWidget*>()) w->setFocusPolicy(Qt::NoFocus);
    m_defilementGraphique->setFocusPolicy(Qt::NoFocus);
    return true;
}

bool frmRapports::ChargerListes() {
    QStringList pieces, vendeurs;
    try {
        m_version = modBD::VersionChangementsAilleurs();
        pieces = modBD::ListePieces();
        vendeurs = modBD::ListeNomsVendeurs();
    } catch (const modBD::ErreurBD& e) {
        Toolkit::Erreur(this, e.message());
        return false;
    }
    // In French name order, as the reports list them.
    const QCollator collateur{QLocale()};
    for (QStringList* liste : {&pieces, &vendeurs}) {
        liste->removeDuplicates();
        std::stable_sort(liste->begin(), liste->end(), [&collateur](const QString& a, const QString& b) { return collateur.compare(a, b) < 0; });
    }
    const QString piece = cboPiece->currentText(), vendeur = cboVendeur->currentText();
    {
        const QSignalBlocker bloque(cboPiece);
        cboPiece->clear();
        cboPiece->addItem(kToutesLesPieces);
        cboPiece->addItems(pieces);
        cboPiece->setCurrentIndex(0);
        Rechoisir(cboPiece, piece);
    }
    {
        const QSignalBlocker bloque(cboVendeur);
        cboVendeur->clear();
        cboVendeur->addItem(kTousLesVendeurs);
        cboVendeur->addItems(vendeurs);
        cboVendeur->setCurrentIndex(0);
        Rechoisir(cboVendeur, vendeur);
    }
    return true;
}

bool frmRapports::eventFilter(QObject* objet, QEvent* evenement) {
    if (evenement->type() == QEvent::Show && objet->property("corvListeDe").isValid()) {
        // Refilled while showing: shown again at once, sized for the entries now there.
        auto* liste = qobject_cast<QComboBox*>(objet->property("corvListeDe").value<QObject*>());
        const quint64 avant = m_version;
        SuivreAutresPostes();
        if (liste && m_version != avant)
            QTimer::singleShot(0, liste, [liste] {
                liste->hidePopup();
                liste->showPopup();
            });
    } else if (Toolkit::UsageDeListe(evenement)) {
        SuivreAutresPostes();
    }
    return QMainWindow::eventFilter(objet, evenement);
}

void frmRapports::SuivreAutresPostes() {
    if (!m_charge || m_lecture) return;
    try {
        if (modBD::VersionChangementsAilleurs() == m_version) return;
    } catch (const modBD::ErreurBD&) {
        return;  // the next report says what is wrong
    }
    const QStringList avant{cboPiece->currentText(), cboRepresentation->currentText(), cboVendeur->currentText()};
    if (!ChargerListes()) return;
    AfficherListeRepresentations();
    // A choice that is gone leaves the report of another filter on screen: shown again.
    if (QStringList{cboPiece->currentText(), cboRepresentation->currentText(), cboVendeur->currentText()} != avant)
        Actualiser();
}

void frmRapports::closeEvent(QCloseEvent* evenement) {
    m_annuler = true;  // a report being read stops at its next step
    QMainWindow::closeEvent(evenement);
}

void frmRapports::Recharger() {
    if (!m_charge || m_lecture) return;
    if (!ChargerListes()) return;
    AfficherListeRepresentations();
    Actualiser();
}

Rapport frmRapports::RapportChoisi() const { return static_cast<Rapport>(cboRapport->currentData().toInt()); }

Filtres frmRapports::FiltresChoisis() const {
    Filtres f;
    const Rapport r = RapportChoisi();
    if (cboPiece->currentIndex() > 0 && FiltreParPiece(r)) f.piece = cboPiece->currentText();
    if (ExigeRepresentation(r) || (AccepteRepresentation(r) && cboRepresentation->currentData().toBool()))
        f.representation = cboRepresentation->currentText();
    if (FiltreParVendeur(r) && cboVendeur->currentIndex() > 0) f.vendeur = cboVendeur->currentText();
    if (FiltreParDate(r)) {
        if (chkDu->isChecked()) f.du = DPDu->date();
        if (chkAu->isChecked()) f.au = DPAu->date();
    }
    return f;
}

void frmRapports::AdapterFiltres() {
    const Rapport r = RapportChoisi();
    cboPiece->setEnabled(FiltreParPiece(r));
    cboRepresentation->setEnabled(ExigeRepresentation(r) || AccepteRepresentation(r));
    cboVendeur->setEnabled(FiltreParVendeur(r));
    const bool parDate = FiltreParDate(r);
    chkDu->setEnabled(parDate);
    chkAu->setEnabled(parDate);
    DPDu->setEnabled(parDate && chkDu->isChecked());
    DPAu->setEnabled(parDate && chkAu->isChecked());
    m_defilementGraphique->setVisible(r == Rapport::Ventes);
}

void frmRapports::AfficherListeRepresentations() {
    const QSignalBlocker bloque(cboRepresentation);
    const QString choix = cboRepresentation->currentText();
    cboRepresentation->clear();
    if (cboPiece->currentIndex() <= 0) return;
    // The settlement may cover every performance of the play: its list starts with that
    // choice (item data false); a performance's item carries true.
    if (AccepteRepresentation(RapportChoisi())) cboRepresentation->addItem(kToutesLesRepresentations, false);
    QStringList dates = FctVar::LireRepresentations(this, cboPiece->currentText()).dates;
    dates.removeDuplicates();
    std::stable_sort(dates.begin(), dates.end(),
                     [](const QString& a, const QString& b) { return modBD::ComparerTextesDates(a, b) < 0; });
    for (const QString& d : std::as_const(dates)) cboRepresentation->addItem(d, true);
    if (cboRepresentation->count() > 0) cboRepresentation->setCurrentIndex(0);
    Rechoisir(cboRepresentation, choix);
}

void frmRapports::cboRapport_Click() {
    AfficherListeRepresentations();
    AdapterFiltres();
    Actualiser();
}

void frmRapports::cboPiece_Click() {
    AfficherListeRepresentations();
    Actualiser();
}

// The report just read: its outputs offered, its count of lines, its columns and its chart.
void frmRapports::MontrerRapport(Rapport r, const Filtres& f) {
    for (QPushButton* b : {cmdImprimer, cmdExporterPdf}) b->setEnabled(true);
    for (QPushButton* b : {cmdExporterCsv, cmdExporterClasseur}) b->setEnabled(AccepteFormat(r, false));
    AfficherTableau(r == Rapport::Ventes, f.piece);
}

void frmRapports::Actualiser() {
    if (!m_charge || m_lecture) return;
    const Rapport r = RapportChoisi();
    const Filtres f = FiltresChoisis();
    if (ExigeRepresentation(r) && (f.piece.isEmpty() || f.representation.isEmpty())) {
        Tableau vide;
        vide.rapport = r;
        vide.titre = TitreRapport(r);
        m_modele->Definir(vide);
        lblEtat->setText(QStringLiteral("Choisissez une pièce et une représentation."));
        for (QPushButton* b : {cmdImprimer, cmdExporterPdf, cmdExporterCsv, cmdExporterClasseur}) b->setEnabled(false);
        return;
    }
    // A report over a long history is read in steps: between two, the window answers, says how
    // far the reading has gone and offers "Annuler"; its choices wait until the report is there.
    struct Abandon {};
    const QList<QWidget*> choix{cboRapport, cboPiece, cboRepresentation, cboVendeur, chkDu, DPDu, chkAu, DPAu};
    const QList<QPushButton*> sorties{cmdImprimer, cmdExporterPdf, cmdExporterCsv, cmdExporterClasseur};
    QList<bool> actifs;
    for (QWidget* w : choix) actifs << w->isEnabled();
    m_lecture = true;
    m_annuler = false;
    const auto fin = qScopeGuard([&] {
        m_lecture = false;
        cmdAnnuler->setVisible(false);
        for (qsizetype i = 0; i < choix.size(); ++i) choix.at(i)->setEnabled(actifs.at(i));
    });
    bool montre = false;
    const auto montrer = [&] {
        if (montre) return;
        montre = true;
        for (QWidget* w : choix) w->setEnabled(false);
        for (QPushButton* b : sorties) b->setEnabled(false);
        cmdAnnuler->setVisible(true);
        lblEtat->setText(QStringLiteral("Lecture du rapport…"));
    };
    const auto avancement = [&](int fait, int total) {
        montrer();
        lblEtat->setText(QStringLiteral("Lecture du rapport… %1 %").arg(total > 0 ? 100 * fait / total : 0));
        QCoreApplication::processEvents();
        if (m_annuler) throw Abandon{};
    };
    // A statement the server is slow to answer: the window answers meanwhile, and "Annuler"
    // stops the statement on the server.
    modBD::DefinirPendantAttente([&] {
        montrer();
        QCoreApplication::processEvents();
        return m_annuler;
    });
    const auto sansAttente = qScopeGuard([] { modBD::DefinirPendantAttente({}); });
    try {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        const auto retablir = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        m_modele->Definir(Produire(r, f, m_base, avancement));
    } catch (const Abandon&) {
        m_modele->Definir(Tableau());
        lblEtat->setText(QStringLiteral("Lecture du rapport annulée (F5 pour la reprendre)."));
        for (QPushButton* b : sorties) b->setEnabled(false);
        return;
    } catch (const modBD::ErreurBD& e) {
        m_modele->Definir(Tableau());
        if (e.nature() == modBD::NatureErreur::Annulee) {
            lblEtat->setText(QStringLiteral("Lecture du rapport annulée (F5 pour la reprendre)."));
            for (QPushButton* b : sorties) b->setEnabled(false);
            return;
        }
        lblEtat->setText(QString());
        Toolkit::Erreur(this, e.message());
        return;
    }
    MontrerRapport(r, f);
}

void frmRapports::AfficherTableau(bool graphique, const QString& piece) {
    qsizetype donnees = 0;
    for (const Ligne& l : m_modele->tableau().lignes)
        if (l.type == Ligne::Type::Donnee) ++donnees;
    lblEtat->setText(donnees == 1 ? QStringLiteral("1 ligne") : QStringLiteral("%1 lignes").arg(donnees));
    AjusterColonnes();
    if (graphique) {
        QChart* ancien = graVentes->chart();
        graVentes->setChart(CreerGraphique(m_modele->tableau(), piece));
        delete ancien;
        // Lying bars need room for each name: the chart grows and its pane scrolls.
        const int barres = NombreBarres(m_modele->tableau(), piece);
        graVentes->setMinimumHeight(barres > kBarresDebout ? 120 + 22 * barres : 220);
    }
}

const Tableau& frmRapports::TableauAffiche() const { return m_modele->tableau(); }

void frmRapports::AjusterColonnes() {
    // Every column as wide as its widest value: names whole, amounts never cut; the last one
    // takes no more room than its content.
    tblRapport->horizontalHeader()->setStretchLastSection(false);
    tblRapport->resizeColumnsToContents();
    const int colonnes = m_modele->columnCount();
    int total = 0;
    QList<int> textes;
    for (int c = 0; c < colonnes; ++c) {
        total += tblRapport->columnWidth(c);
        if (m_modele->tableau().genres.value(c) == Genre::Texte) textes << c;
    }
    // Too wide for the table: only the names give way, the widest first, each down to no less
    // than 120 pixels (their whole text is in the cell's tooltip, the printout and the files).
    int trop = total - tblRapport->viewport()->width();
    while (trop > 0) {
        int large = -1;
        for (int c : std::as_const(textes))
            if (tblRapport->columnWidth(c) > 120 && (large < 0 || tblRapport->columnWidth(c) > tblRapport->columnWidth(large)))
                large = c;
        if (large < 0) break;
        const int retrait = std::min(trop, std::max(1, std::min(tblRapport->columnWidth(large) - 120, trop / 2 + 1)));
        tblRapport->setColumnWidth(large, tblRapport->columnWidth(large) - retrait);
        trop -= retrait;
    }
}

bool frmRapports::ExporterVers(Format format, const QString& chemin) {
    // A report written over the database would destroy it.
    if (modBD::MemeFichier(chemin, m_base)) {
        Toolkit::Erreur(this, QStringLiteral("Le rapport ne peut pas être écrit sur la base de données « %1 » elle-même. "
                                             "Choisissez un autre nom de fichier.")
                                  .arg(QDir::toNativeSeparators(m_base)));
        return false;
    }
    try {
        Exporter(m_modele->tableau(), format, chemin);
    } catch (const ErreurSortie& e) {
        Toolkit::Erreur(this, e.message());
        return false;
    }
    AnnoncerFichier(chemin);
    return true;
}

void frmRapports::AnnoncerFichier(const QString& chemin) {
    if (!m_effacerAnnonce) {
        m_effacerAnnonce = new QTimer(this);
        m_effacerAnnonce->setSingleShot(true);
        m_effacerAnnonce->setInterval(5000);
        // 5 s later the line says again what it said, unless something else was said meanwhile.
        connect(m_effacerAnnonce, &QTimer::timeout, this, [this] {
            if (lblEtat->text() == m_annonce) lblEtat->setText(m_etatAvantAnnonce);
            m_annonce.clear();
        });
    }
    if (!m_effacerAnnonce->isActive() || lblEtat->text() != m_annonce) m_etatAvantAnnonce = lblEtat->text();
    m_annonce = QStringLiteral("Enregistré : %1").arg(QDir::toNativeSeparators(chemin));
    lblEtat->setText(m_annonce);
    m_effacerAnnonce->start();
}

void frmRapports::cmdExporter_Click(Format format) {
    const QString extension = ExtensionFormat(format);
    const QString filtre = format == Format::Pdf ? QStringLiteral("Document PDF (*.pdf)")
                           : format == Format::Csv ? QStringLiteral("Fichier CSV (*.csv)")
                                                   : QStringLiteral("Classeur (*.xlsx)");
    const QString propose = QDir(QFileInfo(m_base).absolutePath()).filePath(CodeRapport(RapportChoisi()) + QLatin1Char('.') + extension);
    const QString chemin = Toolkit::ChoisirFichierEnregistrement(this, QStringLiteral("Exporter le rapport"),
                                                                 QFileInfo(propose).absolutePath(),
                                                                 QFileInfo(propose).fileName(), filtre, extension);
    if (chemin.isEmpty()) return;
    ExporterVers(format, chemin);
}

void frmRapports::cmdImprimer_Click() {
    QPrinter imprimante(QPrinter::HighResolution);
    if (!Toolkit::ChoisirImprimante(this, imprimante, QStringLiteral("Imprimer le rapport"))) return;
    if (Peindre(m_modele->tableau(), imprimante) == 0)
        Toolkit::Erreur(this, QStringLiteral("Le rapport n'a pas pu être imprimé."));
    else if (imprimante.outputFormat() == QPrinter::PdfFormat && !imprimante.outputFileName().isEmpty())
        AnnoncerFichier(imprimante.outputFileName());
}
