#include "Toolkit.h"

#include "FctVar.h"
#include "modBD.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QShortcut>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace Toolkit {

namespace {
struct EtatTest {
    bool actif = false;
    QList<Reponse> reponses;
    QList<Message> messages;
    bool termine = false;
    QList<Test::Lancement> lancements;
    bool lancementPossible = true;
    QList<QString> fichiers;
    QList<Test::DialogueFichier> dialogues;
    QStringList impressions;  // PDF paths answering the print dialogs
    QStringList dialoguesImpression;
    QStringList adresses;
};
EtatTest& Etat() {
    static EtatTest etat;
    return etat;
}

class FiltreEvenements : public QObject {
public:
    FiltreEvenements(QObject* parent, std::function<bool(QEvent*)> f) : QObject(parent), m_f(std::move(f)) {}
    bool eventFilter(QObject*, QEvent* e) override { return m_f(e); }
private:
    std::function<bool(QEvent*)> m_f;
};

QMessageBox::Icon VersQt(Icone i) {
    switch (i) {
    case Icone::Exclamation: return QMessageBox::Warning;
    case Icone::Question: return QMessageBox::Question;
    case Icone::Information: return QMessageBox::Information;
    case Icone::Critique: return QMessageBox::Critical;
    case Icone::Aucune: break;
    }
    return QMessageBox::NoIcon;
}
}  // namespace

Reponse MsgBox(QWidget* parent, const QString& texte, Boutons boutons, Icone icone, const QString& titre, Reponse defaut) {
    const Message m{texte, titre.isEmpty() ? kTitreApplication : titre, icone, boutons, defaut};
    EtatTest& etat = Etat();
    if (etat.actif) {
        etat.messages.append(m);
        if (!etat.reponses.isEmpty()) return etat.reponses.takeFirst();
        return defaut;
    }
    QMessageBox box(VersQt(icone), m.titre, texte, QMessageBox::NoButton, parent);
    if (boutons == Boutons::OuiNonAnnuler) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(defaut == Reponse::Oui   ? QMessageBox::Yes
                             : defaut == Reponse::Non ? QMessageBox::No
                                                      : QMessageBox::Cancel);
    } else if (boutons == Boutons::OuiNon) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(defaut == Reponse::Oui ? QMessageBox::Yes : QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int r = box.exec();
    if (boutons == Boutons::OK) return Reponse::OK;
    if (r == QMessageBox::Cancel) return Reponse::Annuler;  // also Escape and the title bar's close
    return r == QMessageBox::Yes ? Reponse::Oui : Reponse::Non;
}

void Erreur(QWidget* parent, const QString& texte) {
    MsgBox(parent, texte, Boutons::OK, Icone::Exclamation, QStringLiteral("Erreur"));
}

bool Question(QWidget* parent, const QString& texte, const QString& titre) {
    return MsgBox(parent, texte, Boutons::OuiNon, Icone::Question, titre, Reponse::Non) == Reponse::Oui;
}

void Avis(QWidget* parent, const QString& texte) { MsgBox(parent, texte, Boutons::OK, Icone::Aucune, QString()); }

namespace {
QString ChoisirFichier(QWidget* parent, const Test::DialogueFichier& d) {
    EtatTest& etat = Etat();
    if (etat.actif) {
        etat.dialogues.append(d);
        return etat.fichiers.isEmpty() ? QString() : etat.fichiers.takeFirst();
    }
    // Never the default suffix of another kind of file: a PDF named "soir" is not "soir.mdb".
    QFileDialog dialogue(parent, d.titre, d.dossier, d.filtre);
    if (d.enregistrement) {
        dialogue.setAcceptMode(QFileDialog::AcceptSave);
        dialogue.setFileMode(QFileDialog::AnyFile);
        dialogue.setDefaultSuffix(d.suffixe);
        dialogue.selectFile(d.nomPropose);
    } else {
        dialogue.setAcceptMode(QFileDialog::AcceptOpen);
        dialogue.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty()) return {};
    return dialogue.selectedFiles().constFirst();
}
}  // namespace

