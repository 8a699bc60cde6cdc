// The reports against figures worked out by hand, and the files they are written to.
#include "LectureRapports.h"
#include "BaseRapports.h"
#include "Exportation.h"
#include "Tableau.h"
#include "TestSupport.h"
#include "modBD_Inventaire.h"
#include "modBD_Rapports.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

using namespace Rapports;

using namespace LectureRapports;

namespace {

// The sales rows that sold something (the report also lists every performance at zero).
QList<QStringList> Vendues(const Tableau& t) {
    QList<QStringList> r;
    for (const QStringList& l : Donnees(t))
        if (l.value(5) != QLatin1String("0")) r << l;
    return r;
}

// An RFC 4180 reader, written apart from the writer so the round trip means something.
QList<QStringList> LireCsv(const QByteArray& octets) {
    QString texte = QString::fromUtf8(octets);
    if (texte.startsWith(QChar(0xFEFF))) texte.remove(0, 1);
    QList<QStringList> lignes;
    QStringList champs;
    QString champ;
    bool guillemets = false;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar ch = texte.at(i);
        if (guillemets) {
            if (ch == QLatin1Char('"') && i + 1 < texte.size() && texte.at(i + 1) == QLatin1Char('"')) {
                champ += ch;
                ++i;
            } else if (ch == QLatin1Char('"')) {
                guillemets = false;
            } else {
                champ += ch;
            }
        } else if (ch == QLatin1Char('"')) {
            guillemets = true;
        } else if (ch == QLatin1Char(';')) {
            champs << champ;
            champ.clear();
        } else if (ch == QLatin1Char('\r') && i + 1 < texte.size() && texte.at(i + 1) == QLatin1Char('\n')) {
            champs << champ;
            lignes << champs;
            champs.clear();
            champ.clear();
            ++i;
        } else {
            champ += ch;
        }
    }
    return lignes;
}

}  // namespace

