#include "modBD_Comptes.h"

#include "modBD.h"

#include <QDateTime>
#include <QHash>
#include <QSqlQuery>
#include <sodium.h>

namespace modBD {

namespace {
int g_dureeBlocage = 60;
std::function<qint64()> g_horloge;
bool g_coutsMinimaux = false;

struct Essais {
    int echecs = 0;
    qint64 jusqua = 0;  // ms: the name waits until then
};
QHash<QString, Essais> g_essais;

qint64 Maintenant() { return g_horloge ? g_horloge() : QDateTime::currentMSecsSinceEpoch(); }

void Effacer(QByteArray& motDePasse) {
    if (!motDePasse.isEmpty()) sodium_memzero(motDePasse.data(), static_cast<size_t>(motDePasse.size()));
    motDePasse.clear();
}

void InitialiserSodium() {
    if (sodium_init() < 0) throw ErreurBD(QStringLiteral("La bibliothèque de chiffrement (libsodium) ne s'initialise pas."));
}

// Wipes the password when leaving, whatever happens.
struct Effaceur {
    QByteArray& octets;
    ~Effaceur() { Effacer(octets); }
};

// Writing the accounts: anyone while no active account exists, then an administrator.
void ExigerDroitComptes() {
    if (ComptesDefinis()) ExigerRole(Role::Administration);
}

QString NomCompteValide(const QString& nom) {
    const QString propre = nom.simplified();
    if (propre.isEmpty()) throw ErreurBD(QStringLiteral("Le nom du compte est vide."));
    return propre;
}

void VerifierNomLibre(const QString& nom, qint64 sauf) {
    const QString plie = PlierNomCompte(nom);
    QSqlQuery q = Executer(QStringLiteral("SELECT NoCompte, Nom FROM CompteEmploye"));
    while (q.next())
        if (q.value(0).toLongLong() != sauf && PlierNomCompte(q.value(1).toString()) == plie)
            throw ErreurBD(QStringLiteral("Le nom « %1 » est déjà celui d'un compte.").arg(q.value(1).toString()));
}

QString NomDuCompte(qint64 no) {
    QSqlQuery q = Executer(QStringLiteral("SELECT Nom FROM CompteEmploye WHERE NoCompte = ?"), {no});
    if (!q.next()) throw ErreurBD(QStringLiteral("Le compte n° %1 n'existe plus.").arg(no));
    return q.value(0).toString();
}

// After the change: at least one active administrator must remain once accounts exist (with
// none active, the program would open to anyone again).
void VerifierAdministrateurRestant() {
    QSqlQuery q = Executer(QStringLiteral("SELECT COUNT(*) FROM CompteEmploye"));
    if (!q.next() || q.value(0).toLongLong() == 0) return;
    q.finish();
    QSqlQuery a = Executer(QStringLiteral("SELECT COUNT(*) FROM CompteEmploye WHERE Actif = 1 AND Role = ?"),
                           {NomRole(Role::Administration)});
    if (!a.next() || a.value(0).toLongLong() == 0)
        throw ErreurBD(QStringLiteral("Il doit rester au moins un compte actif « Administration » : rien n'a été enregistré."));
}

// One write of the accounts: the right checked, the table made on a file base, the journal kept.
template <class Ecriture>
void EcrireComptes(const QString& action, const QString& objet, Ecriture&& ecriture) {
    EnTransaction([&](Transaction& transaction) {
        ExigerDroitComptes();
        AssurerTable(kTableComptes);
        ecriture();
        VerifierAdministrateurRestant();
        Journaliser(action, objet);
        transaction.Valider();
    });
}

void JournaliserEchec(const QString& nom) {
    try {
        EnTransaction([&](Transaction& transaction) {
            Journaliser(QStringLiteral("Connexion refusée"), QStringLiteral("Compte %1").arg(nom));
            transaction.Valider();
        });
    } catch (const ErreurBD&) {
        // A base that cannot be written still lets the clerk try again.
    }
}
}  // namespace

QString PlierNomCompte(const QString& nom) {
    const QString decompose = nom.simplified().normalized(QString::NormalizationForm_KD);
    QString sansAccents;
    for (const QChar c : decompose)
        if (c.category() != QChar::Mark_NonSpacing) sansAccents += c;
    return sansAccents.toCaseFolded();
}

QList<CompteEmploye> ListeComptes() {
    QList<CompteEmploye> comptes;
    if (!TablePresente(kTableComptes)) return comptes;
    QSqlQuery q = Executer(QStringLiteral("SELECT NoCompte, Nom, Role, Actif FROM CompteEmploye"));
    while (q.next())
        comptes.append({q.value(0).toLongLong(), q.value(1).toString(), RoleDeNom(q.value(2).toString()),
                        q.value(3).toLongLong() != 0});
    std::sort(comptes.begin(), comptes.end(), [](const CompteEmploye& a, const CompteEmploye& b) {
        return QString::localeAwareCompare(a.nom, b.nom) < 0;
    });
    return comptes;
}

QStringList NomsComptesActifs() {
    QStringList noms;
    for (const CompteEmploye& c : ListeComptes())
        if (c.actif) noms << c.nom;
    return noms;
}

QString HacherMotDePasse(QByteArray& motDePasse) {
    Effaceur effaceur{motDePasse};
    InitialiserSodium();
    if (motDePasse.size() < kLongueurMinMotDePasse)
        throw ErreurBD(QStringLiteral("Le mot de passe doit compter au moins %1 caractères.").arg(kLongueurMinMotDePasse));
    char empreinte[crypto_pwhash_STRBYTES];
    const auto ops = g_coutsMinimaux ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE;
    const auto mem = g_coutsMinimaux ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE;
    if (crypto_pwhash_str(empreinte, motDePasse.constData(), static_cast<unsigned long long>(motDePasse.size()), ops, mem) != 0)
        throw ErreurBD(QStringLiteral("Mémoire insuffisante pour protéger le mot de passe : rien n'a été enregistré."));
    return QString::fromLatin1(empreinte);
}

bool VerifierMotDePasse(const QString& empreinte, QByteArray& motDePasse) {
    Effaceur effaceur{motDePasse};
    InitialiserSodium();
    const QByteArray e = empreinte.toLatin1();
    return crypto_pwhash_str_verify(e.constData(), motDePasse.constData(),
                                    static_cast<unsigned long long>(motDePasse.size())) == 0;
}

qint64 CreerCompte(const QString& nom, Role role, QByteArray& motDePasse) {
    const QString propre = NomCompteValide(nom);
    if (role == Role::Aucun) throw ErreurBD(QStringLiteral("Choisissez le rôle du compte."));
    const QString empreinte = HacherMotDePasse(motDePasse);
    qint64 no = 0;
    EcrireComptes(QStringLiteral("Compte créé"), QStringLiteral("Compte %1").arg(propre), [&] {
        VerifierNomLibre(propre, 0);
        QSqlQuery q = Executer(QStringLiteral("SELECT COUNT(*) FROM CompteEmploye"));
        if (q.next() && q.value(0).toLongLong() == 0 && role != Role::Administration)
            throw ErreurBD(QStringLiteral("Le premier compte doit être celui d'un administrateur (rôle « Administration »)."));
        no = InsererEtObtenirNumero(QStringLiteral("INSERT INTO CompteEmploye (Nom, Role, Empreinte, Actif) VALUES (?, ?, ?, 1)"),
                                    {propre, NomRole(role), empreinte}, QStringLiteral("NoCompte"));
    });
    return no;
}

void RenommerCompte(qint64 no, const QString& nom) {
    const QString propre = NomCompteValide(nom);
    EcrireComptes(QStringLiteral("Compte renommé"), QStringLiteral("Compte %1").arg(propre), [&] {
        NomDuCompte(no);
        VerifierNomLibre(propre, no);
        Executer(QStringLiteral("UPDATE CompteEmploye SET Nom = ? WHERE NoCompte = ?"), {propre, no});
    });
}

void ChangerRoleCompte(qint64 no, Role role) {
    if (role == Role::Aucun) throw ErreurBD(QStringLiteral("Choisissez le rôle du compte."));
    EcrireComptes(QStringLiteral("Rôle changé"), QStringLiteral("Compte n° %1").arg(no), [&] {
        NomDuCompte(no);
        Executer(QStringLiteral("UPDATE CompteEmploye SET Role = ? WHERE NoCompte = ?"), {NomRole(role), no});
    });
}

void DefinirCompteActif(qint64 no, bool actif) {
    EcrireComptes(actif ? QStringLiteral("Compte réactivé") : QStringLiteral("Compte désactivé"),
                  QStringLiteral("Compte n° %1").arg(no), [&] {
                      NomDuCompte(no);
                      Executer(QStringLiteral("UPDATE CompteEmploye SET Actif = ? WHERE NoCompte = ?"), {actif ? 1 : 0, no});
                  });
}

void ReinitialiserMotDePasse(qint64 no, QByteArray& motDePasse) {
    const QString empreinte = HacherMotDePasse(motDePasse);
    EcrireComptes(QStringLiteral("Mot de passe réinitialisé"), QStringLiteral("Compte n° %1").arg(no), [&] {
        NomDuCompte(no);
        Executer(QStringLiteral("UPDATE CompteEmploye SET Empreinte = ? WHERE NoCompte = ?"), {empreinte, no});
    });
}

ResultatConnexion Connecter(const QString& nom, QByteArray& motDePasse, bool journaliserEchecs) {
    Effaceur effaceur{motDePasse};
    const QString plie = PlierNomCompte(nom);
    Essais& essais = g_essais[plie];
    const qint64 maintenant = Maintenant();
    if (essais.jusqua > maintenant) {
        const qint64 reste = (essais.jusqua - maintenant + 999) / 1000;
        return {IssueConnexion::Bloquee, QStringLiteral("Trop d'essais : réessayez dans %1 s.").arg(reste)};
    }
    QString empreinte;
    QString nomStocke;
    Role role = Role::Aucun;
    for (const CompteEmploye& c : ListeComptes()) {
        if (!c.actif || PlierNomCompte(c.nom) != plie) continue;
        QSqlQuery q = Executer(QStringLiteral("SELECT Empreinte FROM CompteEmploye WHERE NoCompte = ?"), {c.no});
        if (q.next()) empreinte = q.value(0).toString();
        nomStocke = c.nom;
        role = c.role;
    }
    if (!empreinte.isEmpty() && VerifierMotDePasse(empreinte, motDePasse)) {
        essais = Essais{};
        DefinirSession(nomStocke, role);
        return {IssueConnexion::Reussie, QString()};
    }
    if (journaliserEchecs) JournaliserEchec(nomStocke.isEmpty() ? nom.simplified() : nomStocke);
    if (++essais.echecs >= kEssaisAvantBlocage) {
        essais = Essais{0, maintenant + qint64(g_dureeBlocage) * 1000};
        return {IssueConnexion::Bloquee, QStringLiteral("Trop d'essais : réessayez dans %1 s.").arg(g_dureeBlocage)};
    }
    return {IssueConnexion::Refusee, QStringLiteral("Nom ou mot de passe incorrect.")};
}

void DefinirDureeBlocage(int secondes) { g_dureeBlocage = secondes; }
void DefinirHorlogeConnexion(std::function<qint64()> horlogeMs) { g_horloge = std::move(horlogeMs); }
void DefinirCoutsMinimaux(bool minimaux) { g_coutsMinimaux = minimaux; }
void OublierEchecsConnexion() { g_essais.clear(); }

}  // namespace modBD
