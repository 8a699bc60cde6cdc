#include "TestSupport.h"

#include "Toolkit.h"
#include "modBD.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlQuery>
#include <QTest>
#include <QWidget>

#include <optional>

#include <unistd.h>

namespace TestSupport {

void InitialiserProgrammeTest() {
    Toolkit::InitialiserApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()));
    Toolkit::Test::Activer();
    DefinirLocale(LocaleFrancaise());
}

BaseTest::BaseTest(bool ouvrir) : m_dossier(std::make_unique<QTemporaryDir>()) {
    if (!m_dossier->isValid()) qFatal("no temporary folder");
    modBD::CreerBaseVide(chemin());
    modBD::DefinirDossierProgramme(dossier());
    Toolkit::Test::Reinitialiser();
    if (ouvrir && !modBD::OuvrirConnexion()) qFatal("cannot open the test database");
}

BaseTest::~BaseTest() {
    modBD::FermerConnexion();
    modBD::DefinirDossierProgramme(QString());
}

QString BaseTest::dossier() const { return m_dossier->path(); }
QString BaseTest::chemin() const { return QDir(dossier()).filePath(QStringLiteral("BD.mdb")); }

qint64 BaseTest::AjouterPiece(const QString& nom) {
    QSqlQuery q = modBD::Executer(QStringLiteral("INSERT INTO Piece (NomPiece, NomPieceMaj) VALUES (?, ?)"), {nom, nom.toUpper()});
    return q.lastInsertId().toLongLong();
}

qint64 BaseTest::AjouterRepresentation(qint64 noPiece, const QString& date) {
    QSqlQuery q = modBD::Executer(QStringLiteral("INSERT INTO Representation (NoPiece, DateRepresentation) VALUES (?, ?)"), {noPiece, date});
    return q.lastInsertId().toLongLong();
}

qint64 BaseTest::AjouterVendeur(const QString& nom, bool comedien) {
    QSqlQuery q = modBD::Executer(QStringLiteral("INSERT INTO Vendeur (NomVendeur, Comedien, NomVendeurMaj) VALUES (?, ?, ?)"),
                                  {nom, comedien ? 1 : 0, nom.toUpper()});
    return q.lastInsertId().toLongLong();
}

qint64 BaseTest::Compter(const QString& table, const QString& condition) {
    QString sql = QStringLiteral("SELECT COUNT(*) FROM ") + table;
    if (!condition.isEmpty()) sql += QStringLiteral(" WHERE ") + condition;
    return Valeur(sql).toLongLong();
}

QVariant BaseTest::Valeur(const QString& sql, const QVariantList& valeurs) {
    QSqlQuery q = modBD::Executer(sql, valeurs);
    return q.next() ? q.value(0) : QVariant();
}

void BaseTest::ExecuterAilleurs(const QString& sql, const QVariantList& valeurs) const {
    const QString nom = QStringLiteral("Ailleurs");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setDatabaseName(chemin());
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        QSqlQuery q(db);
        QVERIFY(q.prepare(sql));
        for (const QVariant& v : valeurs) q.addBindValue(v);
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(nom);
}

void DefinirLocale(const QLocale& locale) {
    QLocale l = locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(l);
}

QLocale LocaleFrancaise() { return QLocale(QLocale::French, QLocale::Canada); }
QLocale LocaleAnglaise() { return QLocale(QLocale::English, QLocale::UnitedStates); }

QStringList Textes(const QComboBox* cbo) {
    QStringList t;
    for (int i = 0; i < cbo->count(); ++i) t << cbo->itemText(i);
    return t;
}

QStringList Textes(const QListWidget* lst) {
    QStringList t;
    for (int i = 0; i < lst->count(); ++i) t << lst->item(i)->text();
    return t;
}

QString OrdreTabulation(const QList<QWidget*>& ordre) {
    QList<QWidget*> vu;
    QWidget* w = ordre.first();
    do {
        if (ordre.contains(w) && !vu.contains(w)) vu << w;
        w = w->nextInFocusChain();
    } while (w != ordre.first());
    if (vu == ordre) return {};
    QStringList noms;
    for (QWidget* x : vu) noms << x->objectName();
    return noms.join(QLatin1Char(' '));
}

QString Rendre(QWidget* fenetre, const QString& nom) {
    QDir().mkpath(QStringLiteral(CORV_RENDU_DIR));
    const QString chemin = QDir(QStringLiteral(CORV_RENDU_DIR)).filePath(nom + QStringLiteral(".png"));
    fenetre->show();
    QCoreApplication::processEvents();
    fenetre->grab().save(chemin);
    return chemin;
}

}  // namespace TestSupport

// --- Faults of the database file.