class tst_Rapports : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }

    void ventes() {
        TestSupport::BaseTest base;
        BaseRapports::Remplir(base);
        const Tableau t = Produire(Rapport::Ventes, {}, base.chemin());
        QCOMPARE(t.entetes, (QStringList{"Pièce", "Représentation", "Commandes", "Billets enfant", "Billets adulte", "Billets",
                                         "Billets à la porte", "Montant"}));
        QList<QStringList> attendu{
            {"Le Cid", "2026-12-03", "1", "0", "2", "2", "0", "20,00"},
            {"Le Cid", "2026-12-10", "4", "3", "6", "9", "1", "87,50"},
            {"Le Cid", "à confirmer", "1", "2", "0", "2", "0", "10,00"},  // no date: after the dates, kept
            {"Sous-total Le Cid", "", "", "5", "8", "13", "1", "117,50"},
            {BaseRapports::kPhedre, "2026-11-01", "1", "1", "1", "2", "2", "15,25"},
            {"Sous-total " + BaseRapports::kPhedre, "", "", "1", "1", "2", "2", "15,25"},
            {"Total général", "", "", "6", "9", "15", "3", "132,75"}};
        QList<QStringList> lu;
        for (const Ligne& l : t.lignes) lu << Textes(t, l);
        QCOMPARE(lu, attendu);
        QCOMPARE(t.lignes.last().type, Ligne::Type::Total);

        // Order dates from 2026-11-21 to 2026-12-01, both included: orders 2 and 4 only; the order
        // dated "hier" is no date and cannot fall in the range.
        Filtres f;
        f.du = QDate(2026, 11, 21);
        f.au = QDate(2026, 12, 1);
        QCOMPARE(Vendues(Produire(Rapport::Ventes, f, base.chemin())),
                 (QList<QStringList>{{"Le Cid", "2026-12-10", "2", "2", "3", "5", "1", "52,50"}}));
        // With a date filter only the performances that sold in the period are listed.
        QCOMPARE(Donnees(Produire(Rapport::Ventes, f, base.chemin())).size(), 1);
        f = {};
        f.du = QDate(2026, 12, 2);  // open end above
        QCOMPARE(Vendues(Produire(Rapport::Ventes, f, base.chemin())),
                 (QList<QStringList>{{"Le Cid", "2026-12-10", "1", "0", "1", "1", "0", "5,00"}}));
        f.piece = BaseRapports::kCid;  // both filters: the bound values of the play and of the dates
        f.du = QDate(2026, 11, 21);
        QCOMPARE(Vendues(Produire(Rapport::Ventes, f, base.chemin())),
                 (QList<QStringList>{{"Le Cid", "2026-12-10", "3", "2", "4", "6", "1", "57,50"}}));
        f.du = QDate(2027, 1, 1);  // no order on or after that day: the grand total alone, at zero
        QCOMPARE(Vendues(Produire(Rapport::Ventes, f, base.chemin())), QList<QStringList>());
        QCOMPARE(Produire(Rapport::Ventes, f, base.chemin()).lignes.size(), 1);
        f = {};
        f.piece = BaseRapports::kPhedre;
        QCOMPARE(Donnees(Produire(Rapport::Ventes, f, base.chemin())),
                 (QList<QStringList>{{BaseRapports::kPhedre, "2026-11-01", "1", "1", "1", "2", "2", "15,25"}}));
        // The same figures in an English locale: only the decimal separator changes.
        TestSupport::DefinirLocale(TestSupport::LocaleAnglaise());
        const Tableau en = Produire(Rapport::Ventes, {}, base.chemin());
        const QString totalEn = Textes(en, en.lignes.last()).last();
        TestSupport::DefinirLocale(TestSupport::LocaleFrancaise());
        QCOMPARE(totalEn, QStringLiteral("132.75"));
    }

    void porte() {
        TestSupport::BaseTest base;
        BaseRapports::Remplir(base);
        Filtres f;
        f.piece = BaseRapports::kCid;
        f.representation = BaseRapports::kSoir;
        const Tableau t = Produire(Rapport::Porte, f, base.chemin());
        QCOMPARE(t.entetes, (QStringList{"Client", "Téléphone", "Billets enfant", "Billets adulte", "Coût", "À la porte",
                                         "Vendeur", "Commande", "Date de commande"}));
        QList<QStringList> lu;
        for (const Ligne& l : t.lignes) lu << Textes(t, l);
        QCOMPARE(lu, (QList<QStringList>{
                         {"Alain", "555-4444", "2", "2", "40,00", "Non", "Bruno", "4", "2026-12-01"},
                         {"Alain", "555-5555", "0", "1", "5,00", "Non", "anne", "5", "2026-12-02"},
                         {"Durand; \"Jo\"", "555-2222", "0", "1", "12,50", "Oui", "anne", "2", "2026-11-25"},
                         {"Zoé", "555-1111", "1", "2", "30,00", "Non", "Émile (C)", "1", "2026-11-20"},
                         {"Total : 9 billets", "", "3", "6", "87,50", "", "", "", ""}}));
        // An accented name sorts with its letter, not after "z".
        f.representation = QStringLiteral("à confirmer");
        QCOMPARE(Donnees(Produire(Rapport::Porte, f, base.chemin())).value(0).value(0), QStringLiteral("élise"));
        f.representation = QStringLiteral("2031-01-01");
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, Produire(Rapport::Porte, f, base.chemin()));
    }

    void vendeurs() {
        TestSupport::BaseTest base;
        BaseRapports::Remplir(base);
        const Tableau t = Produire(Rapport::Vendeurs, {}, base.chemin());
        QCOMPARE(t.entetes, (QStringList{"Vendeur", "Pièce", "Représentation", "Reçus", "Rendus", "En stock", "Vendus",
                                         "Reste", "Montant vendu"}));
        QCOMPARE(Donnees(t), (QList<QStringList>{
                                 {"anne", "Le Cid", "2026-12-10", "5", "0", "5", "2", "3", "17,50"},
                                 {"Bruno", "Le Cid", "2026-12-10", "2", "0", "2", "4", "-2", "40,00"},
                                 {"Bruno", "Le Cid", "à confirmer", "1", "0", "1", "2", "-1", "10,00"},
                                 {"Bruno", BaseRapports::kPhedre, "2026-11-01", "0", "0", "0", "2", "-2", "15,25"},
                                 {"Émile (C)", "Le Cid", "2026-12-03", "0", "0", "0", "2", "-2", "20,00"},
                                 {"Émile (C)", "Le Cid", "2026-12-10", "10", "3", "7", "3", "4", "30,00"}}));
        QList<bool> alertes;
        for (const Ligne& l : t.lignes) alertes << l.alerte;
        // Rows, then each seller's subtotal (short of tickets over all: Bruno), then the total.
        QCOMPARE(alertes, (QList<bool>{false, false, true, true, true, true, true, false, false, false}));
        QCOMPARE(Textes(t, t.lignes.at(5)), (QStringList{"Sous-total Bruno", "", "", "3", "0", "3", "8", "-5", "65,25"}));
        QCOMPARE(Textes(t, t.lignes.last()), (QStringList{"Total général", "", "", "18", "3", "15", "15", "0", "132,75"}));
        Filtres f;
        f.piece = BaseRapports::kPhedre;
        QCOMPARE(Produire(Rapport::Vendeurs, f, base.chemin()).lignes.size(), 3);
        // One seller: his rows and his subtotal, the total equal to it.
        f = {};
        f.vendeur = QStringLiteral("Émile (C)");
        const Tableau emile = Produire(Rapport::Vendeurs, f, base.chemin());
        QCOMPARE(Donnees(emile).size(), 2);
        QCOMPARE(Textes(emile, emile.lignes.last()).mid(3), (QStringList{"10", "3", "7", "5", "2", "50,00"}));
    }

    void mouvements() {
        TestSupport::BaseTest base;
        BaseRapports::Remplir(base);
        Filtres f;
        f.piece = BaseRapports::kCid;
        f.representation = BaseRapports::kSoir;
        const Tableau t = Produire(Rapport::Mouvements, f, base.chemin());
        QCOMPARE(t.entetes, (QStringList{"Date", "Vendeur", "Nombre", "Commentaire", "Total courant"}));
        QCOMPARE(Donnees(t), (QList<QStringList>{{"2026-11-15", "Émile (C)", "10", "", "10"},
                                                 {"2026-11-15", "Émile (C)", "-3", "rendus; \"abîmés\"\nen retard", "7"},
                                                 {"2026-11-15", "anne", "5", "", "12"},
                                                 {"2026-11-15", "Bruno", "2", "", "14"}}));
        // The running total ends at the count the stock window shows.
        QCOMPARE(Donnees(t).last().last(), modBD::ObtenirNbBillets(BaseRapports::kCid, BaseRapports::kSoir));
    }

    void ordreDesDates() {
        QVERIFY(modBD::ComparerTextesDates("2026-02-01", "2026-10-01") < 0);
        QVERIFY(modBD::ComparerTextesDates("2027-01-01", "à confirmer") < 0);  // dates first
        QVERIFY(modBD::ComparerTextesDates("abc", "2020-01-01") > 0);
        QVERIFY(modBD::ComparerTextesDates(" 2026-02-01", "2026-02-01") != 0);  // same day, texts kept apart
    }

    void csvAllerRetour() {
        TestSupport::BaseTest base;
        BaseRapports::Remplir(base);
        QTemporaryDir dossier;
        Filtres f;
        f.piece = BaseRapports::kCid;
        f.representation = BaseRapports::kSoir;
        for (Rapport r : {Rapport::Ventes, Rapport::Porte, Rapport::Vendeurs, Rapport::Mouvements}) {
            const Tableau t = Produire(r, f, base.chemin());
            const QString chemin = dossier.filePath(CodeRapport(r) + ".csv");
            ExporterCsv(t, chemin);
            QFile fichier(chemin);
            QVERIFY(fichier.open(QIODevice::ReadOnly));
            const QByteArray octets = fichier.readAll();
            QVERIFY(octets.startsWith("\xEF\xBB\xBF"));
            QVERIFY(octets.endsWith("\r\n"));
            QList<QStringList> lu = LireCsv(octets);
            QCOMPARE(lu.takeFirst(), t.entetes);
            QCOMPARE(lu, Donnees(t));  // no total rows, every awkward name intact
        }
        // The line break inside a comment is quoted, not taken for the end of a row.
        QVERIFY(TexteCsv(Produire(Rapport::Mouvements, f, base.chemin())).contains("\"rendus; \"\"abîmés\"\"\nen retard\""));
    }

    void classeur() {
        TestSupport::BaseTest base;
        BaseRapports::Remplir(base);
        QTemporaryDir dossier;
        const QString chemin = dossier.filePath("ventes.xlsx");
        ExporterClasseur(Produire(Rapport::Ventes, {}, base.chemin()), chemin);
        QCOMPARE(QDir(dossier.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"ventes.xlsx"});  // no leftover
        QVERIFY(QFileInfo(chemin).permissions() & QFile::ReadGroup);
        QProcess unzip;
        unzip.start("unzip", {"-p", chemin, "xl/worksheets/sheet1.xml"});
        QVERIFY(unzip.waitForFinished(30000));
        const QString feuille = QString::fromUtf8(unzip.readAllStandardOutput());
        // Montant of the second data row (row 3 of the sheet) is a number, not text.
        QVERIFY2(feuille.contains(QRegularExpression(R"(<c r="H3"[^>]*><v>87.5</v></c>)")), qPrintable(feuille.left(2000)));
        QVERIFY(feuille.contains(QRegularExpression(R"(<c r="C3"[^>]*><v>4</v></c>)")));
        // Header, 4 performances, 2 subtotals and the grand total, as on paper.
        QVERIFY(feuille.contains(QRegularExpression(R"(<c r="A8")")));
        QVERIFY(!feuille.contains(QRegularExpression(R"(<c r="A9")")));
        QProcess styles;
        styles.start("unzip", {"-p", chemin, "xl/styles.xml"});
        QVERIFY(styles.waitForFinished(30000));
        QVERIFY(styles.readAllStandardOutput().contains("<b/>"));
    }

    void pdf() {
        TestSupport::BaseTest base;
        BaseRapports::Remplir(base);
        QTemporaryDir dossier;
        Filtres f;
        f.piece = BaseRapports::kCid;
        f.representation = BaseRapports::kSoir;
        for (Rapport r : {Rapport::Ventes, Rapport::Porte, Rapport::Vendeurs, Rapport::Mouvements}) {
            const QString chemin = dossier.filePath(CodeRapport(r) + ".pdf");
            ExporterPdf(Produire(r, r == Rapport::Ventes ? Filtres() : f, base.chemin()), chemin);
            const QString texte = Pdftotext(chemin);
            QVERIFY2(texte.contains(TitreRapport(r)), qPrintable(texte));
            QVERIFY(texte.contains("Page 1 / "));
            // The header wraps a long path wherever the page's width ends it; read it back unwrapped.
            QVERIFY2(SansBlancs(texte).contains(SansBlancs(QDir::toNativeSeparators(base.chemin()))), qPrintable(texte));
            // A picture of each report for anyone to look at.
            QDir().mkpath(CORV_RENDU_DIR);
            QProcess::execute("pdftoppm", {"-png", "-r", "70", "-f", "1", "-l", "1", "-singlefile", chemin,
                                           QDir(CORV_RENDU_DIR).filePath("rapport-" + CodeRapport(r))});
            QVERIFY(QFile::exists(QDir(CORV_RENDU_DIR).filePath("rapport-" + CodeRapport(r) + ".png")));
        }
        const QString ventes = Pdftotext(dossier.filePath("ventes.pdf"));
        QVERIFY(ventes.contains("132,75"));  // the grand total
        QVERIFY(ventes.contains("117,50"));  // a play's subtotal
        QVERIFY(Pdftotext(dossier.filePath("porte.pdf")).contains("87,50"));
    }

    // A door list of 300 lines spans pages, the header row on each.
    void porteSurPlusieursPages() {
        TestSupport::BaseTest base;
        const qint64 piece = base.AjouterPiece("Longue");
        const qint64 rep = base.AjouterRepresentation(piece, "2026-12-31");
        const qint64 vendeur = base.AjouterVendeur("Vera");
        {
            modBD::Transaction tr;
            for (int i = 0; i < 300; ++i)
                BaseRapports::Ligne(BaseRapports::Commande("2026-12-01", QStringLiteral("Client %1").arg(i, 3, 10, QLatin1Char('0')),
                                                           "555-0000"),
                                    rep, 1, 1, 2.0, false, vendeur);
            tr.Valider();
        }
        Filtres f;
        f.piece = "Longue";
        f.representation = "2026-12-31";
        QTemporaryDir dossier;
        const QString chemin = dossier.filePath("porte.pdf");
        ExporterPdf(Produire(Rapport::Porte, f, base.chemin()), chemin);
        const QString texte = Pdftotext(chemin);
        const QRegularExpressionMatch m = QRegularExpression("Page 1 / (\\d+)").match(texte);
        QVERIFY(m.hasMatch());
        const int pages = m.captured(1).toInt();
        QVERIFY(pages >= 3);
        QCOMPARE(texte.count("Téléphone"), pages);
        QVERIFY(texte.contains(QStringLiteral("Page %1 / %1").arg(pages)));
        QVERIFY(texte.contains("Client 299"));
        QVERIFY2(texte.contains("600,00"), qPrintable(texte.right(800)));
    }

    // A base with nothing sold: every report and every file still comes out, without a row.
    void rapportsVides() {
        TestSupport::BaseTest base;
        const qint64 piece = base.AjouterPiece("Vide");
        base.AjouterRepresentation(piece, "2026-12-31");
        Filtres f;
        f.piece = "Vide";
        f.representation = "2026-12-31";
        QTemporaryDir dossier;
        for (Rapport r : TousLesRapports()) {
            Filtres filtres = f;
            if (!FiltreParPiece(r)) filtres = {};
            const Tableau t = Produire(r, filtres, base.chemin());
            // The sales and the performances' summary list the performance at zero; no other report has a
            // row but the evening's closing page, whose rows are its fixed headings and counts.
            if (r != Rapport::Soiree) QCOMPARE(Donnees(t).size(), r == Rapport::Ventes || r == Rapport::Bilan ? 1 : 0);
            for (Format format : {Format::Csv, Format::Pdf, Format::Classeur}) {
                const QString chemin = dossier.filePath(CodeRapport(r) + "." + ExtensionFormat(format));
                Exporter(t, format, chemin);
                QVERIFY(QFileInfo(chemin).size() > 0);
            }
        }
        QVERIFY(Pdftotext(dossier.filePath("ventes.pdf")).contains("Total général"));
    }

    // The sellers' report merges two sums by seller and performance: a seller with stock but no
    // sale, one with sales but no stock, one deleted since (still counted, under its number,
    // in name order), and a performance whose play is gone (still counted, labelled).
    // Three sellers' numbers and one far off: the sums come in several slices, merged in order.
    void vendeursFusion() {
        TestSupport::BaseTest base;
        const qint64 cid = base.AjouterPiece("Le Cid");
        const qint64 avare = base.AjouterPiece("L'Avare");
        const qint64 perdue = base.AjouterPiece("Perdue");
        const qint64 soir = base.AjouterRepresentation(cid, "2026-12-10");
        const qint64 matin = base.AjouterRepresentation(cid, "2026-12-09");
        const qint64 avareSoir = base.AjouterRepresentation(avare, "2026-12-01");
        const qint64 orpheline = base.AjouterRepresentation(perdue, "2026-12-05");
        const qint64 zoe = base.AjouterVendeur("Zoé");
        const qint64 yves = base.AjouterVendeur("yves", true);
        const qint64 parti = base.AjouterVendeur("Parti");
        const qint64 o = BaseRapports::Commande("2026-11-20", "Client", "555-0000");
        BaseRapports::Mouvement(soir, zoe, 4);
        BaseRapports::Mouvement(soir, zoe, -1);
        BaseRapports::Mouvement(avareSoir, zoe, 2);
        BaseRapports::Ligne(o, matin, 1, 1, 20.0, false, yves);
        BaseRapports::Ligne(o, soir, 0, 3, 36.0, false, zoe);
        BaseRapports::Mouvement(matin, parti, 6);
        BaseRapports::Ligne(o, matin, 2, 0, 10.0, true, parti);
        BaseRapports::Mouvement(orpheline, yves, 9);
        BaseRapports::Ligne(o, orpheline, 1, 0, 5.0, false, zoe);
        // Numbers far apart: the sums are read in slices of sellers' numbers.
        BaseRapports::Mouvement(avareSoir, 4000000000000LL, 1);
        modBD::Executer("DELETE FROM Piece WHERE NoPiece = ?", {perdue});
        modBD::Executer("DELETE FROM Vendeur WHERE NoVendeur = ?", {parti});
        const QString numero = QStringLiteral("Vendeur n° %1").arg(parti);
        QCOMPARE(Donnees(Produire(Rapport::Vendeurs, {}, base.chemin())),
                 (QList<QStringList>{{numero, "Le Cid", "2026-12-09", "6", "0", "6", "2", "4", "10,00"},
                                     {"Vendeur n° 4000000000000", "L'Avare", "2026-12-01", "1", "0", "1", "0", "1", "0,00"},
                                     {"yves (C)", "(pièce supprimée)", "2026-12-05", "9", "0", "9", "0", "9", "0,00"},
                                     {"yves (C)", "Le Cid", "2026-12-09", "0", "0", "0", "2", "-2", "20,00"},
                                     {"Zoé", "(pièce supprimée)", "2026-12-05", "0", "0", "0", "1", "-1", "5,00"},
                                     {"Zoé", "L'Avare", "2026-12-01", "2", "0", "2", "0", "2", "0,00"},
                                     {"Zoé", "Le Cid", "2026-12-10", "4", "1", "3", "3", "0", "36,00"}}));
        Filtres f;
        f.piece = "Le Cid";
        QCOMPARE(Donnees(Produire(Rapport::Vendeurs, f, base.chemin())).size(), 3);
    }

    // The cells' numbers are made without QLocale where its text is plain ASCII: they must read
    // exactly as QLocale writes them, on screen and in the CSV, whatever the locale.
    void nombresCommeLaLocale() {
        const QLocale avant;
        const auto retablir = qScopeGuard([&avant] { QLocale::setDefault(avant); });
        const QList<qlonglong> entiers{0, 1, -1, 7, -42, 1234567, -9876543210LL, std::numeric_limits<qlonglong>::max(),
                                       std::numeric_limits<qlonglong>::min()};
        QList<double> montants{0.0, -0.0, 0.125, -0.375, 2.625, 1.005, 0.004, -0.004, 0.01, -12.5, 17.5, 0.1 + 0.2,
                               1234567.895, 1e14 + 0.25, 1e16, -1e20, 99.995, std::nan(""), std::numeric_limits<double>::infinity()};
        for (int i = 1; i < 400; ++i) montants << i * 0.37 - 50.0 << i / 8.0 << -i * 12.49;
        // Amounts in cents: paper groups their thousands without asking QLocale cell by cell.
        const QList<qlonglong> centimes{0, 1, -1, 99, -100, 99999, 100000, -123456, 12345678901LL, -999999999999LL, 100000000000000LL};
        for (const char* nom : {"fr_CA", "en_US", "C", "de_CH", "sv_SE", "ar_EG", "fa_IR", "fr_FR", "es_ES", "en_IN", "hi_IN"}) {
            QLocale::setDefault(QLocale(QString::fromLatin1(nom)));
            QLocale reference;
            reference.setNumberOptions(reference.numberOptions() | QLocale::OmitGroupSeparator);
            const TextesNombres nombres;
            QLocale groupee = reference;  // the screen and paper group the thousands of amounts
            groupee.setNumberOptions(groupee.numberOptions() & ~QLocale::OmitGroupSeparator);
            for (qlonglong n : entiers) {
                const QString attendu = reference.toString(n);
                QCOMPARE(TexteCellule(n, Genre::Entier), attendu);
                QByteArray utf8;
                nombres.AjouterUtf8(utf8, n, Genre::Entier);
                QCOMPARE(QString::fromUtf8(utf8), attendu);
            }
            for (double m : montants) {
                const QString attendu = reference.toString(m == 0.0 ? 0.0 : m, 'f', 2);
                QVERIFY2(TexteCellule(m, Genre::Montant) == groupee.toString(m == 0.0 ? 0.0 : m, 'f', 2),
                         qPrintable(QStringLiteral("%1 %2 : %3").arg(nom).arg(m, 0, 'g', 17).arg(attendu)));
                QByteArray utf8;
                nombres.AjouterUtf8(utf8, m, Genre::Montant);
                QCOMPARE(QString::fromUtf8(utf8), attendu);
            }
            QVERIFY(TexteCellule(QVariant(), Genre::Montant).isEmpty());
            for (qlonglong c : centimes) {
                const Montant m = Montant::Centimes(c);
                QCOMPARE(TexteCellule(QVariant::fromValue(m), Genre::Montant), m.TexteGroupe(groupee));
                QCOMPARE(nombres.Cellule(QVariant::fromValue(m), Genre::Montant), m.TexteGroupe(groupee));
            }
            QCOMPARE(TexteCellule(qlonglong{-125}, Genre::Pourcentage), reference.toString(-12.5, 'f', 1) + QStringLiteral(" %"));
        }
    }

    // A file that cannot be written: a French message naming it, and what stood there stays.
    void sortieImpossible() {
        TestSupport::BaseTest base;
        BaseRapports::Remplir(base);
        const Tableau t = Produire(Rapport::Ventes, {}, base.chemin());
        QTemporaryDir dossier;
        for (Format format : {Format::Csv, Format::Pdf, Format::Classeur}) {
            const QString absent = dossier.filePath("absent/rapport." + ExtensionFormat(format));
            try {
                Exporter(t, format, absent);
                QFAIL("written into a missing folder");
            } catch (const ErreurSortie& e) {
                QVERIFY2(e.message().contains(QDir::toNativeSeparators(absent)), qPrintable(e.message()));
            }
        }
        QVERIFY(QDir(dossier.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());
    }
};

QTEST_MAIN(tst_Rapports)
#include "tst_Rapports.moc"