QString AvecSuffixe(const QString& chemin, const QString& suffixe) {
    if (chemin.isEmpty() || suffixe.isEmpty()) return chemin;
    if (QFileInfo(chemin).suffix().compare(suffixe, Qt::CaseInsensitive) == 0) return chemin;
    return chemin + QLatin1Char('.') + suffixe;
}

QString ChoisirFichierEnregistrement(QWidget* parent, const QString& titre, const QString& dossier,
                                     const QString& nomPropose, const QString& filtre, const QString& suffixe) {
    // Whatever the dialog let through (the clerk may type any name), the file written is of its kind.
    return AvecSuffixe(ChoisirFichier(parent, {titre, dossier, nomPropose, filtre, true, suffixe}), suffixe);
}

QString ChoisirFichierOuvrir(QWidget* parent, const QString& titre, const QString& dossier, const QString& filtre) {
    return ChoisirFichier(parent, {titre, dossier, QString(), filtre, false, QString()});
}

void EchecBase(QWidget* parent, const QString& ceQuiAEchoue, const modBD::ErreurBD& e) {
    Erreur(parent, ceQuiAEchoue + QLatin1Char('\n') + e.message());
}

bool ChoisirImprimante(QWidget* parent, QPrinter& imprimante, const QString& titre) {
    EtatTest& etat = Etat();
    if (etat.actif) {
        etat.dialoguesImpression << titre;
        const QString pdf = etat.impressions.isEmpty() ? QString() : etat.impressions.takeFirst();
        if (pdf.isEmpty()) return false;
        imprimante.setOutputFormat(QPrinter::PdfFormat);
        imprimante.setOutputFileName(pdf);
        return true;
    }
    QPrintDialog dialogue(&imprimante, parent);
    if (!titre.isEmpty()) dialogue.setWindowTitle(titre);
    return dialogue.exec() == QDialog::Accepted;
}

void TerminerProgramme() {
    if (Etat().actif) {
        Etat().termine = true;
        return;
    }
    // Leaving the event loop ends the run; the windows go with the main window, no handler of theirs runs.
    QCoreApplication::exit(0);
}

QString ProgrammeOutilRapport() {
    // The report tool is built with the program and lives beside it.
    const QFileInfo outil(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("corvandelle-rapports")));
    return outil.isFile() && outil.isExecutable() ? outil.absoluteFilePath() : QString();
}

bool DemarrerOutilRapport(const QString& cheminFichier) {
    const QString chemin = QFileInfo(cheminFichier).absoluteFilePath();
    QString programme = ProgrammeOutilRapport();
    EtatTest& etat = Etat();
    if (etat.actif) {
        etat.lancements.append({programme.isEmpty() ? QStringLiteral("corvandelle-rapports") : programme, {chemin}});
        return etat.lancementPossible;
    }
    if (programme.isEmpty()) return false;
    // The path goes as one argument: no shell, so blanks and quotes in it are safe.
    return QProcess::startDetached(programme, {chemin});
}

bool OuvrirAdresse(const QUrl& adresse) {
    EtatTest& etat = Etat();
    if (etat.actif) {
        etat.adresses.append(adresse.toString());
        return etat.lancementPossible;
    }
    return QDesktopServices::openUrl(adresse);
}

