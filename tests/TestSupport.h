// Shared by the test programs: a fresh program folder with a fresh BD.mdb for each test,
// the message-box seam switched on, a pinned locale, and quick ways to fill the tables.
#pragma once

#include "modBD.h"

#include <QLocale>
#include <QSqlDatabase>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

class QComboBox;
class QListWidget;
class QWidget;

namespace TestSupport {

// Call once from initTestCase: application settings as the program sets them, message boxes recorded.
void InitialiserProgrammeTest();

// The engine the tests run on: BD.mdb, or the throwaway PostgreSQL server when the test
// command runs them a second time (CORV_MOTEUR_TEST=postgresql, CORV_PG_HOTE, CORV_PG_PORT).
// A run that asks for the server and cannot reach it stops at once, loudly.
bool SurServeur();
// A connection named nom to a database of the test server, as its superuser.
QSqlDatabase ConnexionServeurTest(const QString& nom, const QString& base = QStringLiteral("postgres"));
// Runs one statement as the test server's superuser (on base); fatal when it fails.
void ExecuterSurServeur(const QString& sql, const QString& base = QStringLiteral("postgres"));
// A new empty database on the test server (no tables), and its removal.
QString CreerBaseServeurVide();
void SupprimerBaseServeur(const QString& nom);
// Writes corvandelle.ini into dossier, naming that base (and the user; empty: the superuser).
void EcrireReglagesServeur(const QString& dossier, const QString& base, const QString& utilisateur = QString());

// How an opening went: the kind of failure and its message (Aucun and empty when it opened).
struct Ouverture {
    modBD::EchecOuverture echec = modBD::EchecOuverture::Aucun;
    QString message;
};
// Opens the base as the program does (modBD::OuvrirBase), or the given file read-only.
Ouverture Ouvrir();
Ouverture OuvrirLecture(const QString& chemin);

// A program folder with an empty database made from the program's schema, opened as the
// program opens it: BD.mdb, or on the server a fresh database named by corvandelle.ini.
class BaseTest {
public:
    explicit BaseTest(bool ouvrir = true);
    ~BaseTest();
    QString dossier() const;
    QString chemin() const;       // BD.mdb (absent on the server)
    QString baseServeur() const;  // the server database's name (empty on BD.mdb)
    // What the program hands the report tool: BD.mdb, or corvandelle.ini on a server.
    QString cheminBase() const;
    // Direct inserts for setting up a case; return the new number.
    qint64 AjouterPiece(const QString& nom);
    qint64 AjouterRepresentation(qint64 noPiece, const QString& date);
    qint64 AjouterVendeur(const QString& nom, bool comedien = false);
    // Count rows of a table (or with a WHERE clause without values).
    qint64 Compter(const QString& table, const QString& condition = QString());
    QVariant Valeur(const QString& sql, const QVariantList& valeurs = {});
    // One statement through a connection of its own, as another program (the report tool) would.
    void ExecuterAilleurs(const QString& sql, const QVariantList& valeurs = {}) const;
private:
    std::unique_ptr<QTemporaryDir> m_dossier;
    QString m_baseServeur;
};

// Another program holds the write lock on the base (the report tool, say) until Liberer()
// or destruction. On the file: a second connection's BEGIN EXCLUSIVE (reads wait too) or
// BEGIN IMMEDIATE. On the server: a second connection's EXCLUSIVE lock on the six tables
// (reads pass, writes wait, then are refused).
class VerrouAutreProgramme {
public:
    explicit VerrouAutreProgramme(const BaseTest& base, bool exclusif = true);
    ~VerrouAutreProgramme();
    void Liberer();
    VerrouAutreProgramme(const VerrouAutreProgramme&) = delete;
    VerrouAutreProgramme& operator=(const VerrouAutreProgramme&) = delete;
private:
    bool m_actif = false;
};

// A disk that fills: while it lives, this process writes no file beyond `octets` bytes (the
// write fails with "File too large" instead of the signal that would end the process).
class DisquePlein {
public:
    explicit DisquePlein(unsigned long octets);
    ~DisquePlein();
    bool actif() const { return m_actif; }
    DisquePlein(const DisquePlein&) = delete;
    DisquePlein& operator=(const DisquePlein&) = delete;
private:
    unsigned long m_avant = 0;
    bool m_actif = false;
};

// The program's connection refuses every write from now on (true), as a read-only file or a
// read-only server session does, or accepts them again (false).
void RefuserEcritures(bool refuser);

// A PostgreSQL server of this test program's own, for faults that would disturb the other
// test programs sharing the fixture's server (stopping it). While it lives, the server
// bases of BaseTest are made on it.
class ServeurPrive {
public:
    ServeurPrive();
    ~ServeurPrive();
    void Suspendre();  // stopped, as a server that goes away
    void Reprendre();  // started again on the same data
    ServeurPrive(const ServeurPrive&) = delete;
    ServeurPrive& operator=(const ServeurPrive&) = delete;
private:
    QString m_dossier;
    QByteArray m_hoteAvant;
};
// The one private server while it lives (null otherwise).
ServeurPrive* ServeurPriveActif();

void DefinirLocale(const QLocale& locale);
QLocale LocaleFrancaise();  // fr_CA, as the program chooses on a non-French system
QLocale LocaleAnglaise();   // en_US

// The faults a database file can meet while the program runs, applied to the open BD.mdb
// and removed again. Read-only: the connection refuses writes (PRAGMA query_only, since root
// writes through file permissions) and, when not root, the file loses its write permission
// too. Locked: another connection holds a write transaction, as the report tool may.
// Not a database: the file's first 100 bytes are overwritten in place (same file, same inode).
// Missing: the file is moved away.
// On the server the file faults make no sense; ServeurArrete stops the (private) server instead.
enum class Panne { LectureSeule, Verrouillee, PasUneBase, Absente, ServeurArrete };
// The faults a base of the engine under test can meet.
QList<Panne> PannesPossibles();
QString NomPanne(Panne panne);
// A few words every French message about this fault must hold.
QString MotPanne(Panne panne);

class PanneBD {
public:
    PanneBD(const BaseTest& base, Panne panne);
    ~PanneBD();  // removes the fault if still there
    // Removes the fault; the file is as it was before.
    void Retirer();
    // True while the file shows no trace of a write since the fault was applied
    // (not a database: still the same garbage and size; missing: no file came back).
    bool FichierIntouche() const;
    PanneBD(const PanneBD&) = delete;
    PanneBD& operator=(const PanneBD&) = delete;
private:
    struct Etat;
    std::unique_ptr<Etat> m_etat;
};

// Every row of the six tables as text, table by table in number order.
QString ContenuDesTables();

// SHA-256 of a file's bytes (empty when it cannot be read): "this file was not changed".
QByteArray Empreinte(const QString& chemin);
// The names of the files (hidden ones too) in a folder, sorted, but for the program's own bookkeeping.
QStringList FichiersDe(const QString& dossier);

// The entries of a list, in order.
QStringList Textes(const QComboBox* cbo);
QStringList Textes(const QListWidget* lst);
// Empty when the focus goes through the controls in this order; otherwise the order found.
QString OrdreTabulation(const QList<QWidget*>& ordre);
// The named controls that Tab reaches, in the window's focus chain, from premier.
QStringList OrdreTabulation(QWidget* premier);

// The stock windows' catalogue: Hamlet (two performances), Tartuffe (none), Phèdre (one);
// three sellers, Bruno an actor.
struct CatalogueStock {
    qint64 hamlet1 = 0, hamlet2 = 0, phedre = 0;
    qint64 alice = 0, bruno = 0, zoe = 0;
};
CatalogueStock RemplirCatalogueStock(BaseTest& base);

// Saves a picture of the window under the build tree; returns the file's path.
QString Rendre(QWidget* fenetre, const QString& nom);

}  // namespace TestSupport
