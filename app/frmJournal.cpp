#include "frmJournal.h"

#include "Toolkit.h"
#include "modBD.h"
#include "modBD_Journal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const QString kTous = QStringLiteral("(tous)");
// More rows than a window can usefully show: the filters narrow it, the report tool gives all.
constexpr int kLignesMax = 5000;
}  // namespace

frmJournal::frmJournal(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmJournal"));
    setWindowTitle(QStringLiteral("Journal des opérations"));
    ConstruireFiltres();
    lstOperations = new QTreeWidget(this);
    lstOperations->setObjectName(QStringLiteral("lstOperations"));
    lstOperations->setHeaderLabels({QStringLiteral("Opération"), QStringLiteral("Moment"), QStringLiteral("Poste"),
                                    QStringLiteral("Employé"), QStringLiteral("Action"), QStringLiteral("Objet"),
                                    QStringLiteral("Détail")});
    lstOperations->setRootIsDecorated(false);
    lstOperations->setMinimumSize(860, 300);
    lstOperations->header()->setStretchLastSection(true);
    lblEtat = new QLabel(this);
    lblEtat->setObjectName(QStringLiteral("lblEtat"));
    cmdVerifier = Toolkit::CreerBouton(this, QStringLiteral("cmdVerifier"), QStringLiteral("&Vérifier la chaîne"));
    cmdFermer = Toolkit::CreerBouton(this, QStringLiteral("cmdFermer"), QStringLiteral("Fer&mer"));
    auto* bas = new QHBoxLayout;
    bas->addWidget(lblEtat, 1);
    bas->addWidget(cmdVerifier);
    bas->addWidget(cmdFermer);
    static_cast<QVBoxLayout*>(layout())->addWidget(lstOperations, 1);
    static_cast<QVBoxLayout*>(layout())->addLayout(bas);
    connect(cmdVerifier, &QPushButton::clicked, this, &frmJournal::cmdVerifier_Click);
    connect(cmdFermer, &QPushButton::clicked, this, &QDialog::accept);
    RemplirChoix();
    AfficherOperations();
}

void frmJournal::ConstruireFiltres() {
    chkDates = new QCheckBox(QStringLiteral("&Du"), this);
    chkDates->setObjectName(QStringLiteral("chkDates"));
    DPDu = Toolkit::CreerSelecteurDate(this, QStringLiteral("DPDu"));
    DPAu = Toolkit::CreerSelecteurDate(this, QStringLiteral("DPAu"));
    DPDu->setDate(QDate::currentDate().addDays(-30));
    DPAu->setDate(QDate::currentDate());
    cboEmploye = new QComboBox(this);
    cboEmploye->setObjectName(QStringLiteral("cboEmploye"));
    cboAction = new QComboBox(this);
    cboAction->setObjectName(QStringLiteral("cboAction"));
    txtTexte = new QLineEdit(this);
    txtTexte->setObjectName(QStringLiteral("txtTexte"));
    txtTexte->setPlaceholderText(QStringLiteral("commande, pièce, compte…"));
    cmdFiltrer = Toolkit::CreerBouton(this, QStringLiteral("cmdFiltrer"), QStringLiteral("&Afficher"));
    auto* filtres = new QGridLayout;
    filtres->addWidget(chkDates, 0, 0);
    filtres->addWidget(DPDu, 0, 1);
    filtres->addWidget(Toolkit::CreerEtiquette(this, QStringLiteral("Label1"), QStringLiteral("a&u"), DPAu), 0, 2);
    filtres->addWidget(DPAu, 0, 3);
    filtres->addWidget(Toolkit::CreerEtiquette(this, QStringLiteral("Label2"), QStringLiteral("&Employé :"), cboEmploye), 1, 0);
    filtres->addWidget(cboEmploye, 1, 1);
    filtres->addWidget(Toolkit::CreerEtiquette(this, QStringLiteral("Label3"), QStringLiteral("A&ction :"), cboAction), 1, 2);
    filtres->addWidget(cboAction, 1, 3);
    filtres->addWidget(Toolkit::CreerEtiquette(this, QStringLiteral("Label4"), QStringLiteral("&Texte :"), txtTexte), 2, 0);
    filtres->addWidget(txtTexte, 2, 1, 1, 2);
    filtres->addWidget(cmdFiltrer, 2, 3);
    auto* colonne = new QVBoxLayout(this);
    colonne->addLayout(filtres);
    connect(cmdFiltrer, &QPushButton::clicked, this, &frmJournal::AfficherOperations);
    connect(txtTexte, &QLineEdit::returnPressed, this, &frmJournal::AfficherOperations);
}

void frmJournal::RemplirChoix() {
    try {
        cboEmploye->clear();
        cboEmploye->addItem(kTous);
        cboEmploye->addItems(modBD::EmployesJournal());
        cboAction->clear();
        cboAction->addItem(kTous);
        cboAction->addItems(modBD::ActionsJournal());
    } catch (const modBD::ErreurBD& e) {
        lblEtat->setText(e.message());
    }
}

void frmJournal::AfficherOperations() {
    modBD::FiltreOperations f;
    if (chkDates->isChecked()) {
        f.du = DPDu->date().toString(Qt::ISODate);
        f.au = DPAu->date().toString(Qt::ISODate);
    }
    if (cboEmploye->currentIndex() > 0) f.employe = cboEmploye->currentText();
    if (cboAction->currentIndex() > 0) f.action = cboAction->currentText();
    f.texte = txtTexte->text().trimmed();
    f.limite = kLignesMax;
    lstOperations->clear();
    try {
        const QList<modBD::Operation> ops = modBD::ListeOperations(f);
        for (const modBD::Operation& o : ops)
            new QTreeWidgetItem(lstOperations,
                                {QString::number(o.no), o.moment, o.poste, o.employe, o.action, o.objet, o.detail});
        for (int c = 0; c < 6; ++c) lstOperations->resizeColumnToContents(c);
        lblEtat->setText(ops.size() >= kLignesMax ? QStringLiteral("Les %1 plus récentes opérations.").arg(kLignesMax)
                                                  : QStringLiteral("%1 opération(s).").arg(ops.size()));
    } catch (const modBD::ErreurBD& e) {
        lblEtat->setText(e.message());
    }
}

void frmJournal::cmdVerifier_Click() {
    try {
        const modBD::VerificationJournal v = modBD::VerifierJournal();
        lblEtat->setText(v.intact ? QStringLiteral("Journal intact : %1 opérations.").arg(v.nombre)
                                  : QStringLiteral("Journal modifié à l'opération n° %1.").arg(v.operationFautive));
    } catch (const modBD::ErreurBD& e) {
        lblEtat->setText(e.message());
    }
}
