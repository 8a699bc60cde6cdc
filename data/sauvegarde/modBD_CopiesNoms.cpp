// The copies' names, the order in which they were made, and their rotation.
#include "modBD_Sauvegarde.h"
#include "modBD_Moteur.h"
#include "modBD_SauvegardeOutils.h"

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

using namespace detail;

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

namespace detail {
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
void EcrireOrdre(const QString& dossier, const QStringList& noms, const QMap<QString, QString>& nouvellesNotes) {
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
}  // namespace detail

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

namespace detail {
void NoterEtFaireTourner(const QString& cheminFinal, const QDateTime& momentDonnees) {
    const QString dossier = QFileInfo(cheminFinal).absolutePath();
    NoterCopie(dossier, QFileInfo(cheminFinal).fileName(), NoteMomentDonnees(momentDonnees));
    SupprimerAnciennesCopies(dossier, QFileInfo(cheminFinal).fileName());
}
}  // namespace detail

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
    for (CopieBD* c : std::as_const(CopiesEnCours()))
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

}  // namespace modBD
