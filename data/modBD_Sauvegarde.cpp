#include "modBD_Sauvegarde.h"
#include "modBD_Moteur.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace modBD {

namespace {

// A step copies this many pages (4 KiB each by default): a few milliseconds of reading,
// so the clerk's window answers between steps and other programs wait at most that long.
constexpr int kPagesParEtape = 256;
// Another program holding the write lock: try again this often, this many times.
constexpr int kPauseOccupeeMs = 50;
constexpr int kEssaisOccupee = 600;  // 30 s
constexpr qint64 kAgeAbandonSecondes = 24 * 3600;

const QRegularExpression& MotifCopieAutomatique() {
    static const QRegularExpression motif(QStringLiteral("^BD-(\\d{8})-(\\d{6})\\.mdb$"));
    return motif;
}
const QRegularExpression& MotifMomentCopie() {
    static const QRegularExpression motif(QStringLiteral("^BD-(\\d{8})-(\\d{6})(-avant-restauration)?\\.mdb$"));
    return motif;
}
const QRegularExpression& MotifTemporaire() {
    static const QRegularExpression motif(QStringLiteral("^copie-en-cours-(\\d+)-(\\d+)\\.partielle$"));
    return motif;
}

std::optional<QDateTime> MomentDepuis(const QRegularExpressionMatch& m) {
    if (!m.hasMatch()) return std::nullopt;
    const QDateTime moment = QDateTime::fromString(m.captured(1) + m.captured(2), QStringLiteral("yyyyMMddHHmmss"));
    if (!moment.isValid()) return std::nullopt;
    return moment;
}

QString Natif(const QString& chemin) { return QDir::toNativeSeparators(chemin); }

QString RaisonSysteme(int erreur) {
    switch (erreur) {
    case EACCES:
    case EPERM: return QStringLiteral("l'écriture y est refusée (dossier en lecture seule ou sans autorisation).");
    case EROFS: return QStringLiteral("le support est en lecture seule.");
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG: return QStringLiteral("le disque est plein.");
    case ENOTDIR:
    case EEXIST: return QStringLiteral("un fichier porte le nom du dossier.");
    case ENOENT: return QStringLiteral("le dossier est introuvable.");
    default: return QStringLiteral("erreur du système (%1).").arg(QString::fromLocal8Bit(std::strerror(erreur)));
    }
}

QString RaisonSqlite(int code, sqlite3* db = nullptr) {
    if (const QString commune = detail::RaisonCommuneSqlite(code); !commune.isEmpty()) return commune;
    switch (code & 0xff) {
    case SQLITE_FULL: return QStringLiteral("le disque est plein.");
    case SQLITE_IOERR:
        return QStringLiteral("un fichier ne peut pas être lu ou écrit (disque plein, support retiré ou sans autorisation).");
    case SQLITE_CANTOPEN: return QStringLiteral("le fichier ne peut pas être ouvert (introuvable ou sans autorisation).");
    case SQLITE_READONLY:
    case SQLITE_PERM: return QStringLiteral("le fichier ou son dossier est en lecture seule.");
    default:
        return QStringLiteral("erreur de SQLite (%1).")
            .arg(QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(code)));
    }
}

// Flushes a file or a folder to the disk. A folder's entry (the rename) is durable only then.
int Synchroniser(const QString& chemin, bool dossier) {
    const int fd = ::open(QFile::encodeName(chemin).constData(), O_RDONLY | (dossier ? O_DIRECTORY : 0) | O_CLOEXEC);
    if (fd < 0) return errno;
    int erreur = 0;
    if (::fsync(fd) != 0 && !(dossier && errno == EINVAL)) erreur = errno;
    ::close(fd);
    return erreur;
}

