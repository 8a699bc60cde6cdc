// What the copies and the restore share (see modBD_SauvegardeOutils.h).
#include "modBD_Sauvegarde.h"
#include "modBD_Moteur.h"
#include "modBD_SauvegardeOutils.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
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

namespace detail {

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

QString RaisonSqlite(int code, sqlite3* db) {
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

QSet<CopieBD*>& CopiesEnCours() {
    static QSet<CopieBD*> copies;
    return copies;
}

}  // namespace detail

}  // namespace modBD
