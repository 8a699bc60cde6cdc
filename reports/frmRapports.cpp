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
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScopeGuard>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

using namespace Rapports;

namespace {
const QString kToutesLesPieces = QStringLiteral("(Toutes les pièces)");
}

frmRapports::frmRapports(const QString& cheminBase, QWidget* parent)
    : QMainWindow(parent), m_base(QFileInfo(cheminBase).absoluteFilePath()) {
    setObjectName(QStringLiteral("frmRapports"));
    setWindowTitle(QStringLiteral("Corvandelle : rapports — %1").arg(QDir::toNativeSeparators(m_base)));
    auto* centre = new QWidget(this);
    setCentralWidget(centre);

    cboRapport = new QComboBox(centre);
    cboRapport->setObjectName(QStringLiteral("cboRapport"));
    for (Rapport r : {Rapport::Ventes, Rapport::Porte, Rapport::Vendeurs, Rapport::Mouvements})
        cboRapport->addItem(TitreRapport(r), static_cast<int>(r));
    cboPiece = new QComboBox(centre);
    cboPiece->setObjectName(QStringLiteral("cboPiece"));
    cboPiece->setMinimumContentsLength(20);
    cboRepresentation = new QComboBox(centre);
    cboRepresentation->setObjectName(QStringLiteral("cboRepresentation"));
    cboRepresentation->setMinimumContentsLength(12);
    chkDu = new QCheckBox(QStringLiteral("Commandes &du :"), centre);
    chkDu->setObjectName(QStringLiteral("chkDu"));
    DPDu = Toolkit::CreerSelecteurDate(centre, QStringLiteral("DPDu"));
    DPDu->setAccessibleName(QStringLiteral("Commandes du"));
    chkAu = new QCheckBox(QStringLiteral("&au :"), centre);
    chkAu->setObjectName(QStringLiteral("chkAu"));
    DPAu = Toolkit::CreerSelecteurDate(centre, QStringLiteral("DPAu"));
    DPAu->setAccessibleName(QStringLiteral("Commandes jusqu'au"));

    cmdImprimer = Toolkit::CreerBouton(centre, QStringLiteral("cmdImprimer"), QStringLiteral("&Imprimer…"),
                                       QStringLiteral("Imprimer le rapport affiché"));
    cmdExporterPdf = Toolkit::CreerBouton(centre, QStringLiteral("cmdExporterPdf"), QStringLiteral("Exporter en &PDF…"),
                                          QStringLiteral("Écrire le rapport affiché dans un fichier PDF"));
    cmdExporterCsv = Toolkit::CreerBouton(centre, QStringLiteral("cmdExporterCsv"), QStringLiteral("Exporter en &CSV…"),
                                          QStringLiteral("Écrire les données du rapport dans un fichier CSV"));
    cmdExporterClasseur = Toolkit::CreerBouton(centre, QStringLiteral("cmdExporterClasseur"),
                                               QStringLiteral("Exporter en c&lasseur…"),
                                               QStringLiteral("Écrire les données du rapport dans un classeur (.xlsx)"));

    m_modele = new ModeleRapport(this);
    tblRapport = new QTableView(centre);
    tblRapport->setObjectName(QStringLiteral("tblRapport"));
    tblRapport->setAccessibleName(QStringLiteral("Rapport"));
    tblRapport->setModel(m_modele);
    tblRapport->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblRapport->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblRapport->setAlternatingRowColors(true);
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

    auto* filtres = new QGridLayout;
    filtres->addWidget(Toolkit::CreerEtiquette(centre, QStringLiteral("lblRapport"), QStringLiteral("&Rapport :"), cboRapport), 0, 0);
    filtres->addWidget(cboRapport, 0, 1);
    filtres->addWidget(Toolkit::CreerEtiquette(centre, QStringLiteral("lblPiece"), QStringLiteral("P&ièce :"), cboPiece), 0, 2);
    filtres->addWidget(cboPiece, 0, 3);
    filtres->addWidget(Toolkit::CreerEtiquette(centre, QStringLiteral("lblRepresentation"), QStringLiteral("Repr&ésentation :"),
                                               cboRepresentation), 0, 4);
    filtres->addWidget(cboRepresentation, 0, 5);
    filtres->addWidget(chkDu, 0, 6);
    filtres->addWidget(DPDu, 0, 7);
    filtres->addWidget(chkAu, 0, 8);
    filtres->addWidget(DPAu, 0, 9);
    filtres->setColumnStretch(10, 1);
    auto* boutons = new QHBoxLayout;
    for (QPushButton* b : {cmdImprimer, cmdExporterPdf, cmdExporterCsv, cmdExporterClasseur}) boutons->addWidget(b);
    boutons->addStretch(1);
    boutons->addWidget(lblEtat);

    auto* partage = new QSplitter(Qt::Vertical, centre);
    partage->addWidget(tblRapport);
    partage->addWidget(graVentes);
    partage->setStretchFactor(0, 3);
    partage->setStretchFactor(1, 2);

    auto* colonne = new QVBoxLayout(centre);
    colonne->addLayout(filtres);
    colonne->addWidget(partage, 1);
    colonne->addLayout(boutons);

    setTabOrder(cboRapport, cboPiece);
    setTabOrder(cboPiece, cboRepresentation);
    setTabOrder(cboRepresentation, chkDu);
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
    for (QCheckBox* c : {chkDu, chkAu}) connect(c, &QCheckBox::toggled, this, [this] {
        AdapterFiltres();
        Actualiser();
    });
    for (QDateEdit* d : {DPDu, DPAu}) connect(d, &QDateEdit::dateChanged, this, &frmRapports::Actualiser);
    // F5 reads the base again: the clerk may go on selling while the reports are open.
    auto* actualiser = new QShortcut(QKeySequence::Refresh, this);
    connect(actualiser, &QShortcut::activated, this, &frmRapports::Actualiser);
    connect(cmdImprimer, &QPushButton::clicked, this, &frmRapports::cmdImprimer_Click);
    connect(cmdExporterPdf, &QPushButton::clicked, this, [this] { cmdExporter_Click(Format::Pdf); });
    connect(cmdExporterCsv, &QPushButton::clicked, this, [this] { cmdExporter_Click(Format::Csv); });
    connect(cmdExporterClasseur, &QPushButton::clicked, this, [this] { cmdExporter_Click(Format::Classeur); });
}