void TenirDansEcran(QWidget* fenetre) {
    const QScreen* ecran = fenetre->screen() ? fenetre->screen() : QGuiApplication::primaryScreen();
    if (!ecran) return;
    const QRect dispo = ecran->availableGeometry();
    // The frame drawn by the window manager counts too.
    const QSize cadre = fenetre->frameGeometry().size() - fenetre->geometry().size();
    const int largeur = dispo.width() - cadre.width();
    const int hauteur = dispo.height() - cadre.height();
    if (fenetre->minimumWidth() > largeur) fenetre->setMinimumWidth(largeur);
    if (fenetre->minimumHeight() > hauteur) fenetre->setMinimumHeight(hauteur);
    if (fenetre->width() > largeur || fenetre->height() > hauteur)
        fenetre->resize(std::min(fenetre->width(), largeur), std::min(fenetre->height(), hauteur));
    QRect place = fenetre->frameGeometry();
    if (place.right() > dispo.right()) place.moveRight(dispo.right());
    if (place.bottom() > dispo.bottom()) place.moveBottom(dispo.bottom());
    if (place.left() < dispo.left()) place.moveLeft(dispo.left());
    if (place.top() < dispo.top()) place.moveTop(dispo.top());
    if (place.topLeft() != fenetre->frameGeometry().topLeft()) fenetre->move(place.topLeft());
}

namespace {
constexpr double kPoliceDessin = 8.0;
double g_policeBureau = 0.0;  // the desktop's font size, read once before the program's own is set

// Qt exposes a top-level window built on a plain QWidget as a mere client area; a screen reader
// then does not announce it when it opens. Ours are windows (or dialogs), under their caption.
QAccessibleInterface* FabriqueFenetres(const QString& classe, QObject* objet) {
    if (!objet || !objet->isWidgetType() || classe != QLatin1String(objet->metaObject()->className())) return nullptr;
    auto* w = static_cast<QWidget*>(objet);
    if (!w->isWindow() || qobject_cast<QDialog*>(w) || qobject_cast<QMainWindow*>(w)) return nullptr;
    const Qt::WindowType type = w->windowType();
    if (type != Qt::Widget && type != Qt::Window && type != Qt::Dialog) return nullptr;
    return new QAccessibleWidget(w, type == Qt::Dialog ? QAccessible::Dialog : QAccessible::Window);
}
}  // namespace

void InitialiserApplication(QApplication& app) {
    InitialiserLangue(app);

    // Every window, ours or Qt's (dialogs, message boxes), fits the screen when it is shown,
    // also at a large scale factor on a small screen. Menus and tool tips place themselves.
    static bool filtreInstalle = false;
    if (!filtreInstalle) {
        filtreInstalle = true;
        class FiltreEcran : public QObject {
        public:
            using QObject::QObject;
            bool eventFilter(QObject* objet, QEvent* e) override {
                if (e->type() == QEvent::Show && objet->isWidgetType()) {
                    auto* w = static_cast<QWidget*>(objet);
                    if (w->isWindow() && w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip) TenirDansEcran(w);
                }
                return false;
            }
        };
        app.installEventFilter(new FiltreEcran(&app));
    }

    static bool fabriqueInstallee = false;
    if (!fabriqueInstallee) {
        fabriqueInstallee = true;
        QAccessible::installFactory(FabriqueFenetres);
    }

    // The windows' fixed geometry was drawn for a small dialog font; a clerk's larger desktop
    // font is kept, and the geometry grows with it (Echelle).
    if (g_policeBureau <= 0) {
        // Offscreen and minimal platforms have no desktop: Qt's fallback font is nobody's choice.
        const QString plateforme = QGuiApplication::platformName();
        const bool bureau = plateforme != QLatin1String("offscreen") && plateforme != QLatin1String("minimal");
        g_policeBureau = bureau && app.font().pointSizeF() > 0 ? app.font().pointSizeF() : kPoliceDessin;
    }
    QFont police = app.font();
    police.setPointSizeF(std::max(kPoliceDessin, g_policeBureau));
    app.setFont(police);
}

void DefinirPoliceBureau(double points) { g_policeBureau = points; }

double Echelle() { return g_policeBureau > kPoliceDessin ? g_policeBureau / kPoliceDessin : 1.0; }

