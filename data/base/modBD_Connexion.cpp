// The connection: opening BD.mdb or the server base, reconnecting after a loss, and noticing
// a file replaced under it. Its whole state is the one Session.
#include "modBD.h"
#include "modBD_Changements.h"
#include "modBD_Session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <utility>

#include <sys/stat.h>

namespace modBD {

namespace detail {
Session& SessionActive() {
    static Session session;
    return session;
}

void AvantFermetureAppelee() {
    for (const auto& action : SessionActive().avantFermeture) action();
}
}  // namespace detail

namespace {
using detail::kNomConnexion;
detail::Session& S() { return detail::SessionActive(); }

detail::IdentiteFichier LireIdentite(const QString& chemin) {
    struct stat etat {};
    if (::stat(QFile::encodeName(chemin).constData(), &etat) != 0) return {};
    return {etat.st_dev, etat.st_ino, true};
}

void OuvrirFichier(const QString& chemin, const char* mode);

enum class EtatFichier { Inchange, Absent, Remplace };

EtatFichier EtatFichierOuvert() {
    if (!S().identite.connue) return EtatFichier::Inchange;
    const detail::IdentiteFichier actuelle = LireIdentite(S().cheminOuvert);
    if (!actuelle.connue) return EtatFichier::Absent;
    if (actuelle.appareil != S().identite.appareil || actuelle.noeud != S().identite.noeud) return EtatFichier::Remplace;
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
    const QString chemin = S().cheminOuvert;
    const char* mode = S().modeOuvert;
    const QString avis = AvisPourFichier(chemin);
    detail::AvantFermetureAppelee();
    QSqlDatabase::database(kNomConnexion, false).close();
    try {
        OuvrirFichier(chemin, mode);
    } catch (const ErreurOuverture& e) {
        throw ErreurBD(e.message() + QStringLiteral(" Rien n'a été lu ni enregistré."));
    }
    S().avisRemplacement = avis;
}

}  // namespace

// A replaced file (a restore by another program) is reopened when no transaction is open: a
// read then goes on, on the new file; a write is refused, since what the clerk typed was
// chosen from the lists of the old one.
void detail::VerifierFichierInchange(bool lecture) {
    if (S().restaurationEnCours)
        throw ErreurBD(QStringLiteral("La base de données est en cours de restauration : rien n'a été lu ni enregistré. "
                                      "Réessayez quand elle sera terminée."));
    switch (EtatFichierOuvert()) {
    case EtatFichier::Inchange: return;
    case EtatFichier::Absent:
        throw ErreurBD(QStringLiteral("Le fichier de la base de données « %1 » est introuvable : il a été déplacé ou effacé "
                                      "pendant que le programme était ouvert. Rien n'a été lu ni enregistré.")
                           .arg(QDir::toNativeSeparators(S().cheminOuvert)));
    case EtatFichier::Remplace: break;
    }
    if (S().enTransaction)
        throw ErreurBD(AvisPourFichier(S().cheminOuvert).section(QStringLiteral(" : "), 0, 0) +
                           QStringLiteral(" pendant l'enregistrement : rien n'a été enregistré."),
                       NatureErreur::BaseRemplacee);
    RouvrirFichierRemplace();
    detail::SignalerBaseRemplacee(false);
    if (!lecture)
        throw ErreurBD(S().avisRemplacement.section(QStringLiteral(" : "), 0, 0) + QStringLiteral(" : rien n'a été enregistré."),
                       NatureErreur::BaseRemplacee);
}

std::optional<ErreurBD> detail::ErreurFichierRemplace() {
    if (S().moteur != Moteur::SQLite || EtatFichierOuvert() != EtatFichier::Remplace) return std::nullopt;
    return ErreurBD(AvisPourFichier(S().cheminOuvert).section(QStringLiteral(" : "), 0, 0) +
                        QStringLiteral(" pendant l'enregistrement : rien n'a été enregistré."),
                    NatureErreur::BaseRemplacee);
}

namespace {
// Waiting on a lock held by another program (the report tool) must stay short:
// the clerk gets a message instead of a frozen window.
constexpr int kAttenteVerrouMs = 2000;
// The most memory SQLite may keep of the file, in KiB.
constexpr int kCacheKio = 64 * 1024;
// The longest a clerk's statement may run on the server.
constexpr int kAttenteInstructionMs = 30000;
}  // namespace

namespace detail {
QString MessageConnexionPerdue() {
    return QStringLiteral("La connexion à la base de données %1 a été perdue : rien n'a été enregistré. "
                          "Ce que vous avez tapé reste à l'écran : réessayez quand le serveur répondra de nouveau.")
        .arg(DescriptionServeur(S().serveur));
}

// The server answers lock waits and long statements with an error instead of a frozen window.
void ConfigurerSession(QSqlDatabase& db, bool lecture) {
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
QString RaisonConnexionServeur(const QSqlError& erreur, const ParametresServeur& serveur) {
    const QString etat = erreur.nativeErrorCode();
    const QString detailTexte = erreur.databaseText().trimmed().isEmpty() ? erreur.text().trimmed()
                                                                          : erreur.databaseText().trimmed();
    if (etat == QLatin1String("28P01") || etat == QLatin1String("28000") ||
        detailTexte.contains(QLatin1String("password authentication failed")) ||
        detailTexte.contains(QLatin1String("no password supplied")))
        return QStringLiteral("le serveur a refusé l'utilisateur « %1 » (mot de passe absent ou refusé : voyez ~/.pgpass, "
                              "PGPASSFILE ou PGPASSWORD) (%2).").arg(serveur.utilisateur, detailTexte);
    if (detailTexte.contains(QLatin1String("SSL"), Qt::CaseInsensitive))
        return QStringLiteral("la connexion chiffrée (SSL, réglage ssl=%1) n'a pas pu être établie : le serveur ne l'accepte pas "
                              "ou son certificat est refusé (%2).").arg(serveur.ssl, detailTexte);
    if (etat == QLatin1String("3D000") || detailTexte.contains(QLatin1String("does not exist")))
        return QStringLiteral("cette base n'existe pas sur le serveur, ou l'utilisateur n'y a pas accès (%1).").arg(detailTexte);
    return QStringLiteral("le serveur ne répond pas ou refuse la connexion (%1).").arg(detailTexte);
}

void Reconnecter() {
    QSqlDatabase db = QSqlDatabase::database(kNomConnexion, false);
    // Until the new session is there, every next unit of work tries again.
    S().perdue = true;
    db.close();
    detail::SessionTerminee();
    if (!db.open())
        throw ErreurBD(QStringLiteral("La base de données %1 est injoignable : rien n'a été enregistré. Ce que vous "
                                      "avez tapé reste à l'écran : réessayez quand le serveur répondra de nouveau.\n(%2)")
                           .arg(DescriptionServeur(S().serveur), detail::RaisonConnexionServeur(db.lastError(), S().serveur)),
                       NatureErreur::ConnexionPerdue);
    ConfigurerSession(db, S().lectureSeule);
    S().perdue = false;
    ++S().numeroConnexion;  // a new session: what was kept about the old one is not trusted
    ++S().versionAilleurs;  // what the others wrote meanwhile was not heard
}
QString UriFichier(const QString& chemin, const char* mode) {
    return QUrl::fromLocalFile(QFileInfo(chemin).absoluteFilePath()).toString(QUrl::FullyEncoded) +
           QStringLiteral("?mode=") + QLatin1String(mode);
}
}  // namespace detail

namespace {
void RetirerConnexion() {
    ++S().numeroConnexion;
    if (QSqlDatabase::contains(kNomConnexion)) {
        detail::AvantFermetureAppelee();
        {
            QSqlDatabase db = QSqlDatabase::database(kNomConnexion, false);
            if (db.isOpen()) db.close();
        }
        QSqlDatabase::removeDatabase(kNomConnexion);
    }
}
}  // namespace

ErreurOuverture::ErreurOuverture(EchecOuverture echec, const QString& message)
    // Settings that could not be read chose no base at all.
    : ErreurBD(message), m_echec(echec),
      m_rienModifie(echec == EchecOuverture::ReglagesInvalides
                        ? QStringLiteral("Aucune base de données n'a été ouverte ni modifiée.")
                        : detail::PiloteActif().RienModifie()) {}

namespace {
const QString kNomConnexionAdministrateur = QStringLiteral("Connexion-administrateur");
bool g_administrateur = false;  // a ConnexionAdministrateur lives: statements go through it
}  // namespace

QSqlDatabase Connexion() {
    if (g_administrateur) return QSqlDatabase::database(kNomConnexionAdministrateur, false);
    if (!QSqlDatabase::contains(kNomConnexion)) return QSqlDatabase::addDatabase(detail::PiloteActif().NomPiloteQt(), kNomConnexion);
    return QSqlDatabase::database(kNomConnexion, false);
}

bool BaseSurServeur() { return S().moteur == Moteur::PostgreSQL; }

ConnexionAdministrateur::ConnexionAdministrateur(const QString& utilisateur, QByteArray& motDePasse) {
    const auto effacer = qScopeGuard([&] {
        motDePasse.fill('\0');
        motDePasse.clear();
    });
    if (g_administrateur || S().enTransaction || !BaseSurServeur())
        throw ErreurBD(QStringLiteral("La connexion de l'administrateur n'est possible que sur un serveur, hors de toute autre "
                                      "opération : rien n'a été enregistré."));
    ParametresServeur serveur = S().serveur;
    serveur.utilisateur = utilisateur.trimmed();
    QString raison;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kNomConnexionAdministrateur);
        detail::ConfigurerServeur(db, serveur);
        db.setPassword(QString::fromUtf8(motDePasse));
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("SET lock_timeout = '%1ms'").arg(kAttenteVerrouMs));
            q.exec(QStringLiteral("SET statement_timeout = '%1ms'").arg(kAttenteInstructionMs));
            db.setPassword(QString());
            g_administrateur = true;
            return;
        }
        raison = detail::RaisonConnexionServeur(db.lastError(), serveur);
    }
    QSqlDatabase::removeDatabase(kNomConnexionAdministrateur);
    throw ErreurBD(QStringLiteral("Connexion de l'administrateur refusée : %1 Rien n'a été enregistré.").arg(raison));
}

