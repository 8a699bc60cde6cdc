#include "modBD.h"

#include "modBD_Journal.h"
#include "modBD_Moteur.h"
#include "schema_sql.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QUrl>
#include <QUuid>
#include <QDateTime>
#include <QRegularExpression>

#include <QRandomGenerator>
#include <QThread>

#include <algorithm>
#include <utility>
#include <limits>
#include <vector>

#include <sys/stat.h>

namespace modBD {

namespace {
const QString kNomConnexion = QStringLiteral("Connexion");

std::vector<std::function<void()>> g_avantFermeture;
void AvantFermetureAppelee() {
    for (const auto& action : g_avantFermeture) action();
}

QString g_dossier;  // empty: the executable's folder
EchecOuverture g_echec = EchecOuverture::Aucun;
Moteur g_moteur = Moteur::SQLite;
ParametresServeur g_serveur;
// The server connection broke: the next statement outside a transaction reconnects first.
bool g_perdue = false;
// The program opened a server connection and has not closed it on purpose: whatever closed or
// broke it since (a statement of Qt's own, a failed reconnection), the next unit of work reopens it.
bool g_voulue = false;
// Bumped when another station or program is known to have committed (see VersionChangementsAilleurs).
quint64 g_versionAilleurs = 0;
qint64 g_marqueAilleurs = -1;  // the engine's own marker (see Pilote::ChangeAilleurs)
quint64 g_marqueAilleursConnexion = 0;
// Tokens whose commit answer was lost while the server stayed away.
QSet<QString> g_jetonsEnSuspens;
// The connection number on which JetonOperation was last seen (0: not seen).
quint64 g_jetonsVusSur = 0;
bool g_enTransaction = false;
// A statement failed inside the open transaction: PostgreSQL would answer its COMMIT with a
// silent rollback, which must never read as success.
bool g_transactionEchouee = false;
int g_reprises = 0;
// The server session was opened for reading only (the report tool); a reconnection keeps it so.
bool g_lectureSeule = false;
// The file the connection was opened on. SQLite keeps writing to a file that was deleted or
// replaced behind its back, and those writes would vanish: every statement checks first.
struct IdentiteFichier {
    dev_t appareil = 0;
    ino_t noeud = 0;
    bool connue = false;
};
IdentiteFichier g_identite;
QString g_cheminOuvert;  // the file the connection is on
QString g_messageOuverture;

IdentiteFichier LireIdentite(const QString& chemin) {
    struct stat etat {};
    if (::stat(QFile::encodeName(chemin).constData(), &etat) != 0) return {};
    return {etat.st_dev, etat.st_ino, true};
}

// A restore of this program works on the connection from another thread: nothing else may use it.
bool g_restaurationEnCours = false;
const char* g_modeOuvert = "rw";
// What the clerk is told once after the file was replaced under the connection.
QString g_avisRemplacement;
bool OuvrirFichier(const QString& chemin, const char* mode);

enum class EtatFichier { Inchange, Absent, Remplace };

EtatFichier EtatFichierOuvert() {
    if (!g_identite.connue) return EtatFichier::Inchange;
    const IdentiteFichier actuelle = LireIdentite(g_cheminOuvert);
    if (!actuelle.connue) return EtatFichier::Absent;
    if (actuelle.appareil != g_identite.appareil || actuelle.noeud != g_identite.noeud) return EtatFichier::Remplace;
    return EtatFichier::Inchange;
}

// The notice for a file replaced by a restore: names the copy when the restore left its mark
// for this very file, else says only that the base was replaced.
QString AvisPourFichier(const QString& chemin) {
    QFile marque(CheminMarqueRestauration(chemin));
    if (marque.open(QIODevice::ReadOnly)) {
        const QStringList lignes = QString::fromUtf8(marque.readAll()).split(QLatin1Char('\n'));
        struct stat etat {};
        if (lignes.size() >= 2 && ::stat(QFile::encodeName(chemin).constData(), &etat) == 0 &&
            lignes.at(1).trimmed() == QString::number(static_cast<qulonglong>(etat.st_ino))) {
            const QDateTime moment = QDateTime::fromString(lignes.at(0).trimmed(), Qt::ISODate);
            if (moment.isValid()) return MessageBaseRestauree(moment);
        }
    }
    return QStringLiteral("La base de données a été remplacée par un autre programme : les listes ont été relues.");
}

// Reopens the connection on the file that replaced the one it was on.
void RouvrirFichierRemplace() {
    const QString chemin = g_cheminOuvert;
    const char* mode = g_modeOuvert;
    const QString avis = AvisPourFichier(chemin);
    AvantFermetureAppelee();
    QSqlDatabase::database(kNomConnexion, false).close();
    if (!OuvrirFichier(chemin, mode))
        throw ErreurBD(g_messageOuverture + QStringLiteral(" Rien n'a été lu ni enregistré."));
    g_avisRemplacement = avis;
}

// SQLite keeps writing to a file that was deleted or replaced behind its back, and those writes
// would vanish. A replaced file (a restore by another program) is reopened when no transaction
// is open: a read then goes on, on the new file; a write is refused, since what the clerk typed
// was chosen from the lists of the old one.
void VerifierFichierInchange(bool lecture) {
    if (g_restaurationEnCours)
        throw ErreurBD(QStringLiteral("La base de données est en cours de restauration : rien n'a été lu ni enregistré. "
                                      "Réessayez quand elle sera terminée."));
    switch (EtatFichierOuvert()) {
    case EtatFichier::Inchange: return;
    case EtatFichier::Absent:
        throw ErreurBD(QStringLiteral("Le fichier de la base de données « %1 » est introuvable : il a été déplacé ou effacé "
                                      "pendant que le programme était ouvert. Rien n'a été lu ni enregistré.")
                           .arg(QDir::toNativeSeparators(g_cheminOuvert)));
    case EtatFichier::Remplace: break;
    }
    if (g_enTransaction)
        throw ErreurBD(AvisPourFichier(g_cheminOuvert).section(QStringLiteral(" : "), 0, 0) +
                           QStringLiteral(" pendant l'enregistrement : rien n'a été enregistré."),
                       NatureErreur::BaseRemplacee);
    RouvrirFichierRemplace();
    if (!lecture)
        throw ErreurBD(g_avisRemplacement.section(QStringLiteral(" : "), 0, 0) + QStringLiteral(" : rien n'a été enregistré."),
                       NatureErreur::BaseRemplacee);
}
quint64 g_numeroConnexion = 0;

// Waiting on a lock held by another program (the report tool) must stay short:
// the clerk gets a message instead of a frozen window.
constexpr int kAttenteVerrouMs = 2000;
// The most memory SQLite may keep of the file, in KiB.
constexpr int kCacheKio = 64 * 1024;
// The longest a clerk's statement may run on the server.
constexpr int kAttenteInstructionMs = 30000;

QString MessageConnexionPerdue() {
    return QStringLiteral("La connexion à la base de données %1 a été perdue : rien n'a été enregistré. "
                          "Ce que vous avez tapé reste à l'écran : réessayez quand le serveur répondra de nouveau.")
        .arg(DescriptionServeur(g_serveur));
}

// The server answers lock waits and long statements with an error instead of a frozen window.
void ConfigurerSession(QSqlDatabase& db, bool lecture = false) {
    QSqlQuery q(db);
    q.exec(QStringLiteral("SET lock_timeout = '%1ms'").arg(kAttenteVerrouMs));
    // The report tool's session: the server refuses any write, whatever the account may do.
    // A report may take longer than a clerk's statement: only the clerk's session is bounded.
    if (lecture)
        q.exec(QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY"));
    else
        q.exec(QStringLiteral("SET statement_timeout = '%1ms'").arg(kAttenteInstructionMs));
    q.exec(QStringLiteral("LISTEN ") + detail::kCanalListes);
}

void ConfigurerServeur(QSqlDatabase& db, const ParametresServeur& s) {
    db.setHostName(s.hote);
    db.setPort(s.port);
    db.setDatabaseName(s.nom);
    db.setUserName(s.utilisateur);
    // A network cut is noticed in seconds, not at the system's TCP timeout (ignored on a socket).
    QString options = QStringLiteral("connect_timeout=5;application_name=corvandelle;keepalives_idle=20;"
                                     "keepalives_interval=5;keepalives_count=3;tcp_user_timeout=15000");
    if (!s.ssl.isEmpty()) options += QStringLiteral(";sslmode=") + s.ssl;
    db.setConnectOptions(options);
}

// The French reason a server connection could not be made.
QString RaisonConnexionServeur(const QSqlError& erreur) {
    const QString etat = erreur.nativeErrorCode();
    const QString detailTexte = erreur.databaseText().trimmed().isEmpty() ? erreur.text().trimmed()
                                                                          : erreur.databaseText().trimmed();
    if (etat == QLatin1String("28P01") || etat == QLatin1String("28000") ||
        detailTexte.contains(QLatin1String("password authentication failed")) ||
        detailTexte.contains(QLatin1String("no password supplied")))
        return QStringLiteral("le serveur a refusé l'utilisateur « %1 » (mot de passe absent ou refusé : voyez ~/.pgpass, "
                              "PGPASSFILE ou PGPASSWORD) (%2).").arg(g_serveur.utilisateur, detailTexte);
    if (detailTexte.contains(QLatin1String("SSL"), Qt::CaseInsensitive))
        return QStringLiteral("la connexion chiffrée (SSL, réglage ssl=%1) n'a pas pu être établie : le serveur ne l'accepte pas "
                              "ou son certificat est refusé (%2).").arg(g_serveur.ssl, detailTexte);
    if (etat == QLatin1String("3D000") || detailTexte.contains(QLatin1String("does not exist")))
        return QStringLiteral("cette base n'existe pas sur le serveur, ou l'utilisateur n'y a pas accès (%1).").arg(detailTexte);
    return QStringLiteral("le serveur ne répond pas ou refuse la connexion (%1).").arg(detailTexte);
}

void Reconnecter() {
    QSqlDatabase db = QSqlDatabase::database(kNomConnexion, false);
    // Until the new session is there, every next unit of work tries again.
    g_perdue = true;
    db.close();
    if (!db.open())
        throw ErreurBD(QStringLiteral("La base de données %1 est injoignable : rien n'a été enregistré. Ce que vous "
                                      "avez tapé reste à l'écran : réessayez quand le serveur répondra de nouveau.\n(%2)")
                           .arg(DescriptionServeur(g_serveur), RaisonConnexionServeur(db.lastError())),
                       NatureErreur::ConnexionPerdue);
    ConfigurerSession(db, g_lectureSeule);
    g_perdue = false;
    ++g_numeroConnexion;  // a new session: what was kept about the old one is not trusted
    ++g_versionAilleurs;  // what the others wrote meanwhile was not heard
}

void RetirerConnexion() {
    ++g_numeroConnexion;
    if (QSqlDatabase::contains(kNomConnexion)) {
        AvantFermetureAppelee();
        {
            QSqlDatabase db = QSqlDatabase::database(kNomConnexion, false);
            if (db.isOpen()) db.close();
        }
        QSqlDatabase::removeDatabase(kNomConnexion);
    }
}

QString UriFichier(const QString& chemin, const char* mode) {
    return QUrl::fromLocalFile(QFileInfo(chemin).absoluteFilePath()).toString(QUrl::FullyEncoded) +
           QStringLiteral("?mode=") + QLatin1String(mode);
}

// In a schema text, what follows this line is the tables the program creates on first use.
const QString kMarqueALaDemande = QStringLiteral("-- ON DEMAND:");

// The part of a schema text that makes a new base: the six tables and their indexes.
QString PartieCreation(const QString& schema) {
    const qsizetype marque = schema.indexOf(kMarqueALaDemande);
    return marque < 0 ? schema : schema.left(marque);
}

QStringList InstructionsSchema(const QString& schema) {
    QStringList lignes;
    for (const QString& ligne : schema.split(QLatin1Char('\n'))) {
        const qsizetype commentaire = ligne.indexOf(QStringLiteral("--"));
        lignes << (commentaire >= 0 ? ligne.left(commentaire) : ligne);
    }
    QStringList instructions;
    for (const QString& instr : lignes.join(QLatin1Char('\n')).split(QLatin1Char(';'))) {
        if (!instr.trimmed().isEmpty()) instructions << instr.trimmed();
    }
    return instructions;
}
}  // namespace

ErreurBD::ErreurBD(const QString& message, NatureErreur nature)
    : std::runtime_error(message.toStdString()), m_message(message), m_nature(nature) {}

void DefinirDossierProgramme(const QString& dossier) { g_dossier = dossier; }

namespace {
QString g_cheminBDImpose;
QString g_dossierExecutable;
QString g_dossierReglagesSysteme;

QString DossierDonneesUtilisateur() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(QStringLiteral("corvandelle"));
}
}  // namespace

void DefinirCheminBD(const QString& chemin) {
    g_cheminBDImpose = chemin.isEmpty() ? QString() : QFileInfo(chemin).absoluteFilePath();
}

void DefinirDossierExecutable(const QString& dossier) { g_dossierExecutable = dossier; }
void DefinirDossierReglagesSysteme(const QString& dossier) { g_dossierReglagesSysteme = dossier; }

bool EstDossierInstalle(const QString& dossierExecutable) {
    const QString dossier = QDir::cleanPath(QFileInfo(dossierExecutable).absoluteFilePath());
    return dossier.startsWith(QLatin1String("/usr/"));
}

bool ProgrammeInstalle() {
    return EstDossierInstalle(g_dossierExecutable.isEmpty() ? QCoreApplication::applicationDirPath() : g_dossierExecutable);
}

QString DossierProgramme() {
    if (!g_dossier.isEmpty()) return g_dossier;
    if (!g_cheminBDImpose.isEmpty()) return QFileInfo(g_cheminBDImpose).absolutePath();
    if (ProgrammeInstalle()) return DossierDonneesUtilisateur();
    return g_dossierExecutable.isEmpty() ? QCoreApplication::applicationDirPath() : g_dossierExecutable;
}

QString CheminBD() {
    if (g_dossier.isEmpty() && !g_cheminBDImpose.isEmpty()) return g_cheminBDImpose;
    return QDir(DossierProgramme()).filePath(QStringLiteral("BD.mdb"));
}

QStringList CheminsReglages() {
    const QString nom = QStringLiteral("corvandelle.ini");
    if (!g_dossier.isEmpty() || !ProgrammeInstalle()) return {QDir(DossierProgramme()).filePath(nom)};
    const QString utilisateur = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                                    .filePath(QStringLiteral("corvandelle/") + nom);
    const QString systeme = g_dossierReglagesSysteme.isEmpty() ? QStringLiteral("/etc/corvandelle") : g_dossierReglagesSysteme;
    return {utilisateur, QDir(systeme).filePath(nom)};
}

bool MemeFichier(const QString& a, const QString& b) {
    const QFileInfo premier(a), second(b);
    if (premier.absoluteFilePath() == second.absoluteFilePath()) return true;
    return premier.exists() && second.exists() && premier.canonicalFilePath() == second.canonicalFilePath();
}

EchecOuverture DernierEchecOuverture() { return g_echec; }
QString DernierMessageOuverture() { return g_messageOuverture; }

QSqlDatabase Connexion() {
    if (!QSqlDatabase::contains(kNomConnexion)) return QSqlDatabase::addDatabase(detail::PiloteActif().NomPiloteQt(), kNomConnexion);
    return QSqlDatabase::database(kNomConnexion, false);
}

ParametresServeur ServeurActif() { return g_serveur; }

QString DescriptionBase() { return detail::PiloteActif().DescriptionBase(CheminBD(), g_serveur); }

QString RienModifieOuverture() {
    // Settings that could not be read chose no base at all.
    if (g_echec == EchecOuverture::ReglagesInvalides)
        return QStringLiteral("Aucune base de données n'a été ouverte ni modifiée.");
    return detail::PiloteActif().RienModifie();
}

QString BasePourAutreProgramme() {
    // A server base is reached through the settings file; a file base is the file itself.
    return detail::PiloteActif().CopiesFichierPossibles() ? CheminBD() : CheminReglages();
}

QString BaseDuDossierProgramme() {
    // The settings where the program reads them (beside it, or for an installed program the
    // user's and then the site-wide ones), else its BD.mdb.
    const QString reglages = CheminReglages();
    return QFileInfo::exists(reglages) ? reglages : CheminBD();
}

bool ConnexionOuverte() {
    return QSqlDatabase::contains(kNomConnexion) && QSqlDatabase::database(kNomConnexion, false).isOpen();
}

namespace {
bool OuvrirServeur(bool lecture) {
    QSqlDatabase db = Connexion();
    if (!db.isValid()) {
        g_echec = EchecOuverture::ServeurInjoignable;
        g_messageOuverture = QStringLiteral("Le pilote PostgreSQL de Qt (QPSQL, paquet libqt6sql6-psql) n'est pas installé : "
                                            "la base %1 ne peut pas être ouverte.").arg(DescriptionServeur(g_serveur));
        return false;
    }
    ConfigurerServeur(db, g_serveur);
    if (!db.open()) {
        g_echec = EchecOuverture::ServeurInjoignable;
        g_messageOuverture = QStringLiteral("La base de données %1 ne peut pas être ouverte : %2")
                                 .arg(DescriptionServeur(g_serveur), RaisonConnexionServeur(db.lastError()));
        return false;
    }
    g_lectureSeule = lecture;
    ConfigurerSession(db, lecture);
    QStringList presentes;
    try {
        presentes = TablesPresentes();
    } catch (const ErreurBD& e) {
        db.close();
        g_echec = EchecOuverture::ServeurInjoignable;
        g_messageOuverture = QStringLiteral("La base de données %1 ne peut pas être lue : %2")
                                 .arg(DescriptionServeur(g_serveur), e.message());
        return false;
    }
    if (presentes.size() == TablesRequises().size()) {
        ++g_numeroConnexion;
        g_voulue = true;
        return true;
    }
    db.close();
    if (presentes.isEmpty()) {
        g_echec = EchecOuverture::TablesAbsentes;
        g_messageOuverture = QStringLiteral("La base de données %1 ne contient pas les tables de Corvandelle.")
                                 .arg(DescriptionServeur(g_serveur));
    } else {
        QStringList manquantes;
        for (const QString& t : TablesRequises())
            if (!presentes.contains(t)) manquantes << t;
        g_echec = EchecOuverture::FichierInutilisable;
        g_messageOuverture = QStringLiteral("La base de données %1 ne peut pas être ouverte : il y manque les tables %2.")
                                 .arg(DescriptionServeur(g_serveur), manquantes.join(QStringLiteral(", ")));
    }
    return false;
}
// Forgets the last connection and what was known of it.
void OublierConnexion() {
    RetirerConnexion();
    g_identite = {};
    g_cheminOuvert.clear();
    g_echec = EchecOuverture::Aucun;
    g_messageOuverture.clear();
    g_perdue = false;
    g_voulue = false;
    g_enTransaction = false;
    g_transactionEchouee = false;
    g_lectureSeule = false;
    g_jetonsEnSuspens.clear();
}

// The base the settings name (BD.mdb without a settings file). `fichier`: a settings file
// given explicitly, which must exist; its BD.mdb, if it names one, is the one beside it.
bool OuvrirSelonReglages(bool lecture, const QString& fichier = QString()) {
    OublierConnexion();
    Reglages reglages;
    try {
        if (!fichier.isEmpty() && !QFileInfo::exists(fichier))
            throw ErreurBD(QStringLiteral("Le fichier de réglages « %1 » est introuvable.").arg(QDir::toNativeSeparators(fichier)));
        reglages = fichier.isEmpty() ? ReglagesActifs() : LireReglages(fichier);
    } catch (const ErreurBD& e) {
        g_moteur = Moteur::SQLite;
        g_serveur = {};
        g_echec = EchecOuverture::ReglagesInvalides;
        g_messageOuverture = e.message();
        return false;
    }
    g_moteur = reglages.moteur;
    g_serveur = reglages.serveur;
    if (g_moteur == Moteur::PostgreSQL) return OuvrirServeur(lecture);
    const QString bd = fichier.isEmpty() ? CheminBD() : QFileInfo(fichier).absoluteDir().filePath(QStringLiteral("BD.mdb"));
    return OuvrirFichier(bd, lecture ? "ro" : "rw");
}
}  // namespace

quint64 NumeroConnexion() { return g_numeroConnexion; }

bool ReprendreBaseRemplacee() {
    if (g_moteur != Moteur::SQLite || g_enTransaction || g_restaurationEnCours || !ConnexionOuverte()) return false;
    if (EtatFichierOuvert() != EtatFichier::Remplace) return false;
    try {
        RouvrirFichierRemplace();
    } catch (const ErreurBD&) {
        return false;  // the next statement says why
    }
    return true;
}

QString AvisBaseRemplacee() { return std::exchange(g_avisRemplacement, QString()); }

QString CheminMarqueRestauration(const QString& cheminBase) { return cheminBase + QStringLiteral(".restauration"); }

QString MessageBaseRestauree(const QDateTime& momentCopie) {
    const QLocale francais(QLocale::French, QLocale::France);
    return QStringLiteral("La base de données a été restaurée depuis la copie du %1 à %2 : les listes ont été relues.")
        .arg(francais.toString(momentCopie.date(), QStringLiteral("d MMMM yyyy")),
             francais.toString(momentCopie.time(), QStringLiteral("HH:mm")));
}

bool OuvrirConnexion() { return OuvrirSelonReglages(false); }

bool OuvrirConnexionLecture(const QString& chemin) {
    // A settings file stands for the base it names (the report tool on a server base).
    if (chemin.endsWith(QLatin1String(".ini"), Qt::CaseInsensitive)) return OuvrirConnexionLectureReglages(chemin);
    OublierConnexion();
    g_moteur = Moteur::SQLite;
    g_serveur = {};
    return OuvrirFichier(chemin, "ro");
}

bool OuvrirConnexionLectureReglages(const QString& fichierReglages) { return OuvrirSelonReglages(true, fichierReglages); }

namespace {
bool OuvrirFichier(const QString& chemin, const char* mode) {
    g_cheminOuvert = chemin;
    g_modeOuvert = mode;
    QSqlDatabase db = Connexion();

    // The driver would create a missing file: refuse before it gets the chance.
    if (!QFileInfo::exists(chemin)) {
        g_echec = EchecOuverture::FichierAbsent;
        g_messageOuverture = QStringLiteral("La base de données « %1 » est introuvable.").arg(QDir::toNativeSeparators(chemin));
        return false;
    }

    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(kAttenteVerrouMs));
    db.setDatabaseName(UriFichier(chemin, mode));
    QString raison;
    if (!db.open()) {
        raison = MessageErreur(db.lastError());
    } else {
        // SQLite opens lazily: only a read tells a database from any other file.
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"))) {
            raison = MessageErreur(q.lastError());
        } else {
            QSet<QString> presentes;
            while (q.next()) presentes.insert(q.value(0).toString());
            QStringList manquantes;
            for (const QString& t : TablesRequises())
                if (!presentes.contains(t)) manquantes << t;
            if (!manquantes.isEmpty())
                raison = QStringLiteral("il y manque les tables %1.").arg(manquantes.join(QStringLiteral(", ")));
            // SQLite keeps 2 MB of the file by default: a report over a large history then
            // reads the same pages from the system again and again (an order's row once per
            // line of it). The cache grows only as pages are read.
            if (raison.isEmpty()) q.exec(QStringLiteral("PRAGMA cache_size = -%1").arg(kCacheKio));
        }
    }
    if (!raison.isEmpty()) {
        db.close();
        g_echec = EchecOuverture::FichierInutilisable;
        g_messageOuverture = QStringLiteral("La base de données « %1 » ne peut pas être ouverte : %2")
                                 .arg(QDir::toNativeSeparators(chemin), raison);
        return false;
    }
    g_identite = LireIdentite(chemin);
    ++g_numeroConnexion;
    return true;
}
}  // namespace