void InitialiserLangue(QCoreApplication& app) {
    // The interface is French: follow the system's locale when it is French, French of Canada otherwise.
    const QLocale systeme = QLocale::system();
    QLocale locale = systeme.language() == QLocale::French ? systeme : QLocale(QLocale::French, QLocale::Canada);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(locale);

    static QTranslator traduction;  // must outlive every widget
    if (traduction.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&traduction);
}

void CentrerPremiereFois(QWidget* fenetre, bool& dejaCentree) {
    if (dejaCentree) return;
    dejaCentree = true;
    const QScreen* ecran = fenetre->screen() ? fenetre->screen() : QGuiApplication::primaryScreen();
    if (!ecran) return;
    QRect cadre = fenetre->frameGeometry();
    cadre.moveCenter(ecran->availableGeometry().center());
    fenetre->move(cadre.topLeft());
    TenirDansEcran(fenetre);  // a window as large as the screen: not a pixel off it
}

int Tw(int twips) { return static_cast<int>(std::lround(twips / 15.0 * Echelle())); }

void PlacerTw(QWidget* w, int gauche, int haut, int largeur, int hauteur) {
    int l = Tw(largeur);
    // Qt's fonts on Linux run wider than those the layout was drawn for: a caption may grow
    // to its full text, as far as its container allows, rather than be cut off.
    if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)) {
        const int voulu = w->sizeHint().width();
        const int place = w->parentWidget() ? w->parentWidget()->width() - Tw(gauche) - 2 : voulu;
        if (voulu > l) l = std::max(l, std::min(voulu, place));
    }
    w->setGeometry(Tw(gauche), Tw(haut), l, Tw(hauteur));
}

void RemplirCombo(QComboBox* cbo, const QStringList& entrees) {
    const QSignalBlocker bloqueur(cbo);
    cbo->clear();
    cbo->addItems(entrees);
    cbo->setCurrentIndex(-1);  // Qt selects the first entry by itself; the program decides instead
}

void RemplirListe(QListWidget* lst, const QStringList& entrees) {
    const QSignalBlocker bloqueur(lst);
    lst->clear();
    lst->addItems(entrees);
    lst->setCurrentRow(-1);
    lst->clearSelection();
}

bool UsageDeListe(const QEvent* evenement) {
    switch (evenement->type()) {
    case QEvent::FocusIn:
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}

namespace {
class FiltreAttente : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* evenement) override {
        switch (evenement->type()) {
        case QEvent::Timer:  // a timer, even a single-shot one, fires again at its next interval
        case QEvent::Close:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
            return true;
        default:
            return evenement->isInputEvent();
        }
    }
};

bool RepeindreSansRien() {
    static bool dedans = false;
    if (dedans || !QCoreApplication::instance()) return false;
    dedans = true;
    FiltreAttente filtre;
    QCoreApplication::instance()->installEventFilter(&filtre);
    QCoreApplication::processEvents();
    QCoreApplication::instance()->removeEventFilter(&filtre);
    dedans = false;
    return false;  // a commit is never abandoned by the clerk
}
}  // namespace

void RepeindrePendantLesAttentes() { modBD::DefinirPendantAttente(RepeindreSansRien); }

