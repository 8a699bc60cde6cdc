// What a treasurer hands over: pages that show every figure whole, sales that list the weak
// dates and the deleted plays, cents that add up, the sellers' settlement, the day's takings
// and the cancellations, each against figures worked out by hand.
#include "LectureRapports.h"
#include "BaseRapports.h"
#include "Exportation.h"
#include "Graphique.h"
#include "Tableau.h"
#include "TestSupport.h"
#include "modBD_Annulations.h"
#include "modBD_Rapports.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Rapports;

using namespace LectureRapports;

namespace {

QStringList LignesCsv(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QString texte = QString::fromUtf8(f.readAll());
    if (texte.startsWith(QChar(0xFEFF))) texte.remove(0, 1);
    QStringList lignes = texte.split(QStringLiteral("\r\n"));
    if (!lignes.isEmpty() && lignes.last().isEmpty()) lignes.removeLast();
    return lignes;
}

struct Resultat {
    int code = -1;
    QString erreurs;
};

Resultat Lancer(const QStringList& arguments) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    env.remove("XDG_RUNTIME_DIR");  // as under cron: Qt must not complain about it
    env.insert("LC_ALL", "C.UTF-8");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(CORV_OUTIL_RAPPORTS), arguments);
    if (!p.waitForFinished(60000)) return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardError())};
}

// BaseRapports' base and, on 2026-11-20, an order of two door lines at half a cent each.
void RemplirTresorier(TestSupport::BaseTest& base) {
    BaseRapports::Remplir(base);
    const qint64 o = BaseRapports::Commande(QStringLiteral("2026-11-20"), QStringLiteral("Demi"), QStringLiteral("555-6666"));
    BaseRapports::Ligne(o, 1, 1, 0, 0.005, true, 2);
    BaseRapports::Ligne(o, 1, 0, 1, 0.005, true, 2);
}

// The treasurer's base plus two sellers named "Claire" in different slices of sellers' numbers,
// one short on a performance and holding tickets on another, a seller and a performance deleted
// since, a cancelled order.
void RemplirClaires(TestSupport::BaseTest& base) {
    RemplirTresorier(base);
    QCOMPARE(modBD::AnnulerCommande(4, QStringLiteral("2026-12-05"), QString()), modBD::ResultatAnnulation::Fait);
    const qint64 claire1 = base.AjouterVendeur(QStringLiteral("Claire"));
    // Sellers without a line between the two Claires: the sums are read by slices of
    // sellers' numbers (7 numbers each here, up to 99), and the two fall in different ones.
    for (int i = 0; i < 8; ++i) base.AjouterVendeur(QStringLiteral("Remplaçant %1").arg(i));
    const qint64 claire2 = base.AjouterVendeur(QStringLiteral("Claire"));
    QVERIFY(claire2 - claire1 > 7);
    const qint64 o = BaseRapports::Commande(QStringLiteral("2026-12-04"), QStringLiteral("Marc"), QStringLiteral("555-7777"));
    BaseRapports::Ligne(o, 1, 1, 2, 30.005, false, claire2);  // sold 3 without a ticket
    BaseRapports::Mouvement(2, claire2, 4);                    // holds 4
    BaseRapports::Mouvement(1, claire1, 2);
    BaseRapports::Ligne(o, 2, 0, 1, 10.0, false, claire1);    // sold 1 without a ticket
    BaseRapports::Ligne(o, 3, 0, 1, 1.005, true, 99);          // a seller deleted since
    BaseRapports::Ligne(o, 77, 1, 0, 2.675, false, claire1);   // a performance deleted since
    BaseRapports::Mouvement(77, 99, 5);
}

// Every row as the outputs show it, with its kind and alert.
QList<QStringList> Rangees(const Tableau& t) {
    QList<QStringList> r;
    ParcourirLignes(t, [&](const Ligne& l) {
        r << Textes(t, l) + QStringList{QString::number(static_cast<int>(l.type)), l.alerte ? QStringLiteral("!") : QString()};
    });
    return r;
}

QByteArray Feuille(const QString& xlsx) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), xlsx, QStringLiteral("xl/worksheets/sheet1.xml")});
    unzip.waitForFinished(30000);
    return unzip.readAllStandardOutput();
}

