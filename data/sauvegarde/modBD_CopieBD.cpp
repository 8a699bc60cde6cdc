// One copy of BD.mdb, made step by step while the clerk goes on working.
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
    CopiesEnCours().insert(this);
}

CopieBD::~CopieBD() {
    CopiesEnCours().remove(this);
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
    const QSet<CopieBD*> copies = CopiesEnCours();
    for (CopieBD* c : copies)
        if (CopiesEnCours().contains(c)) c->Interrompre();
}

}  // namespace modBD