namespace TestSupport {

namespace {
const QString kConnexionVerrou = QStringLiteral("panne-verrou");
const QByteArray kDechets = QByteArray("Ceci n'est pas une base de données. ").repeated(3).left(100);
}  // namespace

struct PanneBD::Etat {
    Panne panne;
    QString chemin;
    bool active = false;
    bool chmod = false;
    QByteArray entete;
    qint64 taille = 0;
    std::optional<QSqlQuery> verrou;
};

QString NomPanne(Panne panne) {
    switch (panne) {
    case Panne::LectureSeule: return QStringLiteral("lecture seule");
    case Panne::Verrouillee: return QStringLiteral("verrouillée");
    case Panne::PasUneBase: return QStringLiteral("pas une base");
    case Panne::Absente: return QStringLiteral("absente");
    }
    return {};
}

QString MotPanne(Panne panne) {
    switch (panne) {
    case Panne::LectureSeule: return QStringLiteral("lecture seule");
    case Panne::Verrouillee: return QStringLiteral("occupée par un autre programme");
    case Panne::PasUneBase: return QStringLiteral("n'est pas une base de données");
    case Panne::Absente: return QStringLiteral("introuvable");
    }
    return {};
}

PanneBD::PanneBD(const BaseTest& base, Panne panne) : m_etat(std::make_unique<Etat>()) {
    m_etat->panne = panne;
    m_etat->chemin = base.chemin();
    switch (panne) {
    case Panne::LectureSeule:
        if (::geteuid() != 0) {
            // The open connection keeps its write access: reopen on the write-protected file.
            QFile::setPermissions(m_etat->chemin, QFileDevice::ReadOwner | QFileDevice::ReadUser);
            m_etat->chmod = true;
            if (!modBD::OuvrirConnexion()) qFatal("cannot reopen the read-only test database");
        }
        modBD::Executer(QStringLiteral("PRAGMA query_only = ON"));
        break;
    case Panne::Verrouillee: {
        QSqlDatabase autre = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnexionVerrou);
        autre.setDatabaseName(m_etat->chemin);
        if (!autre.open()) qFatal("cannot open the locking connection");
        m_etat->verrou.emplace(autre);
        if (!m_etat->verrou->exec(QStringLiteral("BEGIN IMMEDIATE"))) qFatal("cannot lock the test database");
        break;
    }
    case Panne::PasUneBase: {
        QFile f(m_etat->chemin);
        if (!f.open(QIODevice::ReadWrite)) qFatal("cannot open the test database file");
        m_etat->taille = f.size();
        m_etat->entete = f.read(kDechets.size());
        f.seek(0);
        f.write(kDechets);
        f.close();
        break;
    }
    case Panne::Absente:
        if (!QFile::rename(m_etat->chemin, m_etat->chemin + QStringLiteral(".ailleurs"))) qFatal("cannot move the test database");
        break;
    }
    m_etat->active = true;
}

PanneBD::~PanneBD() { Retirer(); }

void PanneBD::Retirer() {
    if (!m_etat->active) return;
    m_etat->active = false;
    switch (m_etat->panne) {
    case Panne::LectureSeule:
        if (m_etat->chmod) {
            QFile::setPermissions(m_etat->chemin, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ReadUser | QFileDevice::WriteUser);
            modBD::OuvrirConnexion();
        } else {
            modBD::Executer(QStringLiteral("PRAGMA query_only = OFF"));
        }
        break;
    case Panne::Verrouillee:
        m_etat->verrou->exec(QStringLiteral("ROLLBACK"));
        m_etat->verrou.reset();
        QSqlDatabase::database(kConnexionVerrou, false).close();
        QSqlDatabase::removeDatabase(kConnexionVerrou);
        break;
    case Panne::PasUneBase: {
        QFile f(m_etat->chemin);
        if (f.open(QIODevice::ReadWrite)) {
            f.write(m_etat->entete);
            f.close();
        }
        break;
    }
    case Panne::Absente:
        QFile::rename(m_etat->chemin + QStringLiteral(".ailleurs"), m_etat->chemin);
        break;
    }
}

bool PanneBD::FichierIntouche() const {
    switch (m_etat->panne) {
    case Panne::PasUneBase: {
        QFile f(m_etat->chemin);
        return f.open(QIODevice::ReadOnly) && f.size() == m_etat->taille && f.read(kDechets.size()) == kDechets;
    }
    case Panne::Absente:
        return !QFileInfo::exists(m_etat->chemin);
    default:
        return true;
    }
}

QString ContenuDesTables() {
    QStringList lignes;
    for (const QString& table : modBD::TablesRequises()) {
        QSqlQuery q = modBD::Executer(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(table));
        lignes << table;
        while (q.next()) {
            QStringList champs;
            for (int i = 0; i < q.record().count(); ++i) champs << q.value(i).toString();
            lignes << champs.join(QLatin1Char('|'));
        }
    }
    return lignes.join(QLatin1Char('\n'));
}

}  // namespace TestSupport
