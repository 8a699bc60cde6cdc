#include "modBD_Journal.h"

#include "modBD.h"
#include "modBD_Session.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QSysInfo>
#include <QSqlQuery>
#include <algorithm>
#include <optional>
#include <vector>

namespace modBD {

namespace {
QString g_employe;
Role g_role = Role::Aucun;
bool g_session = false;
quint64 g_connexionJournal = 0;  // the connection on which the journal was last seen present
quint64 g_connexionSansJournal = 0;  // the server connection that has no journal and may not make one
quint64 g_connexionComptes = 0;  // the server connection on which the accounts' table was seen
bool g_avisDu = false;           // the missing journal was met and the clerk not told yet
bool g_avisDonne = false;
// Any constant will do, as long as every station takes the same one.
constexpr qint64 kCleVerrouJournal = 0x436F7276;  // "Corv"
const QString kNomConnexionTete = QStringLiteral("JournalTete");

// The row a new one chains from.
struct Tete {
    qint64 no = 0;
    QString empreinte = kEmpreinteInitiale;
};
quint64 g_connexionTete = 0;  // the connection the head's own connection was opened for
std::optional<Tete> g_teteUnite;  // the last row chained by the unit of work under way

// A row of the unit under way, written just before its commit (on a server).
struct LigneEnAttente {
    QString moment, poste, employe, action, objet, detail;
};
std::vector<LigneEnAttente> g_enAttente;

const QString kColonnes = QStringLiteral("NoOperation, Moment, Poste, Employe, Action, Objet, Detail, Empreinte");

bool SurServeur() { return Connexion().driverName() == QLatin1String("QPSQL"); }

QString UtilisateurOrdinateur() {
    QString nom = qEnvironmentVariable("USER");
    if (nom.isEmpty()) nom = qEnvironmentVariable("LOGNAME");
    if (nom.isEmpty()) nom = qEnvironmentVariable("USERNAME");
    return nom.isEmpty() ? QStringLiteral("(inconnu)") : nom;
}

bool SansJournalConnu() { return g_connexionSansJournal != 0 && g_connexionSansJournal == NumeroConnexion(); }

bool JournalPresent() {
    // A file can be replaced under the connection (a restore): only a server's answer is kept.
    if (SurServeur() && g_connexionJournal != 0 && g_connexionJournal == NumeroConnexion()) return true;
    if (SansJournalConnu() || !TablePresente(kTableJournal)) return false;
    g_connexionJournal = NumeroConnexion();
    return true;
}

// On a server the tables are the administrator's: asked first, since a refused CREATE would
// abort the unit of work, and sales never stop for the journal. Asked once per connection
// (the journal's absence too): an administrator who adds the table later is seen after the
// next reconnection.
bool PeutCreerTables() {
    if (!SurServeur()) return true;
    if (SansJournalConnu()) return false;
    QSqlQuery q = Executer(QStringLiteral("SELECT has_schema_privilege(current_schema(), 'CREATE')"));
    const bool peut = q.next() && q.value(0).toBool();
    if (!peut) g_connexionSansJournal = NumeroConnexion();
    return peut;
}

// Every write asks whether accounts exist: on a server the table, once seen, is not looked
// up again on that connection (the catalogue is read for nothing on each sale otherwise).
bool TableComptesPresente() {
    if (SurServeur() && g_connexionComptes != 0 && g_connexionComptes == NumeroConnexion()) return true;
    if (!TablePresente(kTableComptes)) return false;
    g_connexionComptes = NumeroConnexion();
    return true;
}

// On a server the journal's INSERT is prepared once per session: while every other station
// waits on the journal's lock, a row then costs one exchange with the server instead of three
// (Qt prepares, executes and frees a statement for each query).
struct InsertionPreparee {
    std::optional<QSqlQuery> requete;
    quint64 connexion = 0;
};
InsertionPreparee g_insertion;

// Qt frees a prepared statement on whatever session its connection holds when the query is
// dropped: it is dropped before its own session closes, or once that session is gone, never
// on the next one (where the unknown name would abort the unit under way).
void OublierInsertion() { g_insertion = {}; }

void FermerConnexionTete() {
    {
        QSqlDatabase db = QSqlDatabase::database(kNomConnexionTete, false);
        if (db.isOpen()) db.close();
    }
    if (QSqlDatabase::contains(kNomConnexionTete)) QSqlDatabase::removeDatabase(kNomConnexionTete);
    g_connexionTete = 0;
}

Tete LireTete(QSqlQuery& q) {
    Tete tete;
    if (q.next()) tete = {q.value(0).toLongLong(), q.value(1).toString()};
    return tete;
}

const QString kRequeteTete = QStringLiteral("SELECT NoOperation, Empreinte FROM JournalOperation ORDER BY NoOperation DESC LIMIT 1");

// The head's own connection, opened before the journal's lock is taken: a server slow to
// answer a new session must never keep the other stations waiting on that lock.
void OuvrirConnexionTete() {
    if (g_connexionTete == NumeroConnexion()) return;
    FermerConnexionTete();
    static const bool fermeeAvecLaBase = [] {
        AvantFermetureConnexion([] {  // never left open on a base the program left
            OublierInsertion();
            FermerConnexionTete();
        });
        return true;
    }();
    Q_UNUSED(fermeeAvecLaBase);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kNomConnexionTete);
    detail::ConfigurerServeur(db, ServeurActif());
    if (db.open()) {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SET statement_timeout = '10s'"));
    }
    g_connexionTete = NumeroConnexion();  // not tried again before the next reconnection
}

// The last row as committed now, read on a short connection of its own: the unit's serializable
// snapshot was taken at its first statement and may miss rows other stations committed since,
// while the journal's lock (held from here to the unit's end) keeps any new one from coming.
std::optional<Tete> TeteValidee() {
    std::optional<Tete> tete;
    {
        QSqlDatabase db = QSqlDatabase::database(kNomConnexionTete, false);
        if (!db.isOpen()) return std::nullopt;
        QSqlQuery q(db);
        if (q.exec(kRequeteTete)) tete = LireTete(q);
    }
    // Failed: a session ended by the server, or a journal this very unit is creating (not
    // visible from there yet). Opened again next time.
    if (!tete) FermerConnexionTete();
    return tete;
}

// Where the new row chains from. On a server the journal's lock is taken first, for the rest
// of the unit (released by its COMMIT or ROLLBACK, or by the server if the session dies).
// Without the head's connection the unit's own read is used: if it is stale, the new row's
// number is already taken and the unit is refused, never misplaced.
Tete TeteJournal() {
    if (g_teteUnite) return *g_teteUnite;
    if (SurServeur()) {
        OuvrirConnexionTete();
        Executer(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kCleVerrouJournal));
        if (const auto tete = TeteValidee()) return *tete;
    }
    QSqlQuery q = Executer(kRequeteTete);
    return LireTete(q);
}