frmRapports::~frmRapports() { modBD::FermerConnexion(); }

bool frmRapports::Form_Load() {
    if (!modBD::OuvrirConnexionLecture(m_base)) {
        Toolkit::Erreur(this, modBD::DernierMessageOuverture());
        return false;
    }
    QStringList pieces;
    try {
        pieces = modBD::ListePieces();
    } catch (const modBD::ErreurBD& e) {
        Toolkit::Erreur(this, e.message());
        return false;
    }
    pieces.removeDuplicates();
    // In French name order, as the reports list them.
    const QCollator collateur{QLocale()};
    std::stable_sort(pieces.begin(), pieces.end(), [&collateur](const QString& a, const QString& b) { return collateur.compare(a, b) < 0; });
    {
        const QSignalBlocker bloque(cboPiece);
        cboPiece->clear();
        cboPiece->addItem(kToutesLesPieces);
        cboPiece->addItems(pieces);
        cboPiece->setCurrentIndex(0);
    }
    m_charge = true;
    AfficherListeRepresentations();
    AdapterFiltres();
    Actualiser();
    return true;
}

Rapport frmRapports::RapportChoisi() const { return static_cast<Rapport>(cboRapport->currentData().toInt()); }

Filtres frmRapports::FiltresChoisis() const {
    Filtres f;
    if (cboPiece->currentIndex() > 0) f.piece = cboPiece->currentText();
    const Rapport r = RapportChoisi();
    if (ExigeRepresentation(r)) f.representation = cboRepresentation->currentText();
    if (r == Rapport::Ventes) {
        if (chkDu->isChecked()) f.du = DPDu->date();
        if (chkAu->isChecked()) f.au = DPAu->date();
    }
    return f;
}