void FermerConnexion() {
    g_perdue = false;  // closed on purpose: nothing may reopen it behind the caller's back
    g_voulue = false;
    ++g_numeroConnexion;
    if (!QSqlDatabase::contains(kNomConnexion)) return;
    AvantFermetureAppelee();
    QSqlDatabase::database(kNomConnexion, false).close();
}

QStringList TablesRequises() {
    return {QStringLiteral("Vendeur"), QStringLiteral("Piece"), QStringLiteral("Representation"),
            QStringLiteral("InfoClientReservation"), QStringLiteral("InfoReservation"),
            QStringLiteral("InventaireBillets")};
}

QString SchemaSql() { return detail::PiloteDe(Moteur::SQLite).Schema(); }

QStringList TablesPresentes() {
    // The server folds unquoted names to lower case: compare without case, answer in the program's spelling.
    QSqlQuery q = Executer(detail::PiloteActif().RequeteTables());
    QSet<QString> noms;
    while (q.next()) noms.insert(q.value(0).toString().toLower());
    QStringList presentes;
    for (const QString& t : TablesRequises())
        if (noms.contains(t.toLower())) presentes << t;
    return presentes;
}

void CreerTablesServeur() {
    const Reglages r = ReglagesActifs();
    if (r.moteur != Moteur::PostgreSQL)
        throw ErreurBD(QStringLiteral("Aucun serveur n'est choisi dans « %1 ».").arg(QDir::toNativeSeparators(CheminReglages())));
    const QString nom = QStringLiteral("Creation-serveur");
    QString erreur;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), nom);
        ConfigurerServeur(db, r.serveur);
        if (!db.open()) {
            const ParametresServeur avant = g_serveur;
            g_serveur = r.serveur;
            erreur = RaisonConnexionServeur(db.lastError());
            g_serveur = avant;
        } else {
            // The server's DDL is transactional: all six tables, or none.
            QSqlQuery q(db);
            bool ok = q.exec(QStringLiteral("BEGIN"));
            for (const QString& instr : InstructionsSchema(PartieCreation(detail::PiloteDe(Moteur::PostgreSQL).Schema()))) {
                if (!ok) break;
                ok = q.exec(instr);
            }
            if (ok) ok = q.exec(QStringLiteral("COMMIT"));
            if (!ok) {
                const QSqlError e = q.lastError();
                if (e.nativeErrorCode() == QLatin1String("42501"))
                    erreur = QStringLiteral("l'utilisateur « %1 » n'a pas le droit de créer des tables dans cette base. "
                                            "Demandez à l'administrateur du serveur de les créer (voir le README).")
                                 .arg(r.serveur.utilisateur.isEmpty() ? QStringLiteral("par défaut") : r.serveur.utilisateur);
                else
                    erreur = QStringLiteral("erreur du serveur (%1).").arg(e.databaseText().trimmed());
                q.exec(QStringLiteral("ROLLBACK"));
            }
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(nom);
    if (!erreur.isEmpty())
        throw ErreurBD(QStringLiteral("Les tables n'ont pas pu être créées dans la base de données %1 : %2 Rien n'a été créé.")
                           .arg(DescriptionServeur(r.serveur), erreur));
}

