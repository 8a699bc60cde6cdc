// Employees' accounts and signing in. Passwords are kept only as Argon2id strings made by
// libsodium (salt and costs inside the string); the typed password is wiped from memory as
// soon as it has been hashed or checked, whatever the outcome.
#pragma once

#include "modBD_Journal.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace modBD {

struct CompteEmploye {
    qint64 no = 0;
    QString nom;
    Role role = Role::Aucun;
    bool actif = true;
};

inline constexpr int kLongueurMinMotDePasse = 8;
inline constexpr int kEssaisAvantBlocage = 5;

// Names compared blind to case and accents ("Émile" and "emile" are one name).
QString PlierNomCompte(const QString& nom);

QList<CompteEmploye> ListeComptes();   // by name
QStringList NomsComptesActifs();       // by name, for the sign-in list

// The writes of the accounts window. Open to anyone while no active account exists (the first
// account must then be an administrator's), to "Administration" afterwards. Each wipes the
// password it is given. Throws ErreurBD with the French reason (name taken, password too short…).
qint64 CreerCompte(const QString& nom, Role role, QByteArray& motDePasse);
void RenommerCompte(qint64 no, const QString& nom);
void ChangerRoleCompte(qint64 no, Role role);
void DefinirCompteActif(qint64 no, bool actif);
void ReinitialiserMotDePasse(qint64 no, QByteArray& motDePasse);

enum class IssueConnexion { Reussie, Refusee, Bloquee };
struct ResultatConnexion {
    IssueConnexion issue = IssueConnexion::Refusee;
    QString message;  // "Nom ou mot de passe incorrect." / "Trop d'essais : réessayez dans N s."
};
// Checks the pair and, when right, opens the session (DefinirSession). After kEssaisAvantBlocage
// wrong passwords for one name, that name waits on this station (counted in memory).
// journaliserEchecs: false for a read-only base (the report tool).
ResultatConnexion Connecter(const QString& nom, QByteArray& motDePasse, bool journaliserEchecs = true);

// For the tests: the wait after too many tries (60 s), the clock (ms), the hashing costs
// (libsodium's lowest when true), and a fresh count of failures.
void DefinirDureeBlocage(int secondes);
void DefinirHorlogeConnexion(std::function<qint64()> horlogeMs);
void DefinirCoutsMinimaux(bool minimaux);
void OublierEchecsConnexion();

// Argon2id string of a password (wiped afterwards), and its check.
QString HacherMotDePasse(QByteArray& motDePasse);
bool VerifierMotDePasse(const QString& empreinte, QByteArray& motDePasse);

}  // namespace modBD
