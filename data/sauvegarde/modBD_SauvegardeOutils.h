// What the copies and the restore share: the system's and SQLite's reasons in French, flushing
// files, the temporary files a copy is written to, and reading a file through SQLite alone.
// Inside the backups' wing only.
#pragma once

#include "modBD.h"

#include <QDateTime>
#include <QMap>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

#include <sqlite3.h>

#include <atomic>
#include <optional>

namespace modBD {
class CopieBD;
namespace detail {

// A step copies this many pages (4 KiB each by default): a few milliseconds of reading,
// so the clerk's window answers between steps and other programs wait at most that long.
constexpr int kPagesParEtape = 256;
// Another program holding the write lock: try again this often, this many times.
constexpr int kPauseOccupeeMs = 50;
constexpr int kEssaisOccupee = 600;  // 30 s
constexpr qint64 kAgeAbandonSecondes = 24 * 3600;

const QRegularExpression& MotifCopieAutomatique();
const QRegularExpression& MotifMomentCopie();
const QRegularExpression& MotifTemporaire();
std::optional<QDateTime> MomentDepuis(const QRegularExpressionMatch& m);

QString Natif(const QString& chemin);
QString MessageDisquePlein();
QString RaisonSysteme(int erreur);
QString RaisonSqlite(int code, sqlite3* db = nullptr);
// Flushes a file or a folder to the disk. A folder's entry (the rename) is durable only then.
int Synchroniser(const QString& chemin, bool dossier);

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

// The check every copy passes before it gets its final name; returns the reason it fails.
QString RaisonCopieInvalide(const QString& chemin, const std::atomic<bool>* annule = nullptr);
// The one message that says why a chosen file cannot be restored; empty when it can.
QString MessageCopieRefusee(const QString& chemin, const std::atomic<bool>* annule = nullptr);

// What the file's first 100 bytes say: SQLite's own header, and whether the file holds every
// page the header counts (a copy cut short by a full disk or a killed program does not).
enum class EnTete { Entier, Coupe, Etranger };
EnTete LireEnTete(const QString& chemin);
inline const QString kMessageCoupee = QStringLiteral("La copie est incomplète (le fichier est coupé) : elle ne peut pas être restaurée.");
inline const QString kMessagePasUneBase = QStringLiteral("Ce fichier n'est pas une base de données : il ne peut pas être restauré.");

// The program's own record of the order in which it made its copies, oldest first.
QStringList LireOrdre(const QString& dossier);
// Rewrites the record (names of files that are gone are dropped), whole or not at all.
// Notes given for some names replace theirs; other names keep the note they had.
void EcrireOrdre(const QString& dossier, const QStringList& noms, const QMap<QString, QString>& nouvellesNotes = {});

// The program's own connection as SQLite sees it. The backup runs on it, so the clerk's
// writes through it reach the copy instead of making it start over.
sqlite3* PoigneeSource();
QString NouveauTemporaire(const QString& dossier);
// Creates the folder if needed and an empty temporary file in it; returns the reason it failed.
QString CreerTemporaire(const QString& dossier, const QString& temporaire);
// Opens the temporary file as the copy's destination. The copy is flushed once, at the end,
// and is worth nothing until renamed: no journal, no syncing while it is written.
QString OuvrirDestination(const QString& temporaire, sqlite3** dest);
// Check, flush, rename, flush the folder. The temporary file is gone afterwards in every case.
QString Finaliser(const QString& temporaire, const QString& cheminFinal);
QString MessageEchec(const QString& cheminFinal, const QString& raison);
// Records a new copy in the order of copies and deletes those beyond the number kept.
void NoterEtFaireTourner(const QString& cheminFinal, const QDateTime& momentDonnees);

// The copies under way (GUI thread only).
QSet<CopieBD*>& CopiesEnCours();

}  // namespace detail
}  // namespace modBD