ConnexionAdministrateur::~ConnexionAdministrateur() {
    g_administrateur = false;
    {
        QSqlDatabase db = QSqlDatabase::database(kNomConnexionAdministrateur, false);
        if (db.isOpen()) db.close();
    }
    QSqlDatabase::removeDatabase(kNomConnexionAdministrateur);
}

ParametresServeur ServeurActif() { return S().serveur; }

QString DescriptionBase() { return detail::PiloteActif().DescriptionBase(CheminBD(), S().serveur); }

bool ConnexionOuverte() {
    return QSqlDatabase::contains(kNomConnexion) && QSqlDatabase::database(kNomConnexion, false).isOpen();
}

namespace {
void OuvrirServeur(bool lecture) {
    QSqlDatabase db = Connexion();
    const QString base = DescriptionServeur(S().serveur);
    if (!db.isValid())
        throw ErreurOuverture(EchecOuverture::ServeurInjoignable,
                              QStringLiteral("Le pilote PostgreSQL de Qt (QPSQL, paquet libqt6sql6-psql) n'est pas installé : "
                                             "la base %1 ne peut pas être ouverte.").arg(base));
    detail::ConfigurerServeur(db, S().serveur);
    if (!db.open())
        throw ErreurOuverture(EchecOuverture::ServeurInjoignable,
                              QStringLiteral("La base de données %1 ne peut pas être ouverte : %2")
                                  .arg(base, detail::RaisonConnexionServeur(db.lastError(), S().serveur)));
    S().lectureSeule = lecture;
    detail::ConfigurerSession(db, lecture);
    QStringList presentes;
    try {
        presentes = TablesPresentes();
    } catch (const ErreurBD& e) {
        db.close();
        throw ErreurOuverture(EchecOuverture::ServeurInjoignable,
                              QStringLiteral("La base de données %1 ne peut pas être lue : %2").arg(base, e.message()));
    }
    if (presentes.size() == TablesRequises().size()) {
        ++S().numeroConnexion;
        S().voulue = true;
        return;
    }
    db.close();
    if (presentes.isEmpty())
        throw ErreurOuverture(EchecOuverture::TablesAbsentes,
                              QStringLiteral("La base de données %1 ne contient pas les tables de Corvandelle.").arg(base));
    QStringList manquantes;
    for (const QString& t : TablesRequises())
        if (!presentes.contains(t)) manquantes << t;
    throw ErreurOuverture(EchecOuverture::FichierInutilisable,
                          QStringLiteral("La base de données %1 ne peut pas être ouverte : il y manque les tables %2.")
                              .arg(base, manquantes.join(QStringLiteral(", "))));
}
// Forgets the last connection and what was known of it.
void OublierConnexion() {
    RetirerConnexion();
    S().identite = {};
    S().cheminOuvert.clear();
    S().perdue = false;
    S().voulue = false;
    S().enTransaction = false;
    S().transactionEchouee = false;
    S().lectureSeule = false;
    S().jetonsEnSuspens.clear();
}

// The base the settings name (BD.mdb without a settings file). `fichier`: a settings file
// given explicitly, which must exist; its BD.mdb, if it names one, is the one beside it.
void OuvrirSelonReglages(bool lecture, const QString& fichier = QString()) {
    OublierConnexion();
    Reglages reglages;
    try {
        if (!fichier.isEmpty() && !QFileInfo::exists(fichier))
            throw ErreurBD(QStringLiteral("Le fichier de réglages « %1 » est introuvable.").arg(QDir::toNativeSeparators(fichier)));
        reglages = fichier.isEmpty() ? ReglagesActifs() : LireReglages(fichier);
    } catch (const ErreurBD& e) {
        S().moteur = Moteur::SQLite;
        S().serveur = {};
        throw ErreurOuverture(EchecOuverture::ReglagesInvalides, e.message());
    }
    S().moteur = reglages.moteur;
    S().serveur = reglages.serveur;
    if (S().moteur == Moteur::PostgreSQL) return OuvrirServeur(lecture);
    const QString bd = fichier.isEmpty() ? CheminBD() : QFileInfo(fichier).absoluteDir().filePath(QStringLiteral("BD.mdb"));
    OuvrirFichier(bd, lecture ? "ro" : "rw");
}

// The Boolean face of an opening: false, the reason left unsaid.
bool Reussie(const std::function<void()>& ouvrir) {
    try {
        ouvrir();
        return true;
    } catch (const ErreurBD&) {
        return false;
    }
}
}  // namespace

