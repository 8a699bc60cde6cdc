// The report tool run as a treasurer's script runs it: exit codes, messages on stderr, no
// partial output, and a database left exactly as it was.
#include "BaseRapports.h"
#include "TestSupport.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

struct Resultat {
    int code = -1;
    QString erreurs;
    QString sortie;
};

Resultat Lancer(const QStringList& arguments) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");  // no display is needed for any export
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.insert("LC_ALL", "C.UTF-8");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(CORV_OUTIL_RAPPORTS), arguments);
    if (!p.waitForFinished(60000)) return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardError()),
            QString::fromUtf8(p.readAllStandardOutput())};
}

// Contents and modification time, to the nanosecond.
QByteArray Empreinte(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) return {};
    struct stat etat {};
    ::stat(QFile::encodeName(chemin).constData(), &etat);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex() + ' ' +
           QByteArray::number(static_cast<qlonglong>(etat.st_mtim.tv_sec)) + '.' +
           QByteArray::number(static_cast<qlonglong>(etat.st_mtim.tv_nsec));
}

}  // namespace

class tst_RapportsLigneCommande : public QObject {
    Q_OBJECT
    std::unique_ptr<TestSupport::BaseTest> m_base;
    QString m_chemin;

private slots:
    void initTestCase() {
        TestSupport::InitialiserProgrammeTest();
        m_base = std::make_unique<TestSupport::BaseTest>();
        BaseRapports::Remplir(*m_base);
        modBD::FermerConnexion();
        m_chemin = m_base->cheminBase();
    }
    void cleanupTestCase() { m_base.reset(); }