namespace {
// Watches one list for the clerk's use of it and refills it when the base changed elsewhere.
class SuiviBase : public QObject {
public:
    SuiviBase(QWidget* liste, std::function<std::optional<QStringList>()> source)
        : QObject(liste), m_liste(liste), m_source(std::move(source)), m_version(modBD::VersionChangementsAilleurs()) {
        setObjectName(QStringLiteral("SuiviBase"));
        liste->installEventFilter(this);
        if (auto* vue = qobject_cast<QAbstractScrollArea*>(liste)) vue->viewport()->installEventFilter(this);
        // The pop-up, whatever opens it (the mouse, the keys, a screen reader through the
        // accessibility interface): its frame shows, and the list is refilled if need be.
        if (auto* cbo = qobject_cast<QComboBox*>(liste)) {
            m_popup = cbo->view()->parentWidget();
            if (m_popup) m_popup->installEventFilter(this);
        }
    }
    bool Rafraichir() {
        quint64 version = 0;
        try {
            version = modBD::VersionChangementsAilleurs();
        } catch (const modBD::ErreurBD&) {
            return false;  // the next statement of the window says what is wrong
        }
        if (version == m_version) return false;
        const std::optional<QStringList> entrees = m_source();
        if (!entrees) return false;
        m_version = version;
        if (auto* cbo = qobject_cast<QComboBox*>(m_liste)) {
            const QString choix = cbo->currentText();
            const int avant = cbo->currentIndex();
            RemplirCombo(cbo, *entrees);
            const int rang = avant >= 0 ? cbo->findText(choix) : -1;
            if (rang >= 0) {
                const QSignalBlocker bloqueur(cbo);  // the same choice: nothing for the window to redo
                cbo->setCurrentIndex(rang);
            } else if (avant >= 0) {
                cbo->setCurrentIndex(-1);  // the choice is gone: the window hears it
            }
        } else if (auto* lst = qobject_cast<QListWidget*>(m_liste)) {
            const QString choix = TexteSelectionne(lst);
            RemplirListe(lst, *entrees);
            const QList<QListWidgetItem*> trouves = choix.isEmpty() ? QList<QListWidgetItem*>{}
                                                                    : lst->findItems(choix, Qt::MatchExactly);
            if (!trouves.isEmpty()) {
                const QSignalBlocker bloqueur(lst);
                lst->setCurrentItem(trouves.first());
                trouves.first()->setSelected(true);
            } else if (!choix.isEmpty()) {
                emit lst->itemSelectionChanged();  // the choice is gone: the window hears it
            }
        }
        return true;
    }
protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override {
        if (objet == m_popup) {
            // Refilled while showing: shown again at once, sized for the entries now there.
            if (evenement->type() == QEvent::Show && Rafraichir()) {
                auto* cbo = static_cast<QComboBox*>(m_liste);
                QTimer::singleShot(0, cbo, [cbo] {
                    cbo->hidePopup();
                    cbo->showPopup();
                });
            }
        } else if (UsageDeListe(evenement)) {
            Rafraichir();
        }
        return QObject::eventFilter(objet, evenement);
    }
private:
    QWidget* m_liste;
    QWidget* m_popup = nullptr;  // a combo box's pop-up frame
    std::function<std::optional<QStringList>()> m_source;
    quint64 m_version;
};

SuiviBase* SuiviDe(QWidget* liste) {
    return liste ? liste->findChild<SuiviBase*>(QStringLiteral("SuiviBase"), Qt::FindDirectChildrenOnly) : nullptr;
}
}  // namespace

void SuivreBase(QComboBox* cbo, std::function<std::optional<QStringList>()> source) {
    if (!SuiviDe(cbo)) new SuiviBase(cbo, std::move(source));
}

void SuivreBase(QListWidget* lst, std::function<std::optional<QStringList>()> source) {
    if (!SuiviDe(lst)) new SuiviBase(lst, std::move(source));
}

bool RafraichirSiChange(QWidget* liste) {
    SuiviBase* suivi = SuiviDe(liste);
    return suivi && suivi->Rafraichir();
}

QString TexteSelectionne(const QListWidget* lst) {
    const QList<QListWidgetItem*> choisis = lst->selectedItems();
    return choisis.isEmpty() ? QString() : choisis.first()->text();
}

void SurClicDroit(QWidget* liste, std::function<void()> gestionnaire, ClicDroit mode) {
    QWidget* cible = liste;
    if (auto* zone = qobject_cast<QAbstractScrollArea*>(liste)) cible = zone->viewport();
    auto* vue = qobject_cast<QAbstractItemView*>(liste);
    cible->installEventFilter(new FiltreEvenements(liste, [gestionnaire, mode, vue](QEvent* e) {
        if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick) {
            const auto* souris = static_cast<QMouseEvent*>(e);
            if (souris->button() != Qt::RightButton) return false;
            if (mode == ClicDroit::SelectionneSousLePointeur && vue) {
                // As in any report-style list: the line under the pointer becomes the one acted on;
                // the empty area below the lines leaves the selection alone.
                const QModelIndex index = vue->indexAt(souris->position().toPoint());
                if (index.isValid())
                    vue->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                                      QItemSelectionModel::Rows);
            }
            return true;
        }
        if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::RightButton) {
            gestionnaire();
            return true;
        }
        return false;
    }));
}

