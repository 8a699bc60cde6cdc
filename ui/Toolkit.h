// The thin layer over Qt that the windows share, with the seam tests use:
// message boxes, ending the program, starting the report tool, and the few list,
// field and geometry behaviours the windows rely on.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QAbstractButton;
class QAbstractItemView;
class QApplication;
class QCoreApplication;
class QComboBox;
class QDateEdit;
class QEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QWidget;
class QUrl;

class QPrinter;
namespace modBD {
class ErreurBD;
}

namespace Toolkit {

inline const QString kTitreApplication = QStringLiteral("Corvandelle");

enum class Icone { Aucune, Exclamation, Question, Information, Critique };
enum class Boutons { OK, OuiNon, OuiNonAnnuler };
enum class Reponse { OK, Oui, Non, Annuler };

struct Message {
    QString texte;
    QString titre;
    Icone icone = Icone::Aucune;
    Boutons boutons = Boutons::OK;
    Reponse defaut = Reponse::OK;
};

// Modal message box. An empty title shows the application title.
Reponse MsgBox(QWidget* parent, const QString& texte, Boutons boutons = Boutons::OK, Icone icone = Icone::Aucune,
               const QString& titre = QString(), Reponse defaut = Reponse::OK);
// Entry error: title "Erreur", OK, exclamation icon.
void Erreur(QWidget* parent, const QString& texte);
// A failure of the data store, as every window tells it: what failed (a sentence), then on the
// next line the store's own French text. Title "Erreur", OK, exclamation icon.
void EchecBase(QWidget* parent, const QString& ceQuiAEchoue, const modBD::ErreurBD& e);
// Irreversible action: Yes/No, question icon, No by default. True on Yes.
bool Question(QWidget* parent, const QString& texte, const QString& titre);
// Catalogue notice: OK, no icon, application title.
void Avis(QWidget* parent, const QString& texte);

// File dialogs. An empty text when the clerk cancels. `dossier` is where the dialog opens.
// A save dialog proposes `suffixe` (without its dot: "pdf", "csv", "xlsx", "mdb") and the
// name it returns always ends with it: a name typed without it, or with another, gets it.
QString ChoisirFichierEnregistrement(QWidget* parent, const QString& titre, const QString& dossier,
                                     const QString& nomPropose, const QString& filtre, const QString& suffixe);
// The path ending with ".suffixe" (unchanged when it does already, whatever the case).
QString AvecSuffixe(const QString& chemin, const QString& suffixe);
QString ChoisirFichierOuvrir(QWidget* parent, const QString& titre, const QString& dossier, const QString& filtre);
// The print dialog (which also offers to write the pages as a PDF file). False when cancelled.
bool ChoisirImprimante(QWidget* parent, QPrinter& imprimante, const QString& titre);

// Ends the program: every window closes, no further handler runs.
void TerminerProgramme();
// Starts the report tool on the file without waiting. False when it cannot be started.
bool DemarrerOutilRapport(const QString& cheminFichier);
QString ProgrammeOutilRapport();

// Locale, Qt's French translation and font, once, before any window is made.
void InitialiserApplication(QApplication& app);
// The locale and Qt's French translation alone, for a run without windows.
void InitialiserLangue(QCoreApplication& app);

// Opens a page (the guide) in the desktop's browser. False when nothing could open it.
bool OuvrirAdresse(const QUrl& adresse);

// A window larger than its screen's available area is limited to it and placed inside it.
// InitialiserApplication makes every window of the program do it whenever it is shown.
void TenirDansEcran(QWidget* fenetre);

// Centres a window on its screen the first time it is shown; later showings keep its place.
void CentrerPremiereFois(QWidget* fenetre, bool& dejaCentree);

// Geometry in twips (15 twips to a pixel at 96 dpi).
int Tw(int twips);
void PlacerTw(QWidget* w, int gauche, int haut, int largeur, int hauteur);

// Fills a pick-only combo box in append order, leaving nothing selected; the caller
// then selects, which raises the same handler as a pick by the clerk.
void RemplirCombo(QComboBox* cbo, const QStringList& entrees);
void RemplirListe(QListWidget* lst, const QStringList& entrees);
// Selected text of a list box: empty when nothing is selected.
QString TexteSelectionne(const QListWidget* lst);

// Lists that follow what another station or program commits: when the clerk is about to use
// the list (focus, click, key) and the base changed elsewhere since it was filled, it is
// refilled from source (nullopt: left as it is) and the current choice stays chosen when it
// still exists. The window's own refills keep their rules.
void SuivreBase(QComboBox* cbo, std::function<std::optional<QStringList>()> source);
void SuivreBase(QListWidget* lst, std::function<std::optional<QStringList>()> source);
// Refills now if the base changed elsewhere; true when it did (the windows' own checks call it
// before they trust a list, e.g. "déjà entrée").
bool RafraichirSiChange(QWidget* liste);
// Whether the event is the clerk starting to use a list (focus, click, key, wheel): the moment
// a list that follows the base is checked.
bool UsageDeListe(const QEvent* evenement);
// While the program waits for a server's answer to a commit, the windows repaint (and the
// window system gets its answers) but nothing else runs: the clerk's clicks and keys and the
// windows' timers are dropped, since the base is busy. Set once for the program.
void RepeindrePendantLesAttentes();
// Right button: the handler runs on release. The simple lists keep their selection as it was;
// a report-style list view first selects the line under the pointer.
enum class ClicDroit { GardeLaSelection, SelectionneSousLePointeur };
void SurClicDroit(QWidget* liste, std::function<void()> gestionnaire, ClicDroit mode = ClicDroit::GardeLaSelection);
// Runs the handler whenever the box gets the focus (by the clerk or by the program).
void SurFocus(QLineEdit* txt, std::function<void()> gestionnaire);
// Runs the handler whenever an entry of the list becomes the chosen one, by the clerk or by the
// program (not when the list is emptied).
void SurChoix(QComboBox* cbo, std::function<void()> gestionnaire);
// Sets the box's maximum length. The limit counts UTF-16 units, so a character outside the
// basic plane (an emoji) cut at the limit would leave half a character in the box, which the
// database cannot keep as shown: such a half is dropped at once.
void LimiterLongueur(QLineEdit* txt, int maximum);
// Selects the whole text, also after the mouse click that gave the focus.
void SelectionnerTout(QLineEdit* txt);
// A date picker showing the date text form.
QDateEdit* CreerSelecteurDate(QWidget* parent, const QString& nomObjet);
// A button that Enter does not press unless the window makes it its default.
QPushButton* CreerBouton(QWidget* parent, const QString& nomObjet, const QString& texte, const QString& infobulle = QString());
// A caption label tied to its field, so a screen reader names the field by it. A field that is
// itself a label showing a value keeps its value as what a screen reader reads.
QLabel* CreerEtiquette(QWidget* parent, const QString& nomObjet, const QString& texte, QWidget* champ = nullptr);

// The keyboard reaches a list's pop-up menu: the Menu key and Shift+F10 show it at the chosen
// entry, and Delete runs what the menu's delete item runs (with the same question).
void MenuAuClavier(QAbstractItemView* liste, QMenu* menu, std::function<void()> supprimer);
// The usual keys and names of a window: every frame is read under its own title (Qt would read
// a frame inside a frame under the outer one's), Escape does what "Fermer" does (when given),
// and the first field of the tab order has the focus when the window opens.
void PreparerFenetre(QWidget* fenetre, QWidget* premierChamp, QAbstractButton* fermer = nullptr);
// A label showing a value (a count, a total): the screen reader reads the value, "vide" when
// there is none (an empty name would make it read the caption instead), and hears each change.
void AfficherValeur(QLabel* valeur, const QString& texte);
// The program's text size: the desktop's font when it is larger than the 8 points the windows
// were drawn for, and the ratio by which the drawn geometry grows with it (1 otherwise).
double Echelle();
// The desktop's font size in points, as InitialiserApplication would read it (tests; before it).
void DefinirPoliceBureau(double points);

// Test seam. Once active, message boxes are not shown: they are recorded and answered
// from a queue (or by their default button), the program is not ended, and the report
// tool is not started.
namespace Test {
void Activer();
void Reinitialiser();
void RepondreProchain(Reponse r);
QList<Message> Messages();
Message DernierMessage();
bool ProgrammeTermine();
struct Lancement {
    QString programme;
    QStringList arguments;
};
QList<Lancement> Lancements();
void DefinirLancementPossible(bool possible);
bool Actif();
// File dialogs are answered from a queue of paths (an empty one, or none left: cancelled).
struct DialogueFichier {
    QString titre;
    QString dossier;
    QString nomPropose;  // empty for an opening dialog
    QString filtre;
    bool enregistrement = false;
    QString suffixe;  // a save dialog's
};
void RepondreFichierProchain(const QString& chemin);
// Print dialogs are answered from a queue of PDF paths the pages are then written to (an empty
// one, or none left: cancelled); their titles are kept.
void RepondreImpressionProchaine(const QString& cheminPdf);
QStringList DialoguesImpression();
// The pages OuvrirAdresse was asked to open (none is opened while the seam is active).
QStringList AdressesOuvertes();
QList<DialogueFichier> DialoguesFichier();
}  // namespace Test

}  // namespace Toolkit
