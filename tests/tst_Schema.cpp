// Both engines' schema texts describe the same base: same tables, columns, keys and indexes
// (the column types follow each engine's dialect and are not compared). Every table of the
// files is covered, the program's own tables made on first use included.
#include "TestSupport.h"
#include "modBD.h"
#include "modBD_Annulations.h"
#include "schema_sql.h"

#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QTest>

namespace {

// The marker after which a schema text lists the tables the program creates on first use.
const QString kMarqueALaDemande = QStringLiteral("-- ON DEMAND:");

QString SansCommentaires(const QString& texte) {
    QStringList lignes;
    for (const QString& ligne : texte.split(QLatin1Char('\n'))) {
        const qsizetype c = ligne.indexOf(QStringLiteral("--"));
        lignes << (c >= 0 ? ligne.left(c) : ligne);
    }
    return lignes.join(QLatin1Char('\n'));
}

// Splits at the commas that are not inside parentheses.
QStringList Elements(const QString& corps) {
    QStringList elements;
    int profondeur = 0;
    QString courant;
    for (const QChar c : corps) {
        if (c == QLatin1Char('(')) ++profondeur;
        if (c == QLatin1Char(')')) --profondeur;
        if (c == QLatin1Char(',') && profondeur == 0) {
            elements << courant.simplified();
            courant.clear();
        } else {
            courant += c;
        }
    }
    if (!courant.simplified().isEmpty()) elements << courant.simplified();
    return elements;
}

QString ListeColonnes(const QString& liste) {
    QStringList colonnes;
    for (const QString& c : liste.split(QLatin1Char(','))) colonnes << c.simplified().toLower();
    return colonnes.join(QStringLiteral(", "));
}

// What a schema text says, one fact a line, in lower case (the server folds unquoted names).
QStringList Faits(const QString& schema) {
    static const QRegularExpression table(
        QStringLiteral("^CREATE\\s+TABLE\\s+(?:IF\\s+NOT\\s+EXISTS\\s+)?(\\w+)\\s*\\((.*)\\)$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression index(
        QStringLiteral("^CREATE\\s+(UNIQUE\\s+)?INDEX\\s+(?:IF\\s+NOT\\s+EXISTS\\s+)?(\\w+)\\s+ON\\s+(\\w+)\\s*\\((.*)\\)$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression contrainte(QStringLiteral("^(?:CONSTRAINT\\s+\\w+\\s+)?(PRIMARY\\s+KEY|UNIQUE)\\s*\\((.*)\\)$"),
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression autre(QStringLiteral("^(CHECK|FOREIGN|CONSTRAINT)\\b"), QRegularExpression::CaseInsensitiveOption);

    QStringList faits;
    const qsizetype marque = schema.indexOf(kMarqueALaDemande);
    const QString parties[2] = {marque < 0 ? schema : schema.left(marque), marque < 0 ? QString() : schema.mid(marque)};
    for (int partie = 0; partie < 2; ++partie) {
        for (const QString& brute : SansCommentaires(parties[partie]).split(QLatin1Char(';'))) {
            const QString instr = brute.trimmed();
            if (instr.isEmpty()) continue;
            if (const auto m = table.match(instr); m.hasMatch()) {
                const QString t = m.captured(1).toLower();
                faits << QStringLiteral("table %1%2").arg(t, partie == 1 ? QStringLiteral(" (à la demande)") : QString());
                for (const QString& e : Elements(m.captured(2))) {
                    if (const auto k = contrainte.match(e); k.hasMatch()) {
                        const bool primaire = k.captured(1).startsWith(QLatin1String("PRIMARY"), Qt::CaseInsensitive);
                        faits << QStringLiteral("%1 %2 (%3)").arg(primaire ? QStringLiteral("clé") : QStringLiteral("unique"), t,
                                                                  ListeColonnes(k.captured(2)));
                        continue;
                    }
                    if (autre.match(e).hasMatch()) continue;
                    const QString colonne = e.section(QLatin1Char(' '), 0, 0).toLower();
                    faits << QStringLiteral("colonne %1.%2").arg(t, colonne);
                    if (e.contains(QLatin1String("PRIMARY KEY"), Qt::CaseInsensitive))
                        faits << QStringLiteral("clé %1 (%2)").arg(t, colonne);
                    else if (e.contains(QRegularExpression(QStringLiteral("\\bUNIQUE\\b"), QRegularExpression::CaseInsensitiveOption)))
                        faits << QStringLiteral("unique %1 (%2)").arg(t, colonne);
                }
            } else if (const auto i = index.match(instr); i.hasMatch()) {
                faits << QStringLiteral("index%1 %2 sur %3 (%4)")
                             .arg(i.captured(1).isEmpty() ? QString() : QStringLiteral(" unique"), i.captured(2).toLower(),
                                  i.captured(3).toLower(), ListeColonnes(i.captured(4)));
            } else {
                faits << QStringLiteral("instruction non reconnue : ") + instr.simplified();
            }
        }
    }
    faits.sort();
    return faits;
}

// The facts one text states and the other does not, as a readable report (empty: the same).
QString Ecarts(const QStringList& fichier, const QStringList& serveur) {
    const QSet<QString> a(fichier.begin(), fichier.end()), b(serveur.begin(), serveur.end());
    QStringList ecarts;
    for (const QString& f : fichier)
        if (!b.contains(f)) ecarts << QStringLiteral("schema.sql seul : ") + f;
    for (const QString& f : serveur)
        if (!a.contains(f)) ecarts << QStringLiteral("schema_postgresql.sql seul : ") + f;
    return ecarts.join(QLatin1Char('\n'));
}

}  // namespace

class tst_Schema : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }

    void memesTablesSurLesDeuxMoteurs() {
        const QStringList fichier = Faits(QString::fromUtf8(modBD::detail::kSchemaSql));
        const QStringList serveur = Faits(QString::fromUtf8(modBD::detail::kSchemaPostgreSql));
        const QString ecarts = Ecarts(fichier, serveur);
        QVERIFY2(ecarts.isEmpty(), qPrintable(QStringLiteral("\n") + ecarts));
        // Every statement was understood, and the six tables and the program's own are there.
        QVERIFY2(!fichier.join(QLatin1Char('\n')).contains(QLatin1String("non reconnue")), qPrintable(fichier.join(QLatin1Char('\n'))));
        for (const QString& t : modBD::TablesRequises())
            QVERIFY2(fichier.contains(QStringLiteral("table ") + t.toLower()), qPrintable(t));
        QVERIFY(fichier.contains(QStringLiteral("table annulationcommande (à la demande)")));
    }

    // The comparison itself sees each kind of drift.
    void ecartsVus_data() {
        QTest::addColumn<QString>("avant");
        QTest::addColumn<QString>("apres");
        QTest::addColumn<QString>("attendu");
        const QString base = QStringLiteral("CREATE TABLE T (A INTEGER PRIMARY KEY, B TEXT, C TEXT);\n"
                                            "CREATE INDEX IX_T_B ON T (B, C);\n");
        QTest::newRow("colonne") << base << QString(base).replace(QStringLiteral(", C TEXT"), QString()) << "colonne t.c";
        QTest::newRow("index") << base << QString(base).replace(QStringLiteral("CREATE INDEX IX_T_B ON T (B, C);"), QString())
                               << "index ix_t_b sur t (b, c)";
        QTest::newRow("colonnes d'index") << base << QString(base).replace(QStringLiteral("(B, C)"), QStringLiteral("(C, B)"))
                                          << "index ix_t_b sur t (b, c)";
        QTest::newRow("clé") << base
                             << QString(base).replace(QStringLiteral("A INTEGER PRIMARY KEY, B TEXT"),
                                                      QStringLiteral("A INTEGER, B TEXT, PRIMARY KEY (A, B)"))
                             << "clé t (a)";
        QTest::newRow("unique") << base << QString(base).replace(QStringLiteral("B TEXT"), QStringLiteral("B TEXT UNIQUE"))
                                << "unique t (b)";
        QTest::newRow("table à la demande") << base + QStringLiteral("-- ON DEMAND: later\nCREATE TABLE U (X TEXT);")
                                            << base + QStringLiteral("CREATE TABLE U (X TEXT);") << "table u (à la demande)";
    }
    void ecartsVus() {
        QFETCH(QString, avant);
        QFETCH(QString, apres);
        QFETCH(QString, attendu);
        const QString ecarts = Ecarts(Faits(avant), Faits(apres));
        QVERIFY2(ecarts.contains(QStringLiteral(" seul : ") + attendu), qPrintable(ecarts));
        // Types are the dialect's business.
        QVERIFY(Ecarts(Faits(avant), Faits(QString(avant).replace(QStringLiteral("TEXT"), QStringLiteral("text")).replace(
                                          QStringLiteral("INTEGER PRIMARY KEY"), QStringLiteral("bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY"))))
                    .isEmpty());
    }

    // A program-owned table comes from the running engine's schema text, inside the caller's
    // transaction: refused outside one, rolled back with it, kept with it, and made once.
    void tableDuProgrammeALaDemande() {
        TestSupport::BaseTest base;
        const QString table = QStringLiteral("AnnulationCommande");
        QVERIFY(!modBD::TablePresente(modBD::kTableAnnulations));  // a new base has the six tables only

        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::AssurerTable(table));
        QVERIFY(!modBD::TablePresente(modBD::kTableAnnulations));
        try {
            modBD::EnTransaction([](modBD::Transaction&) { modBD::AssurerTable(QStringLiteral("TableInconnue")); });
            QFAIL("an unknown table was accepted");
        } catch (const modBD::ErreurBD& e) {
            QVERIFY2(e.message().contains(QStringLiteral("« TableInconnue » est inconnue")), qPrintable(e.message()));
        }

        modBD::EnTransaction([&](modBD::Transaction&) { modBD::AssurerTable(table); });  // no Valider
        QVERIFY(!modBD::TablePresente(modBD::kTableAnnulations));

        for (int fois = 0; fois < 2; ++fois)
            modBD::EnTransaction([&](modBD::Transaction& t) {
                modBD::AssurerTable(table);
                t.Valider();
            });
        QVERIFY(modBD::TablePresente(modBD::kTableAnnulations));
        modBD::EnTransaction([](modBD::Transaction& t) {
            modBD::Executer(QStringLiteral("INSERT INTO AnnulationCommande (NoClient, DateAnnulation) VALUES (?, ?)"),
                            {qint64(7), QStringLiteral("2026-12-07")});
            t.Valider();
        });
        QCOMPARE(base.Valeur(QStringLiteral("SELECT Motif FROM AnnulationCommande WHERE NoClient = 7")).toString(), QString());
    }
};

QTEST_MAIN(tst_Schema)
#include "tst_Schema.moc"
