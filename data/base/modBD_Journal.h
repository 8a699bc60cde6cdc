// Who is working, what each role may write, and the chained journal of operations. Every
// write of the store calls ExigerRole, then Journaliser, inside its own transaction: a window's
// mistake cannot bypass the check, and a write is never kept without its journal row.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace modBD {

inline const QString kTableJournal = QStringLiteral("JournalOperation");
inline const QString kTableComptes = QStringLiteral("CompteEmploye");

// Each role may do what the roles before it may.
enum class Role { Aucun = 0, Porte = 1, Billetterie = 2, Tresorerie = 3, Administration = 4 };
QString NomRole(Role role);                 // "Porte", "Billetterie", "Trésorerie", "Administration"
Role RoleDeNom(const QString& nom);         // Aucun when unknown
QStringList NomsRoles();                    // the four, lowest first
QString RolesPermis(Role minimal);          // "Trésorerie, Administration"
QString TexteReserve(Role minimal);         // "Réservé à : Trésorerie, Administration"

// The employee signed in on this station. No session: the computer's user name, no role.
void DefinirSession(const QString& employe, Role role);
void FermerSession();
bool SessionOuverte();
QString EmployeSession();
Role RoleSession();
QString PosteSession();  // the station's name

// True when the open base holds at least one active account (then every write needs a session).
bool ComptesDefinis();
// True when the role of the session may do what minimal asks (always true without accounts).
bool RolePermet(Role minimal);
// Throws ErreurBD "Action réservée à : …" when the session may not; called inside each write.
void ExigerRole(Role minimal);

// Appends one row to the journal inside the caller's transaction. action is a short French
// verb phrase ("Commande confirmée"), objet what it acted on ("Commande 812"), detail the
// rest. Never a client's name or phone. A file base gets the table at the first write; a
// server base without it goes on unjournaled (AvisJournal says so once).
// The till and other callers: modBD::Journaliser(QStringLiteral("Caisse fermée"), QStringLiteral("Soirée 12"), detail);
void Journaliser(const QString& action, const QString& objet, const QString& detail = QString());
// The notice owed to the clerk once per start when the journal is missing on a server (empty otherwise).
QString AvisJournal();

// Hex SHA-256 of the previous row's Empreinte, then each field as its byte length, ":" and its bytes.
QString EmpreinteChainon(const QString& precedente, qint64 noOperation, const QString& moment, const QString& poste,
                         const QString& employe, const QString& action, const QString& objet, const QString& detail);
inline const QString kEmpreinteInitiale = QString(64, QLatin1Char('0'));

// The last Empreinte's first 16 characters, printed as "Journal : {…}" on signed pages (empty without journal).
QString AncreJournal();
QString LigneAncreJournal();  // "Journal : 1a2b…" or empty
QString DerniereEmpreinte();  // whole; empty without journal

struct VerificationJournal {
    bool intact = true;
    qint64 nombre = 0;             // rows read
    qint64 operationFautive = 0;   // the first row whose recomputed chain differs
    bool ancreTrouvee = false;     // a row bears the anchor asked for
};
// Recomputes the chain; derniers > 0 checks only that many last rows (from the Empreinte before them).
VerificationJournal VerifierJournal(const QString& jusqua = QString(), qint64 derniers = 0);

struct Operation {
    qint64 no = 0;
    QString moment, poste, employe, action, objet, detail;
};
struct FiltreOperations {
    QString du, au;      // ISO dates, inclusive; empty: no bound
    QString employe;     // exact; empty: everyone
    QString action;      // exact; empty: every action
    QString texte;       // in objet or detail, blind to case
    int limite = 0;      // newest first; 0: all
};
QList<Operation> ListeOperations(const FiltreOperations& filtre = {});
QStringList ActionsJournal();
QStringList EmployesJournal();

namespace detail {
// Around every unit of work. On a server a unit's rows are written by AvantValidation, just
// before its COMMIT, under a lock the unit holds until it ends: each row chains
// from the last one committed, read on a connection of its own (the unit's serializable
// snapshot may be older), and the other stations wait only for those last statements.
void AvantTransaction();
void AvantValidation();
void ApresTransaction();
}  // namespace detail

}  // namespace modBD