void AjouterChamp(QByteArray& octets, const QString& champ) {
    const QByteArray utf8 = champ.toUtf8();
    octets += QByteArray::number(utf8.size());
    octets += ':';
    octets += utf8;
}

Operation LireOperation(const QSqlQuery& q) {
    Operation o;
    o.no = q.value(0).toLongLong();
    o.moment = q.value(1).toString();
    o.poste = q.value(2).toString();
    o.employe = q.value(3).toString();
    o.action = q.value(4).toString();
    o.objet = q.value(5).toString();
    o.detail = q.value(6).toString();
    return o;
}

}  // namespace

namespace {
const QString kInsertion = QStringLiteral("INSERT INTO JournalOperation (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?)").arg(kColonnes);

// The station's own server session only (not an administrator's connection of the moment).
bool InsertionGardee() {
    return SurServeur() && detail::SessionActive().enTransaction && Connexion().connectionName() == detail::kNomConnexion &&
           Connexion().isOpen();
}

void Inserer(const QVariantList& valeurs) {
    if (!InsertionGardee()) {
        Executer(kInsertion, valeurs);
        return;
    }
    QSqlDatabase db = Connexion();
    if (g_insertion.requete && g_insertion.connexion != NumeroConnexion()) OublierInsertion();
    if (!g_insertion.requete) {
        // Dropped while Qt still stands: a query destroyed after Qt's own statics at exit
        // would never free its result.
        static const bool oublieeALaFin = (qAddPostRoutine(OublierInsertion), true);
        Q_UNUSED(oublieeALaFin);
        QSqlQuery q(db);
        if (!q.prepare(kInsertion)) throw detail::ErreurDe(db, q.lastError());
        g_insertion = {std::move(q), NumeroConnexion()};
    }
    QSqlQuery& q = *g_insertion.requete;
    for (qsizetype i = 0; i < valeurs.size(); ++i) q.bindValue(static_cast<int>(i), valeurs.at(i));
    if (!q.exec()) throw detail::ErreurDe(db, q.lastError());
}

void EcrireLigne(const LigneEnAttente& l) {
    const Tete tete = TeteJournal();
    const qint64 no = tete.no + 1;
    const QString empreinte = EmpreinteChainon(tete.empreinte, no, l.moment, l.poste, l.employe, l.action, l.objet, l.detail);
    // A null text would be bound as NULL: every field is text, empty when there is nothing.
    const auto texte = [](const QString& t) { return t.isNull() ? QStringLiteral("") : t; };
    Inserer({no, texte(l.moment), texte(l.poste), texte(l.employe), texte(l.action), texte(l.objet), texte(l.detail), empreinte});
    if (detail::SessionActive().enTransaction) g_teteUnite = Tete{no, empreinte};
}
}  // namespace

