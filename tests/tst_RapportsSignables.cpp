// Reports a treasurer can sign: every report agrees to the cent on a season with the hard cases
// (costs of 1.005 and 2.675, a cancelled order, a deleted play and a deleted performance), the
// season's balance counts what the others count, the settlement's pages name their seller, and
// every page says whose and what.
#include "BaseRapports.h"
#include "Exportation.h"
#include "LectureRapports.h"
#include "Tableau.h"
#include "TestSupport.h"
#include "modBD_Annulations.h"
#include "modBD_Compagnie.h"
#include "modBD_Journal.h"
#include "modBD_Soiree.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Rapports;
using namespace LectureRapports;
using BaseRapports::Commande;


namespace {

// The amount of a Montant cell, in cents.
qlonglong Centimes(const Rapports::Ligne& l, int col) { return MontantCellule(l.cellules.value(col)).centimes(); }

qlonglong Total(const Tableau& t, int col) {
    for (const Rapports::Ligne& l : t.lignes)
        if (l.type == Rapports::Ligne::Type::Total) return Centimes(l, col);
    return -1;
}

// The page's text of a PDF, one page at a time.
QString PagePdf(const QString& pdf, int page) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                          QString::number(page), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return LectureRapports::SansLigatures(QString::fromUtf8(p.readAllStandardOutput()));
}

int NbPages(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(30000);
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

struct Saison {
    qint64 cid = 0, soir = 0, matinee = 0, anne = 0, bruno = 0;
};

// The hard cases: half cents stored as doubles, door sales, a cancelled order, a play and a
// performance deleted after they sold, a seller who sold beyond the tickets received.
Saison RemplirSaison(TestSupport::BaseTest& base) {
    Saison s;
    s.cid = base.AjouterPiece(QStringLiteral("Le Cid"));
    const qint64 avare = base.AjouterPiece(QStringLiteral("L'Avare"));
    s.soir = base.AjouterRepresentation(s.cid, QStringLiteral("2026-12-10"));
    s.matinee = base.AjouterRepresentation(s.cid, QStringLiteral("2026-12-11"));
    const qint64 vieux = base.AjouterRepresentation(avare, QStringLiteral("2026-11-01"));
    const qint64 ote = base.AjouterRepresentation(s.cid, QStringLiteral("2026-12-12"));
    s.anne = base.AjouterVendeur(QStringLiteral("Anne"));
    s.bruno = base.AjouterVendeur(QStringLiteral("Bruno"), true);
    const qint64 a = Commande(QStringLiteral("2026-11-20"), QStringLiteral("Porte 1"), QString());
    BaseRapports::Ligne(a, s.soir, 1, 0, 1.005, true, s.anne);
    const qint64 b = Commande(QStringLiteral("2026-11-20"), QStringLiteral("Porte 2"), QString());
    BaseRapports::Ligne(b, s.soir, 0, 1, 2.675, true, s.anne);
    const qint64 c = Commande(QStringLiteral("2026-11-21"), QStringLiteral("Avance"), QStringLiteral("555-1234"));
    BaseRapports::Ligne(c, s.soir, 2, 2, 40.125, false, s.bruno);
    BaseRapports::Ligne(c, s.matinee, 0, 3, 33.335, false, s.bruno);
    const qint64 d = Commande(QStringLiteral("2026-11-22"), QStringLiteral("Vieux"), QString());
    BaseRapports::Ligne(d, vieux, 0, 2, 20.005, false, s.anne);
    const qint64 e = Commande(QStringLiteral("2026-11-23"), QStringLiteral("Otée"), QString());
    BaseRapports::Ligne(e, ote, 1, 1, 15.015, false, s.bruno);
    const qint64 f = Commande(QStringLiteral("2026-11-24"), QStringLiteral("Annulée"), QString());
    BaseRapports::Ligne(f, s.soir, 0, 1, 99.995, false, s.anne);
    modBD::AnnulerCommande(f, QStringLiteral("2026-11-25"), QStringLiteral("malade"));
    modBD::Executer(QStringLiteral("DELETE FROM Representation WHERE NoRepresentation = ?"), {ote});
    modBD::Executer(QStringLiteral("DELETE FROM Representation WHERE NoRepresentation = ?"), {vieux});
    modBD::Executer(QStringLiteral("DELETE FROM Piece WHERE NoPiece = ?"), {avare});
    BaseRapports::Mouvement(s.soir, s.anne, 5);
    BaseRapports::Mouvement(s.soir, s.bruno, 1);  // Bruno sells 4 with 1 ticket: 3 without
    BaseRapports::Mouvement(s.matinee, s.bruno, 5);  // and holds 2 of the matinee's
    return s;
}

}  // namespace

