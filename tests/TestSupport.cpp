#include "TestSupport.h"

#include "ReglagesPoste.h"

#include "Toolkit.h"
#include "modBD.h"

#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QListWidget>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlQuery>
#include <QTest>
#include <QWidget>

#include <QProcess>

#include <optional>

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

namespace TestSupport {

void InitialiserProgrammeTest() {
    Toolkit::InitialiserApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()));
    Toolkit::Test::Activer();
    DefinirLocale(LocaleFrancaise());
    // The station's own settings (its name, its last door seller, its till's float) never in the user's.
    static QTemporaryDir reglagesPoste;
    ReglagesPoste::DefinirFichier(reglagesPoste.filePath(QStringLiteral("poste.ini")));
}

bool SurServeur() { return qEnvironmentVariable("CORV_MOTEUR_TEST") == QLatin1String("postgresql"); }

namespace {
QString HoteServeurTest() {
    const QString hote = qEnvironmentVariable("CORV_PG_HOTE");
    if (hote.isEmpty()) qFatal("CORV_MOTEUR_TEST=postgresql but CORV_PG_HOTE (the test server's socket folder) is not set");
    return hote;
}
int PortServeurTest() { return qEnvironmentVariableIntValue("CORV_PG_PORT") > 0 ? qEnvironmentVariableIntValue("CORV_PG_PORT") : 5432; }
QString UtilisateurServeurTest() {
    const QString u = qEnvironmentVariable("CORV_PG_UTILISATEUR");
    return u.isEmpty() ? QStringLiteral("corv") : u;
}
}  // namespace

QSqlDatabase ConnexionServeurTest(const QString& nom, const QString& base) {
    QSqlDatabase db = QSqlDatabase::contains(nom) ? QSqlDatabase::database(nom, false)
                                                  : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), nom);
    if (!db.isOpen()) {
        db.setHostName(HoteServeurTest());
        db.setPort(PortServeurTest());
        db.setUserName(UtilisateurServeurTest());
        db.setDatabaseName(base);
        if (!db.open())
            qFatal("the PostgreSQL test server cannot be reached (socket folder %s, port %d): %s", qPrintable(HoteServeurTest()),
                   PortServeurTest(), qPrintable(db.lastError().text()));
    }
    return db;
}