void CreerTableProgramme(const QString& table) {
    // Outside a unit of work the server would keep a table without its indexes after a failure.
    if (!g_enTransaction)
        throw ErreurBD(QStringLiteral("Opération impossible : la table « %1 » ne peut être créée qu'au cours d'un "
                                      "enregistrement (erreur du programme). Rien n'a été enregistré.").arg(table));
    static const QRegularExpression cible(
        QStringLiteral("^CREATE\\s+(?:UNIQUE\\s+)?(TABLE|INDEX)\\s+(?:IF\\s+NOT\\s+EXISTS\\s+)?(\\w+)(?:\\s+ON\\s+(\\w+))?"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression sansCondition(
        QStringLiteral("^(CREATE\\s+(?:UNIQUE\\s+)?(?:TABLE|INDEX))\\s+(?!IF\\s+NOT\\s+EXISTS\\b)"),
        QRegularExpression::CaseInsensitiveOption);
    const QString schema = detail::PiloteActif().Schema();
    const qsizetype marque = schema.indexOf(kMarqueALaDemande);
    QStringList instructions;  // the table first, then its indexes, whatever the order of the text
    bool tableTrouvee = false;
    if (marque >= 0) {
        for (const QString& instr : InstructionsSchema(schema.mid(marque))) {
            const QRegularExpressionMatch m = cible.match(instr);
            if (!m.hasMatch()) continue;
            const bool estTable = m.captured(1).compare(QLatin1String("TABLE"), Qt::CaseInsensitive) == 0;
            if ((estTable ? m.captured(2) : m.captured(3)).compare(table, Qt::CaseInsensitive) != 0) continue;
            // Another station may have made it a moment ago.
            const QString conditionnelle = QString(instr).replace(sansCondition, QStringLiteral("\\1 IF NOT EXISTS "));
            if (estTable) {
                instructions.prepend(conditionnelle);
                tableTrouvee = true;
            } else {
                instructions << conditionnelle;
            }
        }
    }
    if (!tableTrouvee)
        throw ErreurBD(QStringLiteral("Opération impossible : la table « %1 » est inconnue du programme (erreur du "
                                      "programme). Rien n'a été enregistré.").arg(table));
    for (const QString& instr : instructions) Executer(instr);
}

void CreerBaseVide(const QString& chemin) {
    if (QFileInfo::exists(chemin))
        throw ErreurBD(QStringLiteral("Le fichier « %1 » existe déjà : il n'a pas été remplacé.").arg(QDir::toNativeSeparators(chemin)));
    const QString nom = QStringLiteral("Creation-%1").arg(reinterpret_cast<quintptr>(&chemin));
    QString erreur;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        db.setDatabaseName(UriFichier(chemin, "rwc"));
        const detail::Pilote& fichier = detail::PiloteDe(Moteur::SQLite);
        if (!db.open()) {
            erreur = fichier.MessageErreur(db.lastError());
        } else {
            QSqlQuery q(db);
            bool ok = q.exec(QStringLiteral("BEGIN"));
            for (const QString& instr : InstructionsSchema(PartieCreation(detail::PiloteDe(Moteur::SQLite).Schema()))) {
                if (!ok) break;
                ok = q.exec(instr);
            }
            if (ok) ok = q.exec(QStringLiteral("COMMIT"));
            if (!ok) erreur = fichier.MessageErreur(q.lastError());
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(nom);
    if (!erreur.isEmpty()) {
        QFile::remove(chemin);  // never leave a half-made database behind
        throw ErreurBD(QStringLiteral("La base de données « %1 » n'a pas pu être créée : %2")
                           .arg(QDir::toNativeSeparators(chemin), erreur));
    }
}

QString MessageErreur(const QSqlError& erreur) { return detail::PiloteActif().MessageErreur(erreur); }

namespace {
// Turns a failed statement into the clerk's message, noting a lost server connection.
ErreurBD ErreurDe(const QSqlDatabase& db, const QSqlError& erreur) {
    if (g_enTransaction) g_transactionEchouee = true;
    const NatureErreur nature = detail::PiloteActif().NatureDe(db, erreur);
    if (nature == NatureErreur::ConnexionPerdue) {
        g_perdue = true;
        return ErreurBD(MessageConnexionPerdue(), NatureErreur::ConnexionPerdue);
    }
    return ErreurBD(QStringLiteral("Opération impossible : ") + MessageErreur(erreur), nature);
}

// Statements that change a list the windows show: the other stations are told at commit.
bool ChangeUneListe(const QString& sql) {
    static const QRegularExpression ecriture(
        QStringLiteral("^\\s*(INSERT\\s+INTO|UPDATE|DELETE\\s+FROM)\\s+(Vendeur|Piece|Representation)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    return ecriture.match(sql).hasMatch();
}

bool EstLecture(const QString& sql) { return sql.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive); }

QSqlQuery ExecuterUneFois(QSqlDatabase& db, const QString& sql, const QVariantList& valeurs) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (valeurs.isEmpty() && detail::PiloteActif().SansPreparation()) {
        if (!q.exec(sql)) throw ErreurDe(db, q.lastError());
        return q;
    }
    if (!q.prepare(sql)) throw ErreurDe(db, q.lastError());
    for (const QVariant& v : valeurs) {
        // Qt binds a null QString as SQL NULL; an empty field is empty text, never "no value".
        if (v.typeId() == QMetaType::QString && v.toString().isNull())
            q.addBindValue(QStringLiteral(""));
        else
            q.addBindValue(v);
    }
    if (!q.exec()) throw ErreurDe(db, q.lastError());
    return q;
}
}  // namespace

QSqlQuery Executer(const QString& sql, const QVariantList& valeurs) {
    QSqlDatabase db = Connexion();
    // However the loss was met (by this program's statement or one Qt ran by itself, which
    // leaves no trace but libpq's own state), a unit of work starts on a live session.
    // Only a server connection is ever marked lost or wanted back.
    if (g_voulue && !g_enTransaction && (g_perdue || !db.isOpen() || detail::LiaisonRompue(db))) Reconnecter();
    if (!db.isOpen()) {
        if (g_voulue) {
            // Closed under a transaction: the session is gone, and with it the transaction.
            if (g_enTransaction) g_transactionEchouee = true;
            g_perdue = true;
            throw ErreurBD(MessageConnexionPerdue(), NatureErreur::ConnexionPerdue);
        }
        throw ErreurBD(QStringLiteral("La base de données n'est pas ouverte : rien ne peut être lu ni enregistré."),
                       NatureErreur::BaseIndisponible);
    }
    try {
        VerifierFichierInchange(EstLecture(sql));  // a no-op unless the base is a file
    } catch (const ErreurBD& e) {
        if (e.nature() != NatureErreur::Ordinaire) throw;  // a restored file keeps its own kind
        throw ErreurBD(e.message(), NatureErreur::BaseIndisponible);
    }
    const auto Signaler = [&](QSqlQuery q) {
        // Delivered at commit, and only if the write stays.
        if (ChangeUneListe(sql)) detail::PiloteActif().SignalerListes(db);
        return q;
    };
    const auto Lancer = [&]() {
        // The report tool's reads may run long on a server: they leave its window answering,
        // and its "Annuler" stops them on the server.
        if (g_lectureSeule && !g_enTransaction && EstLecture(sql) && detail::AttenteSuivie()) {
            bool abandonnee = false;
            const QString suite = detail::PiloteActif().LireEnDeuxTemps(
                db, sql, valeurs,
                [&](const QSqlError& erreur) {
                    if (abandonnee)
                        throw ErreurBD(QStringLiteral("Lecture annulée : rien n'a été modifié."), NatureErreur::Annulee);
                    throw ErreurDe(db, erreur);
                },
                abandonnee);
            if (!suite.isEmpty()) return ExecuterUneFois(db, suite, {});
        }
        return ExecuterUneFois(db, sql, valeurs);
    };
    try {
        return Signaler(Lancer());
    } catch (const ErreurBD& e) {
        // A read outside a transaction changes nothing: after a server restart it is simply
        // asked again on a new connection.
        if (e.nature() != NatureErreur::ConnexionPerdue || g_enTransaction || !EstLecture(sql)) throw;
    }
    Reconnecter();
    return Signaler(Lancer());
}

qint64 InsererEtObtenirNumero(const QString& sql, const QVariantList& valeurs, const QString& colonne) {
    return detail::PiloteActif().InsererEtObtenirNumero(sql, valeurs, colonne);
}

void VerifierLectureComplete(const QSqlQuery& requete) {
    if (!requete.lastError().isValid()) return;
    QSqlDatabase db = Connexion();
    throw ErreurDe(db, requete.lastError());
}

Transaction::Transaction() {
    // The server would only warn about a second BEGIN, and the inner COMMIT would then commit
    // the outer unit's writes half-way: refused on both engines.
    if (g_enTransaction)
        throw ErreurBD(QStringLiteral("Opération impossible : une transaction est déjà ouverte (erreur du programme). "
                                      "Rien n'a été enregistré."));
    detail::AvantTransaction();
    try {
        Executer(detail::PiloteActif().DebutTransaction());
    } catch (const ErreurBD&) {
        detail::ApresTransaction();
        throw;
    }
    m_active = true;
    g_enTransaction = true;
    g_transactionEchouee = false;
}

Transaction::~Transaction() {
    if (m_active) {
        QSqlDatabase db = Connexion();
        if (db.isOpen() && !g_perdue) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("ROLLBACK"));
            detail::ApresTransaction();
        }
        g_enTransaction = false;
        g_transactionEchouee = false;
    }
}

void Transaction::ReserverAjouts(const QString& table) {
    const QString verrou = detail::PiloteActif().ReserverAjouts(table);
    if (!verrou.isEmpty()) Executer(verrou);
}

void Transaction::Valider() {
    if (g_transactionEchouee)
        throw ErreurBD(QStringLiteral("Une instruction a échoué pendant l'enregistrement : rien n'a été enregistré."));
    bool annulee = false;
    try {
        const QSqlDatabase db = Connexion();
        detail::PiloteActif().Valider(
            db, [] { Executer(QStringLiteral("COMMIT")); }, [&db](const QSqlError& erreur) { throw ErreurDe(db, erreur); },
            annulee);
    } catch (const ErreurBD& e) {
        // Gone (or cancelled) while the server was committing: it may or may not have kept the
        // writes. Only the unit's token can tell, on a new session.
        if (e.nature() == NatureErreur::ConnexionPerdue || annulee) {
            g_perdue = true;
            throw ErreurBD(MessageConnexionPerdue(), NatureErreur::IssueInconnue);
        }
        throw;
    }
    m_active = false;
    g_enTransaction = false;
    detail::ApresTransaction();
}

namespace {
std::function<bool()> g_pendantAttente;
}

void DefinirPendantAttente(std::function<bool()> pendantAttente) { g_pendantAttente = std::move(pendantAttente); }

namespace detail {
void DefinirRestaurationEnCours(bool enCours) { g_restaurationEnCours = enCours; }

bool PendantAttente() {
    if (!g_pendantAttente) return false;
    try {
        return g_pendantAttente();
    } catch (...) {
        return false;  // the wait goes on whatever the windows did
    }
}

bool AttenteSuivie() { return static_cast<bool>(g_pendantAttente); }

bool Rejouer(const ErreurBD& erreur, int essai) {
    if (erreur.nature() == NatureErreur::Conflit) {
        if (essai >= kEssaisTransaction)
            throw ErreurBD(QStringLiteral("D'autres postes modifiaient les mêmes données au même moment et l'opération a dû "
                                          "être abandonnée %1 fois de suite : rien n'a été enregistré. Ce que vous avez "
                                          "tapé reste à l'écran : réessayez dans un instant.").arg(essai),
                           NatureErreur::BaseIndisponible);
        ++g_reprises;
        // A short random pause, longer each time, so that the stations stop colliding.
        QThread::msleep(static_cast<unsigned long>(QRandomGenerator::global()->bounded(2, 12) * essai));
        return true;
    }
    if (erreur.nature() == NatureErreur::ConnexionPerdue && essai == 1) {
        // Gone before the commit: the server kept nothing. Once it answers again, run the unit once more.
        Reconnecter();
        ++g_reprises;
        return true;
    }
    return false;
}
}  // namespace detail

int NombreReprises() { return g_reprises; }

bool ContenuRefuse(const ErreurBD& erreur) { return erreur.nature() == NatureErreur::Ordinaire; }

bool MessageComplet(const ErreurBD& erreur) {
    return erreur.nature() == NatureErreur::IssueInconnue || erreur.nature() == NatureErreur::ReponsePerdue;
}

QString NouveauJeton() { return QUuid::createUuid().toString(QUuid::WithoutBraces); }

TextesPerte TextesPerteCommande() {
    return {QStringLiteral("La commande n'a pas été enregistrée : la connexion au serveur a été perdue avant la fin. "
                           "Rien n'a été écrit. La commande reste à l'écran : confirmez-la de nouveau."),
            QStringLiteral("La connexion au serveur a été perdue pendant l'enregistrement de la commande. Elle reste à "
                           "l'écran ; à la prochaine confirmation, le programme vérifiera d'abord si elle a déjà été "
                           "enregistrée : elle ne le sera jamais deux fois.")};
}

namespace {
bool TableJetonsPresente() {
    if (g_jetonsVusSur != 0 && g_jetonsVusSur == g_numeroConnexion) return true;
    const bool presente =
        Connexion().tables(QSql::Tables).contains(QStringLiteral("JetonOperation"), Qt::CaseInsensitive);
    // Remembered only once seen committed: a table made in a rolled-back unit is gone again.
    if (presente) g_jetonsVusSur = g_numeroConnexion;
    return presente;
}
}  // namespace

std::optional<QString> ResultatJeton(const QString& jeton) {
    if (!TableJetonsPresente()) {
        // The table list is one of the driver's own statements: a dead session shows there as "no table".
        Executer(QStringLiteral("SELECT 1"));
        if (!TableJetonsPresente()) return std::nullopt;
    }
    QSqlQuery q = Executer(QStringLiteral("SELECT Numeros FROM JetonOperation WHERE Jeton = ?"), {jeton});
    if (q.next()) return q.value(0).toString();
    return std::nullopt;
}

bool JetonEnSuspens(const QString& jeton) { return g_jetonsEnSuspens.contains(jeton); }

namespace {
bool g_dernierRegle = false;
}

bool DernierRegleParJeton() { return g_dernierRegle; }

QString FaireUneSeuleFois(const QString& jeton, const TextesPerte& textes, const std::function<QString()>& travail) {
    if (jeton.isEmpty()) throw ErreurBD(QStringLiteral("Opération sans jeton (erreur du programme) : rien n'a été enregistré."));
    g_dernierRegle = false;
    // Asks the base whether the unit whose answer was lost is there; the server still away
    // keeps the token in suspense for the next attempt.
    const auto Regler = [&]() -> std::optional<QString> {
        try {
            const std::optional<QString> resultat = ResultatJeton(jeton);
            g_jetonsEnSuspens.remove(jeton);
            return resultat;
        } catch (const ErreurBD& e) {
            if (e.nature() == NatureErreur::ConnexionPerdue || e.nature() == NatureErreur::BaseIndisponible)
                throw ErreurBD(textes.enSuspens, NatureErreur::IssueInconnue);
            throw;
        }
    };
    if (g_jetonsEnSuspens.contains(jeton)) {
        if (const std::optional<QString> deja = Regler()) {
            g_dernierRegle = true;
            return *deja;
        }
    }
    struct JetonDejaEnregistre {};
    try {
        return EnTransaction([&](Transaction& transaction) {
            // A base made before the table existed gets it inside this first write that needs it.
            if (!TableJetonsPresente()) CreerTableProgramme(QStringLiteral("JetonOperation"));
            const QString resultat = travail();
            try {
                Executer(QStringLiteral("INSERT INTO JetonOperation (Jeton, Numeros, DateJeton) VALUES (?, ?, ?)"),
                         {jeton, resultat, QDateTime::currentDateTime().toString(Qt::ISODate)});
            } catch (const ErreurBD& e) {
                // Refused for its value, it can only be there already: written by an attempt whose
                // answer was lost without the loss being seen. Rolled back, then settled below.
                if (e.nature() == NatureErreur::Ordinaire) throw JetonDejaEnregistre{};
                throw;
            }
            transaction.Valider();
            return resultat;
        });
    } catch (const JetonDejaEnregistre&) {
    } catch (const ErreurBD& e) {
        if (e.nature() != NatureErreur::IssueInconnue) throw;
    }
    g_jetonsEnSuspens.insert(jeton);
    if (const std::optional<QString> fait = Regler()) {
        g_dernierRegle = true;
        return *fait;
    }
    throw ErreurBD(textes.perdueAvantFin, NatureErreur::ReponsePerdue);
}

quint64 VersionChangementsAilleurs() {
    QSqlDatabase db = Connexion();
    if (g_marqueAilleursConnexion != g_numeroConnexion) {
        g_marqueAilleursConnexion = g_numeroConnexion;
        g_marqueAilleurs = -1;
    }
    if (db.isOpen() && detail::PiloteActif().ChangeAilleurs(db, g_marqueAilleurs)) ++g_versionAilleurs;
    return g_versionAilleurs + g_numeroConnexion;
}

QString NomAfficheVendeur(const QString& nom, bool comedien) { return comedien ? nom + kMarqueComedien : nom; }

QString RetirerMarqueComedien(const QString& nomAffiche) {
    return nomAffiche.endsWith(kMarqueComedien, Qt::CaseSensitive) ? nomAffiche.chopped(kMarqueComedien.size()) : nomAffiche;
}

QString ObtenirNoPiece(const QString& nomPiece) {
    QSqlQuery q = Executer(QStringLiteral("SELECT NoPiece FROM Piece WHERE NomPiece = ? ORDER BY NoPiece LIMIT 1"), {nomPiece});
    return q.next() ? q.value(0).toString() : QString();
}

QString ObtenirNoRepresentation(const QString& noPiece, const QString& dateRepresentation) {
    bool ok = false;
    const qlonglong no = noPiece.toLongLong(&ok);
    if (!ok) return QString();
    QSqlQuery q = Executer(QStringLiteral("SELECT NoRepresentation FROM Representation "
                                          "WHERE NoPiece = ? AND DateRepresentation = ? ORDER BY NoRepresentation LIMIT 1"),
                           {no, dateRepresentation});
    return q.next() ? q.value(0).toString() : QString();
}

std::optional<qint16> ObtenirNoVendeur(const QString& nomAffiche) {
    const QString nom = RetirerMarqueComedien(nomAffiche);
    QSqlQuery q = Executer(QStringLiteral("SELECT NoVendeur FROM Vendeur WHERE NomVendeur = ? ORDER BY NoVendeur LIMIT 1"), {nom});
    if (!q.next()) return std::nullopt;
    const qlonglong no = q.value(0).toLongLong();
    if (no < std::numeric_limits<qint16>::min() || no > std::numeric_limits<qint16>::max())
        throw ErreurBD(QStringLiteral("Le numéro du vendeur « %1 » (%2) dépasse la limite de 32767.").arg(nom, QString::number(no)));
    return static_cast<qint16>(no);
}

QStringList ListePieces() {
    QSqlQuery q = Executer(QStringLiteral("SELECT NomPiece FROM Piece ORDER BY NoPiece"));
    QStringList noms;
    while (q.next()) noms << q.value(0).toString();
    return noms;
}

QStringList ListeDatesRepresentations(const QString& noPiece) {
    bool ok = false;
    const qlonglong no = noPiece.toLongLong(&ok);
    if (!ok) return {};
    QSqlQuery q = Executer(QStringLiteral("SELECT DateRepresentation FROM Representation WHERE NoPiece = ? ORDER BY NoRepresentation"), {no});
    QStringList dates;
    while (q.next()) dates << q.value(0).toString();
    return dates;
}

QList<Vendeur> ListeVendeurs() {
    QSqlQuery q = Executer(QStringLiteral("SELECT NomVendeur, Comedien FROM Vendeur ORDER BY NoVendeur"));
    QList<Vendeur> vendeurs;
    while (q.next()) vendeurs.append({q.value(0).toString(), q.value(1).toLongLong() != 0});
    return vendeurs;
}

QStringList ListeVendeursAffiches() {
    const QList<Vendeur> vendeurs = ListeVendeurs();
    // Name order as a French reader expects it (accents and case do not push a name to the end).
    // One sort key per name: comparing keys is far cheaper than collating names pair by pair.
    const QCollator collateur{QLocale()};
    std::vector<std::pair<QCollatorSortKey, qsizetype>> cles;
    cles.reserve(static_cast<size_t>(vendeurs.size()));
    for (qsizetype i = 0; i < vendeurs.size(); ++i) cles.emplace_back(collateur.sortKey(vendeurs.at(i).nom), i);
    std::stable_sort(cles.begin(), cles.end(), [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    QStringList noms;
    noms.reserve(vendeurs.size());
    for (const auto& cle : cles) noms << NomAfficheVendeur(vendeurs.at(cle.second).nom, vendeurs.at(cle.second).comedien);
    return noms;
}

namespace detail {
const Pilote& PiloteActif() { return PiloteDe(g_moteur); }
}  // namespace detail

bool TablePresente(const QString& table) {
    if (!ConnexionOuverte()) return false;
    // Through Executer, not the driver's own catalogue call: a server connection lost or
    // restarted meanwhile is then noticed (and reopened) as for any other statement. The
    // server keeps unquoted names in lower case.
    QSqlQuery q = Executer(detail::PiloteActif().RequeteTables());
    while (q.next())
        if (q.value(0).toString().compare(table, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString InstructionCreation(const QString& table) {
    const QString schema = detail::PiloteActif().Schema();
    const QRegularExpression re(QStringLiteral("CREATE TABLE %1 \\((.*?)\\n\\);").arg(QRegularExpression::escape(table)),
                                QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = re.match(schema);
    if (!m.hasMatch()) throw ErreurBD(QStringLiteral("La table %1 manque au schéma du programme.").arg(table));
    return m.captured(0).chopped(1);  // without the final ";"
}

// Creates the table inside the caller's transaction when the base lacks it. A server account
// without the right to create tables gets the statement to hand its administrator.
void AssurerTable(const QString& table) {
    if (TablePresente(table)) return;
    const QString instruction = InstructionCreation(table);
    try {
        Executer(instruction);
    } catch (const ErreurBD& e) {
        // A base that is no file lives on a server, where tables are the administrator's.
        if (detail::PiloteActif().CopiesFichierPossibles() || e.nature() == NatureErreur::ConnexionPerdue ||
            e.nature() == NatureErreur::Conflit)
            throw;
        throw ErreurBD(QStringLiteral("La table %1 n'existe pas sur le serveur et ce compte ne peut pas la créer : "
                                      "rien n'a été enregistré. Demandez à l'administrateur du serveur d'exécuter :\n\n%2;\n\n(%3)")
                           .arg(table, instruction, e.message()));
    }
}

void AvantFermetureConnexion(std::function<void()> action) { g_avantFermeture.push_back(std::move(action)); }

QString DossierSauvegardes() { return QDir(DossierProgramme()).filePath(QStringLiteral("sauvegardes")); }

bool TableAnnulationsPresente() {
    if (!ConnexionOuverte()) return false;
    // The driver's own catalogue query, so the test reads the same on both engines
    // (PostgreSQL lists names in lower case).
    return Connexion().tables(QSql::Tables).contains(kTableAnnulations, Qt::CaseInsensitive);
}

QString ConditionNonAnnulee(const QString& colonneNoClient) {
    static const QRegularExpression identifiant(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*(\\.[A-Za-z_][A-Za-z0-9_]*)?$"));
    if (!identifiant.match(colonneNoClient).hasMatch())
        throw ErreurBD(QStringLiteral("Nom de colonne invalide dans une requête : « %1 ».").arg(colonneNoClient));
    if (!TableAnnulationsPresente()) return QStringLiteral("1 = 1");
    return QStringLiteral("NOT EXISTS (SELECT 1 FROM AnnulationCommande WHERE AnnulationCommande.NoClient = %1)")
        .arg(colonneNoClient);
}

}  // namespace modBD