quint64 NumeroConnexion() { return S().numeroConnexion; }

bool ReprendreBaseRemplacee() {
    if (S().moteur != Moteur::SQLite || S().enTransaction || S().restaurationEnCours || !ConnexionOuverte()) return false;
    if (EtatFichierOuvert() != EtatFichier::Remplace) return false;
    try {
        RouvrirFichierRemplace();
    } catch (const ErreurBD&) {
        return false;  // the next statement says why
    }
    detail::SignalerBaseRemplacee(true);
    return true;
}

QString AvisBaseRemplacee() { return std::exchange(S().avisRemplacement, QString()); }

QString MessageBaseRestauree(const QDateTime& momentCopie) {
    const QLocale francais(QLocale::French, QLocale::France);
    return QStringLiteral("La base de données a été restaurée depuis la copie du %1 à %2 : les listes ont été relues.")
        .arg(francais.toString(momentCopie.date(), QStringLiteral("d MMMM yyyy")),
             francais.toString(momentCopie.time(), QStringLiteral("HH:mm")));
}

void OuvrirBase() { OuvrirSelonReglages(false); }

void OuvrirBaseLecture(const QString& chemin) {
    // A settings file stands for the base it names (the report tool on a server base).
    if (chemin.endsWith(QLatin1String(".ini"), Qt::CaseInsensitive)) return OuvrirBaseLectureReglages(chemin);
    OublierConnexion();
    S().moteur = Moteur::SQLite;
    S().serveur = {};
    OuvrirFichier(chemin, "ro");
}

