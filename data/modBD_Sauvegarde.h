// Dated copies of BD.mdb and the way back to one of them. A copy is complete or absent:
// it is written under a temporary name, checked, flushed, and only then given its final name.
// Knows nothing of widgets: the windows decide when to copy and how to tell the clerk.
#pragma once

#include "modBD.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace modBD {

// Copies are made of an SQLite file only: a base on a server is copied on the server.
bool CopiesPossibles();
QString MessageCopiesServeur();

inline constexpr int kCopiesAutomatiquesGardees = 30;
inline constexpr qint64 kIntervalleCopiesAutomatiques = 20 * 3600;  // seconds

// The folder "sauvegardes" beside BD.mdb (not created here).
QString DossierSauvegardes();
// BD-AAAAMMJJ-HHMMSS.mdb and BD-AAAAMMJJ-HHMMSS-avant-restauration.mdb, local time.
QString NomCopieAutomatique(const QDateTime& moment);
QString NomCopieAvantRestauration(const QDateTime& moment);
// The moment an automatic copy's name holds; nullopt for any other name (the copies made
// before a restore included: rotation never touches them).
std::optional<QDateTime> MomentCopieAutomatique(const QString& nomFichier);
// The automatic copies of a folder, newest first (file names).
QStringList CopiesAutomatiques(const QString& dossier);
// True when there is no automatic copy, or the newest is 20 hours old or more (or dated
// after `maintenant`: the clock was put back, and a copy from the future proves nothing).
bool CopieAutomatiqueDue(const QDateTime& maintenant);
// Deletes the automatic copies beyond the 30 newest, never `copieGardee` (a file name).
// Returns the names deleted.
QStringList SupprimerAnciennesCopies(const QString& dossier, const QString& copieGardee);
// Deletes the temporary files left by copies that were cut short (a killed program).
// Those of a copy still running in another instance of the program are left alone.
int NettoyerCopiesInterrompues(const QString& dossier);

// Throws ErreurBD (French reason) unless the file is a whole database of this program:
// SQLite, PRAGMA integrity_check "ok", the six tables with their columns.
void VerifierCopie(const QString& chemin);

// What a copy holds, for the clerk to decide whether to restore it.
struct ContenuCopie {
    QDateTime moment;  // from its name when it has one of the program's names, else its date of change
    qint64 commandes = 0;
    qint64 pieces = 0;
    qint64 representations = 0;
    qint64 vendeurs = 0;
};
// Checks the file as VerifierCopie does, then counts. Throws ErreurBD.
ContenuCopie ExaminerCopie(const QString& chemin);

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

// Replaces BD.mdb by the copy at `chemin`, which is checked first. The present BD.mdb is
// first copied to "sauvegardes" as BD-AAAAMMJJ-HHMMSS-avant-restauration.mdb; the chosen
// copy is then written beside BD.mdb under a temporary name, checked, flushed, and renamed
// over it; the connection is opened again on it. Any failure leaves BD.mdb as it was and
// throws ErreurBD. Returns the path of the copy made before the restore.
QString RestaurerCopie(const QString& chemin, const QDateTime& maintenant);

// Abandons every copy in progress (the connection is about to close or change).
void InterrompreCopies();

}  // namespace modBD
