// A clerk without a mouse, or without sight: every window driven as a screen reader and the
// keyboard alone drive it, through Qt's accessibility interface.
#include "FctVar.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmCommandes.h"
#include "frmEchangesBillets.h"
#include "frmGestionPieces.h"
#include "frmGestionVendeurs.h"
#include "frmInventaireBillets.h"
#include "frmMain.h"
#include "frmPlacesTarifs.h"
#include "frmRapports.h"
#include "frmSoiree.h"
#include "frmTransaction.h"
#include "Tableau.h"
#include "modBD.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QChartView>
#include <QStatusBar>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using Toolkit::Reponse;

namespace {

QAccessibleInterface* Interface(QObject* o) { return QAccessible::queryAccessibleInterface(o); }
QString Nom(QObject* o) {
    QAccessibleInterface* i = Interface(o);
    return i ? i->text(QAccessible::Name) : QString();
}

// The names of the interfaces that label this one.
QStringList Etiquettes(QObject* o) {
    QStringList noms;
    for (const auto& [etiquette, relation] : Interface(o)->relations(QAccessible::Label)) noms << etiquette->text(QAccessible::Name);
    return noms;
}

// The controls Tab stops at, in order, from the window's first one.
QStringList SequenceTab(QWidget* fenetre) {
    QStringList sequence;
    for (QWidget* w = fenetre->nextInFocusChain(); w && w != fenetre; w = w->nextInFocusChain()) {
        if (w->window() != fenetre || !w->isVisibleTo(fenetre)) continue;  // a disabled one keeps its place
        if ((w->focusPolicy() & Qt::TabFocus) != Qt::TabFocus || w->focusProxy()) continue;
        sequence << w->objectName();
    }
    return sequence;
}

// Every control the clerk can reach and every list: the names a screen reader reads for them.
QStringList SansNom(QWidget* fenetre) {
    QStringList fautes;
    for (QWidget* w : fenetre->findChildren<QWidget*>()) {
        if (w->window() != fenetre || !w->isVisibleTo(fenetre)) continue;
        const bool liste = qobject_cast<QAbstractItemView*>(w) && !qobject_cast<QComboBox*>(w->parentWidget());
        if (!liste && (w->focusPolicy() & Qt::TabFocus) != Qt::TabFocus) continue;
        if (w->focusProxy() || qobject_cast<QComboBox*>(w->parentWidget()) || qobject_cast<QDateEdit*>(w->parentWidget()) ||
            qobject_cast<QAbstractItemView*>(w->parentWidget()))
            continue;  // inner parts read with their control
        if (Nom(w).trimmed().isEmpty())
            fautes << QStringLiteral("%1 › %2 (%3 dans %4)")
                          .arg(fenetre->objectName(), w->objectName(), QString::fromLatin1(w->metaObject()->className()),
                               w->parentWidget()->objectName());
    }
    // Focus stops of their own in something only drawn to be seen.
    return fautes;
}

struct Fenetres {
    std::unique_ptr<frmMain> principal;
    QList<QWidget*> toutes;
    frmGestionPieces* pieces = nullptr;
    frmGestionVendeurs* vendeurs = nullptr;
    frmInventaireBillets* inventaire = nullptr;
    frmEchangesBillets* echanges = nullptr;
    frmCommandes* commandes = nullptr;
    frmPlacesTarifs* placesTarifs = nullptr;
    frmSoiree* soiree = nullptr;
};

Fenetres OuvrirTout() {
    Fenetres f;
    f.principal = std::make_unique<frmMain>();
    if (!f.principal->Form_Load()) return f;
    frmMain* p = f.principal.get();
    p->mnuGestionPieces_Click();
    p->mnuGestionVendeurs_Click();
    p->mnuGestionBillets_Click();
    p->mnuEchanges_Click();
    p->mnuRechercheCommandes_Click();
    p->mnuPlacesTarifs_Click();
    p->mnuSoiree_Click();
    f.pieces = p->FenetrePieces();
    f.vendeurs = p->FenetreVendeurs();
    f.inventaire = p->FenetreInventaire();
    f.echanges = p->FenetreEchanges();
    f.commandes = p->FenetreCommandes();
    f.placesTarifs = p->FenetrePlacesTarifs();
    f.soiree = p->FenetreSoiree();
    f.toutes = {p, f.pieces, f.vendeurs, f.inventaire, f.echanges, f.commandes, f.placesTarifs, f.soiree};
    return f;
}

void Activer(QWidget* w) {
    w->show();
    w->raise();
    w->activateWindow();
    QApplication::setActiveWindow(w);
}

}  // namespace

