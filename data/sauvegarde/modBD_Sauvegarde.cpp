#include "modBD_Sauvegarde.h"
#include "modBD_Moteur.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QStorageInfo>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
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

QString MessageDisquePlein() {
    return QStringLiteral("le disque est plein. De la place peut être libérée en supprimant d'anciennes copies du dossier « %1 ».")
        .arg(Natif(DossierSauvegardes()));
}

QString RaisonSysteme(int erreur) {
    switch (erreur) {
    case EACCES:
    case EPERM: return QStringLiteral("l'écriture y est refusée (dossier en lecture seule ou sans autorisation).");
    case EROFS: return QStringLiteral("le support est en lecture seule.");
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG: return MessageDisquePlein();
    case ENOTDIR:
    case EEXIST: return QStringLiteral("un fichier porte le nom du dossier.");
    case ENOENT: return QStringLiteral("le dossier est introuvable.");
    default: return QStringLiteral("erreur du système (%1).").arg(QString::fromLocal8Bit(std::strerror(erreur)));
    }
}

QString RaisonSqlite(int code, sqlite3* db = nullptr) {
    if (const QString commune = detail::RaisonCommuneSqlite(code); !commune.isEmpty()) return commune;
    switch (code & 0xff) {
    case SQLITE_FULL: return MessageDisquePlein();
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

int ArreterSiAnnule(void* annule) { return static_cast<const std::atomic<bool>*>(annule)->load() ? 1 : 0; }

// A long check (the integrity of a large file) stops soon after `annule` is set.
void SuivreAnnulation(LecteurSqlite& lecteur, const std::atomic<bool>* annule) {
    if (annule && lecteur.Ouverte())
        sqlite3_progress_handler(lecteur.Db(), 10000, ArreterSiAnnule,
                                 const_cast<void*>(static_cast<const void*>(annule)));
}

// The check every copy passes before it gets its final name; returns the reason it fails.
QString RaisonCopieInvalide(const QString& chemin, const std::atomic<bool>* annule = nullptr) {
    if (!QFileInfo(chemin).isFile()) return QStringLiteral("le fichier est introuvable.");
    LecteurSqlite lecteur(chemin);
    SuivreAnnulation(lecteur, annule);
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

// What the file's first 100 bytes say: SQLite's own header, and whether the file holds every
// page the header counts (a copy cut short by a full disk or a killed program does not).
enum class EnTete { Entier, Coupe, Etranger };

EnTete LireEnTete(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) return EnTete::Entier;  // SQLite says why it cannot be read
    const QByteArray t = f.read(100);
    static const QByteArray magie("SQLite format 3\0", 16);
    if (t.size() < magie.size()) return !t.isEmpty() && magie.startsWith(t) ? EnTete::Coupe : EnTete::Etranger;
    if (!t.startsWith(magie)) return EnTete::Etranger;
    if (t.size() < 100) return EnTete::Coupe;
    const auto octet = [&t](int i) { return static_cast<quint32>(static_cast<quint8>(t.at(i))); };
    const auto mot32 = [&](int i) { return octet(i) << 24 | octet(i + 1) << 16 | octet(i + 2) << 8 | octet(i + 3); };
    const quint32 brut = octet(16) << 8 | octet(17);
    const qint64 page = brut == 1 ? 65536 : brut;
    if (page < 512 || (page & (page - 1)) != 0) return EnTete::Etranger;
    const qint64 taille = f.size();
    if (taille % page != 0) return EnTete::Coupe;
    // The page count of the header is trusted only when written by a version that keeps it.
    const quint32 pages = mot32(28);
    if (pages > 0 && mot32(24) == mot32(92) && taille < static_cast<qint64>(pages) * page) return EnTete::Coupe;
    return EnTete::Entier;
}

const QString kMessageCoupee = QStringLiteral("La copie est incomplète (le fichier est coupé) : elle ne peut pas être restaurée.");
const QString kMessagePasUneBase = QStringLiteral("Ce fichier n'est pas une base de données : il ne peut pas être restauré.");

QString MessageEndommagee(const QStringList& details) {
    static const QRegularExpression motif(QStringLiteral("\\bpage (\\d+)"), QRegularExpression::CaseInsensitiveOption);
    for (const QString& ligne : details) {
        const QRegularExpressionMatch m = motif.match(ligne);
        if (m.hasMatch()) return QStringLiteral("La copie est endommagée (page %1) : elle ne peut pas être restaurée.").arg(m.captured(1));
    }
    return QStringLiteral("La copie est endommagée (page inconnue) : elle ne peut pas être restaurée.");
}

QString MessageSelonCode(const QString& chemin, int code, sqlite3* db = nullptr) {
    switch (code & 0xff) {
    case SQLITE_NOTADB: return kMessagePasUneBase;
    case SQLITE_CORRUPT: return MessageEndommagee({QString::fromUtf8(db ? sqlite3_errmsg(db) : "")});
    default:
        return QStringLiteral("Le fichier « %1 » ne peut pas être lu : %2").arg(Natif(chemin), RaisonSqlite(code, db));
    }
}

// The one message that says why a chosen file cannot be restored; empty when it can.
QString MessageCopieRefusee(const QString& chemin, const std::atomic<bool>* annule = nullptr) {
    if (!QFileInfo(chemin).isFile())
        return QStringLiteral("Le fichier « %1 » est introuvable : il ne peut pas être restauré.").arg(Natif(chemin));
    switch (LireEnTete(chemin)) {
    case EnTete::Coupe: return kMessageCoupee;
    case EnTete::Etranger: return kMessagePasUneBase;
    case EnTete::Entier: break;
    }
    LecteurSqlite lecteur(chemin);
    SuivreAnnulation(lecteur, annule);
    if (!lecteur.Ouverte()) return MessageSelonCode(chemin, lecteur.Code(), lecteur.Db());
    QStringList integrite;
    if (!lecteur.Lire("PRAGMA integrity_check", integrite)) return MessageSelonCode(chemin, lecteur.Code(), lecteur.Db());
    if (integrite != QStringList{QStringLiteral("ok")}) return MessageEndommagee(integrite);
    QStringList manquantes;
    for (const QString& table : TablesRequises()) {
        QStringList colonnes;
        const QByteArray sql = "SELECT name FROM pragma_table_info('" + table.toUtf8() + "')";
        if (!lecteur.Lire(sql.constData(), colonnes)) return MessageSelonCode(chemin, lecteur.Code(), lecteur.Db());
        const QSet<QString> presentes(colonnes.cbegin(), colonnes.cend());
        const auto requises = ColonnesRequises().find(table);
        if (presentes.isEmpty() || requises == ColonnesRequises().end() || !presentes.contains(requises->second))
            manquantes << table;
    }
    if (!manquantes.isEmpty())
        return QStringLiteral("Ce fichier est la base d'un autre programme (tables absentes : %1) : il ne peut pas être restauré.")
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

void NoterEtFaireTourner(const QString& cheminFinal);

}  // namespace

bool CopiesPossibles() { return detail::PiloteActif().CopiesFichierPossibles(); }

QString MessageCopiesServeur() {
    return QStringLiteral("La base de données est sur un serveur : ses copies de sauvegarde se font sur le serveur "
                          "(par exemple avec pg_dump), pas dans ce programme.");
}

QString NomCopieAutomatique(const QDateTime& moment) {
    return QStringLiteral("BD-%1.mdb").arg(moment.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

QString NomCopieAvantRestauration(const QDateTime& moment) {
    return QStringLiteral("BD-%1-avant-restauration.mdb").arg(moment.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

std::optional<QDateTime> MomentCopieAutomatique(const QString& nomFichier) {
    return MomentDepuis(MotifCopieAutomatique().match(nomFichier));
}

namespace {
// The program's own record of the order in which it made its copies, oldest first: the names'
// dates come from the clock, which may have been wrong when they were made.
const QString kNomOrdre = QStringLiteral("ordre-des-copies.txt");

// A line is a file name, then, for copies made since the exit copy exists, a tab and a note:
// the moment the copy's data were taken, and whether it was made at the program's end.
QList<std::pair<QString, QString>> LireLignesOrdre(const QString& dossier) {
    QFile f(QDir(dossier).filePath(kNomOrdre));
    if (!f.open(QIODevice::ReadOnly)) return {};
    QList<std::pair<QString, QString>> lignes;
    for (const QString& ligne : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        const qsizetype tab = ligne.indexOf(QLatin1Char('\t'));
        const QString nom = (tab < 0 ? ligne : ligne.left(tab)).trimmed();
        if (MotifMomentCopie().match(nom).hasMatch()) lignes.append({nom, tab < 0 ? QString() : ligne.mid(tab + 1).trimmed()});
    }
    return lignes;
}

QStringList LireOrdre(const QString& dossier) {
    QStringList noms;
    for (const auto& l : LireLignesOrdre(dossier)) noms << l.first;
    return noms;
}

// Rewrites the record (names of files that are gone are dropped), whole or not at all.
void EcrireOrdre(const QString& dossier, const QStringList& noms, const QMap<QString, QString>& nouvellesNotes = {}) {
    const QDir d(dossier);
    QMap<QString, QString> notes = nouvellesNotes;
    for (const auto& l : LireLignesOrdre(dossier))
        if (!notes.contains(l.first) && !l.second.isEmpty()) notes.insert(l.first, l.second);
    QStringList gardes, lignes;
    for (const QString& nom : noms)
        if (!gardes.contains(nom) && QFileInfo::exists(d.filePath(nom))) {
            gardes << nom;
            lignes << (notes.value(nom).isEmpty() ? nom : nom + QLatin1Char('\t') + notes.value(nom));
        }
    const QString temporaire = d.filePath(kNomOrdre + QStringLiteral(".%1.partielle").arg(QCoreApplication::applicationPid()));
    QFile f(temporaire);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    const QByteArray texte = lignes.isEmpty() ? QByteArray() : (lignes.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    const bool ecrit = f.write(texte) == texte.size() && f.flush();
    f.close();
    if (!ecrit || Synchroniser(temporaire, false) != 0 ||
        ::rename(QFile::encodeName(temporaire).constData(), QFile::encodeName(d.filePath(kNomOrdre)).constData()) != 0)
        QFile::remove(temporaire);
}

// The copies of one kind, newest first: those the program recorded, by their order of making,
// then those it did not (older programs, copies put there by hand), by their names' dates.
QStringList CopiesClassees(const QString& dossier, bool avantRestauration) {
    std::vector<std::pair<QDateTime, QString>> copies;
    for (const QString& nom : QDir(dossier).entryList(QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch m = MotifMomentCopie().match(nom);
        if (m.hasMatch() && m.captured(3).isEmpty() != avantRestauration)
            if (const auto moment = MomentDepuis(m)) copies.emplace_back(*moment, nom);
    }
    std::sort(copies.begin(), copies.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second > b.second;
    });
    QStringList presentes;
    for (const auto& c : copies) presentes << c.second;
    QStringList noms;
    const QStringList ordre = LireOrdre(dossier);
    for (auto it = ordre.crbegin(); it != ordre.crend(); ++it)
        if (presentes.contains(*it) && !noms.contains(*it)) noms << *it;
    for (const QString& nom : std::as_const(presentes))
        if (!noms.contains(nom)) noms << nom;
    return noms;
}

// Keeps the `gardees` newest copies or, `parJour`, the copies of the `gardees` newest days of use
// (by the day in their names), however many a day has: an exit copy never pushes an older day out.
QStringList SupprimerAuDela(const QString& dossier, QStringList copies, const QString& copieGardee, int gardees, bool parJour) {
    // The copy just made stays whatever its name says.
    if (copies.removeAll(copieGardee) > 0) copies.prepend(copieGardee);
    QStringList supprimees;
    QSet<QDate> jours;  // the days kept so far
    int comptees = 0;   // days (or copies) kept so far
    for (const QString& copie : std::as_const(copies)) {
        const std::optional<QDateTime> moment = MomentDepuis(MotifMomentCopie().match(copie));
        const QDate jour = moment ? moment->date() : QDate();
        if (parJour && jours.contains(jour)) continue;
        if (comptees < gardees) {
            ++comptees;
            jours.insert(jour);
            continue;
        }
        if (QFile::remove(QDir(dossier).filePath(copie))) supprimees << copie;
    }
    if (!supprimees.isEmpty()) {
        EcrireOrdre(dossier, LireOrdre(dossier));
        Synchroniser(dossier, true);
    }
    return supprimees;
}

std::function<qint64(const QString&)> g_lectureEspaceLibre;

// The nearest folder that exists (the copies' folder may not be made yet).
QString DossierExistant(const QString& dossier) {
    QString d = QFileInfo(dossier).absoluteFilePath();
    while (!QFileInfo(d).isDir()) {
        const QString parent = QFileInfo(d).absolutePath();
        if (parent == d) break;
        d = parent;
    }
    return d;
}

bool MemeDisque(const QString& a, const QString& b) {
    struct stat ea {}, eb {};
    return ::stat(QFile::encodeName(a).constData(), &ea) == 0 && ::stat(QFile::encodeName(b).constData(), &eb) == 0 &&
           ea.st_dev == eb.st_dev;
}
}  // namespace

void NoterCopie(const QString& dossier, const QString& nomFichier, const QString& note) {
    QStringList ordre = LireOrdre(dossier);
    ordre.removeAll(nomFichier);
    ordre << nomFichier;
    EcrireOrdre(dossier, ordre, {{nomFichier, note}});
}

QString NoteCopie(const QString& dossier, const QString& nomFichier) {
    for (const auto& l : LireLignesOrdre(dossier))
        if (l.first == nomFichier) return l.second;
    return QString();
}

QStringList CopiesAutomatiques(const QString& dossier) { return CopiesClassees(dossier, false); }
QStringList CopiesAvantRestauration(const QString& dossier) { return CopiesClassees(dossier, true); }

namespace {
void NoterEtFaireTourner(const QString& cheminFinal, const QDateTime& momentDonnees) {
    const QString dossier = QFileInfo(cheminFinal).absolutePath();
    NoterCopie(dossier, QFileInfo(cheminFinal).fileName(), NoteMomentDonnees(momentDonnees));
    SupprimerAnciennesCopies(dossier, QFileInfo(cheminFinal).fileName());
}
}  // namespace

bool CopieAutomatiqueDue(const QDateTime& maintenant) {
    const QStringList copies = CopiesAutomatiques(DossierSauvegardes());
    if (copies.isEmpty()) return true;
    // The newest copy made, not the one whose name says the latest date.
    const QDateTime derniere = *MomentCopieAutomatique(copies.first());
    if (derniere.date() == maintenant.date()) return false;
    // Another day: either the clock moved back past the last copy (one copy, then the day is
    // that copy's day), or the usual 20 hours have passed.
    return derniere > maintenant || derniere.secsTo(maintenant) >= kIntervalleCopiesAutomatiques;
}

QStringList SupprimerAnciennesCopies(const QString& dossier, const QString& copieGardee) {
    return SupprimerAuDela(dossier, CopiesAutomatiques(dossier), copieGardee, kCopiesAutomatiquesGardees, true);
}

QStringList SupprimerAnciennesCopiesAvantRestauration(const QString& dossier, const QString& copieGardee) {
    return SupprimerAuDela(dossier, CopiesAvantRestauration(dossier), copieGardee, kCopiesAvantRestaurationGardees, false);
}

void DefinirLectureEspaceLibre(std::function<qint64(const QString& dossier)> lecture) {
    g_lectureEspaceLibre = std::move(lecture);
}

qint64 EspaceLibre(const QString& dossier) {
    const QString existant = DossierExistant(dossier);
    if (g_lectureEspaceLibre) return g_lectureEspaceLibre(existant);
    const QStorageInfo info(existant);
    return info.isValid() ? info.bytesAvailable() : -1;
}

QString RaisonPlaceInsuffisante(const QString& dossier, qint64 taille) {
    const qint64 libre = EspaceLibre(dossier);
    if (libre < 0) return {};  // unknown: the write itself will say if the disk is full
    qint64 aGarder = kMargeEspaceLibre;
    const QString cheminBD = CheminBD();
    if (MemeDisque(DossierExistant(dossier), QFileInfo(cheminBD).absolutePath())) aGarder += QFileInfo(cheminBD).size();
    if (libre - taille >= aGarder) return {};
    return QStringLiteral("il reste trop peu de place sur le disque (%1 Mo libres).").arg(libre / 1000000);
}

QString MessagePlaceInsuffisante(const QString& raison) { return QStringLiteral("Sauvegarde non faite : ") + raison; }

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

void VerifierCopie(const QString& chemin, const std::atomic<bool>* annule) {
    const QString message = MessageCopieRefusee(chemin, annule);
    if (!message.isEmpty()) throw ErreurBD(message);
}

namespace {
ContenuCopie Compter(const QString& chemin) {
    ContenuCopie contenu;
    LecteurSqlite lecteur(chemin);
    const std::pair<const char*, qint64*> comptes[] = {
        {"SELECT COUNT(*) FROM InfoClientReservation", &contenu.commandes},
        {"SELECT COUNT(*) FROM Piece", &contenu.pieces},
        {"SELECT COUNT(*) FROM Representation", &contenu.representations},
        {"SELECT COUNT(*) FROM Vendeur", &contenu.vendeurs}};
    for (const auto& [sql, compte] : comptes) {
        QStringList lignes;
        if (!lecteur.Lire(sql, lignes) || lignes.size() != 1) throw ErreurBD(MessageSelonCode(chemin, lecteur.Code(), lecteur.Db()));
        *compte = lignes.first().toLongLong();
    }
    return contenu;
}
}  // namespace

ContenuCopie ExaminerCopie(const QString& chemin, const std::atomic<bool>* annule) {
    VerifierCopie(chemin, annule);
    ContenuCopie contenu = Compter(chemin);
    const auto moment = MomentDepuis(MotifMomentCopie().match(QFileInfo(chemin).fileName()));
    contenu.moment = moment ? *moment : QFileInfo(chemin).lastModified();
    return contenu;
}

ContenuCopie ContenuBaseActuelle() {
    ContenuCopie contenu = Compter(CheminBD());
    contenu.moment = QFileInfo(CheminBD()).lastModified();
    return contenu;
}

QString QuestionRestauration(const ContenuCopie& actuelle, const ContenuCopie& copie, const QString& nomAvant) {
    const QLocale francais(QLocale::French, QLocale::France);
    return QStringLiteral("Restaurer la copie du %1 à %2 ? La base actuelle contient %3 commandes, %4 pièces, %5 représentations "
                          "et %6 vendeurs ; la copie contient %7 commandes, %8 pièces, %9 représentations et %10 vendeurs. "
                          "Les données actuelles seront d'abord copiées dans %11.")
        .arg(francais.toString(copie.moment.date(), QStringLiteral("d MMMM yyyy")),
             francais.toString(copie.moment.time(), QStringLiteral("HH:mm")))
        .arg(actuelle.commandes)
        .arg(actuelle.pieces)
        .arg(actuelle.representations)
        .arg(actuelle.vendeurs)
        .arg(copie.commandes)
        .arg(copie.pieces)
        .arg(copie.representations)
        .arg(copie.vendeurs)
        .arg(nomAvant);
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
    QDateTime momentDonnees;  // when the last page was copied: the copy holds the base as it was then
};

CopieBD::CopieBD(const QString& cheminFinal, bool automatique, QObject* parent)
    : QObject(parent), m_etat(std::make_unique<Etat>()) {
    m_etat->cheminFinal = QFileInfo(cheminFinal).absoluteFilePath();
    m_etat->automatique = automatique;
    m_etat->minuterie.setSingleShot(true);
    connect(&m_etat->minuterie, &QTimer::timeout, this, [this] { Etape(); });
    // Once, with the first copy: the connection then abandons running copies before it closes.
    static const bool inscrite = (AvantFermetureConnexion(InterrompreCopies), true);
    Q_UNUSED(inscrite);
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
QDateTime CopieBD::MomentDonnees() const { return m_etat->momentDonnees; }

QString NoteMomentDonnees(const QDateTime& moment, bool sortie) {
    if (!moment.isValid()) return QString();
    const QString texte = moment.toUTC().toString(Qt::ISODateWithMs);
    return sortie ? texte + QStringLiteral("\tsortie") : texte;
}

void CopieBD::Commencer() {
    Etat& e = *m_etat;
    e.raisonDepart.clear();
    if (e.enCours) throw ErreurBD(QStringLiteral("Une copie vers « %1 » est déjà en cours.").arg(Natif(e.cheminFinal)));
    sqlite3* source = PoigneeSource();
    const QString dossier = QFileInfo(e.cheminFinal).absolutePath();
    // The sales come first: a copy that would leave them too little room is not made.
    QString raison = RaisonPlaceInsuffisante(dossier, QFileInfo(CheminBD()).size());
    if (!raison.isEmpty()) {
        e.raisonDepart = raison;
        throw ErreurBD(MessagePlaceInsuffisante(raison));
    }
    const QString temporaire = NouveauTemporaire(dossier);
    raison = CreerTemporaire(dossier, temporaire);
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
        e.momentDonnees = QDateTime::currentDateTimeUtc();
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
    if (e.automatique) NoterEtFaireTourner(e.cheminFinal, e.momentDonnees);
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
    e.momentDonnees = QDateTime::currentDateTimeUtc();
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
    if (e.automatique) NoterEtFaireTourner(e.cheminFinal, e.momentDonnees);
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

// --- Restoring.

namespace {
constexpr qint64 kOctetsParLecture = 1 << 20;
constexpr int kPagesParEtapeRestauration = 1024;

const QString kRienModifie = QStringLiteral("\n\nRien n'a été modifié.");

// What a restore needs, gathered on the window's thread before the work starts.
struct PlanRestauration {
    QString chemin;        // the chosen copy
    QString cheminBD;
    QString avant;         // the copy of the data of now, made first
    QDateTime momentCopie;
    sqlite3* poignee = nullptr;  // the program's own connection
};

struct ControleRestauration {
    std::atomic<bool> annule{false};
    std::atomic<bool> remplacement{false};  // BD.mdb is being replaced: too late to cancel
    std::atomic<int> pourMille{0};
    std::atomic<qint64> verrouMs{-1};  // how long the other programs were held off
};

PlanRestauration PreparerRestauration(const QString& chemin, const QDateTime& maintenant) {
    PlanRestauration plan;
    plan.chemin = QFileInfo(chemin).absoluteFilePath();
    plan.cheminBD = CheminBD();
    if (MemeFichier(chemin, plan.cheminBD))
        throw ErreurBD(QStringLiteral("Le fichier choisi est la base de données en service : choisissez une copie de sauvegarde."));
    // A write-ahead log beside BD.mdb holds data the file itself does not.
    if (QFileInfo::exists(plan.cheminBD + QLatin1String("-wal")))
        throw ErreurBD(QStringLiteral("La restauration n'a pas été faite : la base de données est en cours d'écriture "
                                      "par un autre programme (fichier « BD.mdb-wal »). Fermez-le, puis réessayez.") +
                       kRienModifie);
    plan.avant = QDir(DossierSauvegardes()).filePath(NomCopieAvantRestauration(maintenant));
    try {
        plan.poignee = PoigneeSource();
    } catch (const ErreurBD& e) {
        throw ErreurBD(QStringLiteral("La restauration n'a pas été faite : ") + e.message() + kRienModifie);
    }
    return plan;
}

// Copies the file under the connection byte for byte through SQLite's own file handle: opening
// and closing BD.mdb another way would drop the lock the connection holds on it.
QString CopierOctets(sqlite3* poignee, const QString& temporaire, ControleRestauration& c, int deb, int fin) {
    sqlite3_file* fichier = nullptr;
    if (sqlite3_file_control(poignee, "main", SQLITE_FCNTL_FILE_POINTER, &fichier) != SQLITE_OK || !fichier ||
        !fichier->pMethods)
        return QStringLiteral("le fichier de la base de données n'est pas accessible.");
    sqlite3_int64 taille = 0;
    if (int rc = fichier->pMethods->xFileSize(fichier, &taille); rc != SQLITE_OK) return RaisonSqlite(rc);
    const int fd = ::open(QFile::encodeName(temporaire).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return RaisonSysteme(errno);
    QByteArray tampon(kOctetsParLecture, Qt::Uninitialized);
    QString raison;
    for (sqlite3_int64 pos = 0; pos < taille && raison.isEmpty(); pos += kOctetsParLecture) {
        if (c.annule) break;
        const int n = static_cast<int>(std::min<sqlite3_int64>(kOctetsParLecture, taille - pos));
        if (int rc = fichier->pMethods->xRead(fichier, tampon.data(), n, pos); rc != SQLITE_OK) {
            raison = RaisonSqlite(rc);
            break;
        }
        for (int ecrits = 0; ecrits < n;) {
            const ssize_t r = ::write(fd, tampon.constData() + ecrits, static_cast<size_t>(n - ecrits));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) {
                raison = RaisonSysteme(r < 0 ? errno : ENOSPC);
                break;
            }
            ecrits += static_cast<int>(r);
        }
        c.pourMille = deb + static_cast<int>((fin - deb) * (pos + n) / std::max<sqlite3_int64>(taille, 1));
    }
    if (::close(fd) != 0 && raison.isEmpty()) raison = RaisonSysteme(errno);
    return raison;
}

// The chosen copy rewritten beside BD.mdb, page by page, so that the rename is atomic.
QString EcrireCopieChoisie(const QString& chemin, const QString& temporaire, ControleRestauration& c, int deb, int fin) {
    sqlite3* dest = nullptr;
    QString raison = OuvrirDestination(temporaire, &dest);
    if (raison.isEmpty()) {
        LecteurSqlite source(chemin);
        sqlite3_backup* b = source.Ouverte() ? sqlite3_backup_init(dest, "main", source.Db(), "main") : nullptr;
        if (!b) {
            raison = source.Ouverte() ? RaisonSqlite(sqlite3_errcode(dest), dest) : RaisonSqlite(source.Code());
        } else {
            int rc = SQLITE_OK;
            while (!c.annule && (rc = sqlite3_backup_step(b, kPagesParEtapeRestauration)) == SQLITE_OK) {
                const int total = std::max(sqlite3_backup_pagecount(b), 1);
                c.pourMille = deb + (fin - deb) * (total - sqlite3_backup_remaining(b)) / total;
            }
            const int finBackup = sqlite3_backup_finish(b);
            if (!c.annule) {
                if (rc != SQLITE_DONE) raison = RaisonSqlite(rc, dest);
                else if (finBackup != SQLITE_OK) raison = RaisonSqlite(finBackup, dest);
            }
        }
    }
    sqlite3_close_v2(dest);
    return raison;
}

// Writes beside BD.mdb which copy the new file comes from, for the other programs to say.
void EcrireMarque(const PlanRestauration& p, const QString& temporaire) {
    struct stat etat {};
    const QString marque = CheminMarqueRestauration(p.cheminBD);
    if (::stat(QFile::encodeName(temporaire).constData(), &etat) != 0) return;
    const QString provisoire = marque + QStringLiteral(".partielle");
    QFile f(provisoire);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    f.write(QStringLiteral("%1\n%2\n")
                .arg(p.momentCopie.toString(Qt::ISODate))
                .arg(static_cast<qulonglong>(etat.st_ino))
                .toUtf8());
    f.close();
    if (::rename(QFile::encodeName(provisoire).constData(), QFile::encodeName(marque).constData()) != 0)
        QFile::remove(provisoire);
}

// Flushes the copy of the data of now and gives it its name. It is not checked: it is BD.mdb
// byte for byte, as the lock leaves it, and a damaged base must stay restorable.
QString NommerCopieAvant(const QString& temporaire, const QString& cheminFinal) {
    QString raison;
    if (const int e = Synchroniser(temporaire, false)) raison = RaisonSysteme(e);
    if (raison.isEmpty() &&
        ::rename(QFile::encodeName(temporaire).constData(), QFile::encodeName(cheminFinal).constData()) != 0)
        raison = RaisonSysteme(errno);
    if (!raison.isEmpty()) {
        QFile::remove(temporaire);
        return raison;
    }
    Synchroniser(QFileInfo(cheminFinal).absolutePath(), true);
    return {};
}

// From the check of the chosen copy to the rename; any thread. Empty on success (or when
// cancelled: c.annule), else the clerk's message. The chosen copy is written beside BD.mdb and
// checked first, while the other programs go on; then, under SQLite's exclusive lock on BD.mdb,
// the data of now are copied aside and the new file renamed over BD.mdb. No other program can
// write between the two, so nothing it saves can fall between them, and the lock lasts only
// as long as the copy of the bytes.
QString TravailRestauration(const PlanRestauration& p, ControleRestauration& c) {
    switch (LireEnTete(p.chemin)) {
    case EnTete::Coupe: return kMessageCoupee + kRienModifie;
    case EnTete::Etranger: return kMessagePasUneBase + kRienModifie;
    case EnTete::Entier: break;
    }
    if (!QFileInfo(p.chemin).isFile())
        return QStringLiteral("Le fichier « %1 » est introuvable : il ne peut pas être restauré.").arg(Natif(p.chemin)) + kRienModifie;

    const qint64 tailleBD = QFileInfo(p.cheminBD).size();
    const qint64 tailleCopie = QFileInfo(p.chemin).size();
    const QString dossierAvant = QFileInfo(p.avant).absolutePath();
    const QString dossierBD = QFileInfo(p.cheminBD).absolutePath();
    for (const auto& [dossier, taille] : {std::pair{dossierAvant, tailleBD}, std::pair{dossierBD, tailleCopie}}) {
        const QString raison = RaisonPlaceInsuffisante(dossier, taille);
        if (!raison.isEmpty()) return QStringLiteral("La restauration n'a pas été faite : ") + raison + kRienModifie;
    }

    // The chosen copy, rewritten beside BD.mdb so that the rename is atomic, and checked there
    // (page for page the chosen file: what is refused is named as for that file).
    const QString temporaire = NouveauTemporaire(dossierBD);
    QString raison = CreerTemporaire(dossierBD, temporaire);
    if (!raison.isEmpty()) return QStringLiteral("La restauration n'a pas été faite : %1").arg(raison) + kRienModifie;
    const auto retirer = qScopeGuard([&temporaire] { QFile::remove(temporaire); });  // a no-op once renamed
    raison = EcrireCopieChoisie(p.chemin, temporaire, c, 0, 350);
    if (c.annule) return {};
    if (!raison.isEmpty()) {
        // The chosen file could not be read whole: say why as for a checked file.
        const QString refus = MessageCopieRefusee(p.chemin, &c.annule);
        if (c.annule) return {};
        return (refus.isEmpty() ? QStringLiteral("La restauration n'a pas été faite : %1").arg(raison) : refus) + kRienModifie;
    }
    const QString refus = MessageCopieRefusee(temporaire, &c.annule);
    if (c.annule) return {};
    if (!refus.isEmpty()) return QString(refus).replace(Natif(temporaire), Natif(p.chemin)) + kRienModifie;
    if (const int e = Synchroniser(temporaire, false))
        return QStringLiteral("La restauration n'a pas été faite : %1").arg(RaisonSysteme(e)) + kRienModifie;
    c.pourMille = 700;

    const int rcVerrou = sqlite3_exec(p.poignee, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    if (rcVerrou != SQLITE_OK) {
        if ((rcVerrou & 0xff) == SQLITE_BUSY || (rcVerrou & 0xff) == SQLITE_LOCKED)
            return QStringLiteral("La restauration n'a pas été faite : un autre programme utilise la base de données en ce "
                                  "moment (une vente en cours d'enregistrement, un rapport). Réessayez dans un moment.") +
                   kRienModifie;
        return QStringLiteral("La restauration n'a pas été faite : ") + RaisonSqlite(rcVerrou, p.poignee) + kRienModifie;
    }
    struct Deverrouiller {
        sqlite3* poignee;
        ControleRestauration& c;
        QElapsedTimer duree;
        ~Deverrouiller() {
            sqlite3_exec(poignee, "ROLLBACK", nullptr, nullptr, nullptr);
            c.verrouMs = duree.elapsed();
        }
    } deverrouiller{p.poignee, c, {}};
    deverrouiller.duree.start();

    // The data of now, as they are under the lock.
    const QString temporaireAvant = NouveauTemporaire(dossierAvant);
    raison = CreerTemporaire(dossierAvant, temporaireAvant);
    if (raison.isEmpty()) {
        raison = CopierOctets(p.poignee, temporaireAvant, c, 700, 950);
        if (c.annule || !raison.isEmpty()) QFile::remove(temporaireAvant);
        if (c.annule) return {};
        if (raison.isEmpty()) raison = NommerCopieAvant(temporaireAvant, p.avant);
    }
    if (!raison.isEmpty())
        return QStringLiteral("La restauration n'a pas été faite : la copie des données actuelles a échoué : ") + raison +
               kRienModifie;
    NoterCopie(dossierAvant, QFileInfo(p.avant).fileName());
    c.pourMille = 950;

    // From here on, no way back: cancelling is no longer offered.
    c.remplacement = true;
    if (c.annule) c.remplacement = false;
    if (c.annule) {
        QFile::remove(p.avant);
        EcrireOrdre(dossierAvant, LireOrdre(dossierAvant));
        return {};
    }
    EcrireMarque(p, temporaire);
    if (::rename(QFile::encodeName(temporaire).constData(), QFile::encodeName(p.cheminBD).constData()) != 0) {
        const int erreur = errno;
        QFile::remove(p.avant);
        EcrireOrdre(dossierAvant, LireOrdre(dossierAvant));
        return QStringLiteral("La restauration n'a pas été faite : BD.mdb n'a pas pu être remplacé : %1").arg(RaisonSysteme(erreur)) +
               kRienModifie;
    }
    Synchroniser(dossierBD, true);
    SupprimerAnciennesCopiesAvantRestauration(dossierAvant, QFileInfo(p.avant).fileName());
    c.pourMille = 1000;
    return {};
}

// Back on the window's thread: the connection is opened on the new file. Throws ErreurBD.
void ConclureRestauration(const PlanRestauration& p, bool remplace) {
    detail::DefinirRestaurationEnCours(false);
    if (!remplace) return;
    FermerConnexion();
    if (OuvrirConnexion()) return;

    // Cannot happen with a checked file, but then the data of a moment ago come back.
    const QString dossier = QFileInfo(p.cheminBD).absolutePath();
    const QString raisonOuverture = DernierMessageOuverture();
    const QString retour = NouveauTemporaire(dossier);
    const bool remis = QFile::copy(p.avant, retour) && Synchroniser(retour, false) == 0 &&
                       ::rename(QFile::encodeName(retour).constData(), QFile::encodeName(p.cheminBD).constData()) == 0;
    if (!remis) QFile::remove(retour);
    Synchroniser(dossier, true);
    OuvrirConnexion();
    throw ErreurBD(QStringLiteral("La restauration a échoué : %1\n\n%2")
                       .arg(raisonOuverture,
                            remis ? QStringLiteral("Les données d'avant la restauration ont été remises en place.")
                                  : QStringLiteral("Les données d'avant la restauration sont dans « %1 » : copiez ce "
                                                   "fichier sous le nom BD.mdb.")
                                        .arg(Natif(p.avant))));
}

QDateTime MomentDeLaCopie(const QString& chemin) {
    const auto moment = MomentDepuis(MotifMomentCopie().match(QFileInfo(chemin).fileName()));
    return moment ? *moment : QFileInfo(chemin).lastModified();
}
}  // namespace

QString RestaurerCopie(const QString& chemin, const QDateTime& maintenant) {
    PlanRestauration plan = PreparerRestauration(chemin, maintenant);
    plan.momentCopie = MomentDeLaCopie(chemin);
    ControleRestauration controle;
    detail::DefinirRestaurationEnCours(true);
    const QString erreur = TravailRestauration(plan, controle);
    ConclureRestauration(plan, erreur.isEmpty());
    if (!erreur.isEmpty()) throw ErreurBD(erreur);
    return plan.avant;
}

struct RestaurationBD::Etat {
    QString chemin;
    QDateTime maintenant;
    PlanRestauration plan;
    ControleRestauration controle;
    QThread* fil = nullptr;
    QString erreur;
};

RestaurationBD::RestaurationBD(const QString& chemin, const QDateTime& maintenant, QObject* parent)
    : QObject(parent), m_etat(std::make_unique<Etat>()) {
    m_etat->chemin = chemin;
    m_etat->maintenant = maintenant;
}

RestaurationBD::~RestaurationBD() {
    if (m_etat->fil) {
        m_etat->controle.annule = true;
        m_etat->fil->wait();
        delete m_etat->fil;
        m_etat->fil = nullptr;
        detail::DefinirRestaurationEnCours(false);
    }
}

void RestaurationBD::Demarrer() {
    Etat& e = *m_etat;
    try {
        e.plan = PreparerRestauration(e.chemin, e.maintenant);
        e.plan.momentCopie = MomentDeLaCopie(e.chemin);
    } catch (const ErreurBD& err) {
        const QString message = err.message();
        QTimer::singleShot(0, this, [this, message] { emit Terminee(false, false, message); });
        return;
    }
    detail::DefinirRestaurationEnCours(true);
    e.fil = QThread::create([this] { m_etat->erreur = TravailRestauration(m_etat->plan, m_etat->controle); });
    connect(e.fil, &QThread::finished, this, [this] {
        Etat& f = *m_etat;
        f.fil->deleteLater();
        f.fil = nullptr;
        const bool annulee = f.controle.annule && !f.controle.remplacement;
        bool reussie = f.erreur.isEmpty() && !annulee;
        QString message = f.erreur;
        try {
            ConclureRestauration(f.plan, reussie);
        } catch (const ErreurBD& err) {
            reussie = false;
            message = err.message();
        }
        emit Terminee(reussie, annulee, message);
    });
    e.fil->start();
}

void RestaurationBD::Annuler() {
    if (!m_etat->controle.remplacement) m_etat->controle.annule = true;
}

bool RestaurationBD::Annulable() const { return !m_etat->controle.remplacement; }
int RestaurationBD::PourMille() const { return m_etat->controle.pourMille; }
QString RestaurationBD::CheminAvant() const { return m_etat->plan.avant; }
qint64 RestaurationBD::DureeVerrouMs() const { return m_etat->controle.verrouMs; }

}  // namespace modBD