class tst_RapportsSignables : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() { TestSupport::DefinirLocale(TestSupport::LocaleFrancaise()); }

    // Counted by hand, each cost rounded once: 1,01 + 2,68 + 40,13 + 33,34 + 20,01 + 15,02 = 112,19.
    void accordAuCentime() {
        TestSupport::BaseTest base;
        RemplirSaison(base);
        const Tableau ventes = Produire(Rapport::Ventes, {}, base.chemin());
        const Tableau journal = Produire(Rapport::Journal, {}, base.chemin());
        const Tableau reglement = Produire(Rapport::Reglement, {}, base.chemin());
        const Tableau bilan = Produire(Rapport::Bilan, {}, base.chemin());
        QCOMPARE(Total(ventes, 7), 11219LL);
        QCOMPARE(Total(journal, 3), 11219LL);
        QCOMPARE(Total(reglement, 6), 11219LL);
        QCOMPARE(Total(bilan, 8), 11219LL);
        // Each performance's amount in ventes, bilan, the door list and the closing page.
        const Filtres soir{QStringLiteral("Le Cid"), QStringLiteral("2026-12-10"), {}, {}, {}};
        const Tableau porte = Produire(Rapport::Porte, soir, base.chemin());
        const Tableau cloture = Produire(Rapport::Soiree, soir, base.chemin());
        QCOMPARE(Total(porte, 4), 4382LL);  // 1,01 + 2,68 + 40,13
        QCOMPARE(Centimes(cloture.lignes.at(0), 4), 369LL);      // door sales in all: 1,01 + 2,68
        QCOMPARE(Centimes(cloture.lignes.at(1), 4), 369LL);      // Anne's, the one door seller
        QCOMPARE(Centimes(cloture.lignes.at(2), 4), 4013LL);     // advance sales
        QMap<QString, qlonglong> parVentes, parBilan;
        for (const Rapports::Ligne& l : ventes.lignes)
            if (l.type == Rapports::Ligne::Type::Donnee) parVentes[l.cellules.at(0).toString() + l.cellules.at(1).toString()] = Centimes(l, 7);
        for (const Rapports::Ligne& l : bilan.lignes)
            if (l.type == Rapports::Ligne::Type::Donnee) parBilan[l.cellules.at(0).toString() + l.cellules.at(1).toString()] = Centimes(l, 8);
        QCOMPARE(parBilan, parVentes);
        QCOMPARE(parVentes.value(QStringLiteral("Le Cid2026-12-10")), 4382LL);
    }

    // The balance lists the lines of a deleted play and of a deleted performance, ends with a
    // total, and writes the filling right-aligned with " %".
    void bilanComplet() {
        TestSupport::BaseTest base;
        const Saison s = RemplirSaison(base);
        modBD::EnregistrerCapacite(s.soir, 8);
        const Tableau t = Produire(Rapport::Bilan, {}, base.chemin());
        const QList<QStringList> lignes = Donnees(t);
        QStringList noms;
        for (const QStringList& l : lignes) noms << l.at(0) + QLatin1Char('|') + l.at(1);
        QVERIFY2(noms.contains(QStringLiteral("(pièce supprimée)|2026-11-01")) ||
                     noms.contains(QStringLiteral("(pièce supprimée)|(représentation supprimée n° 3)")),
                 qPrintable(noms.join(';')));
        QVERIFY2(noms.contains(QStringLiteral("(pièce supprimée)|(représentation supprimée n° 4)")) ||
                     noms.contains(QStringLiteral("Le Cid|(représentation supprimée n° 4)")),
                 qPrintable(noms.join(';')));
        QCOMPARE(t.lignes.last().type, Rapports::Ligne::Type::Total);
        QCOMPARE(Textes(t, t.lignes.last()).at(3), QStringLiteral("13"));  // tickets sold, the cancelled order left out
        for (const QStringList& l : lignes)
            if (l.at(1) == QStringLiteral("2026-12-10")) QCOMPARE(l.at(7), QStringLiteral("75,0 %"));  // 6 of 8
        QVERIFY(QString::fromUtf8(TexteCsv(t)).contains(QStringLiteral("Le Cid;2026-12-10;8;6;2;0;2;75,0;43,82\r\n")));
        // On paper the total's amount and the filling are there.
        QTemporaryDir dossier;
        ExporterPdf(t, dossier.filePath(QStringLiteral("bilan.pdf")));
        const QString texte = SansBlancs(Pdftotext(dossier.filePath(QStringLiteral("bilan.pdf"))));
        QVERIFY2(texte.contains(QStringLiteral("75,0%")) && texte.contains(QStringLiteral("112,19")), qPrintable(texte));
    }

    // The settlement: its file's columns, tickets held and sold without a ticket per
    // performance, what a door till took deducted from what the seller hands over.
    void reglementColonnes() {
        TestSupport::BaseTest base;
        const Saison s = RemplirSaison(base);
        if (!modBD::TablePresente(QStringLiteral("PaiementCommande")))
            modBD::Executer(QStringLiteral("CREATE TABLE PaiementCommande(NoClient integer PRIMARY KEY, Mode text, Reference text, Poste text)"));
        modBD::Executer(QStringLiteral("INSERT INTO PaiementCommande (NoClient, Mode, Reference, Poste) VALUES (2, 'carte', 'x', 'porte')"));
        Filtres f;
        f.fiches = false;
        const Tableau t = Produire(Rapport::Reglement, f, base.chemin());
        QVERIFY(t.fiches.isEmpty());
        const QStringList csv = QString::fromUtf8(TexteCsv(t)).split(QStringLiteral("\r\n"));
        QCOMPARE(csv.at(0).mid(csv.at(0).startsWith(QChar(0xFEFF)) ? 1 : 0), QStringLiteral("Vendeur;Billets reçus;Billets rendus;Billets vendus;Billets à rendre;"
                                                   "Vendus sans billet;Montant vendu;Payé à la caisse;Montant à remettre"));
        // Anne: 5 received, 2 sold on the 10th (her cancelled order is not counted), 2 for 20,01 on
        // the deleted play without a ticket; order 2 (2,68) was paid at a door till.
        QCOMPARE(csv.at(1), QStringLiteral("Anne;5;0;4;3;2;23,70;2,68;21,02"));
        // Bruno (C): 1 received for 4 sold on the 10th (3 without a ticket), 5 received for 3 on the 11th
        // (2 to return), 2 on the deleted performance without a ticket.
        QCOMPARE(csv.at(2), QStringLiteral("Bruno (C);6;0;9;2;5;88,49;0,00;88,49"));
        Q_UNUSED(s);
    }

    // Every page of a seller names the seller and counts the seller's own pages; the signature
    // lines stand under the amount to hand over; a summary page ends the document.
    void reglementPages() {
        TestSupport::BaseTest base;
        const Saison s = RemplirSaison(base);
        modBD::EnregistrerNomCompagnie(QStringLiteral("Théâtre du Rideau"));
        // Many performances for Anne: her settlement runs over several pages.
        for (int i = 0; i < 70; ++i) {
            const qint64 r = base.AjouterRepresentation(s.cid, QDate(2027, 1, 1).addDays(i).toString(Qt::ISODate));
            BaseRapports::Mouvement(r, s.anne, 2);
        }
        QTemporaryDir dossier;
        const QString pdf = dossier.filePath(QStringLiteral("reglement.pdf"));
        ExporterPdf(Produire(Rapport::Reglement, {}, base.chemin()), pdf);
        const int n = NbPages(pdf);
        QVERIFY(n >= 4);
        int pagesAnne = 0;
        for (int page = 1; page <= n; ++page) {
            const QString texte = PagePdf(pdf, page);
            QVERIFY2(texte.contains(QStringLiteral("Théâtre du Rideau")) && texte.contains(QStringLiteral("Règlement des vendeurs")) &&
                         texte.contains(QStringLiteral("imprimé le")) && texte.contains(QStringLiteral("Page %1 / %2").arg(page).arg(n)),
                     qPrintable(texte));
            const bool synthese = texte.contains(QStringLiteral("Total des vendeurs"));
            QVERIFY2(synthese || texte.contains(QStringLiteral("Vendeur : ")), qPrintable(texte));
            if (texte.contains(QStringLiteral("Vendeur : Anne"))) ++pagesAnne;
            if (texte.contains(QStringLiteral("Signature du vendeur"))) {
                QVERIFY2(texte.contains(QStringLiteral("Montant à remettre")), qPrintable(texte));
            }
            if (page == n) {
                QVERIFY2(synthese, qPrintable(texte));
                QVERIFY2(SansBlancs(texte).contains(QStringLiteral("112,19$")), qPrintable(texte));
            }
        }
        QVERIFY(pagesAnne >= 2);
        const QString secondeAnne = PagePdf(pdf, 2);
        QVERIFY2(secondeAnne.contains(QStringLiteral("Vendeur : Anne — Page 2 / %1").arg(pagesAnne)), qPrintable(secondeAnne));
        // The pictures of the guide: a seller's second page, the signature page and the summary.
        TestSupport::DefinirLocale(TestSupport::LocaleFrancaise());
        QDir().mkpath(QStringLiteral(CORV_RENDU_DIR));
        for (const auto& [page, nom] : {std::pair{2, "reglement-page2"}, std::pair{pagesAnne, "reglement-signatures"}, std::pair{n, "reglement-synthese"}})
            QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-f"),
                                                           QString::number(page), QStringLiteral("-l"), QString::number(page), QStringLiteral("-singlefile"),
                                                           pdf, QStringLiteral(CORV_RENDU_DIR "/") + QString::fromLatin1(nom)});
    }

    // Every settlement page, the summary included, carries the journal's anchor at its foot: the
    // last Empreinte's first 16 characters as the base holds them, which the report tool accepts.
    // Other reports do not; a later write moves the anchor of the next settlement.
    void reglementAncreJournal() {
        TestSupport::BaseTest base;
        const Saison s = RemplirSaison(base);
        // Enough performances for Bruno's settlement to run over two pages.
        for (int i = 0; i < 40; ++i)
            BaseRapports::Mouvement(base.AjouterRepresentation(s.cid, QDate(2027, 2, 1).addDays(i).toString(Qt::ISODate)), s.bruno, 1);
        modBD::EnregistrerNomCompagnie(QStringLiteral("Théâtre du Rideau"));
        const QString ancre = base.Valeur(QStringLiteral("SELECT Empreinte FROM JournalOperation ORDER BY NoOperation DESC LIMIT 1"))
                                  .toString().left(16);
        QCOMPARE(ancre.size(), 16);
        QTemporaryDir dossier;
        const QString pdf = dossier.filePath(QStringLiteral("reglement.pdf"));
        ExporterPdf(Produire(Rapport::Reglement, {}, base.chemin()), pdf);
        const int n = NbPages(pdf);
        QVERIFY(n >= 3);
        for (int page = 1; page <= n; ++page) {
            const QString texte = PagePdf(pdf, page);
            QVERIFY2(texte.contains(QStringLiteral("Journal : ") + ancre), qPrintable(texte));
            QVERIFY2(texte.contains(QStringLiteral("Page %1 / %2").arg(page).arg(n)), qPrintable(texte));
        }
        QVERIFY(PagePdf(pdf, n).contains(QStringLiteral("Total des vendeurs")));
        QProcess outil;
        outil.start(QStringLiteral(CORV_OUTIL_RAPPORTS), {QStringLiteral("--verifier-journal"), QStringLiteral("--jusqua"), ancre, base.cheminBase()});
        QVERIFY(outil.waitForFinished(60000));
        QCOMPARE(outil.exitCode(), 0);
        const QString ventes = dossier.filePath(QStringLiteral("ventes.pdf"));
        ExporterPdf(Produire(Rapport::Ventes, {}, base.chemin()), ventes);
        QVERIFY(!PagePdf(ventes, 1).contains(QStringLiteral("Journal :")));
        modBD::EnregistrerNomCompagnie(QStringLiteral("Théâtre du Rideau rouge"));
        const QString suivante = modBD::AncreJournal();
        QVERIFY(suivante != ancre);
        QCOMPARE(Produire(Rapport::Reglement, {}, base.chemin()).journal, QStringLiteral("Journal : ") + suivante);
    }

    // Every PDF report says whose it is on its first and its last page.
    void compagnieSurChaquePdf() {
        TestSupport::BaseTest base;
        BaseRapports::Remplir(base);
        modBD::EnregistrerNomCompagnie(QStringLiteral("Compagnie Corvandelle"));
        QTemporaryDir dossier;
        const Filtres soir{BaseRapports::kCid, BaseRapports::kSoir, {}, {}, {}};
        for (Rapport r : TousLesRapports()) {
            const QString pdf = dossier.filePath(CodeRapport(r) + QStringLiteral(".pdf"));
            ExporterPdf(Produire(r, ExigeRepresentation(r) ? soir : Filtres(), base.chemin()), pdf);
            const int n = NbPages(pdf);
            QVERIFY(n >= 1);
            for (int page : {1, n}) {
                const QString texte = PagePdf(pdf, page);
                QVERIFY2(texte.contains(QStringLiteral("Compagnie Corvandelle")) && texte.contains(TitreRapport(r)) &&
                             texte.contains(QStringLiteral("Page %1 / %2").arg(page).arg(n)),
                         qPrintable(CodeRapport(r) + QStringLiteral(": ") + texte));
            }
        }
    }

    // Subtotals and the grand total are rows of the sheet, in bold, their amounts numbers.
    void classeurTotaux() {
        TestSupport::BaseTest base;
        RemplirSaison(base);
        QTemporaryDir dossier;
        const QString chemin = dossier.filePath(QStringLiteral("ventes.xlsx"));
        const Tableau t = Produire(Rapport::Ventes, {}, base.chemin());
        ExporterClasseur(t, chemin);
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), chemin, QStringLiteral("xl/worksheets/sheet1.xml")});
        QVERIFY(unzip.waitForFinished(30000));
        const QString feuille = QString::fromUtf8(unzip.readAllStandardOutput());
        const int derniere = static_cast<int>(t.lignes.size()) + 1;
        QVERIFY2(feuille.contains(QRegularExpression(QStringLiteral(R"x(<c r="H%1" s="(\d+)"[^>]*><v>112.19</v></c>)x").arg(derniere))),
                 qPrintable(feuille.right(3000)));
        QProcess styles;
        styles.start(QStringLiteral("unzip"), {QStringLiteral("-p"), chemin, QStringLiteral("xl/styles.xml")});
        QVERIFY(styles.waitForFinished(30000));
        QVERIFY(styles.readAllStandardOutput().contains("#,##0.00"));
    }

    // A date filter lists the performances that sold in the period only; the door list says
    // who already came.
    void ventesParDateEtArrivees() {
        TestSupport::BaseTest base;
        const Saison s = RemplirSaison(base);
        Filtres f;
        f.du = QDate(2026, 11, 20);
        f.au = QDate(2026, 11, 20);
        const QList<QStringList> lignes = Donnees(Produire(Rapport::Ventes, f, base.chemin()));
        QCOMPARE(lignes.size(), 1);
        QCOMPARE(lignes.at(0).at(1), QStringLiteral("2026-12-10"));
        QCOMPARE(Donnees(Produire(Rapport::Ventes, {}, base.chemin())).size(), 4);
        modBD::NoterArrivee(3, s.soir, modBD::Arrivee::UneDePlus);
        const Tableau porte = Produire(Rapport::Porte, {QStringLiteral("Le Cid"), QStringLiteral("2026-12-10"), {}, {}, {}}, base.chemin());
        QCOMPARE(porte.arrivees.size(), 3);
        QCOMPARE(porte.arrivees.at(0), 1LL);  // "Avance", first by name, one of four in
        QCOMPARE(porte.billetsParties.at(0), 4LL);
    }

    // Names beyond the Western European letters come out of the PDF as typed (they take the
    // font's Unicode face, the others its single-byte one, both on the same page), and the
    // sales chart is drawn in the file.
    void pdfNomsEtGraphique() {
        TestSupport::BaseTest base;
        const Saison s = RemplirSaison(base);
        modBD::EnregistrerNomCompagnie(QStringLiteral("Théâtre « Łódź » — 2026"));
        const qint64 romeo = base.AjouterPiece(QStringLiteral("Ромео и Джульетта"));
        const qint64 lukasz = base.AjouterVendeur(QStringLiteral("Łukasz Nguyễn"));
        const qint64 soir = base.AjouterRepresentation(romeo, QStringLiteral("2027-03-01"));
        BaseRapports::Mouvement(soir, lukasz, 5);
        BaseRapports::Mouvement(s.soir, lukasz, 2);
        QTemporaryDir dossier;
        const QString pdf = dossier.filePath(QStringLiteral("reglement.pdf"));
        ExporterPdf(Produire(Rapport::Reglement, {}, base.chemin()), pdf);
        const QString tout = LectureRapports::Pdftotext(pdf);
        QVERIFY2(tout.contains(QStringLiteral("Vendeur : Łukasz Nguyễn — Page 1 / 1")), qPrintable(tout));
        QVERIFY2(tout.contains(QStringLiteral("Ромео и Джульетта")), qPrintable(tout));
        QVERIFY2(tout.contains(QStringLiteral("Théâtre « Łódź » — 2026")), qPrintable(tout));
        QVERIFY2(tout.contains(QStringLiteral("Vendeur : Anne")) && tout.contains(QStringLiteral("Règlement des vendeurs")), qPrintable(tout));

        const QString ventes = dossier.filePath(QStringLiteral("ventes.pdf"));
        ExporterPdf(Produire(Rapport::Ventes, {}, base.chemin()), ventes);
        QProcess images;
        images.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), ventes});
        QVERIFY(images.waitForFinished(30000));
        const QStringList lignes = QString::fromUtf8(images.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(lignes.size() >= 3, qPrintable(lignes.join(QLatin1Char('\n'))));  // two header lines, then the chart
        QVERIFY2(lignes.at(2).contains(QStringLiteral(" rgb ")), qPrintable(lignes.at(2)));
    }

    // A disk that fills while a long settlement is written: a French message naming the file,
    // the settlement printed before still whole, nothing else left in the folder.
    void pdfDisquePlein() {
        TestSupport::BaseTest base;
        const Saison s = RemplirSaison(base);
        for (int i = 0; i < 300; ++i)
            BaseRapports::Mouvement(base.AjouterRepresentation(s.cid, QDate(2027, 1, 1).addDays(i).toString(Qt::ISODate)), s.anne, 1);
        const Tableau t = Produire(Rapport::Reglement, {}, base.chemin());
        QTemporaryDir dossier;
        const QString pdf = dossier.filePath(QStringLiteral("reglement.pdf"));
        QFile ancien(pdf);
        QVERIFY(ancien.open(QIODevice::WriteOnly));
        ancien.write("le règlement d'hier");
        ancien.close();
        QString message;
        {
            const TestSupport::DisquePlein plein(16 * 1024);
            QVERIFY(plein.actif());
            try {
                ExporterPdf(t, pdf);
            } catch (const ErreurSortie& e) {
                message = e.message();
            }
        }
        QVERIFY2(message.contains(QStringLiteral("n'a pas pu être écrit")) && message.contains(QStringLiteral("reglement.pdf")), qPrintable(message));
        QVERIFY(ancien.open(QIODevice::ReadOnly));
        QCOMPARE(ancien.readAll(), QByteArray("le règlement d'hier"));
        QCOMPARE(QDir(dossier.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("reglement.pdf")});
        // Room again: the same pages are written whole.
        ExporterPdf(t, pdf);
        QVERIFY(NbPages(pdf) >= 8);
    }
};

QTEST_MAIN(tst_RapportsSignables)
#include "tst_RapportsSignables.moc"
