// Dated copies of BD.mdb and the way back to one of them. A copy is complete or absent:
// it is written under a temporary name, checked, flushed, and only then given its final name.
// Knows nothing of widgets: the windows decide when to copy and how to tell the clerk.
#pragma once

#include "modBD.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace modBD {

// Copies are made of an SQLite file only: a base on a server is copied on the server.
bool CopiesPossibles();
QString MessageCopiesServeur();

inline constexpr int kCopiesAutomatiquesGardees = 30;
inline constexpr int kCopiesAvantRestaurationGardees = 5;
// Room a copy must leave on the disk besides, when it is the disk of BD.mdb, the base's own
// size (room for the largest write's journal and for a restore): some 75,000 orders more.
inline constexpr qint64 kMargeEspaceLibre = 50'000'000;
inline constexpr qint64 kIntervalleCopiesAutomatiques = 20 * 3600;  // seconds

// BD-AAAAMMJJ-HHMMSS.mdb and BD-AAAAMMJJ-HHMMSS-avant-restauration.mdb, local time.
QString NomCopieAutomatique(const QDateTime& moment);
QString NomCopieAvantRestauration(const QDateTime& moment);
// The moment an automatic copy's name holds; nullopt for any other name (the copies made
// before a restore included: rotation never touches them).
std::optional<QDateTime> MomentCopieAutomatique(const QString& nomFichier);
// The copies of a folder, newest first (file names): those the program made, in the order it
// made them (kept in "ordre-des-copies.txt": a clock put back or forward does not change it),
// then any other copy bearing one of the two names, by the date in its name.
QStringList CopiesAutomatiques(const QString& dossier);
QStringList CopiesAvantRestauration(const QString& dossier);
// Records a copy just made (a file name of `dossier`) as the newest, with its note (see NoteMomentDonnees).
void NoterCopie(const QString& dossier, const QString& nomFichier, const QString& note = QString());
// The note recorded with a copy ("" when none): NoteMomentDonnees's text.
QString NoteCopie(const QString& dossier, const QString& nomFichier);
// The note of a copy whose data were taken at `moment` (UTC, milliseconds), and whether it was
// made as the program ended.
QString NoteMomentDonnees(const QDateTime& moment, bool sortie = false);
// True when there is no automatic copy, or the newest one made was made on another day than
// `maintenant` and either 20 hours ago or more, or after `maintenant` (the clock was put back:
// one copy then, and it is the day's copy). At most one automatic copy per day of use.
bool CopieAutomatiqueDue(const QDateTime& maintenant);
// Deletes the automatic copies beyond those of the 30 newest days of use (the day in their
// names; a day may have several copies), never `copieGardee` (a file name). Returns the names deleted.
QStringList SupprimerAnciennesCopies(const QString& dossier, const QString& copieGardee);
// The same for the copies made before a restore: the 5 newest are kept.
QStringList SupprimerAnciennesCopiesAvantRestauration(const QString& dossier, const QString& copieGardee);

// Free bytes of the disk holding `dossier` (or its nearest existing parent); -1 when unknown.
// Tests replace the reading (an empty function puts the system's back).
qint64 EspaceLibre(const QString& dossier);
void DefinirLectureEspaceLibre(std::function<qint64(const QString& dossier)> lecture);
// Empty when a copy of `taille` bytes may be written to `dossier`: it must leave
// kMargeEspaceLibre, plus the size of BD.mdb when on the same disk. Else the reason, with the
// free space in megabytes (10^6 bytes, rounded down).
QString RaisonPlaceInsuffisante(const QString& dossier, qint64 taille);
QString MessagePlaceInsuffisante(const QString& raison);  // "Sauvegarde non faite : " + raison
// Deletes the temporary files left by copies that were cut short (a killed program).
// Those of a copy still running in another instance of the program are left alone.
int NettoyerCopiesInterrompues(const QString& dossier);

// Throws ErreurBD unless the file is a whole database of this program: SQLite, PRAGMA
// integrity_check "ok", the six tables with their columns. The message says why, in one
// sentence each: cut off, damaged (and where), not a database, another program's base.
// `annule`, when set meanwhile, stops a long check (what it throws then means nothing).
void VerifierCopie(const QString& chemin, const std::atomic<bool>* annule = nullptr);