QStringList NomsRoles() {
    return {QStringLiteral("Porte"), QStringLiteral("Billetterie"), QStringLiteral("Trésorerie"),
            QStringLiteral("Administration")};
}

QString NomRole(Role role) {
    const int i = static_cast<int>(role);
    return i >= 1 && i <= 4 ? NomsRoles().at(i - 1) : QString();
}

Role RoleDeNom(const QString& nom) {
    const qsizetype i = NomsRoles().indexOf(nom);
    return i < 0 ? Role::Aucun : static_cast<Role>(i + 1);
}

QString RolesPermis(Role minimal) {
    const int debut = std::max(1, static_cast<int>(minimal));
    return NomsRoles().mid(debut - 1).join(QStringLiteral(", "));
}

QString TexteReserve(Role minimal) { return QStringLiteral("Réservé à : %1").arg(RolesPermis(minimal)); }

void DefinirSession(const QString& employe, Role role) {
    g_employe = employe;
    g_role = role;
    g_session = true;
}

void FermerSession() {
    g_employe.clear();
    g_role = Role::Aucun;
    g_session = false;
}

bool SessionOuverte() { return g_session; }
QString EmployeSession() { return g_session ? g_employe : UtilisateurOrdinateur(); }
Role RoleSession() { return g_session ? g_role : Role::Aucun; }
QString PosteSession() {
    const QString nom = QSysInfo::machineHostName();
    return nom.isEmpty() ? QStringLiteral("(poste)") : nom;
}

bool ComptesDefinis() {
    if (!ConnexionOuverte() || !TableComptesPresente()) return false;
    QSqlQuery q = Executer(QStringLiteral("SELECT 1 FROM CompteEmploye WHERE Actif = 1 LIMIT 1"));
    return q.next();
}

bool RolePermet(Role minimal) {
    if (g_session) return static_cast<int>(g_role) >= static_cast<int>(minimal);
    return !ComptesDefinis();
}

void ExigerRole(Role minimal) {
    if (RolePermet(minimal)) return;
    if (!g_session)
        throw ErreurBD(QStringLiteral("Aucun employé n'est connecté : rien n'a été enregistré. Connectez-vous d'abord "
                                      "(Fichier > Changer d'employé…)."));
    throw ErreurBD(QStringLiteral("Action réservée à : %1. Rien n'a été enregistré.").arg(RolesPermis(minimal)));
}

QString EmpreinteChainon(const QString& precedente, qint64 noOperation, const QString& moment, const QString& poste,
                         const QString& employe, const QString& action, const QString& objet, const QString& detail) {
    QByteArray octets = precedente.toUtf8();
    for (const QString& champ : {QString::number(noOperation), moment, poste, employe, action, objet, detail})
        AjouterChamp(octets, champ);
    return QString::fromLatin1(QCryptographicHash::hash(octets, QCryptographicHash::Sha256).toHex());
}

void Journaliser(const QString& action, const QString& objet, const QString& detail) {
    if (!JournalPresent()) {
        // Sales never stop for the journal: on a server its table is the administrator's.
        if (!PeutCreerTables()) {
            if (!g_avisDonne) g_avisDu = true;
            return;
        }
        AssurerTable(kTableJournal);
    }
    LigneEnAttente ligne{QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), PosteSession(),
                         EmployeSession(), action, objet, detail};
    // On a server the row waits for the unit's commit: the journal's lock, which makes every other
    // station wait, is then held for the last statements only, not for the whole unit. A row
    // written outside a unit gets one of its own there, to hold the lock while it is chained.
    if (SurServeur()) {
        const bool seul = !detail::SessionActive().enTransaction;
        std::optional<Transaction> propre;
        if (seul) propre.emplace();
        g_enAttente.push_back(std::move(ligne));
        if (seul) propre->Valider();
        return;
    }
    EcrireLigne(ligne);
}

QString AvisJournal() {
    if (!g_avisDu || g_avisDonne) return {};
    g_avisDonne = true;
    return QStringLiteral("Journal des opérations absent : demandez à l'administrateur de créer la table (voir le guide).");
}