void SurFocus(QLineEdit* txt, std::function<void()> gestionnaire) {
    txt->installEventFilter(new FiltreEvenements(txt, [gestionnaire](QEvent* e) {
        if (e->type() == QEvent::FocusIn) gestionnaire();
        return false;
    }));
}

void SurChoix(QComboBox* cbo, std::function<void()> gestionnaire) {
    QObject::connect(cbo, &QComboBox::currentIndexChanged, cbo, [gestionnaire = std::move(gestionnaire)](int i) {
        if (i >= 0) gestionnaire();
    });
}

void LimiterLongueur(QLineEdit* txt, int maximum) {
    txt->setMaxLength(maximum);
    QObject::connect(txt, &QLineEdit::textChanged, txt, [txt](const QString& texte) {
        QString entier;
        entier.reserve(texte.size());
        for (qsizetype i = 0; i < texte.size(); ++i) {
            const QChar c = texte.at(i);
            if (c.isHighSurrogate() && i + 1 < texte.size() && texte.at(i + 1).isLowSurrogate()) {
                entier += c;
                entier += texte.at(++i);
            } else if (!c.isSurrogate()) {
                entier += c;
            }
        }
        if (entier.size() == texte.size()) return;
        const int curseur = txt->cursorPosition();
        txt->setText(entier);  // raises this handler once more, with nothing left to drop
        txt->setCursorPosition(std::min(curseur, static_cast<int>(entier.size())));
    });
}

void SelectionnerTout(QLineEdit* txt) {
    txt->setSelection(0, static_cast<int>(txt->text().size()));
    // A mouse click that gave the focus would place the cursor right after: select again once it is done.
    QTimer::singleShot(0, txt, [txt] { txt->setSelection(0, static_cast<int>(txt->text().size())); });
}

QDateEdit* CreerSelecteurDate(QWidget* parent, const QString& nomObjet) {
    auto* dp = new QDateEdit(parent);
    dp->setObjectName(nomObjet);
    dp->setDisplayFormat(FctVar::FormatDateCourt());
    dp->setCalendarPopup(true);
    dp->setDate(FctVar::TexteEnDate(FctVar::ObtenirDateDuJour()));
    return dp;
}

QPushButton* CreerBouton(QWidget* parent, const QString& nomObjet, const QString& texte, const QString& infobulle) {
    auto* b = new QPushButton(texte, parent);
    b->setObjectName(nomObjet);
    if (!infobulle.isEmpty()) b->setToolTip(infobulle);
    b->setAutoDefault(false);
    return b;
}

QLabel* CreerEtiquette(QWidget* parent, const QString& nomObjet, const QString& texte, QWidget* champ) {
    auto* l = new QLabel(texte, parent);
    l->setObjectName(nomObjet);
    if (champ) {
        l->setBuddy(champ);
        // A label that shows a value (a total, a count) must be read out as that value: an
        // accessible name would replace its text. The caption still names it through the buddy.
        if (!qobject_cast<QLabel*>(champ))
            champ->setAccessibleName(QString(texte).remove(QLatin1Char('&')).remove(QStringLiteral(" :")).trimmed());
    }
    return l;
}

