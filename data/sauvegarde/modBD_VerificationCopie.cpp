// Checking a copy: is it a whole SQLite file holding the six tables, and what does it hold.
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
QString RaisonCopieInvalide(const QString& chemin, const std::atomic<bool>* annule) {
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
QString MessageCopieRefusee(const QString& chemin, const std::atomic<bool>* annule) {
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

}  // namespace detail

using namespace detail;

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

}  // namespace modBD
