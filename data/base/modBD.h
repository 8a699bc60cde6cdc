// The data store: the one connection (BD.mdb, or a PostgreSQL server named in
// corvandelle.ini), its schema, the lookups by name, and the helpers every write goes
// through. Knows nothing of widgets; the windows never know which engine is behind it.
#pragma once

#include "modBD_Reglages.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QList>
#include <functional>
#include <optional>
#include <stdexcept>
#include <type_traits>

namespace modBD {

// What kind of failure, for the few callers that act on it.
enum class NatureErreur {
    Ordinaire,
    Conflit,          // the server aborted the transaction (serialization failure, deadlock): may be replayed
    ConnexionPerdue,  // the server went away before anything was committed
    DisquePlein,      // the disk of BD.mdb is full: nothing was written
    BaseRemplacee,    // BD.mdb was restored by another program: reopened, nothing was written
    BaseIndisponible, // the base could not be written (busy, full, read-only, replaced): nothing wrong with the entry
    IssueInconnue,    // the answer to a commit was lost and the server is still away: its token settles it later
    ReponsePerdue,    // the answer to a commit was lost and the token says nothing was written
    Annulee,          // a read abandoned at the clerk's request while the server ran it: nothing changed
};


// Every failure that the clerk must hear about: the text is French and ready to show.
class ErreurBD : public std::runtime_error {
public:
    explicit ErreurBD(const QString& message, NatureErreur nature = NatureErreur::Ordinaire);
    QString message() const { return m_message; }
    NatureErreur nature() const { return m_nature; }
private:
    QString m_message;
    NatureErreur m_nature;
};

// True when the entry itself was refused (a name gone, a value out of range): the clerk must
// correct it. False when the base could not be written: the same entry may simply be tried again.
bool ContenuRefuse(const ErreurBD& erreur);
// True when the message is complete as it stands and is shown without a wrapper.
bool MessageComplet(const ErreurBD& erreur);

// Where the program folder is (BD.mdb, sauvegardes/, and for a build corvandelle.ini). The
// executable's folder, except for an installed program, which may not write there: its data
// then lives in $XDG_DATA_HOME/corvandelle (~/.local/share/corvandelle). Tests point it elsewhere.
void DefinirDossierProgramme(const QString& dossier);
QString DossierProgramme();
QString CheminBD();  // full path of BD.mdb
// Another base file (the command line's --base): its folder takes the copies.
void DefinirCheminBD(const QString& chemin);

// Installed means the executable lies under /usr/. Empty: the real executable's folder;
// tests pretend to be installed (or not) through it.
void DefinirDossierExecutable(const QString& dossier);
bool ProgrammeInstalle();
bool EstDossierInstalle(const QString& dossierExecutable);
// Where the settings are looked for, in order; the first that exists is read. Installed: the
// user's $XDG_CONFIG_HOME/corvandelle/corvandelle.ini, then the site-wide one in the system folder.
QStringList CheminsReglages();
// The site-wide settings folder (/etc/corvandelle); tests point it elsewhere. Empty: the default.
void DefinirDossierReglagesSysteme(const QString& dossier);
// True when both paths name one file: the same path, or the same existing file reached
// another way (a link, "..").
bool MemeFichier(const QString& a, const QString& b);

// Why an opening failed.
enum class EchecOuverture {
    Aucun,
    FichierAbsent,        // no BD.mdb: it may be created
    FichierInutilisable,  // BD.mdb is no usable database, or the server base lacks some tables
    ReglagesInvalides,    // corvandelle.ini cannot be read or names an unknown engine
    ServeurInjoignable,   // the server refused or did not answer
    TablesAbsentes,       // the server base holds none of the six tables: they may be created
};
// A failed opening: its message (French, names the file or the server and the reason) and its kind.
class ErreurOuverture : public ErreurBD {
public:
    ErreurOuverture(EchecOuverture echec, const QString& message);
    EchecOuverture echec() const { return m_echec; }
    // The sentence that tells the clerk what was left untouched.
    QString rienModifie() const { return m_rienModifie; }
private:
    EchecOuverture m_echec;
    QString m_rienModifie;
};

// The one connection. Valid (but closed) before OuvrirConnexion.
QSqlDatabase Connexion();
// Reads corvandelle.ini when there is one, then opens BD.mdb or the server base.
// Never creates nor alters a file or a table; shows nothing. Throws ErreurOuverture.
void OuvrirBase();
// Opens the given file for reading only (the report tool): same checks and messages, and
// no statement can change the file. Never creates a file. A path ending in ".ini" is a
// settings file: the base it names is opened as OuvrirBaseLectureReglages does.
void OuvrirBaseLecture(const QString& chemin);
// Opens, for reading only, the base a settings file names (the report tool started on a
// server base): a server session that refuses every write, or BD.mdb read-only.
void OuvrirBaseLectureReglages(const QString& fichierReglages);
// The same openings with a Boolean result: true when the connection is open, false (and
// nothing said) when anything failed. For callers that need no reason.
bool OuvrirConnexion();
bool OuvrirConnexionLecture(const QString& chemin);
bool OuvrirConnexionLectureReglages(const QString& fichierReglages);
void FermerConnexion();
bool ConnexionOuverte();
// The server's parameters of the settings last read by OuvrirConnexion.
ParametresServeur ServeurActif();
// How the base is named to the clerk: the file's path, or the database and its server.
QString DescriptionBase();
// What another program of the house (the report tool) is handed to open the base in use:
// the file itself, or the settings file that names the server base.
QString BasePourAutreProgramme();
// The base the program designates: its settings file when there is one (see CheminReglages), else BD.mdb.
QString BaseDuDossierProgramme();

// BD.mdb was replaced under the open connection (another program restored a copy). When no
// transaction is open, the connection is reopened on the new file and true is returned; the
// notice for the clerk is then waiting in AvisBaseRemplacee. Cheap: one stat of the file.
bool ReprendreBaseRemplacee();
// The notice of the last replacement noticed, said once: empty afterwards and when none.
QString AvisBaseRemplacee();
// What a restore leaves beside the copies for the other programs: the copy's moment and the
// new file, so that they can name the copy when they notice the replacement.
QString CheminMarqueRestauration(const QString& cheminBase);
QString MessageBaseRestauree(const QDateTime& momentCopie);

// On a server, the database administrator's own session for the writes the clerks' role may
// not make (the accounts: it has only SELECT on CompteEmploye). While it lives, every statement
// of the program goes through it; it is closed and forgotten at its end. The password is wiped
// at once. Throws ErreurBD with the French reason when the server refuses the pair.
class ConnexionAdministrateur {
public:
    ConnexionAdministrateur(const QString& utilisateur, QByteArray& motDePasse);
    ~ConnexionAdministrateur();
    ConnexionAdministrateur(const ConnexionAdministrateur&) = delete;
    ConnexionAdministrateur& operator=(const ConnexionAdministrateur&) = delete;
};
// True when the base is on a server: the accounts' writes then need ConnexionAdministrateur.
bool BaseSurServeur();

// Creates the six tables in the server base of corvandelle.ini (the answer "Oui" to the
// first-run question). Throws ErreurBD when the account may not create them.
void CreerTablesServeur();
// The program's tables that the open base holds, with the program's spelling.
QStringList TablesPresentes();
// Changes every time the connection is opened or closed: what is kept in memory about the
// file's content (the order search's folded names) compares it to know it is still that file.
quint64 NumeroConnexion();

// Creates a new database holding the six empty tables. Refuses to touch an existing file.
void CreerBaseVide(const QString& chemin);
QString SchemaSql();
QStringList TablesRequises();

// Runs one statement with bound values; throws ErreurBD with a French message on failure.
// On a server whose connection was lost, the next statement outside a transaction first
// reconnects by itself.
QSqlQuery Executer(const QString& sql, const QVariantList& valeurs = {});
// After reading a query's rows to the end: throws as Executer would when next() stopped on a
// failure instead of the last row, so that a list cut short never passes for the whole one.
void VerifierLectureComplete(const QSqlQuery& requete);
// Runs an INSERT and returns the number the base gave the new row in column colonne
// (RETURNING on the server, the last row id on the file).
qint64 InsererEtObtenirNumero(const QString& sql, const QVariantList& valeurs, const QString& colonne);
// Turns a driver error into the French sentence the clerk reads.
QString MessageErreur(const class QSqlError& erreur);

// All-or-nothing group of writes. Rolls back when destroyed uncommitted.
// On the file: BEGIN IMMEDIATE (the write lock at once). On a server: SERIALIZABLE, so a
// test and the write it guards cannot be raced by another station; the server then aborts
// one of two conflicting transactions, and EnTransaction replays it.
class Transaction {
public:
    Transaction();
    ~Transaction();
    void Valider();  // commit; throws ErreurBD
    // For a unit that tests whether a row exists before adding it: no other station adds to
    // table until this unit ends. Call it before the unit's first statement.
    void ReserverAjouts(const QString& table);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
private:
    bool m_active = false;
};

// How many times a unit of work aborted by the server is run again before the clerk is told.
inline constexpr int kEssaisTransaction = 6;
namespace detail {
// Decides after a failed attempt: true to run the unit again (after a short, random pause,
// and a reconnection when the connection was lost before anything was committed). Otherwise
// throws the ErreurBD the clerk reads.
bool Rejouer(const ErreurBD& erreur, int essai);
}  // namespace detail

// Runs travail(Transaction&) as one unit of work: travail calls Valider() itself when its
// writes must stay (returning without it rolls back). Conflicts are replayed whole, so
// travail must compute everything it writes inside itself.
template <class Travail>
auto EnTransaction(Travail&& travail) -> std::invoke_result_t<Travail&, Transaction&> {
    for (int essai = 1;; ++essai) {
        try {
            Transaction transaction;
            return travail(transaction);
        } catch (const ErreurBD& e) {
            if (!detail::Rejouer(e, essai)) throw;
        }
    }
}

// Run about every 50 ms once the program has waited that long for the server: for a commit's
// answer (at most 10 s, then the commit is cancelled), and, on a read-only session (the report
// tool), for any read. The windows' layer sets it so that they repaint. It must not use the
// base. Returning true abandons a read under way (the server stops it; ErreurBD of nature
// Annulee); a commit is never abandoned that way. Empty: nothing runs, reads simply wait.
void DefinirPendantAttente(std::function<bool()> pendantAttente);

// A unique token made by the station before it writes an order, a stock movement or an
// exchange: stored with it in JetonOperation, it settles a commit whose answer was lost.
QString NouveauJeton();

// The clerk's texts when the answer to a commit was lost: the token says nothing was
// written (perdueAvantFin), or the server is still away (enSuspens).
struct TextesPerte {
    QString perdueAvantFin;
    QString enSuspens;
};
TextesPerte TextesPerteCommande();

// Runs travail (its writes, then its result as text: the numbers it made) and records jeton
// with that result in the same transaction, committed here. Done exactly once per token: a
// token already stored returns its stored result without writing; a commit whose answer is
// lost is settled by looking the token up on a new connection (or, when the server is still
// away, at the next call with the same token).
// dejaEcrit: an earlier attempt whose answer was lost had written the unit (the clerk is then
// told the number it got).
struct FaitUneFois {
    QString resultat;
    bool dejaEcrit = false;
};
FaitUneFois FaireUneSeuleFois(const QString& jeton, const TextesPerte& textes, const std::function<QString()>& travail);
// The result stored with a token, or nullopt when the base does not hold it.
std::optional<QString> ResultatJeton(const QString& jeton);
// Tokens whose commit answer was lost and not yet settled.
bool JetonEnSuspens(const QString& jeton);

// Changes whenever another station or program has committed a change to the base since the
// last call could tell (LISTEN/NOTIFY on a server, PRAGMA data_version on BD.mdb). The open
// windows compare it when a list is about to be used and refill it.
quint64 VersionChangementsAilleurs();

// Units of work replayed since the program started (for the load tool and the tests).
int NombreReprises();

// Seller display names: an actor's name carries " (C)".
inline const QString kMarqueComedien = QStringLiteral(" (C)");
QString NomAfficheVendeur(const QString& nom, bool comedien);
QString RetirerMarqueComedien(const QString& nomAffiche);

// Lookups by name. Empty text (or nullopt) when nothing matches.
QString ObtenirNoPiece(const QString& nomPiece);
QString ObtenirNoRepresentation(const QString& noPiece, const QString& dateRepresentation);
std::optional<qint16> ObtenirNoVendeur(const QString& nomAffiche);

// Lists as the windows show them.
QStringList ListePieces();                                   // table order
QStringList ListeDatesRepresentations(const QString& noPiece);  // table order
QStringList ListeVendeursAffiches();                         // by name, " (C)" for actors
struct Vendeur {
    QString nom;
    bool comedien = false;
};
QList<Vendeur> ListeVendeurs();                              // table order

// True when the open base holds that table (false also when the connection is closed).
bool TablePresente(const QString& table);
// The one way the program's own tables (those a base made before them lacks) are made: when
// the base lacks the table, creates it with its indexes, from the running engine's schema
// text, inside the caller's transaction, whose fate it shares (outside one it refuses). A
// server account without the right to create tables gets the statements to hand its
// administrator.
void AssurerTable(const QString& table);
// Work a higher part of the store must do before the connection closes (a copy still reading
// through it is abandoned first): registered by that part, so the core never calls it.
void AvantFermetureConnexion(std::function<void()> action);

// The folder "sauvegardes" beside BD.mdb (not created here).
QString DossierSauvegardes();

// Orders are cancelled in the program's table AnnulationCommande (created with the first cancellation).
inline const QString kTableAnnulations = QStringLiteral("AnnulationCommande");

// The SQL condition "this order is not cancelled" for a column holding NoClient
// (e.g. "c.NoClient"), to put in a WHERE clause; always true when the table is absent.
// The column is the caller's own identifier, never a value typed by the clerk.
QString ConditionNonAnnulee(const QString& colonneNoClient);

namespace detail {
// While a restore works on the connection from another thread, every statement is refused.
void DefinirRestaurationEnCours(bool enCours);
}  // namespace detail

}  // namespace modBD