// What a copy holds, for the clerk to decide whether to restore it.
struct ContenuCopie {
    QDateTime moment;  // from its name when it has one of the program's names, else its date of change
    qint64 commandes = 0;
    qint64 pieces = 0;
    qint64 representations = 0;
    qint64 vendeurs = 0;
};
// Checks the file as VerifierCopie does, then counts. Throws ErreurBD. Any thread.
ContenuCopie ExaminerCopie(const QString& chemin, const std::atomic<bool>* annule = nullptr);
// The same counts for BD.mdb as it is now (read through a connection of its own). Any thread.
ContenuCopie ContenuBaseActuelle();
// The question asked before a restore: both sides, and where the data of now will go.
QString QuestionRestauration(const ContenuCopie& actuelle, const ContenuCopie& copie, const QString& nomAvant);

// One copy of the open database to a final path, made with SQLite's online backup on the
// program's own connection: a few hundred pages per step, so the clerk's own writes go on
// between steps (and reach the copy), and other programs' writes are never held up for
// longer than one step. Started with Demarrer (steps from a timer, check and flush on a
// worker thread, then Terminee), or made at once with Faire (throws ErreurBD).
class CopieBD : public QObject {
    Q_OBJECT
public:
    // `automatique`: after a checked copy, the oldest automatic copies beyond 30 are deleted.
    CopieBD(const QString& cheminFinal, bool automatique, QObject* parent = nullptr);
    ~CopieBD() override;  // an unfinished copy is abandoned and its temporary file deleted

    // Pages copied per step and pause between steps (tests slow a copy down with them).
    void DefinirCadence(int pagesParEtape, int intervalleMs);

    void Demarrer();
    void Faire();
    // Abandons an unfinished copy (the connection is about to close); Terminee follows.
    void Interrompre();

    QString CheminFinal() const;
    QString CheminTemporaire() const;  // empty before the start and after the end
    int Redemarrages() const;          // how often other connections' writes made it start over
    QString Raison() const;            // why the copy failed, short (the message names the file too)
    QDateTime MomentDonnees() const;   // when its last page was copied (invalid before)

signals:
    // The last page is copied: the copy holds the base as it is at this moment (its check follows).
    void DonneesCopiees();
    // `message`: empty on success, else the French reason (the file was not kept).
    void Terminee(bool reussie, const QString& message);

private:
    struct Etat;
    std::unique_ptr<Etat> m_etat;
    void Commencer();
    bool Etape();  // false once the copy has no more steps to make
    void Echouer(const QString& raison);
    void LancerFinalisation();
    void Conclure(const QString& erreur);
};

// Replaces BD.mdb by the copy at `chemin`, which is checked first. From the moment the present
// data are read until BD.mdb is replaced, the connection holds SQLite's exclusive lock: no other
// program can write meanwhile (they wait, or are told the base is busy), so nothing they save can
// fall between the two files; a restore is refused while another program is writing. The present
// BD.mdb is first copied to "sauvegardes" as BD-AAAAMMJJ-HHMMSS-avant-restauration.mdb (the 5
// newest such copies are kept); the chosen copy is then written beside BD.mdb under a temporary
// name, checked, flushed, and renamed over it; the connection is opened again on it. The other
// programs notice the new file at their next statement (ReprendreBaseRemplacee). Any failure
// leaves BD.mdb as it was and throws ErreurBD. Returns the path of the copy made before.
QString RestaurerCopie(const QString& chemin, const QDateTime& maintenant);
namespace detail {
// Tests: run under the restore's exclusive lock, just before the new file takes BD.mdb's name
// (on the restore's thread). Empty: nothing.
void DefinirAvantRenommage(std::function<void()> action);
}  // namespace detail

// The same on a thread of its own, for a window that must keep answering. Started with Demarrer
// (on the window's thread); Terminee always follows, on that thread, with the connection open
// again. Annuler is honoured until the replacement of BD.mdb starts: nothing is then changed.
class RestaurationBD : public QObject {
    Q_OBJECT
public:
    RestaurationBD(const QString& chemin, const QDateTime& maintenant, QObject* parent = nullptr);
    ~RestaurationBD() override;  // cancels and waits for an unfinished restore

    void Demarrer();
    void Annuler();
    bool Annulable() const;
    int PourMille() const;       // how far it is, 0 to 1000
    QString CheminAvant() const;  // the copy of the data of now
    qint64 DureeVerrouMs() const;  // how long other programs could not write (-1: never locked)

signals:
    // `message`: empty on success and when cancelled, else the French reason.
    void Terminee(bool reussie, bool annulee, const QString& message);

private:
    struct Etat;
    std::unique_ptr<Etat> m_etat;
};

// Abandons every copy in progress (the connection is about to close or change).
void InterrompreCopies();

}  // namespace modBD