    void chaqueRapportChaqueFormat() {
        QTemporaryDir dossier;
        const QByteArray avant = Empreinte(m_chemin);
        const QStringList unSoir{"--piece", BaseRapports::kCid, "--representation", BaseRapports::kSoir};
        for (const QString& rapport : QStringList{"ventes", "porte", "vendeurs", "mouvements", "bilan", "soiree"})
            for (const QString& format : QStringList{"csv", "pdf", "xlsx"}) {
                if (rapport == "soiree" && format != "pdf") continue;  // a page only
                const QString sortie = dossier.filePath(rapport + "." + format);
                QStringList args{"--exporter", rapport, "--format", format, "--sortie", sortie};
                if (rapport == "porte" || rapport == "mouvements" || rapport == "soiree") args << unSoir;
                const Resultat r = Lancer(args << m_chemin);
                QVERIFY2(r.code == 0, qPrintable(rapport + "/" + format + " : " + r.erreurs));
                QVERIFY(QFileInfo(sortie).size() > 0);
            }
        // Read-only: not one byte nor the modification time changed, no journal left behind.
        QCOMPARE(Empreinte(m_chemin), avant);
        QCOMPARE(QDir(m_base->dossier()).entryList(QDir::Files), QStringList{QFileInfo(m_chemin).fileName()});

        QFile csv(dossier.filePath("ventes.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(csv.readAll().contains("Le Cid;2026-12-10;4;3;6;9;1;87,50\r\n"));

        // One dash or two, the value after "=" or apart: a PDF still finds its fonts.
        const QString pdf = dossier.filePath("un-tiret.pdf");
        QCOMPARE(Lancer({"-exporter", "ventes", "-format", "pdf", "-sortie", pdf, m_chemin}).code, 0);
        QCOMPARE(Lancer({"--exporter=ventes", "--format=pdf", "--sortie=" + pdf, m_chemin}).code, 0);
        QVERIFY(QFileInfo(pdf).size() > 0);

        // Date bounds are read as the program shows dates.
        const QString filtre = dossier.filePath("filtre.csv");
        QCOMPARE(Lancer({"--exporter", "ventes", "--format", "csv", "--sortie", filtre, "--du", "2026-11-21", "--au",
                         "2026-12-01", m_chemin}).code, 0);
        QFile f(filtre);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray filtre_ = f.readAll();
        QCOMPARE(filtre_.split('\n').size(), 3);  // header, the one performance sold then, the empty end
        QVERIFY(filtre_.contains("Le Cid;2026-12-10;2;2;3;5;1;52,50\r\n"));
        QVERIFY(!filtre_.contains("Le Cid;2026-12-03"));
    }

    void mauvaisArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("mot");
        QTest::newRow("rapport inconnu") << QStringList{"--exporter", "recettes", "--format", "csv"} << "rapport inconnu";
        QTest::newRow("format inconnu") << QStringList{"--exporter", "ventes", "--format", "ods"} << "format inconnu";
        QTest::newRow("sans format") << QStringList{"--exporter", "ventes"} << "--format";
        QTest::newRow("porte sans représentation") << QStringList{"--exporter", "porte", "--format", "csv", "--piece", "Le Cid"}
                                                   << "--representation";
        QTest::newRow("date illisible") << QStringList{"--exporter", "ventes", "--format", "csv", "--du", "31/12/2026"}
                                        << "n'est pas une date";
        QTest::newRow("bornes inversées") << QStringList{"--exporter", "ventes", "--format", "csv", "--du", "2026-12-02", "--au",
                                                         "2026-12-01"}
                                          << "après";
        QTest::newRow("dates hors ventes") << QStringList{"--exporter", "vendeurs", "--format", "csv", "--au", "2026-12-01"}
                                           << "ventes";
        QTest::newRow("pièce inconnue") << QStringList{"--exporter", "vendeurs", "--format", "csv", "--piece", "Hamlet"}
                                        << "n'existe pas";
        QTest::newRow("représentation inconnue")
            << QStringList{"--exporter", "mouvements", "--format", "csv", "--piece", "Le Cid", "--representation", "2030-01-01"}
            << "pas de représentation";
        QTest::newRow("soirée en csv") << QStringList{"--exporter", "soiree", "--format", "csv", "--piece", "Le Cid",
                                                      "--representation", "2026-12-10"}
                                       << "pdf";
        QTest::newRow("soirée sans représentation") << QStringList{"--exporter", "soiree", "--format", "pdf", "--piece", "Le Cid"}
                                                    << "--representation";
        QTest::newRow("option inconnue") << QStringList{"--exporter", "ventes", "--format", "csv", "--tout"} << "option inconnue";
    }
    void mauvaisArguments() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, mot);
        QTemporaryDir dossier;
        // What stood under the requested name stays as it was.
        const QString sortie = dossier.filePath("rapport.csv");
        QFile ancien(sortie);
        QVERIFY(ancien.open(QIODevice::WriteOnly));
        ancien.write("ancien");
        ancien.close();
        const Resultat r = Lancer(arguments << "--sortie" << sortie << m_chemin);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.erreurs.contains(mot), qPrintable(r.erreurs));
        QFile lu(sortie);
        QVERIFY(lu.open(QIODevice::ReadOnly));
        QCOMPARE(lu.readAll(), QByteArray("ancien"));
        QCOMPARE(QDir(dossier.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"rapport.csv"});
    }

    void sortieSurLaBase() {
        const QByteArray avant = Empreinte(m_chemin);
        const Resultat r = Lancer({"--exporter", "ventes", "--format", "csv", "--sortie", m_chemin, m_chemin});
        QCOMPARE(r.code, 2);
        QCOMPARE(Empreinte(m_chemin), avant);
    }

    void baseIllisibleOuSortieImpossible() {
        QTemporaryDir dossier;
        // Missing base: said, and nothing created in its place.
        const QString absente = dossier.filePath("absente.mdb");
        Resultat r = Lancer({"--exporter", "ventes", "--format", "csv", "--sortie", dossier.filePath("x.csv"), absente});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.erreurs.contains("absente.mdb") && r.erreurs.contains("introuvable"), qPrintable(r.erreurs));
        QVERIFY(!QFile::exists(absente));
        // Another program's file.
        const QString texte = dossier.filePath("notes.mdb");
        QFile f(texte);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
        f.close();
        r = Lancer({"--exporter", "ventes", "--format", "pdf", "--sortie", dossier.filePath("x.pdf"), texte});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.erreurs.contains("notes.mdb"), qPrintable(r.erreurs));
        QVERIFY(!QFile::exists(dossier.filePath("x.csv")) && !QFile::exists(dossier.filePath("x.pdf")));
        // A folder that does not exist.
        for (const QString& format : QStringList{"csv", "pdf", "xlsx"}) {
            r = Lancer({"--exporter", "ventes", "--format", format, "--sortie", dossier.filePath("non/x." + format), m_chemin});
            QCOMPARE(r.code, 1);
            QVERIFY2(r.erreurs.contains("n'a pas pu être écrit"), qPrintable(r.erreurs));
        }
    }

    // Without --exporter the window opens on the given base and stays open.
    void fenetre() {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        const QByteArray avant = Empreinte(m_chemin);
        p.start(QStringLiteral(CORV_OUTIL_RAPPORTS), {m_chemin});
        QVERIFY(p.waitForStarted());
        QVERIFY2(!p.waitForFinished(1500), qPrintable(p.readAllStandardError()));
        p.terminate();
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(Empreinte(m_chemin), avant);
    }

    void aide() {
        const Resultat r = Lancer({"--aide"});
        QCOMPARE(r.code, 0);
        QVERIFY(r.sortie.contains("Utilisation"));
        QVERIFY(r.sortie.contains("--representation DATE"));
    }
};

QTEST_MAIN(tst_RapportsLigneCommande)
#include "tst_RapportsLigneCommande.moc"