void OuvrirBaseLectureReglages(const QString& fichierReglages) { OuvrirSelonReglages(true, fichierReglages); }

bool OuvrirConnexion() { return Reussie([] { OuvrirBase(); }); }
bool OuvrirConnexionLecture(const QString& chemin) { return Reussie([&] { OuvrirBaseLecture(chemin); }); }
bool OuvrirConnexionLectureReglages(const QString& fichierReglages) {
    return Reussie([&] { OuvrirBaseLectureReglages(fichierReglages); });
}

namespace {
void OuvrirFichier(const QString& chemin, const char* mode) {
    S().cheminOuvert = chemin;
    S().modeOuvert = mode;
    QSqlDatabase db = Connexion();

    // The driver would create a missing file: refuse before it gets the chance.
    if (!QFileInfo::exists(chemin))
        throw ErreurOuverture(EchecOuverture::FichierAbsent,
                              QStringLiteral("La base de données « %1 » est introuvable.").arg(QDir::toNativeSeparators(chemin)));

    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(kAttenteVerrouMs));
    db.setDatabaseName(detail::UriFichier(chemin, mode));
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
        throw ErreurOuverture(EchecOuverture::FichierInutilisable, QStringLiteral("La base de données « %1 » ne peut pas être ouverte : %2")
                                                                       .arg(QDir::toNativeSeparators(chemin), raison));
    }
    S().identite = LireIdentite(chemin);
    ++S().numeroConnexion;
}
}  // namespace

void FermerConnexion() {
    S().perdue = false;  // closed on purpose: nothing may reopen it behind the caller's back
    S().voulue = false;
    ++S().numeroConnexion;
    if (!QSqlDatabase::contains(kNomConnexion)) return;
    detail::AvantFermetureAppelee();
    QSqlDatabase::database(kNomConnexion, false).close();
}
void AvantFermetureConnexion(std::function<void()> action) { S().avantFermeture.push_back(std::move(action)); }

namespace detail {
void DefinirRestaurationEnCours(bool enCours) { S().restaurationEnCours = enCours; }

const Pilote& PiloteActif() { return PiloteDe(SessionActive().moteur); }
}  // namespace detail

quint64 VersionChangementsAilleurs() {
    QSqlDatabase db = Connexion();
    if (S().marqueAilleursConnexion != S().numeroConnexion) {
        S().marqueAilleursConnexion = S().numeroConnexion;
        S().marqueAilleurs = -1;
    }
    if (db.isOpen() && detail::PiloteActif().ChangeAilleurs(db, S().marqueAilleurs)) {
        ++S().versionAilleurs;
        detail::SignalerChangeAilleurs();
    }
    return S().versionAilleurs + S().numeroConnexion;
}

}  // namespace modBD
