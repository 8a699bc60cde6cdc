// Shared by the test programs: a fresh program folder with a fresh BD.mdb for each test,
// the message-box seam switched on, a pinned locale, and quick ways to fill the tables.
#pragma once

#include <QLocale>
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

// A program folder with an empty BD.mdb made from the program's schema, opened as the program opens it.
class BaseTest {
public:
    explicit BaseTest(bool ouvrir = true);
    ~BaseTest();
    QString dossier() const;
    QString chemin() const;
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
};

void DefinirLocale(const QLocale& locale);
QLocale LocaleFrancaise();  // fr_CA, as the program chooses on a non-French system
QLocale LocaleAnglaise();   // en_US

// The faults a database file can meet while the program runs, applied to the open BD.mdb
// and removed again. Read-only: the connection refuses writes (PRAGMA query_only, since root
// writes through file permissions) and, when not root, the file loses its write permission
// too. Locked: another connection holds a write transaction, as the report tool may.
// Not a database: the file's first 100 bytes are overwritten in place (same file, same inode).
// Missing: the file is moved away.
enum class Panne { LectureSeule, Verrouillee, PasUneBase, Absente };
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

// The entries of a list, in order.
QStringList Textes(const QComboBox* cbo);
QStringList Textes(const QListWidget* lst);
// Empty when the focus goes through the controls in this order; otherwise the order found.
QString OrdreTabulation(const QList<QWidget*>& ordre);

// Saves a picture of the window under the build tree; returns the file's path.
QString Rendre(QWidget* fenetre, const QString& nom);

}  // namespace TestSupport