// A read-only connection of its own on a file, outside Qt: usable from any thread, never creates
// nor changes the file.
class LecteurSqlite {
public:
    explicit LecteurSqlite(const QString& chemin) {
        // An absolute path: never read as a "file:" URI.
        m_code = sqlite3_open_v2(QFile::encodeName(QFileInfo(chemin).absoluteFilePath()).constData(), &m_db,
                                 SQLITE_OPEN_READONLY, nullptr);
        if (m_code == SQLITE_OK) sqlite3_busy_timeout(m_db, 2000);
    }
    ~LecteurSqlite() { sqlite3_close_v2(m_db); }
    LecteurSqlite(const LecteurSqlite&) = delete;
    LecteurSqlite& operator=(const LecteurSqlite&) = delete;
    bool Ouverte() const { return m_code == SQLITE_OK; }
    int Code() const { return m_code; }
    sqlite3* Db() const { return m_db; }
    // Every row's first column as text; false on an error (Code() tells which).
    bool Lire(const char* sql, QStringList& lignes) {
        sqlite3_stmt* instr = nullptr;
        m_code = sqlite3_prepare_v2(m_db, sql, -1, &instr, nullptr);
        if (m_code != SQLITE_OK) return false;
        while ((m_code = sqlite3_step(instr)) == SQLITE_ROW) {
            const auto* texte = reinterpret_cast<const char*>(sqlite3_column_text(instr, 0));
            lignes << QString::fromUtf8(texte ? texte : "");
        }
        sqlite3_finalize(instr);
        if (m_code != SQLITE_DONE) return false;
        m_code = SQLITE_OK;
        return true;
    }

private:
    sqlite3* m_db = nullptr;
    int m_code = SQLITE_OK;
};

// The columns of the six tables, taken from the program's own schema.
const std::map<QString, QSet<QString>>& ColonnesRequises() {
    static const std::map<QString, QSet<QString>> colonnes = [] {
        std::map<QString, QSet<QString>> resultat;
        sqlite3* db = nullptr;
        if (sqlite3_open(":memory:", &db) == SQLITE_OK &&
            sqlite3_exec(db, SchemaSql().toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK) {
            for (const QString& table : TablesRequises()) {
                sqlite3_stmt* instr = nullptr;
                const QByteArray sql = "PRAGMA table_info(" + table.toUtf8() + ")";
                if (sqlite3_prepare_v2(db, sql.constData(), -1, &instr, nullptr) != SQLITE_OK) continue;
                while (sqlite3_step(instr) == SQLITE_ROW)
                    resultat[table].insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(instr, 1))));
                sqlite3_finalize(instr);
            }
        }
        sqlite3_close(db);
        return resultat;
    }();
    return colonnes;
}

// The check every copy passes before it gets its final name; returns the reason it fails.
QString RaisonCopieInvalide(const QString& chemin) {
    if (!QFileInfo(chemin).isFile()) return QStringLiteral("le fichier est introuvable.");
    LecteurSqlite lecteur(chemin);
    if (!lecteur.Ouverte()) return RaisonSqlite(lecteur.Code());
    QStringList integrite;
    if (!lecteur.Lire("PRAGMA integrity_check", integrite)) return RaisonSqlite(lecteur.Code());
    if (integrite != QStringList{QStringLiteral("ok")})
        return QStringLiteral("le fichier est endommagé (la vérification d'intégrité de SQLite a échoué).");
    QStringList manquantes;
    for (const QString& table : TablesRequises()) {
        QStringList colonnes;
        const QByteArray sql = "SELECT name FROM pragma_table_info('" + table.toUtf8() + "')";
        if (!lecteur.Lire(sql.constData(), colonnes)) return RaisonSqlite(lecteur.Code());
        const QSet<QString> presentes(colonnes.cbegin(), colonnes.cend());
        const auto requises = ColonnesRequises().find(table);
        if (presentes.isEmpty() || requises == ColonnesRequises().end() || !presentes.contains(requises->second))
            manquantes << table;
    }
    if (!manquantes.isEmpty())
        return QStringLiteral("ce n'est pas une base de données de ce programme (tables absentes ou incomplètes : %1).")
            .arg(manquantes.join(QStringLiteral(", ")));
    return {};
}

