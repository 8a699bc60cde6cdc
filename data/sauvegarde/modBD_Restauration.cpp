// Restoring a copy over BD.mdb.
#include "modBD_Changements.h"
#include "modBD_Sauvegarde.h"
#include "modBD_EffacementAutomatique.h"
#include "modBD_Effacements.h"
#include "modBD_Journal.h"
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

using namespace detail;

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
    QString empreinteAvant;      // the replaced base's last journal row
    QList<Effacement> effacements;  // the replaced base's erasures, applied again to the restored one
};

struct ControleRestauration {
    std::atomic<bool> annule{false};
    std::atomic<bool> remplacement{false};  // BD.mdb is being replaced: too late to cancel
    std::atomic<int> pourMille{0};
    std::atomic<qint64> verrouMs{-1};  // how long the other programs were held off
};

PlanRestauration PreparerRestauration(const QString& chemin, const QDateTime& maintenant) {
    ExigerRole(Role::Administration);
    PlanRestauration plan;
    plan.empreinteAvant = DerniereEmpreinte();
    plan.effacements = EffacementsEnregistres();
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

std::function<void()>& AvantRenommage() {
    static std::function<void()> action;
    return action;
}

// The chosen copy, rewritten beside BD.mdb as `temporaire` so that the rename is atomic, and
// checked there (page for page the chosen file: what is refused is named as for that file).
// Empty when it is ready (or cancelled: c.annule), else the clerk's message.
QString PreparerCopieChoisie(const PlanRestauration& p, ControleRestauration& c, const QString& temporaire) {
    QString raison = EcrireCopieChoisie(p.chemin, temporaire, c, 0, 350);
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
    return {};
}

// Under SQLite's exclusive lock on BD.mdb, held until the new file has its name: the data of
// now are copied aside, then `temporaire` is renamed over BD.mdb.
QString RemplacerSousVerrou(const PlanRestauration& p, ControleRestauration& c, const QString& temporaire) {
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
    const QString dossierAvant = QFileInfo(p.avant).absolutePath();
    const QString temporaireAvant = NouveauTemporaire(dossierAvant);
    QString raison = CreerTemporaire(dossierAvant, temporaireAvant);
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
    if (AvantRenommage()) AvantRenommage()();
    if (::rename(QFile::encodeName(temporaire).constData(), QFile::encodeName(p.cheminBD).constData()) != 0) {
        const int erreur = errno;
        QFile::remove(p.avant);
        EcrireOrdre(dossierAvant, LireOrdre(dossierAvant));
        return QStringLiteral("La restauration n'a pas été faite : BD.mdb n'a pas pu être remplacé : %1").arg(RaisonSysteme(erreur)) +
               kRienModifie;
    }
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

    const QString temporaire = NouveauTemporaire(dossierBD);
    QString raison = CreerTemporaire(dossierBD, temporaire);
    if (!raison.isEmpty()) return QStringLiteral("La restauration n'a pas été faite : %1").arg(raison) + kRienModifie;
    const auto retirer = qScopeGuard([&temporaire] { QFile::remove(temporaire); });  // a no-op once renamed
    raison = PreparerCopieChoisie(p, c, temporaire);
    if (c.annule || !raison.isEmpty()) return raison;
    c.pourMille = 700;
    raison = RemplacerSousVerrou(p, c, temporaire);
    if (c.annule || !raison.isEmpty()) return raison;
    Synchroniser(dossierBD, true);
    SupprimerAnciennesCopiesAvantRestauration(dossierAvant, QFileInfo(p.avant).fileName());
    c.pourMille = 1000;
    return {};
}

// The restored base keeps its own journal and records the restore at its end, with the last
// row of the base it replaced. The restore is done whatever happens to this row.
void JournaliserRestauration(const PlanRestauration& p) {
    try {
        EnTransaction([&](Transaction& t) {
            Journaliser(QStringLiteral("Restauration"), QFileInfo(p.chemin).fileName(),
                        QStringLiteral("base remplacée : %1").arg(p.empreinteAvant.isEmpty() ? QStringLiteral("sans journal")
                                                                                          : p.empreinteAvant));
            t.Valider();
        });
    } catch (const ErreurBD&) {
    }
}

// The restored base's own setting applies: clients grown old since the copy was made are erased.
void AppliquerEffacementAutomatiqueApresRestauration() {
    try {
        AppliquerEffacementAutomatique();
    } catch (const ErreurBD& e) {
        detail::SignalerBaseRemplacee(true);
        throw ErreurBD(QStringLiteral("La copie est restaurée, mais l'effacement automatique des coordonnées des anciens "
                                      "clients n'a pas pu être fait : %1 Il sera tenté de nouveau au prochain démarrage.")
                           .arg(e.message()));
    }
}

// Back on the window's thread: the connection is opened on the new file. Throws ErreurBD.
void ConclureRestauration(const PlanRestauration& p, bool remplace) {
    detail::DefinirRestaurationEnCours(false);
    if (!remplace) return;
    FermerConnexion();
    QString raisonOuverture;
    try {
        OuvrirBase();
    } catch (const ErreurOuverture& e) {
        raisonOuverture = e.message();
    }
    if (raisonOuverture.isEmpty()) {
        JournaliserRestauration(p);
        // A copy made before an erasure holds the details again: erased again at once.
        try {
            ReappliquerEffacements(p.effacements);
        } catch (const ErreurBD& e) {
            detail::SignalerBaseRemplacee(true);
            throw ErreurBD(QStringLiteral("La copie est restaurée, mais les coordonnées de clients effacées depuis n'ont pas pu "
                                          "l'être de nouveau : %1 Recommencez l'effacement dans « Commandes confirmées ».")
                               .arg(e.message()));
        }
        AppliquerEffacementAutomatiqueApresRestauration();
        detail::SignalerBaseRemplacee(true);
        return;
    }

    // Cannot happen with a checked file, but then the data of a moment ago come back.
    const QString dossier = QFileInfo(p.cheminBD).absolutePath();
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

void detail::DefinirAvantRenommage(std::function<void()> action) { AvantRenommage() = std::move(action); }

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