QByteArray Contenu(const QString& chemin) {
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class tst_RapportsTresorier : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() { TestSupport::DefinirLocale(TestSupport::LocaleFrancaise()); }

    // The door list on paper: a long name, a 10-digit phone and 4-digit amounts read back whole.
    void porteSurPapier() {
        TestSupport::BaseTest base;
        const qint64 piece = base.AjouterPiece(QStringLiteral("Les Belles-sœurs : édition du cinquantième anniversaire"));
        const qint64 soir = base.AjouterRepresentation(piece, QStringLiteral("2026-12-10"));
        const qint64 vendeur = base.AjouterVendeur(QStringLiteral("Marie-Ève Charbonneau-Lapointe"));
        const QString longNom = QStringLiteral("Anne-Sophie Bélanger-Tremblay de la Sablonnière-Desjardins");
        const qint64 a = BaseRapports::Commande(QStringLiteral("2026-11-20"), longNom, QStringLiteral("418-555-1234"));
        BaseRapports::Ligne(a, soir, 2, 40, 4504.0, false, vendeur);
        const qint64 b = BaseRapports::Commande(QStringLiteral("2026-11-21"), QStringLiteral("Anne-Sophie Bélanger"),
                                                QStringLiteral("5815550000"));
        BaseRapports::Ligne(b, soir, 0, 12, 1234.56, true, vendeur);
        Filtres f;
        f.piece = QStringLiteral("Les Belles-sœurs : édition du cinquantième anniversaire");
        f.representation = QStringLiteral("2026-12-10");
        const Tableau t = Produire(Rapport::Porte, f, base.chemin());
        QVERIFY(t.caseArrivee);
        QTemporaryDir dossier;
        const QString pdf = dossier.filePath(QStringLiteral("porte.pdf"));
        ExporterPdf(t, pdf);
        const QString texte = Pdftotext(pdf);
        const QString plat = SansBlancs(texte);
        QVERIFY2(!texte.contains(QChar(0x2026)), qPrintable(texte));  // nothing elided
        QVERIFY2(texte.contains(QStringLiteral("418-555-1234")), qPrintable(texte));
        QVERIFY(texte.contains(QStringLiteral("5815550000")));
        QVERIFY2(plat.contains(QStringLiteral("4504,00")), qPrintable(texte));
        QVERIFY(plat.contains(QStringLiteral("1234,56")));
        QVERIFY(plat.contains(QStringLiteral("5738,56")));  // the total
        QVERIFY(texte.contains(QStringLiteral("Total : 54 billets")));
        // Every word of the long name is on the page, in the name column's rows.
        // (a hyphen is where a name may wrap, as between words).
        for (const QString& mot : longNom.split(QRegularExpression(QStringLiteral("(?<=-)| "))))
            QVERIFY2(texte.contains(mot), qPrintable(mot + QLatin1Char('\n') + texte));
        QVERIFY(texte.contains(QStringLiteral("Arrivée")));
        // On screen too, the amounts read with their thousands grouped.
        QCOMPARE(SansBlancs(Textes(t, t.lignes.last()).at(4)), QStringLiteral("5738,56"));
        QVERIFY(Textes(t, t.lignes.last()).at(4) != QStringLiteral("5738,56"));
        // The files keep plain numbers.
        QVERIFY(TexteCsv(t).contains(";4504,00;"));
        QDir().mkpath(QStringLiteral(CORV_RENDU_DIR));
        QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"),
                                                      QStringLiteral("-singlefile"), pdf,
                                                      QStringLiteral(CORV_RENDU_DIR "/rapport-porte-tresorier")});
    }

    // Sales list every performance, zeros included, and count lines whose play or performance
    // was deleted, under a label; the total holds every non-cancelled line.
    void ventesCompletes() {
        TestSupport::BaseTest base;
        BaseRapports::Remplir(base);
        const qint64 ecume = modBD::ObtenirNoPiece(QStringLiteral("Écume")).toLongLong();
        base.AjouterRepresentation(ecume, QStringLiteral("2027-01-15"));  // nothing sold
        const qint64 perdue = base.AjouterPiece(QStringLiteral("Perdue"));
        const qint64 soirPerdu = base.AjouterRepresentation(perdue, QStringLiteral("2026-12-20"));
        const qint64 o = BaseRapports::Commande(QStringLiteral("2026-11-30"), QStringLiteral("Yan"), QStringLiteral("555-7777"));
        BaseRapports::Ligne(o, soirPerdu, 0, 2, 20.0, false, 1);
        modBD::Executer(QStringLiteral("DELETE FROM Piece WHERE NoPiece = ?"), {perdue});
        const QString noAvant = modBD::ObtenirNoRepresentation(modBD::ObtenirNoPiece(BaseRapports::kCid), QStringLiteral("2026-12-03"));
        modBD::Executer(QStringLiteral("DELETE FROM Representation WHERE NoRepresentation = ?"), {noAvant.toLongLong()});

        const Tableau t = Produire(Rapport::Ventes, {}, base.chemin());
        const QList<QStringList> lignes = Donnees(t);
        QVERIFY(lignes.contains(QStringList{"Écume", "2027-01-15", "0", "0", "0", "0", "0", "0,00"}));
        QVERIFY(lignes.contains(QStringList{"(pièce supprimée)", "2026-12-20", "1", "0", "2", "2", "0", "20,00"}));
        QVERIFY(lignes.contains(QStringList{"(pièce supprimée)", QStringLiteral("(représentation supprimée n° %1)").arg(noAvant),
                                            "1", "0", "2", "2", "0", "20,00"}));
        QCOMPARE(Textes(t, t.lignes.last()), (QStringList{"Total général", "", "", "6", "11", "17", "3", "152,75"}));
        // A chosen play lists its performances only, its zeros included.
        Filtres f;
        f.piece = QStringLiteral("Écume");
        QCOMPARE(Donnees(Produire(Rapport::Ventes, f, base.chemin())).size(), 1);
        // The sellers' report counts the deleted lines too.
        const Tableau v = Produire(Rapport::Vendeurs, {}, base.chemin());
        QCOMPARE(Textes(v, v.lignes.last()).last(), QStringLiteral("152,75"));
    }

    // Each cost rounded to the cent once, halves away from zero; rows add up to the totals.
    void centimes() {
        QCOMPARE(modBD::EnCentimes(0.005), 1LL);
        QCOMPARE(modBD::EnCentimes(1.005), 101LL);  // stored as 1.00499…: the clerk typed 1.005
        QCOMPARE(modBD::EnCentimes(2.675), 268LL);
        QCOMPARE(modBD::EnCentimes(-0.005), -1LL);
        QCOMPARE(modBD::EnCentimes(0.0049), 0LL);
        QCOMPARE(modBD::EnCentimes(12345678.9), 1234567890LL);

        TestSupport::BaseTest base;
        const qint64 piece = base.AjouterPiece(QStringLiteral("Sou"));
        const qint64 r1 = base.AjouterRepresentation(piece, QStringLiteral("2026-12-01"));
        const qint64 r2 = base.AjouterRepresentation(piece, QStringLiteral("2026-12-02"));
        const qint64 v = base.AjouterVendeur(QStringLiteral("Vé"));
        for (const qint64 r : {r1, r1, r1, r2}) {
            const qint64 o = BaseRapports::Commande(QStringLiteral("2026-11-01"), QStringLiteral("C"), QStringLiteral("555-0000"));
            BaseRapports::Ligne(o, r, 0, 1, 0.005, false, v);
        }
        const Tableau t = Produire(Rapport::Ventes, {}, base.chemin());
        QCOMPARE(Donnees(t).at(0).last(), QStringLiteral("0,03"));
        QCOMPARE(Donnees(t).at(1).last(), QStringLiteral("0,01"));
        QCOMPARE(Textes(t, t.lignes.last()).last(), QStringLiteral("0,04"));
        Filtres f;
        f.piece = QStringLiteral("Sou");
        f.representation = QStringLiteral("2026-12-01");
        const Tableau porte = Produire(Rapport::Porte, f, base.chemin());
        QCOMPARE(Textes(porte, porte.lignes.last()).at(4), QStringLiteral("0,03"));
        const Tableau vendeurs = Produire(Rapport::Vendeurs, {}, base.chemin());
        QCOMPARE(Textes(vendeurs, vendeurs.lignes.last()).last(), QStringLiteral("0,04"));
    }

    // The settlement and the day's takings, worked out by hand from RemplirTresorier (order 4
    // cancelled): anne sold orders 2, 5 and the half-cent order (1 + 1 + 2 tickets, 12,50 + 5,00
    // + 0,01 + 0,01); Bruno's order 4 is cancelled, he keeps "à confirmer" and Phèdre.
    void reglementEtJournal() {
        TestSupport::BaseTest base;
        RemplirTresorier(base);
        QCOMPARE(modBD::AnnulerCommande(4, QStringLiteral("2026-12-05"), QStringLiteral("Erreur; \"double\"")),
                 modBD::ResultatAnnulation::Fait);
        QTemporaryDir dossier;
        const QString reglement = dossier.filePath(QStringLiteral("reglement.csv"));
        ExporterCsv(Produire(Rapport::Reglement, {}, base.chemin()), reglement);
        // "Billets à rendre" is what a seller still holds per performance; what was sold beyond
        // it is counted apart, so a seller short on one performance does not hide another's tickets.
        QCOMPARE(LignesCsv(reglement),
                 (QStringList{"Vendeur;Billets reçus;Billets rendus;Billets vendus;Billets à rendre;Vendus sans billet;"
                              "Montant vendu;Payé à la caisse;Montant à remettre",
                              "anne;5;0;4;1;0;17,52;0,00;17,52", "Bruno;3;0;4;2;3;25,25;0,00;25,25",
                              "Émile (C);10;3;5;4;2;50,00;0,00;50,00"}));
        const Tableau r = Produire(Rapport::Reglement, {}, base.chemin());
        QCOMPARE(Textes(r, r.lignes.last()),
                 (QStringList{"Total général", "18", "3", "13", "7", "5", "92,77", "0,00", "92,77"}));
        QCOMPARE(r.fiches.size(), 4);  // three sellers and the summary
        QVERIFY(r.fiches.last().synthese);
        QCOMPARE(r.fiches.at(1).titre, QStringLiteral("Bruno"));
        QCOMPARE(r.fiches.at(1).resume.last().second, QStringLiteral("25,25 $"));
        // One performance of one play.
        Filtres f;
        f.piece = BaseRapports::kCid;
        f.representation = BaseRapports::kSoir;
        QCOMPARE(Donnees(Produire(Rapport::Reglement, f, base.chemin())),
                 (QList<QStringList>{{"anne", "5", "0", "4", "1", "0", "17,52", "0,00", "17,52"},
                                     {"Bruno", "2", "0", "0", "2", "0", "0,00", "0,00", "0,00"},
                                     {"Émile (C)", "10", "3", "3", "4", "0", "30,00", "0,00", "30,00"}}));
        // The PDF: one page per seller, with what to hand over and where to sign.
        const QString pdf = dossier.filePath(QStringLiteral("reglement.pdf"));
        ExporterPdf(r, pdf);
        const QString texte = Pdftotext(pdf);
        QVERIFY(texte.contains(QStringLiteral("Page 4 / 4")));
        QVERIFY(texte.count(QStringLiteral("Montant à remettre")) >= 4);
        QCOMPARE(texte.count(QStringLiteral("Signature du trésorier")), 3);
        QVERIFY(texte.contains(QStringLiteral("Vendeur : Émile (C)")));
        QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"),
                                                      QStringLiteral("-f"), QStringLiteral("2"), QStringLiteral("-singlefile"), pdf,
                                                      QStringLiteral(CORV_RENDU_DIR "/rapport-reglement")});

        const QString journal = dossier.filePath(QStringLiteral("journal.csv"));
        ExporterCsv(Produire(Rapport::Journal, {}, base.chemin()), journal);
        QCOMPARE(LignesCsv(journal),
                 (QStringList{"Date;Commandes;Billets;Montant;Billets à la porte;Montant à la porte;Commandes annulées;Montant annulé",
                              "2026-11-20;2;7;50,02;2;0,02;0;0,00", "2026-11-25;1;1;12,50;1;12,50;0;0,00",
                              "2026-12-01;0;0;0,00;0;0,00;1;40,00", "2026-12-02;1;1;5,00;0;0,00;0;0,00",
                              "hier;1;4;25,25;2;15,25;0;0,00"}));
        const Tableau j = Produire(Rapport::Journal, {}, base.chemin());
        QCOMPARE(Textes(j, j.lignes.last()), (QStringList{"Total", "5", "13", "92,77", "5", "27,77", "1", "40,00"}));
        f = {};
        f.du = QDate(2026, 11, 21);
        f.au = QDate(2026, 12, 1);
        QCOMPARE(Donnees(Produire(Rapport::Journal, f, base.chemin())),
                 (QList<QStringList>{{"2026-11-25", "1", "1", "12,50", "1", "12,50", "0", "0,00"},
                                     {"2026-12-01", "0", "0", "0,00", "0", "0,00", "1", "40,00"}}));
    }

    // A file's settlement is summed as the sums are merged, without the rows the pages need:
    // it must give the pages' table to the byte, whatever the filters. Two sellers share a
    // display name (one row, their performances interleaved), one of them is short on one
    // performance and holds tickets on another (counted apart, not netted), a seller and a
    // performance were deleted since, an order is cancelled.
    void reglementSansPages() {
        TestSupport::BaseTest base;
        RemplirClaires(base);
        Filtres tout, cid, soir, claire, numero;
        cid.piece = BaseRapports::kCid;
        soir.piece = BaseRapports::kCid;
        soir.representation = BaseRapports::kSoir;
        claire.vendeur = QStringLiteral("Claire");
        numero.vendeur = QStringLiteral("Vendeur n° 99");
        QTemporaryDir dossier;
        for (Filtres f : {tout, cid, soir, claire, numero}) {
            const Tableau pages = Produire(Rapport::Reglement, f, base.chemin());
            f.fiches = false;
            const Tableau fichier = Produire(Rapport::Reglement, f, base.chemin());
            QVERIFY(fichier.fiches.isEmpty());
            QCOMPARE(fichier.lignes.size(), pages.lignes.size());
            for (qsizetype i = 0; i < pages.lignes.size(); ++i) {
                QCOMPARE(Textes(fichier, fichier.lignes.at(i)), Textes(pages, pages.lignes.at(i)));
                QCOMPARE(fichier.lignes.at(i).alerte, pages.lignes.at(i).alerte);
                QCOMPARE(fichier.lignes.at(i).type, pages.lignes.at(i).type);
            }
            const QString a = dossier.filePath(QStringLiteral("pages.csv")), b = dossier.filePath(QStringLiteral("fichier.csv"));
            ExporterCsv(pages, a);
            ExporterCsv(fichier, b);
            QCOMPARE(LignesCsv(b), LignesCsv(a));
        }
        // Claire's row worked out by hand, per performance: the first holds 2 on performance 1
        // and sold 1 without a ticket on 2 and 1 on the deleted one; the second sold 3 without a
        // ticket on 1 and holds 4 on 2. Netted over the seller it would be 1 to return, 0 without.
        claire.fiches = false;
        const Tableau r = Produire(Rapport::Reglement, claire, base.chemin());
        QCOMPARE(Donnees(r), (QList<QStringList>{{"Claire", "6", "0", "5", "6", "5", "42,69", "0,00", "42,69"}}));
        QVERIFY(r.lignes.first().alerte);
    }

    // The sellers' report written to a file has its rows made as they are written. On the hard
    // cases above, for each filter: the same rows as the report held whole (walked twice), the
    // same CSV (as text and as a file), the same sheet; a view holds them all.
    void vendeursAuFil() {
        TestSupport::BaseTest base;
        RemplirClaires(base);
        Filtres tout, cid, claire, numero;
        cid.piece = BaseRapports::kCid;
        claire.vendeur = QStringLiteral("Claire");
        numero.vendeur = QStringLiteral("Vendeur n° 99");
        QTemporaryDir dossier;
        const QString csv = dossier.filePath(QStringLiteral("fil.csv"));
        const QString a = dossier.filePath(QStringLiteral("tenu.xlsx")), b = dossier.filePath(QStringLiteral("fil.xlsx"));
        for (Filtres f : {tout, cid, claire, numero}) {
            const Tableau tenu = Produire(Rapport::Vendeurs, f, base.chemin());
            f.fiches = false;
            const Tableau fil = Produire(Rapport::Vendeurs, f, base.chemin());
            QVERIFY(fil.lignes.isEmpty() && fil.lignesAuFil);
            QCOMPARE(NombreLignes(fil), tenu.lignes.size());
            QCOMPARE(Rangees(fil), Rangees(tenu));
            QCOMPARE(Rangees(fil), Rangees(tenu));
            QCOMPARE(TexteCsv(fil), TexteCsv(tenu));
            ExporterCsv(fil, csv);
            QCOMPARE(Contenu(csv), TexteCsv(tenu));
            ExporterClasseur(tenu, a);
            ExporterClasseur(fil, b);
            const QByteArray feuille = Feuille(b);
            QVERIFY(feuille.contains("<sheetData>"));
            QCOMPARE(feuille, Feuille(a));
            ModeleRapport modele;
            modele.Definir(fil);
            QCOMPARE(modele.rowCount(), tenu.lignes.size());
        }
        // The two Claires make one seller, their performances interleaved (the first's row before
        // the second's on the same performance), one subtotal; the deleted performance counted.
        claire.fiches = false;
        const QList<QStringList> rangees = Rangees(Produire(Rapport::Vendeurs, claire, base.chemin()));
        const QStringList attendu[] = {
            {"Claire", "Le Cid", "2026-12-03", "0", "0", "0", "1", "-1", "10,00", "0", "!"},
            {"Claire", "Le Cid", "2026-12-03", "4", "0", "4", "0", "4", "0,00", "0", ""},
            {"Claire", "Le Cid", "2026-12-10", "2", "0", "2", "0", "2", "0,00", "0", ""},
            {"Claire", "Le Cid", "2026-12-10", "0", "0", "0", "3", "-3", "30,01", "0", "!"},
            {"Sous-total Claire", "", "", "6", "0", "6", "5", "1", "42,69", "1", ""},
            {"Total général", "", "", "6", "0", "6", "5", "1", "42,69", "2", ""}};
        const QStringList supprimee{"Claire", "(pièce supprimée)", "(représentation supprimée n° 77)", "0", "0", "0", "1", "-1", "2,68", "0", "!"};
        QCOMPARE(rangees.size(), 7);
        QCOMPARE(rangees.count(supprimee), 1);
        QList<QStringList> autres = rangees;
        autres.removeAll(supprimee);
        QCOMPARE(autres, QList<QStringList>(std::begin(attendu), std::end(attendu)));
    }

    // Cancelled orders, by cancellation date then order number, with their sellers and sums.
    void annulations() {
        TestSupport::BaseTest base;
        RemplirTresorier(base);
        QVERIFY(Donnees(Produire(Rapport::Annulations, {}, base.chemin())).isEmpty());  // no table yet
        modBD::AnnulerCommande(4, QStringLiteral("2026-12-05"), QStringLiteral("Erreur; \"double\""));
        modBD::AnnulerCommande(2, QStringLiteral("2026-12-05"), QString());
        modBD::AnnulerCommande(3, QStringLiteral("2026-12-04"), QStringLiteral("Client malade"));
        QTemporaryDir dossier;
        const QString chemin = dossier.filePath(QStringLiteral("annulations.csv"));
        const Tableau t = Produire(Rapport::Annulations, {}, base.chemin());
        ExporterCsv(t, chemin);
        QCOMPARE(LignesCsv(chemin),
                 (QStringList{"Commande;Date de commande;Client;Téléphone;Vendeur;Billets;Montant;Annulée le;Motif",
                              "3;hier;élise;555-3333;Bruno;4;25,25;2026-12-04;Client malade",
                              "2;2026-11-25;\"Durand; \"\"Jo\"\"\";555-2222;anne;1;12,50;2026-12-05;",
                              "4;2026-12-01;Alain;555-4444;Bruno;4;40,00;2026-12-05;\"Erreur; \"\"double\"\"\""}));
        QCOMPARE(Textes(t, t.lignes.last()).mid(5, 2), (QStringList{"9", "77,75"}));
    }

    // The chart of many bars lies them down with their names whole, split across PDF pages.
    void graphiqueLisible() {
        TestSupport::BaseTest base;
        const qint64 piece = base.AjouterPiece(QStringLiteral("Vingt soirs"));
        const qint64 v = base.AjouterVendeur(QStringLiteral("V"));
        for (int i = 1; i <= 20; ++i) {
            const qint64 r = base.AjouterRepresentation(piece, QStringLiteral("2026-12-%1").arg(i, 2, 10, QLatin1Char('0')));
            const qint64 o = BaseRapports::Commande(QStringLiteral("2026-11-01"), QStringLiteral("C"), QStringLiteral("555-0000"));
            BaseRapports::Ligne(o, r, i % 3, i, 10.0 * i, false, v);
        }
        Filtres f;
        f.piece = QStringLiteral("Vingt soirs");
        const Tableau t = Produire(Rapport::Ventes, f, base.chemin());
        QCOMPARE(NombreBarres(t, f.piece), 20);
        const QList<QImage> images = ImagesGraphique(t, f.piece, 2000, 3000);
        QCOMPARE(images.size(), 1);
        QVERIFY(images.first().height() > images.first().width() / 2);  // one bar per row, not squeezed
        QDir().mkpath(QStringLiteral(CORV_RENDU_DIR));
        images.first().save(QStringLiteral(CORV_RENDU_DIR "/graphique-20-representations.png"));
        QCOMPARE(ImagesGraphique(t, f.piece, 2000, 800).size(), 3);  // a short page takes a few bars each
        QCOMPARE(NombreBarres(t, QString()), 1);                     // over all plays: one bar per play
    }

    // The command line: the new reports, blind names, dates, warnings, and a quiet stderr.
    void ligneDeCommande() {
        TestSupport::BaseTest base;
        RemplirTresorier(base);
        base.AjouterPiece(QStringLiteral("ecume"));  // beside "Écume": a blind name matching two
        const QString chemin = base.cheminBase();
        modBD::FermerConnexion();
        QTemporaryDir dossier;
        const QString csv = dossier.filePath(QStringLiteral("r.csv"));
        Resultat r = Lancer({"--exporter", "reglement", "--format", "csv", "--sortie", csv, "--piece", "LE CID", "--vendeur",
                             "emile (c)", chemin});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.erreurs, QString());
        QCOMPARE(LignesCsv(csv).value(1), QStringLiteral("Émile (C);10;3;5;4;2;50,00;0,00;50,00"));
        r = Lancer({"--exporter", "vendeurs", "--format", "csv", "--sortie", csv, "--piece", "ECUME", chemin});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.erreurs.contains(QStringLiteral("« Écume »")) && r.erreurs.contains(QStringLiteral("« ecume »")), qPrintable(r.erreurs));
        QCOMPARE(Lancer({"--exporter", "vendeurs", "--format", "csv", "--sortie", csv, "--piece", "ecume", chemin}).code, 0);
        r = Lancer({"--exporter", "journal", "--format", "csv", "--sortie", csv, "--du", "2030-01-01", chemin});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.erreurs.contains(QStringLiteral("aucune date de commande")), qPrintable(r.erreurs));
        QCOMPARE(Lancer({"--exporter", "annulations", "--format", "csv", "--sortie", csv, "--piece", "Le Cid", chemin}).code, 2);
        QCOMPARE(Lancer({"--exporter", "ventes", "--format", "csv", "--sortie", csv, "--vendeur", "anne", chemin}).code, 2);
        // A PDF run without a session writes nothing on stderr.
        const QString pdf = dossier.filePath(QStringLiteral("r.pdf"));
        r = Lancer({"--exporter", "reglement", "--format", "pdf", "--sortie", pdf, chemin});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.erreurs, QString());
        // The spreadsheet: header frozen and filtered.
        const QString xlsx = dossier.filePath(QStringLiteral("r.xlsx"));
        QCOMPARE(Lancer({"--exporter", "journal", "--format", "xlsx", "--sortie", xlsx, chemin}).code, 0);
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), xlsx, QStringLiteral("xl/worksheets/sheet1.xml")});
        QVERIFY(unzip.waitForFinished(30000));
        const QByteArray feuille = unzip.readAllStandardOutput();
        QVERIFY2(feuille.contains("ySplit=\"1\"") && feuille.contains("state=\"frozen\""), feuille.left(600).constData());
        QVERIFY(feuille.contains("<autoFilter ref=\"A1:H7\""));  // 5 dates and the total
    }

    // A report longer than a sheet is refused whole, with a French reason; nothing is left.
    void classeurTropLong() {
        Tableau t;
        t.titre = QStringLiteral("Long");
        t.entetes = {QStringLiteral("N")};
        t.genres = {Genre::Entier};
        t.lignes.resize(1048576);
        QTemporaryDir dossier;
        const QString chemin = dossier.filePath(QStringLiteral("long.xlsx"));
        try {
            ExporterClasseur(t, chemin);
            QFAIL("a sheet cut short");
        } catch (const ErreurSortie& e) {
            QVERIFY2(e.message().contains(QStringLiteral("1048576 lignes")), qPrintable(e.message()));
        }
        QVERIFY(QDir(dossier.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());
    }
};

QTEST_MAIN(tst_RapportsTresorier)
#include "tst_RapportsTresorier.moc"