// The program's own connection as SQLite sees it. The backup runs on it, so the clerk's
// writes through it reach the copy instead of making it start over.
sqlite3* PoigneeSource() {
    QSqlDatabase db = Connexion();
    if (!db.isOpen()) throw ErreurBD(QStringLiteral("La base de données n'est pas ouverte : aucune copie n'a été faite."));
    if (!CopiesPossibles()) throw ErreurBD(MessageCopiesServeur());
    QString versionPilote;
    {
        // Executer also refuses a BD.mdb deleted or replaced under the open connection.
        QSqlQuery q = Executer(QStringLiteral("SELECT sqlite_source_id()"));
        if (q.next()) versionPilote = q.value(0).toString();
    }
    // The handle is only usable by the very library the driver uses. Debian's Qt driver links the
    // system libsqlite3, as the program does; a driver built with its own copy would differ here.
    if (versionPilote != QString::fromLatin1(sqlite3_sourceid()))
        throw ErreurBD(QStringLiteral("Aucune copie n'a été faite : le pilote SQLite de Qt n'utilise pas la même "
                                      "bibliothèque SQLite que le programme (%1 au lieu de %2).")
                           .arg(versionPilote, QString::fromLatin1(sqlite3_sourceid())));
    const QVariant v = db.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        throw ErreurBD(QStringLiteral("Aucune copie n'a été faite : le pilote de la base de données ne donne pas accès à SQLite."));
    sqlite3* poignee = *static_cast<sqlite3* const*>(v.constData());
    if (!poignee) throw ErreurBD(QStringLiteral("La base de données n'est pas ouverte : aucune copie n'a été faite."));
    return poignee;
}

std::atomic<int> g_numeroTemporaire{0};

QString NouveauTemporaire(const QString& dossier) {
    return QDir(dossier).filePath(QStringLiteral("copie-en-cours-%1-%2.partielle")
                                      .arg(QCoreApplication::applicationPid())
                                      .arg(++g_numeroTemporaire));
}