void MenuAuClavier(QAbstractItemView* liste, QMenu* menu, std::function<void()> supprimer) {
    const auto montrer = [liste, menu] {
        if (menu->isVisible()) return;
        QModelIndex index = liste->currentIndex();
        if (liste->selectionModel() && !liste->selectionModel()->selectedIndexes().isEmpty())
            index = liste->selectionModel()->selectedIndexes().constFirst();
        QPoint point(0, 0);
        if (index.isValid()) {
            liste->scrollTo(index);
            point = liste->visualRect(index).bottomLeft();
        }
        menu->popup(liste->viewport()->mapToGlobal(point));
    };
    liste->installEventFilter(new FiltreEvenements(liste, [montrer, supprimer](QEvent* e) {
        if (e->type() == QEvent::ContextMenu) {
            // The Menu key, as the window system reports it; a mouse's comes through SurClicDroit.
            if (static_cast<QContextMenuEvent*>(e)->reason() != QContextMenuEvent::Keyboard) return false;
            montrer();
            return true;
        }
        if (e->type() != QEvent::KeyPress) return false;
        const auto* touche = static_cast<QKeyEvent*>(e);
        const Qt::KeyboardModifiers mod = touche->modifiers() & ~Qt::KeypadModifier;
        if (touche->key() == Qt::Key_Menu || (touche->key() == Qt::Key_F10 && mod == Qt::ShiftModifier)) {
            montrer();
            return true;
        }
        if (touche->key() == Qt::Key_Delete && mod == Qt::NoModifier) {
            supprimer();
            return true;
        }
        return false;
    }));
}

void PreparerFenetre(QWidget* fenetre, QWidget* premierChamp, QAbstractButton* fermer) {
    for (QGroupBox* cadre : fenetre->findChildren<QGroupBox*>())
        if (cadre->accessibleName().isEmpty() && !cadre->title().isEmpty())
            cadre->setAccessibleName(QString(cadre->title()).remove(QRegularExpression(QStringLiteral("&(?!&)"))));
    if (fermer) {
        auto* echap = new QShortcut(QKeySequence(Qt::Key_Escape), fenetre);
        echap->setObjectName(QStringLiteral("raccourciEchap"));
        echap->setContext(Qt::WindowShortcut);
        QObject::connect(echap, &QShortcut::activated, fermer, [fermer] {
            if (fermer->isEnabled()) fermer->click();
        });
    }
    if (!premierChamp) return;
    fenetre->installEventFilter(new FiltreEvenements(fenetre, [fenetre, premierChamp](QEvent* e) {
        // Left alone, Qt would start at the first control made, wherever it stands in the tab order.
        if (e->type() == QEvent::Show && !fenetre->focusWidget()) premierChamp->setFocus(Qt::OtherFocusReason);
        return false;
    }));
}

void AfficherValeur(QLabel* valeur, const QString& texte) {
    valeur->setText(texte);
    valeur->setAccessibleName(texte.isEmpty() ? QStringLiteral("vide") : texte);
}

namespace Test {
void Activer() {
    Reinitialiser();
    Etat().actif = true;
}
void Reinitialiser() {
    const bool actif = Etat().actif;
    Etat() = EtatTest{};
    Etat().actif = actif;
}
void RepondreProchain(Reponse r) { Etat().reponses.append(r); }
QList<Message> Messages() { return Etat().messages; }
Message DernierMessage() { return Etat().messages.isEmpty() ? Message{} : Etat().messages.last(); }
bool ProgrammeTermine() { return Etat().termine; }
QList<Lancement> Lancements() { return Etat().lancements; }
void DefinirLancementPossible(bool possible) { Etat().lancementPossible = possible; }
bool Actif() { return Etat().actif; }
void RepondreFichierProchain(const QString& chemin) { Etat().fichiers.append(chemin); }
void RepondreImpressionProchaine(const QString& cheminPdf) { Etat().impressions.append(cheminPdf); }
QStringList DialoguesImpression() { return Etat().dialoguesImpression; }
QStringList AdressesOuvertes() { return Etat().adresses; }
QList<DialogueFichier> DialoguesFichier() { return Etat().dialogues; }
}  // namespace Test

}  // namespace Toolkit