class TestAccessibilite : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestSupport::BaseTest> m_bd;

private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() {
        Toolkit::Test::Reinitialiser();
        m_bd = std::make_unique<TestSupport::BaseTest>();
        const qint64 avare = m_bd->AjouterPiece("L'Avare");
        m_bd->AjouterRepresentation(avare, "2026-12-24");
        m_bd->AjouterRepresentation(avare, "2026-12-25");
        m_bd->AjouterPiece("Le Cid");
        m_bd->AjouterVendeur("Bob");
        m_bd->AjouterVendeur("Anne", true);
    }
    void cleanup() {
        m_bd.reset();
    }

    void chaqueControleNomme() {
        Fenetres f = OuvrirTout();
        QVERIFY(f.principal);
        QStringList fautes;
        for (QWidget* w : std::as_const(f.toutes)) {
            QVERIFY(w);
            w->show();
            fautes << SansNom(w);
        }
        auto* transaction = new frmTransaction(f.principal.get(), *f.principal->lstTransactions, *f.principal->lblMontantTotal);
        transaction->show();
        fautes << SansNom(transaction);
        QVERIFY2(fautes.isEmpty(), qPrintable(fautes.join(QLatin1Char('\n'))));
        // The report tool, on the same base.
        f.principal.reset();
        modBD::FermerConnexion();
        frmRapports rapports(m_bd->cheminBase());
        QVERIFY(rapports.Form_Load());
        rapports.show();
        QCOMPARE(Interface(&rapports)->role(), QAccessible::Window);
        QCOMPARE(Nom(&rapports), rapports.windowTitle());
        QVERIFY2(SansNom(&rapports).isEmpty(), qPrintable(SansNom(&rapports).join(QLatin1Char('\n'))));
        // The chart is only drawn: Tab never stops in it.
        QVERIFY(!SequenceTab(&rapports).contains(QStringLiteral("graVentes")));
        for (QWidget* w : rapports.graVentes->findChildren<QWidget*>()) QCOMPARE(w->focusPolicy() & Qt::TabFocus, 0);
    }

    void fenetresEtCadres() {
        Fenetres f = OuvrirTout();
        QVERIFY(f.principal);
        // Windows are announced as windows, under their caption.
        for (QWidget* w : std::as_const(f.toutes)) {
            QAccessibleInterface* i = Interface(w);
            QVERIFY2(i->role() == QAccessible::Window || i->role() == QAccessible::Dialog, qPrintable(w->objectName()));
            QCOMPARE(i->text(QAccessible::Name), w->windowTitle());
        }
        frmTransaction transaction(f.principal.get(), *f.principal->lstTransactions, *f.principal->lblMontantTotal);
        QCOMPARE(Interface(&transaction)->role(), QAccessible::Dialog);
        // A frame inside a frame is read under its own title; its controls under it.
        QCOMPARE(Nom(f.echanges->Frame1), QStringLiteral("Donné"));
        QCOMPARE(Nom(f.echanges->Frame3), QStringLiteral("Recu"));
        QCOMPARE(Nom(f.echanges->Frame2), QStringLiteral("Informations sur l'échange de billets"));
        QVERIFY(Etiquettes(f.echanges->cboVendeurTo).contains(QStringLiteral("Recu")));
        QCOMPARE(Nom(f.inventaire->Frame1), QStringLiteral("Opération"));
        QVERIFY(Etiquettes(f.inventaire->optEnlever).contains(QStringLiteral("Opération")));
        // Symbols read as words.
        QCOMPARE(Nom(f.echanges->lblFleche), QStringLiteral("donné vers reçu"));
        QCOMPARE(Nom(f.soiree->cmdPlus), QStringLiteral("Un arrivé de plus"));
        QCOMPARE(Nom(f.soiree->cmdMoins), QStringLiteral("Un arrivé de moins"));
        QCOMPARE(Nom(f.soiree->lstParties), QStringLiteral("Liste des parties"));
    }

    void valeursEtLeursLegendes() {
        Fenetres f = OuvrirTout();
        QVERIFY(f.principal);
        // "Montant total : 84,00 $": the value, labelled by its caption.
        const QList<std::pair<QLabel*, QString>> valeurs{{f.commandes->lblNbForfaits, "Nb forfaits :"},
                                                         {f.commandes->lblMontantTotal, "Montant total :"},
                                                         {f.commandes->lblEtatCommande, "État :"},
                                                         {f.principal->lblMontantTotal, "Montant total :"},
                                                         {f.inventaire->lblNbBillets, "Nb de billets total courant :"}};
        for (const auto& [valeur, legende] : valeurs) {
            QVERIFY2(Etiquettes(valeur).contains(legende), qPrintable(valeur->objectName()));
            QCOMPARE(Nom(valeur), valeur->text().isEmpty() ? QStringLiteral("vide") : valeur->text());
        }
        // A counter with no value (no capacity set) reads as empty, not as its caption again.
        f.soiree->cboRepresentation->setCurrentIndex(0);
        QCOMPARE(f.soiree->lblCapacite->text(), QString());
        QCOMPARE(Nom(f.soiree->lblCapacite), QStringLiteral("vide"));
        QVERIFY(Etiquettes(f.soiree->lblCapacite).contains(QStringLiteral("Capacité")));
        QCOMPARE(Nom(f.soiree->lblArrives), QStringLiteral("0"));
    }

    // Qt raises a label's name-change event from setText only while the label has no accessible
    // name of its own, and sends events only to a running screen reader's bridge (none offscreen):
    // what is checked is that each message label is read by its text, and has no fixed name.
    void messagesLus() {
        Fenetres f = OuvrirTout();
        QVERIFY(f.principal);
        frmMain& p = *f.principal;
        QLabel* statut = p.StatusBar1->findChild<QLabel*>(QStringLiteral("StatusBar1Texte"));
        QVERIFY(statut);
        p.txtNomClient->setText("Tremblay");
        QVERIFY(FctVar::AjouterLigneTransaction(*p.lstTransactions, "L'Avare", "2026-12-24", "1", "2", "12,5", "0"));
        FctVar::CalculerMontantTotal(*p.lstTransactions, *p.lblMontantTotal);
        p.cmdConfirmerTransactions->click();
        QVERIFY2(Toolkit::Test::Messages().isEmpty(), qPrintable(Toolkit::Test::DernierMessage().texte));
        QVERIFY(p.TexteStatut().startsWith(QStringLiteral("Ajouté")));
        QCOMPARE(statut->accessibleName(), QString());
        QCOMPARE(Nom(statut), p.TexteStatut());
        p.TiEffacerMsg_Timer();
        QCOMPARE(statut->accessibleName(), QString());
        // The evening's counters carry their value as name, which raises the event at each change.
        f.soiree->cboRepresentation->setCurrentIndex(0);
        QCOMPARE(f.soiree->lblVendusAvance->accessibleName(), QStringLiteral("0"));
        QCOMPARE(Nom(f.soiree->lblVendusAvance), QStringLiteral("0"));
        // The report tool's message line.
        f.principal.reset();
        modBD::FermerConnexion();
        frmRapports rapports(m_bd->cheminBase());
        QVERIFY(rapports.Form_Load());
        QVERIFY(!rapports.lblEtat->text().isEmpty());
        QCOMPARE(rapports.lblEtat->accessibleName(), QString());
        QCOMPARE(Nom(rapports.lblEtat), rapports.lblEtat->text());
    }

    // An alert row says so in words as well as in red: for a screen reader and on a grey screen.
    void alertesEnTexte() {
        Rapports::Tableau t;
        t.entetes = {QStringLiteral("Vendeur"), QStringLiteral("Reste")};
        t.genres = {Rapports::Genre::Texte, Rapports::Genre::Entier};
        t.colonneAlerte = 1;
        Rapports::Ligne normale;
        normale.cellules = {QStringLiteral("Bob"), qlonglong(4)};
        Rapports::Ligne alerte;
        alerte.cellules = {QStringLiteral("Anne"), qlonglong(-3)};
        alerte.alerte = true;
        t.lignes = {normale, alerte};
        Rapports::ModeleRapport modele;
        modele.Definir(t);
        QCOMPARE(modele.data(modele.index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("Bob"));
        QCOMPARE(modele.data(modele.index(1, 0), Qt::DisplayRole).toString(), QStringLiteral("⚠ Anne"));
        QCOMPARE(modele.data(modele.index(1, 0), Qt::AccessibleTextRole).toString(), QStringLiteral("⚠ Anne"));
        QCOMPARE(modele.data(modele.index(1, 1), Qt::DisplayRole).toString(), QStringLiteral("-3"));
        QCOMPARE(modele.data(modele.index(1, 1), Qt::ToolTipRole).toString(), QStringLiteral("Alerte"));
        QVERIFY(!modele.data(modele.index(0, 1), Qt::ToolTipRole).isValid());
    }

    void menusAuClavier() {
        Fenetres f = OuvrirTout();
        QVERIFY(f.principal);
        frmMain& p = *f.principal;
        // The order line: Shift+F10 shows the same menu at the chosen line, Delete removes it.
        QVERIFY(FctVar::AjouterLigneTransaction(*p.lstTransactions, "L'Avare", "2026-12-24", "1", "2", "12,5", "0"));
        QVERIFY(FctVar::AjouterLigneTransaction(*p.lstTransactions, "Le Cid", "2026-12-31", "0", "1", "5", "0"));
        Activer(&p);
        p.lstTransactions->setCurrentItem(p.lstTransactions->topLevelItem(1));
        QTest::keyClick(p.lstTransactions, Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(p.mnuPopUpMenu->isVisible());
        const QRect ligne = p.lstTransactions->visualItemRect(p.lstTransactions->topLevelItem(1));
        QCOMPARE(p.mnuPopUpMenu->pos(), p.lstTransactions->viewport()->mapToGlobal(ligne.bottomLeft()));
        p.mnuPopUpMenu->close();
        QTest::keyClick(p.lstTransactions, Qt::Key_Menu);
        QTRY_VERIFY(p.mnuPopUpMenu->isVisible());
        p.mnuPopUpMenu->close();
        QTest::keyClick(p.lstTransactions, Qt::Key_Delete);
        QCOMPARE(p.lstTransactions->topLevelItemCount(), 1);
        QCOMPARE(p.lstTransactions->topLevelItem(0)->text(0), QStringLiteral("L'Avare"));
        QTest::keyClick(p.lstTransactions, Qt::Key_Delete);
        QTest::keyClick(p.lstTransactions, Qt::Key_Delete);  // as the menu's: "nothing to remove"
        QCOMPARE(Toolkit::Test::DernierMessage().texte, QStringLiteral("Il n'y a pas de transactions à enlever!"));

        // Sellers: the same question as the menu's, No keeps, Yes deletes.
        Activer(f.vendeurs);
        f.vendeurs->lstVendeurs->setCurrentRow(0);
        const QString vendeur = f.vendeurs->lstVendeurs->currentItem()->text();
        QTest::keyClick(f.vendeurs->lstVendeurs, Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(f.vendeurs->mnuPopMenu->isVisible());
        f.vendeurs->mnuPopMenu->close();
        Toolkit::Test::RepondreProchain(Reponse::Non);
        QTest::keyClick(f.vendeurs->lstVendeurs, Qt::Key_Delete);
        QCOMPARE(Toolkit::Test::DernierMessage().titre, QStringLiteral("Effacement"));
        QCOMPARE(m_bd->Compter("Vendeur"), 2);
        f.vendeurs->lstVendeurs->setCurrentRow(0);  // the list was read again: chosen anew
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        QTest::keyClick(f.vendeurs->lstVendeurs, Qt::Key_Delete);
        QCOMPARE(m_bd->Compter("Vendeur"), 1);
        QVERIFY(f.vendeurs->lstVendeurs->findItems(vendeur, Qt::MatchExactly).isEmpty());

        // Plays and performances.
        Activer(f.pieces);
        f.pieces->lstRepresentations->setCurrentRow(0);
        QTest::keyClick(f.pieces->lstRepresentations, Qt::Key_Menu);
        QTRY_VERIFY(f.pieces->mnuPopupRepresentation->isVisible());
        QVERIFY(!f.pieces->mnuPopupPiece->isVisible());
        f.pieces->mnuPopupRepresentation->close();
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        QTest::keyClick(f.pieces->lstRepresentations, Qt::Key_Delete);
        QCOMPARE(Toolkit::Test::DernierMessage().titre, QStringLiteral("Effacement"));
        QCOMPARE(m_bd->Compter("Representation"), 1);
        const int pieces = f.pieces->lstPieces->count();
        f.pieces->lstPieces->setCurrentRow(pieces - 1);
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        QTest::keyClick(f.pieces->lstPieces, Qt::Key_Delete);
        QCOMPARE(m_bd->Compter("Piece"), 1);
        QCOMPARE(f.pieces->lstPieces->count(), pieces - 1);
    }

    void echapEtPremierChamp() {
        Fenetres f = OuvrirTout();
        QVERIFY(f.principal);
        const QList<std::pair<QWidget*, QWidget*>> premiers{
            {f.principal.get(), f.principal->DPDateTransaction}, {f.pieces, f.pieces->txtNomPiece},
            {f.vendeurs, f.vendeurs->txtNomVendeur},             {f.inventaire, f.inventaire->DPDate},
            {f.echanges, f.echanges->DPDateEchange},             {f.commandes, f.commandes->txtRecherche},
            {f.placesTarifs, f.placesTarifs->cboPieces}};
        for (const auto& [fenetre, premier] : premiers) {
            Activer(fenetre);
            QVERIFY(QTest::qWaitForWindowActive(fenetre));
            QCOMPARE(fenetre->focusWidget() ? fenetre->focusWidget()->objectName() : QString(), premier->objectName());
        }
        // Escape does what "Fermer" does, in every window beside the main one.
        f.principal->cboVendeur->clear();
        for (QWidget* fenetre : QList<QWidget*>{f.pieces, f.vendeurs, f.inventaire, f.echanges, f.commandes, f.placesTarifs, f.soiree}) {
            QPointer<QWidget> garde(fenetre);
            Activer(fenetre);
            QVERIFY(QTest::qWaitForWindowActive(fenetre));
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : fenetre, Qt::Key_Escape);
            QTRY_VERIFY2(!garde || !garde->isVisible(), qPrintable(garde ? garde->objectName() : QString()));
        }
        // The sellers' "Fermer" refreshes the main window's list: so does Escape.
        QCOMPARE(f.principal->cboVendeur->count(), 2);
    }

    void sequencesTab() {
        Fenetres f = OuvrirTout();
        QVERIFY(f.principal);
        const QList<std::pair<QWidget*, QStringList>> ordres{
            {f.principal.get(),
             {"DPDateTransaction", "txtNomClient", "txtNoTel", "cboVendeur", "txtNbForfaits", "cmdAjouterTransaction",
              "cmdConfirmerTransactions", "cmdReinitialiser", "lstTransactions"}},
            {f.pieces,
             {"txtNomPiece", "cmdAjouterPiece", "lstPieces", "cboPieces", "DPDateRepresentation", "cmdAjouterRepresentation",
              "lstRepresentations", "cmdFermer"}},
            {f.vendeurs, {"txtNomVendeur", "chkComedien", "cmdAjouterVendeur", "lstVendeurs", "cmdFermer"}},
            {f.inventaire,
             {"DPDate", "cboPieces", "cboRepresentations", "optAjouter", "optEnlever", "txtNbBillets", "cboVendeur",
              "txtCommentaire", "cmdEnregistrer", "cmdFermer"}},
            {f.commandes,
             {"txtRecherche", "lstCommandes", "lstLignes", "txtMotif", "cmdAnnuler", "cmdImprimerRecu", "cmdEffacerClient",
              "cmdEffacementAutomatique", "cmdFermer"}},
            {f.placesTarifs,
             {"cboPieces", "txtPrixEnfant", "txtPrixAdulte", "cmdEnregistrerTarifs", "lstRepresentations", "txtPlaces", "chkToutes",
              "cmdEnregistrerPlaces", "txtCompagnie", "cmdEnregistrerCompagnie", "cmdFermer"}},
            {f.soiree,
             {"txtRecherche", "lstParties", "cmdArrivee", "cmdPlus", "cmdMoins", "cmdAnnulerArrivee", "cmdVentePorte",
              "cmdCaisse", "cmdCloture", "cmdImprimerCloture", "cmdFermer", "cboRepresentation"}},
            {f.echanges,
             {"DPDateEchange", "txtNbBillets", "cboPieces", "cboRepresentations", "cboPieces2", "cboRepresentations2",
              "txtCommentaire", "cmdEchanger", "cmdFermer", "cboVendeurFrom", "cboVendeurTo"}}};
        for (const auto& [fenetre, ordre] : ordres) {
            fenetre->show();
            QStringList sequence = SequenceTab(fenetre);
            // The chain is a ring: read it from the first field.
            const qsizetype debut = sequence.indexOf(ordre.first());
            QVERIFY(debut >= 0);
            sequence = sequence.mid(debut) + sequence.mid(0, debut);
            QCOMPARE(sequence, ordre);
        }
    }
};

QTEST_MAIN(TestAccessibilite)
#include "tst_Accessibilite.moc"