// Creates the folder if needed and an empty temporary file in it; returns the reason it failed.
QString CreerTemporaire(const QString& dossier, const QString& temporaire) {
    const QFileInfo info(dossier);
    if (info.exists() && !info.isDir())
        return QStringLiteral("« %1 » n'est pas un dossier (un fichier porte ce nom).").arg(info.fileName());
    if (!info.exists() && ::mkdir(QFile::encodeName(dossier).constData(), 0777) != 0 && errno != EEXIST)
        return QStringLiteral("le dossier « %1 » ne peut pas être créé : %2").arg(info.fileName(), RaisonSysteme(errno));
    const int fd = ::open(QFile::encodeName(temporaire).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return QStringLiteral("le dossier « %1 » ne peut pas être écrit : %2").arg(info.fileName(), RaisonSysteme(errno));
    ::close(fd);
    return {};
}

// Opens the temporary file as the copy's destination. The copy is flushed once, at the end,
// and is worth nothing until renamed: no journal, no syncing while it is written.
QString OuvrirDestination(const QString& temporaire, sqlite3** dest) {
    const int rc = sqlite3_open_v2(QFile::encodeName(temporaire).constData(), dest, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) return RaisonSqlite(rc);
    sqlite3_exec(*dest, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;", nullptr, nullptr, nullptr);
    return {};
}

// Check, flush, rename, flush the folder. The temporary file is gone afterwards in every case.
QString Finaliser(const QString& temporaire, const QString& cheminFinal) {
    QString raison = RaisonCopieInvalide(temporaire);
    if (!raison.isEmpty()) raison = QStringLiteral("la copie n'a pas passé sa vérification : ") + raison;
    if (raison.isEmpty()) {
        if (const int e = Synchroniser(temporaire, false)) raison = QStringLiteral("la copie n'a pas pu être écrite sur le disque : ") + RaisonSysteme(e);
    }
    if (raison.isEmpty()) {
        if (::rename(QFile::encodeName(temporaire).constData(), QFile::encodeName(cheminFinal).constData()) != 0)
            raison = QStringLiteral("la copie n'a pas pu être nommée « %1 » : %2")
                         .arg(QFileInfo(cheminFinal).fileName(), RaisonSysteme(errno));
    }
    if (!raison.isEmpty()) {
        QFile::remove(temporaire);
        return raison;
    }
    Synchroniser(QFileInfo(cheminFinal).absolutePath(), true);
    return {};
}

QString MessageEchec(const QString& cheminFinal, const QString& raison) {
    return QStringLiteral("La copie « %1 » n'a pas été faite : %2").arg(Natif(cheminFinal), raison);
}

QSet<CopieBD*> g_copies;  // GUI thread only

}  // namespace

bool CopiesPossibles() { return detail::PiloteActif().CopiesFichierPossibles(); }

QString MessageCopiesServeur() {
    return QStringLiteral("La base de données est sur un serveur : ses copies de sauvegarde se font sur le serveur "
                          "(par exemple avec pg_dump), pas dans ce programme.");
}

QString DossierSauvegardes() { return QDir(DossierProgramme()).filePath(QStringLiteral("sauvegardes")); }

QString NomCopieAutomatique(const QDateTime& moment) {
    return QStringLiteral("BD-%1.mdb").arg(moment.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

QString NomCopieAvantRestauration(const QDateTime& moment) {
    return QStringLiteral("BD-%1-avant-restauration.mdb").arg(moment.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

std::optional<QDateTime> MomentCopieAutomatique(const QString& nomFichier) {
    return MomentDepuis(MotifCopieAutomatique().match(nomFichier));
}

QStringList CopiesAutomatiques(const QString& dossier) {
    std::vector<std::pair<QDateTime, QString>> copies;
    for (const QString& nom : QDir(dossier).entryList(QDir::Files | QDir::Hidden))
        if (const auto moment = MomentCopieAutomatique(nom)) copies.emplace_back(*moment, nom);
    std::sort(copies.begin(), copies.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second > b.second;
    });
    QStringList noms;
    for (const auto& c : copies) noms << c.second;
    return noms;
}

bool CopieAutomatiqueDue(const QDateTime& maintenant) {
    const QStringList copies = CopiesAutomatiques(DossierSauvegardes());
    if (copies.isEmpty()) return true;
    const QDateTime derniere = *MomentCopieAutomatique(copies.first());
    if (derniere > maintenant) return true;
    return derniere.secsTo(maintenant) >= kIntervalleCopiesAutomatiques;
}

QStringList SupprimerAnciennesCopies(const QString& dossier, const QString& copieGardee) {
    QStringList copies = CopiesAutomatiques(dossier);
    // The copy just made stays whatever its date says (a clock put back).
    if (copies.removeAll(copieGardee) > 0) copies.prepend(copieGardee);
    QStringList supprimees;
    for (qsizetype i = kCopiesAutomatiquesGardees; i < copies.size(); ++i)
        if (QFile::remove(QDir(dossier).filePath(copies.at(i)))) supprimees << copies.at(i);
    if (!supprimees.isEmpty()) Synchroniser(dossier, true);
    return supprimees;
}

int NettoyerCopiesInterrompues(const QString& dossier) {
    QSet<QString> enCours;
    for (CopieBD* c : std::as_const(g_copies))
        if (!c->CheminTemporaire().isEmpty()) enCours.insert(QFileInfo(c->CheminTemporaire()).fileName());
    int supprimes = 0;
    const QDir d(dossier);
    for (const QString& nom : d.entryList(QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch m = MotifTemporaire().match(nom);
        if (!m.hasMatch() || enCours.contains(nom)) continue;
        const qint64 pid = m.captured(1).toLongLong();
        const QFileInfo info(d.filePath(nom));
        const bool recent = info.lastModified().secsTo(QDateTime::currentDateTime()) < kAgeAbandonSecondes;
        // Another instance of the program may be making that copy right now.
        const bool vivant = pid > 0 && pid != QCoreApplication::applicationPid() &&
                            ::kill(static_cast<pid_t>(pid), 0) == 0;
        if (vivant && recent) continue;
        if (QFile::remove(info.filePath())) ++supprimes;
    }
    return supprimes;
}

void VerifierCopie(const QString& chemin) {
    const QString raison = RaisonCopieInvalide(chemin);
    if (!raison.isEmpty()) throw ErreurBD(QStringLiteral("Le fichier « %1 » n'est pas utilisable : %2").arg(Natif(chemin), raison));
}

ContenuCopie ExaminerCopie(const QString& chemin) {
    VerifierCopie(chemin);
    ContenuCopie contenu;
    const auto moment = MomentDepuis(MotifMomentCopie().match(QFileInfo(chemin).fileName()));
    contenu.moment = moment ? *moment : QFileInfo(chemin).lastModified();
    LecteurSqlite lecteur(chemin);
    const std::pair<const char*, qint64*> comptes[] = {
        {"SELECT COUNT(*) FROM InfoClientReservation", &contenu.commandes},
        {"SELECT COUNT(*) FROM Piece", &contenu.pieces},
        {"SELECT COUNT(*) FROM Representation", &contenu.representations},
        {"SELECT COUNT(*) FROM Vendeur", &contenu.vendeurs}};
    for (const auto& [sql, compte] : comptes) {
        QStringList lignes;
        if (!lecteur.Lire(sql, lignes) || lignes.size() != 1)
            throw ErreurBD(QStringLiteral("Le fichier « %1 » n'est pas utilisable : %2").arg(Natif(chemin), RaisonSqlite(lecteur.Code())));
        *compte = lignes.first().toLongLong();
    }
    return contenu;
}

// --- One copy.

struct CopieBD::Etat {
    QString cheminFinal;
    QString temporaire;
    bool automatique = false;
    int pagesParEtape = kPagesParEtape;
    int intervalleMs = 0;
    sqlite3* source = nullptr;
    int attenteSource = -1;  // the connection's own wait on a lock, in ms (-1: unknown, left alone)
    sqlite3* dest = nullptr;
    sqlite3_backup* sauvegarde = nullptr;
    QTimer minuterie;
    int copiees = 0;
    int redemarrages = 0;
    int occupee = 0;
    bool enCours = false;
    QThread* fil = nullptr;
    QString erreurFil;
    QString raison;
    QString raisonDepart;  // why Commencer refused, without the file's name
};

CopieBD::CopieBD(const QString& cheminFinal, bool automatique, QObject* parent)
    : QObject(parent), m_etat(std::make_unique<Etat>()) {
    m_etat->cheminFinal = QFileInfo(cheminFinal).absoluteFilePath();
    m_etat->automatique = automatique;
    m_etat->minuterie.setSingleShot(true);
    connect(&m_etat->minuterie, &QTimer::timeout, this, [this] { Etape(); });
    g_copies.insert(this);
}

CopieBD::~CopieBD() {
    g_copies.remove(this);
    blockSignals(true);
    Interrompre();
    if (m_etat->fil) {
        // The check and the rename touch only the copy: let them end, the file is then whole.
        m_etat->fil->wait();
        delete m_etat->fil;
    }
}

void CopieBD::DefinirCadence(int pagesParEtape, int intervalleMs) {
    m_etat->pagesParEtape = pagesParEtape;
    m_etat->intervalleMs = intervalleMs;
}

QString CopieBD::CheminFinal() const { return m_etat->cheminFinal; }
QString CopieBD::CheminTemporaire() const { return m_etat->temporaire; }
int CopieBD::Redemarrages() const { return m_etat->redemarrages; }
QString CopieBD::Raison() const { return m_etat->raison; }

void CopieBD::Commencer() {
    Etat& e = *m_etat;
    e.raisonDepart.clear();
    if (e.enCours) throw ErreurBD(QStringLiteral("Une copie vers « %1 » est déjà en cours.").arg(Natif(e.cheminFinal)));
    sqlite3* source = PoigneeSource();
    const QString dossier = QFileInfo(e.cheminFinal).absolutePath();
    const QString temporaire = NouveauTemporaire(dossier);
    QString raison = CreerTemporaire(dossier, temporaire);
    if (!raison.isEmpty()) {
        e.raisonDepart = raison;
        throw ErreurBD(MessageEchec(e.cheminFinal, raison));
    }
    e.temporaire = temporaire;
    raison = OuvrirDestination(temporaire, &e.dest);
    if (raison.isEmpty()) {
        e.sauvegarde = sqlite3_backup_init(e.dest, "main", source, "main");
        if (!e.sauvegarde) raison = RaisonSqlite(sqlite3_errcode(e.dest), e.dest);
    }
    if (!raison.isEmpty()) {
        sqlite3_close_v2(e.dest);
        e.dest = nullptr;
        QFile::remove(temporaire);
        e.temporaire.clear();
        e.raisonDepart = raison;
        throw ErreurBD(MessageEchec(e.cheminFinal, raison));
    }
    e.source = source;
    e.attenteSource = -1;
    sqlite3_stmt* instr = nullptr;
    if (sqlite3_prepare_v2(source, "PRAGMA busy_timeout", -1, &instr, nullptr) == SQLITE_OK && sqlite3_step(instr) == SQLITE_ROW)
        e.attenteSource = sqlite3_column_int(instr, 0);
    sqlite3_finalize(instr);
    e.copiees = 0;
    e.redemarrages = 0;
    e.occupee = 0;
    e.enCours = true;
}

void CopieBD::Demarrer() {
    try {
        Commencer();
    } catch (const ErreurBD& err) {
        const QString message = err.message();
        m_etat->raison = m_etat->raisonDepart.isEmpty() ? message : m_etat->raisonDepart;
        // Said once the caller is ready to hear it, as for every other outcome.
        QTimer::singleShot(0, this, [this, message] { emit Terminee(false, message); });
        return;
    }
    m_etat->minuterie.start(0);
}

bool CopieBD::Etape() {
    Etat& e = *m_etat;
    if (!e.enCours || !e.sauvegarde) return false;
    // A step in the background never waits on another program's lock (the window would freeze):
    // it tries again a little later instead.
    if (e.attenteSource >= 0) sqlite3_busy_timeout(e.source, 0);
    const int rc = sqlite3_backup_step(e.sauvegarde, e.pagesParEtape);
    if (e.attenteSource >= 0) sqlite3_busy_timeout(e.source, e.attenteSource);
    if (rc == SQLITE_DONE) {
        const int fin = sqlite3_backup_finish(e.sauvegarde);
        e.sauvegarde = nullptr;
        sqlite3_close_v2(e.dest);
        e.dest = nullptr;
        if (fin != SQLITE_OK) {
            Echouer(RaisonSqlite(fin));
            return false;
        }
        emit DonneesCopiees();
        LancerFinalisation();
        return false;
    }
    if (rc == SQLITE_OK) {
        e.occupee = 0;
        const int total = sqlite3_backup_pagecount(e.sauvegarde);
        const int copiees = total - sqlite3_backup_remaining(e.sauvegarde);
        // Each step that is not started over copies more pages than the last.
        if (copiees <= e.copiees) {
            // Another program wrote to BD.mdb and the copy started over. Longer steps get through
            // sooner; at worst one step copies all, holding others' writes for that one step.
            ++e.redemarrages;
            if (e.pagesParEtape > 0) e.pagesParEtape = e.pagesParEtape >= total ? -1 : e.pagesParEtape * 2;
        }
        e.copiees = copiees;
        e.minuterie.start(e.intervalleMs);
        return true;
    }
    if ((rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && ++e.occupee <= kEssaisOccupee) {
        e.minuterie.start(std::max(e.intervalleMs, kPauseOccupeeMs));
        return true;
    }
    Echouer(RaisonSqlite(rc, e.dest));
    return false;
}

void CopieBD::Echouer(const QString& raison) {
    Etat& e = *m_etat;
    e.minuterie.stop();
    if (e.sauvegarde) sqlite3_backup_finish(e.sauvegarde);
    e.sauvegarde = nullptr;
    sqlite3_close_v2(e.dest);
    e.dest = nullptr;
    if (!e.temporaire.isEmpty()) QFile::remove(e.temporaire);
    e.temporaire.clear();
    e.enCours = false;
    e.raison = raison;
    emit Terminee(false, MessageEchec(e.cheminFinal, raison));
}

void CopieBD::LancerFinalisation() {
    Etat& e = *m_etat;
    // Checking a large copy takes a while: done on a thread of its own, it touches only the copy.
    const QString temporaire = e.temporaire;
    const QString final = e.cheminFinal;
    e.fil = QThread::create([this, temporaire, final] { m_etat->erreurFil = Finaliser(temporaire, final); });
    connect(e.fil, &QThread::finished, this, [this] {
        m_etat->fil->deleteLater();
        m_etat->fil = nullptr;
        Conclure(m_etat->erreurFil);
    });
    e.fil->start();
}

void CopieBD::Conclure(const QString& erreur) {
    Etat& e = *m_etat;
    e.temporaire.clear();
    e.enCours = false;
    if (!erreur.isEmpty()) {
        e.raison = erreur;
        emit Terminee(false, MessageEchec(e.cheminFinal, erreur));
        return;
    }
    // Only now that a checked copy exists may the oldest go.
    if (e.automatique) SupprimerAnciennesCopies(QFileInfo(e.cheminFinal).absolutePath(), QFileInfo(e.cheminFinal).fileName());
    emit Terminee(true, QString());
}

void CopieBD::Faire() {
    Commencer();
    Etat& e = *m_etat;
    int rc = SQLITE_OK;
    // All in one step: the clerk waits for a copy asked for, other programs at most that long.
    for (int essais = 0;; ++essais) {
        rc = sqlite3_backup_step(e.sauvegarde, -1);
        // Each try already waits as long as the connection waits on a lock.
        if ((rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && essais < 2) {
            sqlite3_sleep(kPauseOccupeeMs);
            continue;
        }
        break;
    }
    const int fin = sqlite3_backup_finish(e.sauvegarde);
    e.sauvegarde = nullptr;
    QString raison;
    if (rc != SQLITE_DONE) raison = RaisonSqlite(rc, e.dest);
    else if (fin != SQLITE_OK) raison = RaisonSqlite(fin, e.dest);
    sqlite3_close_v2(e.dest);
    e.dest = nullptr;
    if (raison.isEmpty()) {
        raison = Finaliser(e.temporaire, e.cheminFinal);
    } else {
        QFile::remove(e.temporaire);
    }
    e.temporaire.clear();
    e.enCours = false;
    if (!raison.isEmpty()) throw ErreurBD(MessageEchec(e.cheminFinal, raison));
    if (e.automatique) SupprimerAnciennesCopies(QFileInfo(e.cheminFinal).absolutePath(), QFileInfo(e.cheminFinal).fileName());
}

void CopieBD::Interrompre() {
    if (!m_etat->enCours || !m_etat->sauvegarde) return;  // not started, or only checking the finished copy
    Echouer(QStringLiteral("elle a été interrompue (la base de données a été fermée)."));
}

void InterrompreCopies() {
    const QSet<CopieBD*> copies = g_copies;
    for (CopieBD* c : copies)
        if (g_copies.contains(c)) c->Interrompre();
}

namespace detail {
void AvantFermetureConnexion() { InterrompreCopies(); }
}  // namespace detail

// --- Restoring.

QString RestaurerCopie(const QString& chemin, const QDateTime& maintenant) {
    const QString cheminBD = CheminBD();
    if (MemeFichier(chemin, cheminBD))
        throw ErreurBD(QStringLiteral("Le fichier choisi est la base de données en service : choisissez une copie de sauvegarde."));
    try {
        VerifierCopie(chemin);
    } catch (const ErreurBD& e) {
        throw ErreurBD(QStringLiteral("La restauration n'a pas été faite.\n\n") + e.message() +
                       QStringLiteral("\n\nRien n'a été modifié."));
    }
    // A journal beside BD.mdb belongs to a write in progress or cut short: it would be applied
    // to the restored file.
    for (const char* suffixe : {"-journal", "-wal"}) {
        if (QFileInfo::exists(cheminBD + QLatin1String(suffixe)))
            throw ErreurBD(QStringLiteral("La restauration n'a pas été faite : la base de données est en cours d'écriture "
                                          "par un autre programme (fichier « %1 »). Fermez-le, puis réessayez. "
                                          "Rien n'a été modifié.")
                               .arg(QFileInfo(cheminBD + QLatin1String(suffixe)).fileName()));
    }

    const QString avant = QDir(DossierSauvegardes()).filePath(NomCopieAvantRestauration(maintenant));
    try {
        CopieBD copie(avant, false);
        copie.Faire();
    } catch (const ErreurBD& e) {
        throw ErreurBD(QStringLiteral("La restauration n'a pas été faite : la copie des données actuelles a échoué.\n\n") +
                       e.message() + QStringLiteral("\n\nRien n'a été modifié."));
    }

    // The chosen copy, rewritten beside BD.mdb so that the rename is atomic, and checked there.
    const QString dossier = QFileInfo(cheminBD).absolutePath();
    const QString temporaire = NouveauTemporaire(dossier);
    QString raison = CreerTemporaire(dossier, temporaire);
    if (raison.isEmpty()) {
        sqlite3* dest = nullptr;
        raison = OuvrirDestination(temporaire, &dest);
        if (raison.isEmpty()) {
            LecteurSqlite source(chemin);
            sqlite3_backup* b = source.Ouverte() ? sqlite3_backup_init(dest, "main", source.Db(), "main") : nullptr;
            if (!b) {
                raison = source.Ouverte() ? RaisonSqlite(sqlite3_errcode(dest), dest) : RaisonSqlite(source.Code());
            } else {
                const int rc = sqlite3_backup_step(b, -1);
                const int fin = sqlite3_backup_finish(b);
                if (rc != SQLITE_DONE) raison = RaisonSqlite(rc, dest);
                else if (fin != SQLITE_OK) raison = RaisonSqlite(fin, dest);
            }
        }
        sqlite3_close_v2(dest);
        if (raison.isEmpty()) {
            raison = RaisonCopieInvalide(temporaire);
            if (raison.isEmpty())
                if (const int e = Synchroniser(temporaire, false)) raison = RaisonSysteme(e);
        }
        if (!raison.isEmpty()) QFile::remove(temporaire);
    }
    if (!raison.isEmpty())
        throw ErreurBD(QStringLiteral("La restauration n'a pas été faite : %1\n\nRien n'a été modifié. Les données actuelles "
                                      "sont aussi dans « %2 ».")
                           .arg(raison, Natif(avant)));

    FermerConnexion();
    if (::rename(QFile::encodeName(temporaire).constData(), QFile::encodeName(cheminBD).constData()) != 0) {
        const int erreur = errno;
        QFile::remove(temporaire);
        OuvrirConnexion();
        throw ErreurBD(QStringLiteral("La restauration n'a pas été faite : BD.mdb n'a pas pu être remplacé : %1\n\n"
                                      "Rien n'a été modifié.")
                           .arg(RaisonSysteme(erreur)));
    }
    Synchroniser(dossier, true);
    if (OuvrirConnexion()) return avant;

    // Cannot happen with a checked file, but then the data of a moment ago come back.
    const QString raisonOuverture = DernierMessageOuverture();
    const QString retour = NouveauTemporaire(dossier);
    const bool remis = QFile::copy(avant, retour) && Synchroniser(retour, false) == 0 &&
                       ::rename(QFile::encodeName(retour).constData(), QFile::encodeName(cheminBD).constData()) == 0;
    if (!remis) QFile::remove(retour);
    Synchroniser(dossier, true);
    OuvrirConnexion();
    throw ErreurBD(QStringLiteral("La restauration a échoué : %1\n\n%2")
                       .arg(raisonOuverture,
                            remis ? QStringLiteral("Les données d'avant la restauration ont été remises en place.")
                                  : QStringLiteral("Les données d'avant la restauration sont dans « %1 » : copiez ce "
                                                   "fichier sous le nom BD.mdb.")
                                        .arg(Natif(avant))));
}

}  // namespace modBD
