// The report tool's window: switching report or filter shows the new result at once, the
// alert stands out, exports write what is on screen, and the base stays untouched.
#include "BaseRapports.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmRapports.h"

#include <QApplication>
#include <QBrush>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QDir>
#include <QHeaderView>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Rapports;

namespace {
QStringList Rangee(const QTableView* t, int rang) {
    QStringList r;
    for (int c = 0; c < t->model()->columnCount(); ++c) r << t->model()->index(rang, c).data().toString();
    return r;
}
}  // namespace

class tst_frmRapports : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }

    void changerDeRapportEtDeFiltre() {
        TestSupport::BaseTest base;
        BaseRapports::Remplir(base);
        modBD::FermerConnexion();
        QFile fichier(base.cheminBase());
        QVERIFY(fichier.open(QIODevice::ReadOnly));
        const QByteArray avant = fichier.readAll();
        fichier.close();

        frmRapports f(base.cheminBase());
        QVERIFY(f.Form_Load());
        QCOMPARE(TestSupport::Textes(f.cboPiece), (QStringList{"(Toutes les pièces)", "Écume", "Le Cid", BaseRapports::kPhedre}));
        // Sales first, with the grand total and the chart.
        QCOMPARE(f.tblRapport->model()->rowCount(), 7);
        QCOMPARE(Rangee(f.tblRapport, 6).last(), QStringLiteral("132,75"));
        QVERIFY(f.graVentes->chart() && !f.graVentes->chart()->series().isEmpty());
        QVERIFY(!f.cboRepresentation->isEnabled());
        f.resize(1100, 720);
        TestSupport::Rendre(&f, "frmRapports");
        // It fits a 1024-pixel screen, with a type half as large again too.
        QVERIFY2(f.minimumSizeHint().width() <= 1024, qPrintable(QString::number(f.minimumSizeHint().width())));
        {
            QFont grand = f.font();
            grand.setPointSizeF(grand.pointSizeF() * 1.5);
            f.setFont(grand);
            QVERIFY2(f.minimumSizeHint().width() <= 1024, qPrintable(QString::number(f.minimumSizeHint().width())));
            f.setFont(QFont());
        }

        // Date filter: ticking a bound applies it at once.
        f.DPDu->setDate(QDate(2026, 11, 21));
        f.DPAu->setDate(QDate(2026, 12, 1));
        f.chkDu->setChecked(true);
        f.chkAu->setChecked(true);
        // Only the performances that sold in the period.
        QCOMPARE(Rangee(f.tblRapport, 0), (QStringList{"Le Cid", "2026-12-10", "2", "2", "3", "5", "1", "52,50"}));
        f.chkAu->setChecked(false);
        QCOMPARE(Rangee(f.tblRapport, 0).at(2), QStringLiteral("3"));  // orders 2, 4, 5

        // Columns as wide as their content: the last (an amount) takes no spare room, names stay
        // whole when the table is wide enough; when it is not, only names give way.
        {
            f.resize(1400, 700);
            f.show();
            QVERIFY(QTest::qWaitForWindowExposed(&f));
            f.Actualiser();
            const QAbstractItemView* vue = f.tblRapport;
            const auto contenu = [&](int c) {
                return std::max(vue->sizeHintForColumn(c), f.tblRapport->horizontalHeader()->sectionSizeHint(c));
            };
            const int colonnes = f.tblRapport->model()->columnCount();
            for (int c = 0; c < colonnes; ++c) QCOMPARE(f.tblRapport->columnWidth(c), contenu(c));
            f.resize(420, 700);
            QTest::qWait(50);
            f.Actualiser();
            QCOMPARE(f.tblRapport->columnWidth(colonnes - 1), contenu(colonnes - 1));
            QVERIFY(f.tblRapport->columnWidth(0) <= contenu(0));
            f.hide();
        }

        // The sellers' report: a seller short of tickets stands out.
        f.cboRapport->setCurrentIndex(2);
        QCOMPARE(f.TableauAffiche().rapport, Rapport::Vendeurs);
        QVERIFY(!f.chkDu->isEnabled());
        QCOMPARE(f.tblRapport->model()->rowCount(), 10);  // six rows, three subtotals, the total
        const QModelIndex reste = f.tblRapport->model()->index(2, 7);
        QCOMPARE(reste.data().toString(), QStringLiteral("-2"));
        QVERIFY(reste.data(Qt::BackgroundRole).value<QBrush>().color() != QColor());
        QVERIFY(!f.tblRapport->model()->index(0, 7).data(Qt::BackgroundRole).isValid());
        f.cboPiece->setCurrentIndex(3);
        QCOMPARE(f.tblRapport->model()->rowCount(), 3);

        // The door list needs a performance: none chosen, nothing to export.
        f.cboRapport->setCurrentIndex(1);
        f.cboPiece->setCurrentIndex(0);
        QCOMPARE(f.tblRapport->model()->rowCount(), 0);
        QVERIFY(!f.cmdExporterCsv->isEnabled());
        f.cboPiece->setCurrentIndex(2);
        QCOMPARE(TestSupport::Textes(f.cboRepresentation), (QStringList{"2026-12-03", "2026-12-10", "à confirmer"}));
        f.cboRepresentation->setCurrentIndex(1);
        QCOMPARE(f.tblRapport->model()->rowCount(), 5);
        QCOMPARE(Rangee(f.tblRapport, 0).first(), QStringLiteral("Alain"));
        QVERIFY(f.cmdExporterCsv->isEnabled());
        TestSupport::Rendre(&f, "frmRapports-porte");

        // Exports write the report on screen.
        QTemporaryDir dossier;
        const QString lignes = f.lblEtat->text();
        QVERIFY(lignes.endsWith(QStringLiteral("lignes")));
        QVERIFY(f.ExporterVers(Format::Csv, dossier.filePath("porte.csv")));
        QFile csv(dossier.filePath("porte.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(csv.readAll().contains("\"Durand; \"\"Jo\"\"\";555-2222;0;1;12,50;Oui;anne;2;2026-11-25\r\n"));
        // Said for 5 s, then the line tells again how many lines the report has.
        QCOMPARE(f.lblEtat->text(), QStringLiteral("Enregistré : ") + QDir::toNativeSeparators(dossier.filePath("porte.csv")));
        QVERIFY(f.ExporterVers(Format::Pdf, dossier.filePath("porte.pdf")));
        QVERIFY(f.lblEtat->text().endsWith("porte.pdf"));
        QTRY_COMPARE_WITH_TIMEOUT(f.lblEtat->text(), lignes, 7000);
        // Through the dialog: a name typed without its suffix is written under the format's.
        Toolkit::Test::RepondreFichierProchain(dossier.filePath("soir"));
        f.cmdExporter_Click(Format::Csv);
        QCOMPARE(Toolkit::Test::DialoguesFichier().last().suffixe, QStringLiteral("csv"));
        QVERIFY(QFile::exists(dossier.filePath("soir.csv")));
        QVERIFY(!QFile::exists(dossier.filePath("soir")));
        // Printed through the seam's print dialog (here to a PDF file); cancelled, nothing written.
        Toolkit::Test::RepondreImpressionProchaine(QString());
        f.cmdImprimer_Click();
        Toolkit::Test::RepondreImpressionProchaine(dossier.filePath("imprime.pdf"));
        f.cmdImprimer_Click();
        QCOMPARE(Toolkit::Test::DialoguesImpression(), (QStringList{"Imprimer le rapport", "Imprimer le rapport"}));
        QVERIFY(QFileInfo(dossier.filePath("imprime.pdf")).size() > 0);
        QVERIFY(f.lblEtat->text().endsWith("imprime.pdf"));
        QCOMPARE(QDir(dossier.path()).entryList(QStringList{"*.pdf"}), (QStringList{"imprime.pdf", "porte.pdf"}));
        QVERIFY(!f.ExporterVers(Format::Pdf, dossier.filePath("absent/porte.pdf")));
        QCOMPARE(Toolkit::Test::DernierMessage().titre, QStringLiteral("Erreur"));
        QVERIFY(!f.ExporterVers(Format::Csv, base.cheminBase()));  // never over the database
        QVERIFY(Toolkit::Test::DernierMessage().texte.contains("base de données"));

        // The ledger of the same performance.
        f.cboRapport->setCurrentIndex(3);
        QCOMPARE(Rangee(f.tblRapport, f.tblRapport->model()->rowCount() - 1).last(), QStringLiteral("14"));

        QVERIFY(fichier.open(QIODevice::ReadOnly));
        QCOMPARE(fichier.readAll(), avant);
        fichier.close();

        // A movement written meanwhile by the main program shows after F5.
        base.ExecuterAilleurs("INSERT INTO InventaireBillets (NoRepresentation, NoVendeur, Nombre, DateTransaction, Commentaire) "
                              "VALUES (1, 1, 6, '2026-11-16', '')");
        f.show();
        f.activateWindow();
        QTest::keyClick(&f, Qt::Key_F5);
        QCOMPARE(Rangee(f.tblRapport, f.tblRapport->model()->rowCount() - 1).last(), QStringLiteral("20"));
    }

    // Tab enters the table and leaves it again; Shift+Tab goes back the same way.
    void tabulationHorsDuTableau() {
        TestSupport::BaseTest base;
        BaseRapports::Remplir(base);
        modBD::FermerConnexion();
        frmRapports f(base.cheminBase());
        QVERIFY(f.Form_Load());
        f.show();
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        f.tblRapport->setFocus();
        f.tblRapport->setCurrentIndex(f.tblRapport->model()->index(0, 0));
        QTest::keyClick(f.tblRapport, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f.cmdImprimer);
        QTest::keyClick(f.cmdImprimer, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), f.tblRapport);
        QTest::keyClick(f.tblRapport, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), f.chkAu);  // its date is off while unticked
    }

    // F5 reads the lists again: a play and a seller added meanwhile appear, the choices stay.
    void f5RechargeLesListes() {
        TestSupport::BaseTest base;
        BaseRapports::Remplir(base);
        modBD::FermerConnexion();
        frmRapports f(base.cheminBase());
        QVERIFY(f.Form_Load());
        f.cboRapport->setCurrentIndex(f.cboRapport->findData(static_cast<int>(Rapport::Vendeurs)));
        f.cboPiece->setCurrentIndex(f.cboPiece->findText(BaseRapports::kCid));
        f.cboVendeur->setCurrentIndex(f.cboVendeur->findText(QStringLiteral("anne")));
        QCOMPARE(f.TableauAffiche().lignes.size(), 3);  // anne's row, her subtotal, the total
        base.ExecuterAilleurs("INSERT INTO Piece (NomPiece, NomPieceMaj) VALUES ('Arlequin', 'ARLEQUIN')");
        base.ExecuterAilleurs("INSERT INTO Vendeur (NomVendeur, Comedien, NomVendeurMaj) VALUES ('Zacharie', 0, 'ZACHARIE')");
        f.Recharger();
        QVERIFY(TestSupport::Textes(f.cboPiece).contains(QStringLiteral("Arlequin")));
        QVERIFY(TestSupport::Textes(f.cboVendeur).contains(QStringLiteral("Zacharie")));
        QCOMPARE(f.cboPiece->currentText(), BaseRapports::kCid);
        QCOMPARE(f.cboVendeur->currentText(), QStringLiteral("anne"));
        // The settlement takes the play's performances or all of them.
        f.cboRapport->setCurrentIndex(f.cboRapport->findData(static_cast<int>(Rapport::Reglement)));
        QCOMPARE(f.cboRepresentation->itemText(0), QStringLiteral("(Toutes les représentations)"));
        QCOMPARE(f.TableauAffiche().rapport, Rapport::Reglement);
    }

    // A long report is read in steps: "Annuler" stops it, the choices come back, F5 reads it.
    void lectureAnnulee() {
        TestSupport::BaseTest base;
        BaseRapports::Remplir(base);
        modBD::FermerConnexion();
        frmRapports f(base.cheminBase());
        QVERIFY(f.Form_Load());
        bool vuPendant = false;
        QTimer::singleShot(0, &f, [&] {
            vuPendant = f.cmdAnnuler->isVisibleTo(&f) && !f.cboRapport->isEnabled() && f.lblEtat->text().contains("Lecture");
            f.cmdAnnuler->click();
        });
        f.cboRapport->setCurrentIndex(f.cboRapport->findData(static_cast<int>(Rapport::Vendeurs)));
        QVERIFY(vuPendant);
        QVERIFY(f.TableauAffiche().lignes.isEmpty());
        QVERIFY(f.lblEtat->text().contains(QStringLiteral("annulée")));
        QVERIFY(!f.cmdExporterCsv->isEnabled());
        QVERIFY(f.cboRapport->isEnabled());
        QVERIFY(!f.cmdAnnuler->isVisibleTo(&f));
        f.Recharger();
        QCOMPARE(f.TableauAffiche().lignes.size(), 10);
        QVERIFY(f.cmdExporterCsv->isEnabled());
    }

    // On a server, a statement the server holds (waiting here for a lock another program keeps)
    // leaves the window answering, and "Annuler" stops it on the server at once, well before
    // the lock's own 2 s limit; no message, and F5 reads the report once the lock is gone.
    void lectureServeurAnnulee() {
        if (!TestSupport::SurServeur()) QSKIP("a server statement only");
        TestSupport::BaseTest base;
        BaseRapports::Remplir(base);
        modBD::FermerConnexion();
        frmRapports f(base.cheminBase());
        QVERIFY(f.Form_Load());
        Toolkit::Test::Reinitialiser();
        {
            QSqlDatabase autre = TestSupport::ConnexionServeurTest(QStringLiteral("verrou"), base.baseServeur());
            QSqlQuery q(autre);
            QVERIFY(q.exec(QStringLiteral("BEGIN")));
            QVERIFY(q.exec(QStringLiteral("LOCK TABLE InfoReservation IN ACCESS EXCLUSIVE MODE")));
            bool vuPendant = false;
            QTimer::singleShot(300, &f, [&] {
                vuPendant = f.cmdAnnuler->isVisibleTo(&f) && !f.cboRapport->isEnabled();
                f.cmdAnnuler->click();
            });
            QElapsedTimer chrono;
            chrono.start();
            f.Recharger();
            const qint64 duree = chrono.elapsed();
            QVERIFY(vuPendant);
            QVERIFY2(duree < 1500, qPrintable(QString::number(duree)));
            QCOMPARE(f.lblEtat->text(), QStringLiteral("Lecture du rapport annulée (F5 pour la reprendre)."));
            QCOMPARE(Toolkit::Test::Messages().size(), 0);
            QVERIFY(f.cboRapport->isEnabled());
            // Nothing of the report's session waits on the server any more.
            QSqlQuery attente(autre);
            QVERIFY(attente.exec(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = current_database() "
                                                "AND wait_event_type = 'Lock'")));
            QVERIFY(attente.next());
            QCOMPARE(attente.value(0).toInt(), 0);
            QVERIFY(q.exec(QStringLiteral("ROLLBACK")));
            autre.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("verrou"));
        f.Recharger();
        QCOMPARE(f.tblRapport->model()->rowCount(), 7);
        QCOMPARE(Rangee(f.tblRapport, 6).last(), QStringLiteral("132,75"));
    }

    void baseIllisible() {
        QTemporaryDir dossier;
        frmRapports f(dossier.filePath("BD.mdb"));
        QVERIFY(!f.Form_Load());
        QVERIFY(Toolkit::Test::DernierMessage().texte.contains("introuvable"));
        QVERIFY(!QFile::exists(dossier.filePath("BD.mdb")));
    }

    void nomsPourLecteurDEcran() {
        TestSupport::BaseTest base;
        frmRapports f(base.cheminBase());
        // Fields carry the name of their caption; buttons and boxes are read by their text.
        for (QWidget* w : QList<QWidget*>{f.cboRapport, f.cboPiece, f.cboRepresentation, f.DPDu, f.DPAu, f.tblRapport, f.graVentes})
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        QCOMPARE(f.cboPiece->accessibleName(), QStringLiteral("Pièce"));
        for (QAbstractButton* b : QList<QAbstractButton*>{f.chkDu, f.chkAu, f.cmdImprimer, f.cmdExporterPdf, f.cmdExporterCsv,
                                                          f.cmdExporterClasseur})
            QVERIFY2(!b->text().remove('&').isEmpty() && !b->shortcut().isEmpty(), qPrintable(b->objectName()));
        QCOMPARE(TestSupport::OrdreTabulation({f.cboRapport, f.cboPiece, f.cboRepresentation, f.chkDu, f.DPDu, f.chkAu, f.DPAu,
                                               f.tblRapport, f.cmdImprimer, f.cmdExporterPdf, f.cmdExporterCsv,
                                               f.cmdExporterClasseur}),
                 QString());
    }
};

QTEST_MAIN(tst_frmRapports)
#include "tst_frmRapports.moc"