QString DerniereEmpreinte() {
    if (!ConnexionOuverte() || !TablePresente(kTableJournal)) return {};
    QSqlQuery q = Executer(QStringLiteral("SELECT Empreinte FROM JournalOperation ORDER BY NoOperation DESC LIMIT 1"));
    return q.next() ? q.value(0).toString() : QString();
}

QString AncreJournal() { return DerniereEmpreinte().left(16); }

QString LigneAncreJournal() {
    const QString ancre = AncreJournal();
    return ancre.isEmpty() ? QString() : QStringLiteral("Journal : %1").arg(ancre);
}

VerificationJournal VerifierJournal(const QString& jusqua, qint64 derniers) {
    VerificationJournal v;
    if (!TablePresente(kTableJournal)) return v;
    QString precedente = kEmpreinteInitiale;
    QString sql = QStringLiteral("SELECT %1 FROM JournalOperation").arg(kColonnes);
    if (derniers > 0) {
        // The row before the last ones gives the chain its start.
        QSqlQuery avant = Executer(QStringLiteral("SELECT NoOperation, Empreinte FROM JournalOperation "
                                                  "ORDER BY NoOperation DESC LIMIT 1 OFFSET ?"), {derniers});
        if (avant.next()) {
            precedente = avant.value(1).toString();
            sql += QStringLiteral(" WHERE NoOperation > %1").arg(avant.value(0).toLongLong());
        }
    }
    QSqlQuery q = Executer(sql + QStringLiteral(" ORDER BY NoOperation"));
    const QString ancre = jusqua.trimmed().toLower();
    while (q.next()) {
        const Operation o = LireOperation(q);
        const QString stockee = q.value(7).toString();
        ++v.nombre;
        if (v.intact &&
            EmpreinteChainon(precedente, o.no, o.moment, o.poste, o.employe, o.action, o.objet, o.detail) != stockee) {
            v.intact = false;
            v.operationFautive = o.no;
        }
        if (!ancre.isEmpty() && stockee.startsWith(ancre)) v.ancreTrouvee = true;
        precedente = stockee;
    }
    VerifierLectureComplete(q);
    return v;
}

QList<Operation> ListeOperations(const FiltreOperations& filtre) {
    QList<Operation> liste;
    if (!TablePresente(kTableJournal)) return liste;
    QStringList conditions;
    QVariantList valeurs;
    const auto condition = [&](const QString& texte, const QString& valeur) {
        if (valeur.isEmpty()) return;
        conditions << texte;
        valeurs << valeur;
    };
    condition(QStringLiteral("substr(Moment, 1, 10) >= ?"), filtre.du);
    condition(QStringLiteral("substr(Moment, 1, 10) <= ?"), filtre.au);
    condition(QStringLiteral("Employe = ?"), filtre.employe);
    condition(QStringLiteral("Action = ?"), filtre.action);
    QString sql = QStringLiteral("SELECT %1 FROM JournalOperation").arg(kColonnes);
    if (!conditions.isEmpty()) sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    QSqlQuery q = Executer(sql + QStringLiteral(" ORDER BY NoOperation DESC"), valeurs);
    while (q.next()) {
        Operation o = LireOperation(q);
        if (!filtre.texte.isEmpty() && !o.objet.contains(filtre.texte, Qt::CaseInsensitive) &&
            !o.detail.contains(filtre.texte, Qt::CaseInsensitive))
            continue;
        liste << o;
        if (filtre.limite > 0 && liste.size() >= filtre.limite) break;
    }
    return liste;
}

namespace {
QStringList Distincts(const QString& colonne) {
    QStringList liste;
    if (!TablePresente(kTableJournal)) return liste;
    QSqlQuery q = Executer(QStringLiteral("SELECT DISTINCT %1 FROM JournalOperation ORDER BY %1").arg(colonne));
    while (q.next()) liste << q.value(0).toString();
    return liste;
}
}  // namespace

QStringList ActionsJournal() { return Distincts(QStringLiteral("Action")); }
QStringList EmployesJournal() { return Distincts(QStringLiteral("Employe")); }

namespace detail {
void AvantTransaction() {
    g_teteUnite.reset();
    g_enAttente.clear();
}

void AvantValidation() {
    std::vector<LigneEnAttente> lignes;
    lignes.swap(g_enAttente);
    for (const LigneEnAttente& ligne : lignes) EcrireLigne(ligne);
}

void ApresTransaction() {
    g_enAttente.clear();
    g_teteUnite.reset();
}

void SessionTerminee() { OublierInsertion(); }
}  // namespace detail

}  // namespace modBD