void ExecuterSurServeur(const QString& sql, const QString& base) {
    const QString nom = QStringLiteral("admin-") + base;
    QSqlDatabase db = ConnexionServeurTest(nom, base);
    QSqlQuery q(db);
    if (!q.exec(sql)) qFatal("test server statement failed: %s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
}

QString CreerBaseServeurVide() {
    static int compteur = 0;
    const QString nom = QStringLiteral("corv_t%1_%2").arg(QCoreApplication::applicationPid()).arg(++compteur);
    ExecuterSurServeur(QStringLiteral("CREATE DATABASE %1").arg(nom));
    return nom;
}

void SupprimerBaseServeur(const QString& nom) {
    if (QSqlDatabase::contains(QStringLiteral("admin-") + nom)) {
        QSqlDatabase::database(QStringLiteral("admin-") + nom, false).close();
        QSqlDatabase::removeDatabase(QStringLiteral("admin-") + nom);
    }
    ExecuterSurServeur(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(nom));
}

void EcrireReglagesServeur(const QString& dossier, const QString& base, const QString& utilisateur) {
    QFile f(QDir(dossier).filePath(QStringLiteral("corvandelle.ini")));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write corvandelle.ini");
    f.write(QStringLiteral("[base]\nmoteur=postgresql\nhote=%1   ; the test server's socket folder\nport=%2\nnom=%3\nutilisateur=%4\n")
                .arg(HoteServeurTest())
                .arg(PortServeurTest())
                .arg(base, utilisateur.isEmpty() ? UtilisateurServeurTest() : utilisateur)
                .toUtf8());
}

BaseTest::BaseTest(bool ouvrir) : m_dossier(std::make_unique<QTemporaryDir>()) {
    if (!m_dossier->isValid()) qFatal("no temporary folder");
    modBD::DefinirDossierProgramme(dossier());
    if (SurServeur()) {
        m_baseServeur = CreerBaseServeurVide();
        EcrireReglagesServeur(dossier(), m_baseServeur);
        modBD::CreerTablesServeur();
    } else {
        modBD::CreerBaseVide(chemin());
    }
    Toolkit::Test::Reinitialiser();
    if (ouvrir) {
        const Ouverture o = Ouvrir();
        if (o.echec != modBD::EchecOuverture::Aucun) qFatal("cannot open the test database: %s", qPrintable(o.message));
    }
}

BaseTest::~BaseTest() {
    modBD::FermerConnexion();
    modBD::DefinirDossierProgramme(QString());
    if (!m_baseServeur.isEmpty()) SupprimerBaseServeur(m_baseServeur);
}

QString BaseTest::dossier() const { return m_dossier->path(); }
QString BaseTest::chemin() const { return QDir(dossier()).filePath(QStringLiteral("BD.mdb")); }
QString BaseTest::baseServeur() const { return m_baseServeur; }
QString BaseTest::cheminBase() const {
    return m_baseServeur.isEmpty() ? chemin() : QDir(dossier()).filePath(QStringLiteral("corvandelle.ini"));
}

qint64 BaseTest::AjouterPiece(const QString& nom) {
    return modBD::InsererEtObtenirNumero(QStringLiteral("INSERT INTO Piece (NomPiece, NomPieceMaj) VALUES (?, ?)"),
                                         {nom, nom.toUpper()}, QStringLiteral("NoPiece"));
}

qint64 BaseTest::AjouterRepresentation(qint64 noPiece, const QString& date) {
    return modBD::InsererEtObtenirNumero(QStringLiteral("INSERT INTO Representation (NoPiece, DateRepresentation) VALUES (?, ?)"),
                                         {noPiece, date}, QStringLiteral("NoRepresentation"));
}

qint64 BaseTest::AjouterVendeur(const QString& nom, bool comedien) {
    return modBD::InsererEtObtenirNumero(QStringLiteral("INSERT INTO Vendeur (NomVendeur, Comedien, NomVendeurMaj) VALUES (?, ?, ?)"),
                                         {nom, comedien ? 1 : 0, nom.toUpper()}, QStringLiteral("NoVendeur"));
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

namespace {
const QString kConnexionAutre = QStringLiteral("autre-programme");
std::optional<QSqlQuery> g_verrou;
ServeurPrive* g_serveurPrive = nullptr;

void LancerScriptServeur(const QStringList& arguments) {
    const QString script = qEnvironmentVariable("CORV_PG_SCRIPT");
    if (script.isEmpty()) qFatal("CORV_PG_SCRIPT (scripts/serveur_pg_test.sh) is not set");
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(script, arguments);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qFatal("%s %s failed: %s", qPrintable(script), qPrintable(arguments.join(' ')), p.readAll().constData());
}
}  // namespace

VerrouAutreProgramme::VerrouAutreProgramme(const BaseTest& base, bool exclusif) {
    QSqlDatabase autre;
    if (SurServeur()) {
        autre = ConnexionServeurTest(kConnexionAutre, base.baseServeur());
    } else {
        autre = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnexionAutre);
        autre.setDatabaseName(base.chemin());
        if (!autre.open()) qFatal("cannot open the locking connection");
    }
    g_verrou.emplace(autre);
    QStringList tables = modBD::TablesRequises();
    if (SurServeur()) {
        // Every table there is, the program's later ones included.
        QSqlQuery t(autre);
        if (t.exec(QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = current_schema()")))
            for (tables.clear(); t.next();) tables << t.value(0).toString();
    }
    const QStringList instructions =
        SurServeur() ? QStringList{QStringLiteral("BEGIN"),
                                   QStringLiteral("LOCK TABLE %1 IN EXCLUSIVE MODE").arg(tables.join(QStringLiteral(", ")))}
                     : QStringList{exclusif ? QStringLiteral("BEGIN EXCLUSIVE") : QStringLiteral("BEGIN IMMEDIATE")};
    for (const QString& i : instructions)
        if (!g_verrou->exec(i)) qFatal("cannot lock the test base: %s", qPrintable(g_verrou->lastError().text()));
    m_actif = true;
}

VerrouAutreProgramme::~VerrouAutreProgramme() { Liberer(); }

void VerrouAutreProgramme::Liberer() {
    if (!m_actif) return;
    m_actif = false;
    g_verrou->exec(QStringLiteral("ROLLBACK"));
    g_verrou.reset();
    QSqlDatabase::database(kConnexionAutre, false).close();
    QSqlDatabase::removeDatabase(kConnexionAutre);
}

void RefuserEcritures(bool refuser) {
    if (SurServeur())
        modBD::Executer(refuser ? QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY")
                                : QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ WRITE"));
    else
        modBD::Executer(refuser ? QStringLiteral("PRAGMA query_only = ON") : QStringLiteral("PRAGMA query_only = OFF"));
}

namespace {
// The test's own connections to a server that stopped (or to the shared server, once a private
// one takes its place) are of no use: the next use opens new ones.
void FermerConnexionsDeTest() {
    for (const QString& nom : QSqlDatabase::connectionNames())
        if (nom.startsWith(QLatin1String("admin-"))) {
            QSqlDatabase::database(nom, false).close();
            QSqlDatabase::removeDatabase(nom);
        }
}
}  // namespace

ServeurPrive::ServeurPrive() {
    if (g_serveurPrive) qFatal("one private test server at a time");
    m_dossier = QStringLiteral("/tmp/corv-pp-%1").arg(QCoreApplication::applicationPid());
    m_hoteAvant = qgetenv("CORV_PG_HOTE");
    LancerScriptServeur({QStringLiteral("demarrer"), m_dossier, QString::number(PortServeurTest())});
    FermerConnexionsDeTest();
    qputenv("CORV_PG_HOTE", m_dossier.toLocal8Bit());
    g_serveurPrive = this;
}

ServeurPrive::~ServeurPrive() {
    FermerConnexionsDeTest();
    LancerScriptServeur({QStringLiteral("arreter"), m_dossier});
    qputenv("CORV_PG_HOTE", m_hoteAvant);
    g_serveurPrive = nullptr;
}

void ServeurPrive::Suspendre() { LancerScriptServeur({QStringLiteral("suspendre"), m_dossier}); }
void ServeurPrive::Reprendre() {
    FermerConnexionsDeTest();
    LancerScriptServeur({QStringLiteral("reprendre"), m_dossier, QString::number(PortServeurTest())});
}

ServeurPrive* ServeurPriveActif() { return g_serveurPrive; }

void BaseTest::ExecuterAilleurs(const QString& sql, const QVariantList& valeurs) const {
    const QString nom = QStringLiteral("Ailleurs");
    {
        QSqlDatabase db;
        if (SurServeur()) {
            db = ConnexionServeurTest(nom, m_baseServeur);
        } else {
            db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
            db.setDatabaseName(chemin());
        }
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

QByteArray Empreinte(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QStringList FichiersDe(const QString& dossier) {
    QStringList fichiers = QDir(dossier).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    // Leaves out the two the program keeps of its own: the order in which it made its copies,
    // and the mark a restore leaves for the other programs.
    fichiers.removeAll(QStringLiteral("ordre-des-copies.txt"));
    fichiers.removeAll(QStringLiteral("BD.mdb.restauration"));
    return fichiers;
}

QStringList OrdreTabulation(QWidget* premier) {
    QStringList ordre;
    QWidget* w = premier;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
            ordre << w->objectName();
        w = w->nextInFocusChain();
    } while (w != premier);
    return ordre;
}

CatalogueStock RemplirCatalogueStock(BaseTest& base) {
    CatalogueStock d;
    const qint64 hamlet = base.AjouterPiece(QStringLiteral("Hamlet"));
    d.hamlet1 = base.AjouterRepresentation(hamlet, QStringLiteral("2026-03-01"));
    d.hamlet2 = base.AjouterRepresentation(hamlet, QStringLiteral("2026-03-02"));
    base.AjouterPiece(QStringLiteral("Tartuffe"));
    d.phedre = base.AjouterRepresentation(base.AjouterPiece(QStringLiteral("Phèdre")), QStringLiteral("2026-05-01"));
    d.zoe = base.AjouterVendeur(QStringLiteral("Zoé"));
    d.alice = base.AjouterVendeur(QStringLiteral("Alice"));
    d.bruno = base.AjouterVendeur(QStringLiteral("Bruno"), true);
    return d;
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

namespace {
template <typename F>
Ouverture Essayer(F ouvrir) {
    try {
        ouvrir();
        return {};
    } catch (const modBD::ErreurOuverture& e) {
        return {e.echec(), e.message()};
    }
}
}  // namespace

Ouverture Ouvrir() { return Essayer([] { modBD::OuvrirBase(); }); }
Ouverture OuvrirLecture(const QString& chemin) { return Essayer([&] { modBD::OuvrirBaseLecture(chemin); }); }

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
    std::unique_ptr<VerrouAutreProgramme> verrouServeur;
};

QList<Panne> PannesPossibles() {
    if (SurServeur()) return {Panne::LectureSeule, Panne::Verrouillee, Panne::ServeurArrete};
    return {Panne::LectureSeule, Panne::Verrouillee, Panne::PasUneBase, Panne::Absente};
}

QString NomPanne(Panne panne) {
    switch (panne) {
    case Panne::LectureSeule: return QStringLiteral("lecture seule");
    case Panne::Verrouillee: return QStringLiteral("verrouillée");
    case Panne::PasUneBase: return QStringLiteral("pas une base");
    case Panne::Absente: return QStringLiteral("absente");
    case Panne::ServeurArrete: return QStringLiteral("serveur arrêté");
    }
    return {};
}

QString MotPanne(Panne panne) {
    switch (panne) {
    case Panne::LectureSeule: return QStringLiteral("lecture seule");
    case Panne::Verrouillee: return QStringLiteral("occupée par un autre programme");
    case Panne::PasUneBase: return QStringLiteral("n'est pas une base de données");
    case Panne::Absente: return QStringLiteral("introuvable");
    case Panne::ServeurArrete: return QStringLiteral("rien n'a été enregistré");
    }
    return {};
}

PanneBD::PanneBD(const BaseTest& base, Panne panne) : m_etat(std::make_unique<Etat>()) {
    m_etat->panne = panne;
    m_etat->chemin = base.chemin();
    if (SurServeur()) {
        switch (panne) {
        case Panne::LectureSeule: RefuserEcritures(true); break;
        case Panne::Verrouillee: m_etat->verrouServeur = std::make_unique<VerrouAutreProgramme>(base); break;
        case Panne::ServeurArrete:
            if (!ServeurPriveActif()) qFatal("stopping the server needs the test program's own server");
            ServeurPriveActif()->Suspendre();
            break;
        default: qFatal("a file fault asked of a server base");
        }
        m_etat->active = true;
        return;
    }
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
    case Panne::ServeurArrete:
        qFatal("a server fault asked of a file base");
    }
    m_etat->active = true;
}

PanneBD::~PanneBD() { Retirer(); }

void PanneBD::Retirer() {
    if (!m_etat->active) return;
    m_etat->active = false;
    if (SurServeur()) {
        switch (m_etat->panne) {
        case Panne::LectureSeule: RefuserEcritures(false); break;
        case Panne::Verrouillee: m_etat->verrouServeur.reset(); break;
        case Panne::ServeurArrete: ServeurPriveActif()->Reprendre(); break;
        default: break;
        }
        return;
    }
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
    case Panne::ServeurArrete:
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

DisquePlein::DisquePlein(unsigned long octets) {
    rlimit limite{};
    if (getrlimit(RLIMIT_FSIZE, &limite) != 0) return;
    m_avant = limite.rlim_cur;
    std::signal(SIGXFSZ, SIG_IGN);
    limite.rlim_cur = octets;
    m_actif = setrlimit(RLIMIT_FSIZE, &limite) == 0;
}

DisquePlein::~DisquePlein() {
    rlimit limite{};
    if (m_actif && getrlimit(RLIMIT_FSIZE, &limite) == 0) {
        limite.rlim_cur = m_avant;
        setrlimit(RLIMIT_FSIZE, &limite);
    }
    std::signal(SIGXFSZ, SIG_DFL);
}

}  // namespace TestSupport