void frmRapports::AdapterFiltres() {
    const Rapport r = RapportChoisi();
    cboRepresentation->setEnabled(ExigeRepresentation(r));
    chkDu->setEnabled(r == Rapport::Ventes);
    chkAu->setEnabled(r == Rapport::Ventes);
    DPDu->setEnabled(r == Rapport::Ventes && chkDu->isChecked());
    DPAu->setEnabled(r == Rapport::Ventes && chkAu->isChecked());
    graVentes->setVisible(r == Rapport::Ventes);
}

void frmRapports::AfficherListeRepresentations() {
    const QSignalBlocker bloque(cboRepresentation);
    cboRepresentation->clear();
    if (cboPiece->currentIndex() <= 0) return;
    QStringList dates = FctVar::LireRepresentations(this, cboPiece->currentText()).dates;
    dates.removeDuplicates();
    std::stable_sort(dates.begin(), dates.end(),
                     [](const QString& a, const QString& b) { return modBD::ComparerTextesDates(a, b) < 0; });
    cboRepresentation->addItems(dates);
    if (!dates.isEmpty()) cboRepresentation->setCurrentIndex(0);
}

void frmRapports::cboRapport_Click() {
    AdapterFiltres();
    Actualiser();
}

void frmRapports::cboPiece_Click() {
    AfficherListeRepresentations();
    Actualiser();
}

void frmRapports::Actualiser() {
    if (!m_charge) return;
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
    try {
        // A report over a long history can take a few seconds: the pointer says so.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto retablir = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        m_modele->Definir(Produire(r, f, m_base));
    } catch (const modBD::ErreurBD& e) {
        m_modele->Definir(Tableau());
        lblEtat->setText(QString());
        Toolkit::Erreur(this, e.message());
        return;
    }
    for (QPushButton* b : {cmdImprimer, cmdExporterPdf, cmdExporterCsv, cmdExporterClasseur}) b->setEnabled(true);
    qsizetype donnees = 0;
    for (const Ligne& l : m_modele->tableau().lignes)
        if (l.type == Ligne::Type::Donnee) ++donnees;
    lblEtat->setText(donnees == 1 ? QStringLiteral("1 ligne") : QStringLiteral("%1 lignes").arg(donnees));
    tblRapport->resizeColumnsToContents();
    if (r == Rapport::Ventes) {
        QChart* ancien = graVentes->chart();
        graVentes->setChart(CreerGraphique(m_modele->tableau(), f.piece));
        delete ancien;
    }
}

const Tableau& frmRapports::TableauAffiche() const { return m_modele->tableau(); }

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
    lblEtat->setText(QStringLiteral("Fichier écrit : %1").arg(QDir::toNativeSeparators(chemin)));
    return true;
}

void frmRapports::cmdExporter_Click(Format format) {
    const QString extension = ExtensionFormat(format);
    const QString filtre = format == Format::Pdf ? QStringLiteral("Document PDF (*.pdf)")
                           : format == Format::Csv ? QStringLiteral("Fichier CSV (*.csv)")
                                                   : QStringLiteral("Classeur (*.xlsx)");
    const QString propose = QDir(QFileInfo(m_base).absolutePath()).filePath(CodeRapport(RapportChoisi()) + QLatin1Char('.') + extension);
    QString chemin = QFileDialog::getSaveFileName(this, QStringLiteral("Exporter le rapport"), propose, filtre);
    if (chemin.isEmpty()) return;
    if (QFileInfo(chemin).suffix().isEmpty()) chemin += QLatin1Char('.') + extension;
    ExporterVers(format, chemin);
}

void frmRapports::cmdImprimer_Click() {
    QPrinter imprimante(QPrinter::HighResolution);
    QPrintDialog dialogue(&imprimante, this);
    dialogue.setWindowTitle(QStringLiteral("Imprimer le rapport"));
    if (dialogue.exec() != QDialog::Accepted) return;
    if (Peindre(m_modele->tableau(), imprimante) == 0)
        Toolkit::Erreur(this, QStringLiteral("Le rapport n'a pas pu être imprimé."));
}
