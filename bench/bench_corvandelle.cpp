// Times the program's own code paths on a small, a medium and a large history, and prints
// a table with the ratio large/small: no operation may grow with the history.
#include "Exportation.h"
#include "FctVar.h"
#include "GenerateurBD.h"
#include "Tableau.h"
#include "Toolkit.h"
#include "frmCommandes.h"
#include "frmMain.h"
#include "frmSoiree.h"
#include "frmTransaction.h"
#include "modBD.h"
#include "modBD_Catalogue.h"
#include "modBD_Commandes.h"
#include "modBD_Inventaire.h"
#include "modBD_Journal.h"
#include "modBD_RechercheCommandes.h"
#include "modBD_Sauvegarde.h"
#include "modBD_Soiree.h"
#include "modBD_Caisse.h"
#include "modBD_Rapports.h"
#include "Montant.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QComboBox>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QLabel>
#include <QLineEdit>
#include <QThread>
#include <QTreeWidget>
#include <QTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <map>
#include <string>
#include <vector>

namespace {

// Keeps each benchmark's time per operation, in microseconds.
class Collecteur : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> temps;
    std::map<std::string, double> memoire;  // MB beyond what the process held, where measured
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            temps[r.run_name.function_name] = r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit) * 1e6;
            const auto mo = r.counters.find("Mo");
            if (mo != r.counters.end()) memoire[r.run_name.function_name] = mo->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

const char* const kOperations[] = {
    "Confirmer une commande de 5 lignes", "AjouterMouvementInventaire", "ObtenirNbBillets (250 mouvements)",
    "Ajouter une pièce (après le test de doublon)", "Listes du dialogue de ligne de commande",
    "Liste des vendeurs de la fenêtre principale",
    // The report tool, on the same history (reads only).
    "Rapport ventes (toutes les pièces)", "Rapport ventes du/au (une année de commandes)",
    "Rapport porte (une représentation)", "Rapport mouvements (une représentation)",
    "Rapport vendeurs (une pièce)", "Rapport vendeurs (toutes les pièces)",
    "Export ventes en PDF", "Export ventes en classeur", "Export ventes en CSV",
    "Export porte en PDF (une représentation)", "Export vendeurs en CSV (toutes les pièces)",
    // The order search, on the same history.
    "Recherche de commandes : nom (« client 12 »)", "Recherche de commandes : accents, aucune trouvée (« éric »)",
    "Recherche de commandes : téléphone (« 555-12 »)", "Recherche de commandes : numéro (« 1234 »)",
    "Recherche de commandes : champ vide (les plus récentes)",
    "Frappe dans « Rechercher : » (liste de 200 et détail affichés)",
    "Première recherche après l'ouverture (copie en mémoire construite)",
    "Recherche juste après une commande confirmée (copie complétée)",
    // The treasurer's reports (indices 25 on).
    "Rapport reglement (toutes les pièces)", "Rapport journal (toutes les dates)", "Rapport annulations",
    "Export vendeurs en classeur (toutes les pièces)", "Export reglement en PDF (une page par vendeur)",
    // The evening at the door, on a performance holding 500 more orders (indices 30 on).
    "Soirée : fenêtre ouverte sur une représentation de 500 commandes",
    "Soirée : arrivée notée et affichée (500 commandes)",
    "Places restantes au changement de date (dialogue de ligne)",
    // The door at speed and the till (indices 33 on).
    "Porte : arrivée par le nom (trois lettres, Entrée) affichée (500 commandes)",
    "Porte : plus longue attente de la fenêtre, base tenue 10 s par un autre programme",
    "Caisse : espèces attendues sur 1 000 ventes à la porte",
    // The settlement's file against the plain read of its sums (indices 36 on).
    "Export reglement en CSV (toutes les pièces)", "Rapport reglement, lecture SQL seule (toutes les pièces)"};

// The performance of the evening's measures: 500 orders of 2 tickets and a capacity, added once.
QString PieceSoiree() { return Bench::NomPiece(3); }
QString RepresentationSoiree() { return Bench::DateRepresentation(3, 0); }
void PreparerSoiree() {
    const QString piece = PieceSoiree(), date = RepresentationSoiree();
    const qint64 no = modBD::ObtenirNoRepresentation(modBD::ObtenirNoPiece(piece), date).toLongLong();
    if (modBD::LireCapacite(no)) return;
    modBD::EnregistrerCapacitePiece(modBD::ObtenirNoPiece(piece).toLongLong(), 32000);
    const QString vendeur = modBD::NomAfficheVendeur(Bench::NomVendeur(1), Bench::EstComedien(1));
    for (int i = 0; i < 500; ++i) {
        modBD::Commande c{FctVar::ObtenirDateDuJour(), Montant::Centimes(2000), QStringLiteral("Soirée %1").arg(i),
                          QStringLiteral("555-0000"), QStringLiteral("0"), vendeur, {}};
        c.lignes.append({piece, date, QStringLiteral("1"), QStringLiteral("1"), Montant::Centimes(2000), QStringLiteral("Non")});
        modBD::EnregistrerCommande(c);
    }
}
int RangSoiree(const frmSoiree& f) {
    return f.cboRepresentation->findText(QStringLiteral("%1 — %2").arg(PieceSoiree(), RepresentationSoiree()));
}

// The memory a benchmark's runs needed beyond what the process already held, in MB: the
// kernel's high-water mark is reset before the runs (Linux), read after them.
class PicMemoire {
public:
    PicMemoire() : m_depart((malloc_trim(0), LireStatut("VmRSS:"))) {
        // What an earlier benchmark freed is given back first, else it would hide this one's.
        QFile raz(QStringLiteral("/proc/self/clear_refs"));
        if (raz.open(QIODevice::WriteOnly)) raz.write("5");
    }
    double mo() const { return static_cast<double>(LireStatut("VmHWM:") - m_depart) / 1024.0; }

private:
    static qint64 LireStatut(const char* cle) {  // kB
        QFile statut(QStringLiteral("/proc/self/status"));
        if (!statut.open(QIODevice::ReadOnly)) return 0;
        for (const QByteArray& ligne : statut.readAll().split('\n'))
            if (ligne.startsWith(cle)) return ligne.mid(static_cast<qsizetype>(std::strlen(cle))).trimmed().split(' ').value(0).toLongLong();
        return 0;
    }
    qint64 m_depart;
};

// Times one report, produced as the window produces it.
void EnregistrerRapport(const char* nom, Rapports::Rapport rapport, Rapports::Filtres filtres) {
    benchmark::RegisterBenchmark(nom, [rapport, filtres](benchmark::State& s) {
        for (auto _ : s) benchmark::DoNotOptimize(Rapports::Produire(rapport, filtres, modBD::CheminBD()));
    })->Unit(benchmark::kMillisecond);
}

// Times one report produced and written to a file, as the command line does it.
void EnregistrerExport(const char* nom, Rapports::Rapport rapport, Rapports::Filtres filtres, Rapports::Format format) {
    benchmark::RegisterBenchmark(nom, [rapport, filtres, format](benchmark::State& s) {
        const QString sortie = QDir(modBD::DossierProgramme()).filePath(QStringLiteral("rapport.") + Rapports::ExtensionFormat(format));
        const PicMemoire pic;
        for (auto _ : s) Rapports::Exporter(Rapports::Produire(rapport, filtres, modBD::CheminBD()), format, sortie);
        s.counters["Mo"] = pic.mo();
    })->Unit(benchmark::kMillisecond);
}

// The floor of the settlement over every play: its two statements of sums (unsliced), every
// value read, nothing else done.
void EnregistrerLectureReglement(const char* nom) {
    benchmark::RegisterBenchmark(nom, [](benchmark::State& s) {
        const QString mouvements = QStringLiteral("SELECT x.NoVendeur, x.NoRepresentation, SUM(x.Nombre), "
                                                  "SUM(CASE WHEN x.Nombre < 0 THEN x.Nombre ELSE 0 END) FROM InventaireBillets x "
                                                  "GROUP BY x.NoVendeur, x.NoRepresentation ORDER BY x.NoVendeur, x.NoRepresentation");
        const QString ventes = QStringLiteral("SELECT x.NoVendeur, x.NoRepresentation, SUM(x.NbEnfant + x.NbAdulte), SUM(%1), 0 "
                                              "FROM InfoReservation x JOIN InfoClientReservation c ON c.NoClient = x.NoClient "
                                              "WHERE (%2) GROUP BY x.NoVendeur, x.NoRepresentation "
                                              "ORDER BY x.NoVendeur, x.NoRepresentation")
                                   .arg(modBD::ExpressionCentimes(QStringLiteral("x.Cout")), modBD::ConditionCommandesComptees());
        const PicMemoire pic;
        for (auto _ : s)
            for (const QString& sql : {mouvements, ventes}) {
                QSqlQuery q = modBD::Executer(sql);
                const int colonnes = q.record().count();
                qlonglong somme = 0;
                while (q.next())
                    for (int i = 0; i < colonnes; ++i) somme += q.value(i).toLongLong();
                benchmark::DoNotOptimize(somme);
            }
        s.counters["Mo"] = pic.mo();
    })->Unit(benchmark::kMillisecond);
}

void EnregistrerRapports() {
    using Rapports::Rapport;
    Rapports::Filtres tout, annee, soir, piece;
    annee.du = QDate(2022, 1, 1);
    annee.au = QDate(2022, 12, 31);
    soir.piece = Bench::kPieceMesuree;
    soir.representation = Bench::DateRepresentation(1, 0);
    piece.piece = Bench::kPieceMesuree;
    EnregistrerRapport(kOperations[6], Rapport::Ventes, tout);
    EnregistrerRapport(kOperations[7], Rapport::Ventes, annee);
    EnregistrerRapport(kOperations[8], Rapport::Porte, soir);
    EnregistrerRapport(kOperations[9], Rapport::Mouvements, soir);
    EnregistrerRapport(kOperations[10], Rapport::Vendeurs, piece);
    EnregistrerRapport(kOperations[11], Rapport::Vendeurs, tout);
    EnregistrerExport(kOperations[12], Rapport::Ventes, tout, Rapports::Format::Pdf);
    EnregistrerExport(kOperations[13], Rapport::Ventes, tout, Rapports::Format::Classeur);
    EnregistrerExport(kOperations[14], Rapport::Ventes, tout, Rapports::Format::Csv);
    EnregistrerExport(kOperations[15], Rapport::Porte, soir, Rapports::Format::Pdf);
    // As the command line writes a file: without the pages per seller (the sellers' rows are
    // then made as they are written).
    Rapports::Filtres fichier;
    fichier.fiches = false;
    EnregistrerExport(kOperations[16], Rapport::Vendeurs, fichier, Rapports::Format::Csv);
    EnregistrerRapport(kOperations[25], Rapport::Reglement, tout);
    EnregistrerRapport(kOperations[26], Rapport::Journal, tout);
    EnregistrerRapport(kOperations[27], Rapport::Annulations, tout);
    EnregistrerExport(kOperations[28], Rapport::Vendeurs, fichier, Rapports::Format::Classeur);
    EnregistrerExport(kOperations[29], Rapport::Reglement, tout, Rapports::Format::Pdf);
    EnregistrerExport(kOperations[36], Rapport::Reglement, fichier, Rapports::Format::Csv);
    EnregistrerLectureReglement(kOperations[37]);
}

modBD::Commande CommandeDeCinqLignes() {
    modBD::Commande c;
    c.dateReservation = FctVar::ObtenirDateDuJour();
    c.nomClient = QStringLiteral("Client du banc d'essai");
    c.telephoneClient = QStringLiteral("555-1234");
    c.nbForfaits = QStringLiteral("1");
    c.nomVendeur = modBD::NomAfficheVendeur(Bench::NomVendeur(5), Bench::EstComedien(5));
    for (int p = 3; p < 8; ++p) {
        c.lignes.append({Bench::NomPiece(p), Bench::DateRepresentation(p, 0), QStringLiteral("1"), QStringLiteral("2"),
                         Montant::Centimes(1250), QStringLiteral("Non")});
        c.montantTotal += Montant::Centimes(1250);
    }
    return c;
}

// The order search and its window.
void EnregistrerRecherches(frmMain* principal) {
    using benchmark::State;
    // The order search: what each keystroke costs once the folded copy is built.
    const char* const recherches[] = {"client 12", "éric", "555-12", "1234", ""};
    for (int i = 0; i < 5; ++i) {
        benchmark::RegisterBenchmark(kOperations[17 + i], [texte = QString::fromUtf8(recherches[i])](State& s) {
            modBD::RechercherCommandes(texte);  // builds the copy, outside the timing
            for (auto _ : s) benchmark::DoNotOptimize(modBD::RechercherCommandes(texte));
        });
    }
    benchmark::RegisterBenchmark(kOperations[22], [principal](State& s) {
        frmCommandes fenetre(principal);
        const QString textes[] = {QStringLiteral("client 1"), QStringLiteral("client 12")};
        int n = 0;
        for (auto _ : s) fenetre.txtRecherche->setText(textes[++n % 2]);
    });
    benchmark::RegisterBenchmark(kOperations[23], [](State& s) {
        for (auto _ : s) {
            if (!modBD::OuvrirConnexion()) s.SkipWithError("ouverture");
            benchmark::DoNotOptimize(modBD::RechercherCommandes(QStringLiteral("client 12")));
        }
    })->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(kOperations[24], [](State& s) {
        const modBD::Commande c = CommandeDeCinqLignes();
        modBD::RechercherCommandes(QString());
        for (auto _ : s) {
            s.PauseTiming();
            modBD::EnregistrerCommande(c);
            s.ResumeTiming();
            benchmark::DoNotOptimize(modBD::RechercherCommandes(QStringLiteral("client 12")));
        }
    })->Iterations(30);
}

// The evening at the door.
void EnregistrerSoiree(frmMain* principal) {
    using benchmark::State;
    // The window built, its list of performances read, and the one of 500 orders shown.
    benchmark::RegisterBenchmark(kOperations[30], [principal](State& s) {
        PreparerSoiree();
        for (auto _ : s) {
            frmSoiree f(principal);
            f.cboRepresentation->setCurrentIndex(RangSoiree(f));
            if (f.lstParties->topLevelItemCount() < 500) s.SkipWithError("liste incomplète");
        }
    })->Unit(benchmark::kMillisecond);
    // One check-in written (whole party, then back to 0) and the counters and list read again.
    benchmark::RegisterBenchmark(kOperations[31], [principal](State& s) {
        PreparerSoiree();
        frmSoiree f(principal);
        f.cboRepresentation->setCurrentIndex(RangSoiree(f));
        f.lstParties->setCurrentItem(f.lstParties->topLevelItem(250));
        f.lstParties->topLevelItem(250)->setSelected(true);
        bool toute = true;
        for (auto _ : s) {
            if (toute) f.cmdArrivee_Click();
            else f.cmdAnnulerArrivee_Click();
            toute = !toute;
        }
    })->Unit(benchmark::kMillisecond);
    // Two dates of a play with a capacity, picked in turn.
    benchmark::RegisterBenchmark(kOperations[32], [principal](State& s) {
        PreparerSoiree();
        frmTransaction dialogue(principal, *principal->lstTransactions, *principal->lblMontantTotal);
        dialogue.cboNomsPieces->setCurrentIndex(dialogue.cboNomsPieces->findText(PieceSoiree()));
        int n = 0;
        for (auto _ : s) dialogue.cboDatesPieces->setCurrentIndex(++n % 2);
        if (dialogue.lblPlacesRestantes->text().isEmpty()) s.SkipWithError("places restantes absentes");
    });
}

// 1,000 door sales paid at one station on the evening's performance, added once.
void PreparerCaisse() {
    const qint64 no = modBD::TrouverRepresentation(PieceSoiree(), RepresentationSoiree());
    if (modBD::CalculerCaisse(no, QStringLiteral("banc"), 0).nbVentes >= 1000) return;
    const QString vendeur = modBD::NomAfficheVendeur(Bench::NomVendeur(1), Bench::EstComedien(1));
    for (int i = 0; i < 1000; ++i)
        modBD::EnregistrerVentePortePayee(PieceSoiree(), RepresentationSoiree(), QStringLiteral("0"), QStringLiteral("1"),
                                          FctVar::FormaterNombre(10.0 + i % 97 / 100.0), vendeur, FctVar::ObtenirDateDuJour(),
                                          {static_cast<modBD::ModePaiement>(i % 4), QString(), QStringLiteral("banc")});
}

void EnregistrerPorte(frmMain* principal) {
    using benchmark::State;
    // Three letters typed (the list narrowed), then Enter: the party written and shown. Its
    // check-in taken back outside the timing.
    benchmark::RegisterBenchmark(kOperations[33], [principal](State& s) {
        PreparerSoiree();
        frmSoiree f(principal);
        f.cboRepresentation->setCurrentIndex(RangSoiree(f));
        int n = 0;
        for (auto _ : s) {
            s.PauseTiming();
            f.txtRecherche->clear();
            s.ResumeTiming();
            f.txtRecherche->setText(QStringLiteral("e %1").arg(++n % 10));
            f.txtRecherche_Entree();
            s.PauseTiming();
            f.cmdAnnulerArrivee_Click();
            s.ResumeTiming();
        }
    })->Unit(benchmark::kMillisecond);
    // Another connection holds the file's exclusive lock for 10 s while the window refreshes on
    // its timer: the longest pause of a 1 ms timer standing for the clerk.
    benchmark::RegisterBenchmark(kOperations[34], [principal](State& s) {
        PreparerSoiree();
        frmSoiree f(principal);
        f.cboRepresentation->setCurrentIndex(RangSoiree(f));
        f.show();
        for (auto _ : s) {
            QSqlDatabase autre = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("banc-verrou"));
            autre.setDatabaseName(modBD::CheminBD());
            if (!autre.open() || !QSqlQuery(autre).exec(QStringLiteral("BEGIN EXCLUSIVE"))) s.SkipWithError("verrou");
            QElapsedTimer montre, pas;
            qint64 plusLong = 0;
            QTimer battement;
            QObject::connect(&battement, &QTimer::timeout, [&] { plusLong = std::max(plusLong, pas.restart()); });
            battement.start(1);
            montre.start();
            pas.start();
            while (montre.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QSqlQuery(autre).exec(QStringLiteral("ROLLBACK"));
            autre.close();
            s.SetIterationTime(static_cast<double>(plusLong) / 1000.0);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("banc-verrou"));
    })->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(kOperations[35], [](State& s) {
        PreparerSoiree();
        PreparerCaisse();
        const qint64 no = modBD::TrouverRepresentation(PieceSoiree(), RepresentationSoiree());
        for (auto _ : s) benchmark::DoNotOptimize(modBD::CalculerCaisse(no, QStringLiteral("banc"), 10000));
    });
}

void Enregistrer(frmMain* principal) {
    using benchmark::State;
    // Reads first: the writes below add plays, lines and movements to the history they read.
    EnregistrerRapports();
    benchmark::RegisterBenchmark(kOperations[2], [](State& s) {
        const QString representation = Bench::DateRepresentation(1, 0);
        for (auto _ : s) benchmark::DoNotOptimize(modBD::ObtenirNbBillets(Bench::kPieceMesuree, representation));
    });
    benchmark::RegisterBenchmark(kOperations[4], [principal](State& s) {
        frmTransaction dialogue(principal, *principal->lstTransactions, *principal->lblMontantTotal);
        for (auto _ : s) dialogue.Form_Load();
    });
    benchmark::RegisterBenchmark(kOperations[5], [principal](State& s) {
        for (auto _ : s) principal->AfficherListeVendeurs();
    });
    EnregistrerRecherches(principal);
    benchmark::RegisterBenchmark(kOperations[0], [](State& s) {
        const modBD::Commande c = CommandeDeCinqLignes();
        for (auto _ : s) benchmark::DoNotOptimize(modBD::EnregistrerCommande(c));
    });
    benchmark::RegisterBenchmark(kOperations[1], [](State& s) {
        const QString date = FctVar::ObtenirDateDuJour();
        const QString piece = Bench::NomPiece(2);
        const QString representation = Bench::DateRepresentation(2, 0);
        const QString vendeur = modBD::NomAfficheVendeur(Bench::NomVendeur(5), Bench::EstComedien(5));
        for (auto _ : s) modBD::AjouterMouvementInventaire(date, piece, representation, 3, QString(), vendeur);
    });
    benchmark::RegisterBenchmark(kOperations[3], [](State& s) {
        int n = 0;
        for (auto _ : s) modBD::AjouterPiece(QStringLiteral("Nouvelle pièce %1").arg(++n));
    });
    EnregistrerSoiree(principal);
    EnregistrerPorte(principal);
}

// From an empty program to the main window on screen, as the clerk starts it. With a copy
// due, the day's copy is started by that first pass of the event loop (and abandoned when
// the window closes); without, a copy of the day is already there.
double MesurerDemarrage(bool copieDue) {
    std::vector<double> mesures;
    const QString dossier = modBD::DossierSauvegardes();
    for (int i = 0; i < 5; ++i) {
        QDir(dossier).removeRecursively();
        if (!copieDue) {
            QDir().mkpath(dossier);
            QFile(QDir(dossier).filePath(modBD::NomCopieAutomatique(QDateTime::currentDateTime()))).open(QIODevice::WriteOnly);
        }
        QElapsedTimer chrono;
        chrono.start();
        {
            frmMain principal;
            if (!principal.Form_Load()) return -1;
            principal.show();
            if (!QTest::qWaitForWindowExposed(&principal)) return -1;
            QCoreApplication::processEvents();
            mesures.push_back(static_cast<double>(chrono.nsecsElapsed()) / 1e6);
        }
        modBD::FermerConnexion();
    }
    QDir(dossier).removeRecursively();
    std::sort(mesures.begin(), mesures.end());
    return mesures[mesures.size() / 2];
}

// A 1 ms timer standing for the clerk's window: the longest its event loop waited between
// two ticks since it was made.
class AttenteFenetre {
public:
    AttenteFenetre() {
        QObject::connect(&m_horloge, &QTimer::timeout, [this] {
            m_plusLongue = std::max(m_plusLongue, m_tic.nsecsElapsed());
            m_tic.restart();
        });
        m_horloge.start(1);
        m_tic.start();
    }
    double PlusLongueMs() const { return static_cast<double>(m_plusLongue) / 1e6; }
private:
    QTimer m_horloge;
    QElapsedTimer m_tic;
    qint64 m_plusLongue = 0;
};

struct MesureCopie {
    double secondes = -1;   // from the start to the checked copy under its final name
    double attenteMs = -1;  // the longest the window's event loop waited meanwhile
    double mo = 0;
};

// One automatic copy as the main window makes it, with a 1 ms timer standing for the clerk's
// window: the longest gap between its ticks is the longest the window could not answer.
MesureCopie MesurerCopie() {
    MesureCopie m;
    const QString dossier = modBD::DossierSauvegardes();
    QDir(dossier).removeRecursively();
    modBD::CopieBD copie(QDir(dossier).filePath(modBD::NomCopieAutomatique(QDateTime::currentDateTime())), true);
    QEventLoop boucle;
    bool reussie = false;
    QObject::connect(&copie, &modBD::CopieBD::Terminee, &boucle, [&](bool ok, const QString& message) {
        reussie = ok;
        if (!ok) std::fprintf(stderr, "%s\n", qPrintable(message));
        boucle.quit();
    });
    QElapsedTimer chrono;
    AttenteFenetre fenetre;
    chrono.start();
    copie.Demarrer();
    boucle.exec();
    if (!reussie) return m;
    m.secondes = static_cast<double>(chrono.nsecsElapsed()) / 1e9;
    m.attenteMs = fenetre.PlusLongueMs();
    m.mo = static_cast<double>(QFileInfo(copie.CheminFinal()).size()) / (1024.0 * 1024.0);
    QDir(dossier).removeRecursively();
    return m;
}

struct MesureRestauration {
    double verification = -1;  // the chosen copy checked and both sides counted, as before the question
    double secondes = -1;      // the restore itself, to the connection open on the restored file
    double attenteMs = -1;     // the longest the window's event loop waited in either
    double verrouS = -1;       // how long other programs could not write
};

// A restore as the main window makes it: the check on a thread, then RestaurationBD, with a
// 1 ms timer standing for the clerk's window. The chosen copy is the base itself, copied aside.
MesureRestauration MesurerRestauration() {
    MesureRestauration m;
    const QString dossier = modBD::DossierSauvegardes();
    QDir(dossier).removeRecursively();
    QDir().mkpath(dossier);
    const QString copie = QDir(dossier).filePath(QStringLiteral("BD-20261206-080000.mdb"));
    if (!QFile::copy(modBD::CheminBD(), copie)) return m;
    QElapsedTimer chrono;
    AttenteFenetre fenetre;
    chrono.start();
    {
        QEventLoop boucle;
        QString erreur;
        QThread* fil = QThread::create([&] {
            try {
                modBD::ExaminerCopie(copie);
                modBD::ContenuBaseActuelle();
            } catch (const modBD::ErreurBD& e) {
                erreur = e.message();
            }
        });
        QObject::connect(fil, &QThread::finished, &boucle, &QEventLoop::quit);
        fil->start();
        boucle.exec();
        fil->wait();
        delete fil;
        if (!erreur.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(erreur));
            return m;
        }
    }
    m.verification = static_cast<double>(chrono.nsecsElapsed()) / 1e9;
    chrono.restart();
    modBD::RestaurationBD restauration(copie, QDateTime::currentDateTime());
    QEventLoop boucle;
    bool reussie = false;
    QObject::connect(&restauration, &modBD::RestaurationBD::Terminee, &boucle, [&](bool ok, bool, const QString& message) {
        reussie = ok;
        if (!ok) std::fprintf(stderr, "%s\n", qPrintable(message));
        boucle.quit();
    });
    restauration.Demarrer();
    boucle.exec();
    if (!reussie) return m;
    m.secondes = static_cast<double>(chrono.nsecsElapsed()) / 1e9;
    m.attenteMs = fenetre.PlusLongueMs();
    m.verrouS = static_cast<double>(restauration.DureeVerrouMs()) / 1e3;
    QDir(dossier).removeRecursively();
    return m;
}

void AfficherRestauration(const char* nom, const MesureRestauration& r, double mo) {
    std::printf("Restauration %s (%.1f Mo) : vérification de la copie %.2f s, restauration %.2f s, "
                "plus longue attente de la fenêtre %.1f ms, écritures des autres programmes retenues %.2f s\n",
                nom, mo, r.verification, r.secondes, r.attenteMs, r.verrouS);
}

// What one run measured, by size.
struct Mesures {
    std::map<std::string, std::map<std::string, double>> resultats;  // operation -> size -> µs
    std::map<std::string, std::map<std::string, double>> memoire;    // operation -> size -> MB
    std::map<std::string, double> demarrage, demarrageCopieDue, generation;
    std::map<std::string, MesureCopie> copies;
    std::map<std::string, MesureRestauration> restaurations;
};

// Opens the base, or says why on the error output.
bool OuvrirOuDire() {
    try {
        modBD::OuvrirBase();
        return true;
    } catch (const modBD::ErreurBD& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return false;
    }
}

// corvandelle_bench --restauration DOSSIER: only the restore, on the BD.mdb of DOSSIER (changed).
int MesurerRestaurationSeule(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Toolkit::InitialiserApplication(app);
    modBD::DefinirDossierProgramme(QString::fromLocal8Bit(argv[2]));
    if (!OuvrirOuDire()) return 1;
    const double mo = static_cast<double>(QFileInfo(modBD::CheminBD()).size()) / (1024.0 * 1024.0);
    const MesureRestauration r = MesurerRestauration();
    AfficherRestauration("", r, mo);
    return r.secondes < 0 ? 1 : 0;
}

// corvandelle_bench --journal N DOSSIER: a journal of N operations written through the store in
// DOSSIER/BD.mdb (made once, then kept), then the whole chain verified three times as
// --verifier-journal does; prints each time and the memory the verification needed.
int MesurerJournal(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const qint64 n = QByteArray(argv[2]).toLongLong();
    const QString dossier = QString::fromLocal8Bit(argv[3]);
    QDir().mkpath(dossier);
    modBD::DefinirDossierProgramme(dossier);
    if (!QFile::exists(modBD::CheminBD())) modBD::CreerBaseVide(modBD::CheminBD());
    if (!OuvrirOuDire()) return 1;
    QSqlQuery q = modBD::Executer(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name = 'JournalOperation'"));
    qint64 deja = 0;
    if (q.next() && q.value(0).toLongLong() > 0) {
        QSqlQuery c = modBD::Executer(QStringLiteral("SELECT COUNT(*) FROM JournalOperation"));
        deja = c.next() ? c.value(0).toLongLong() : 0;
    }
    for (qint64 fait = deja; fait < n;) {  // by units of 50,000 rows, as many writes would leave it
        modBD::Transaction t;
        for (int i = 0; i < 50000 && fait < n; ++i, ++fait)
            modBD::Journaliser(QStringLiteral("Commande confirmée"), QStringLiteral("Commande %1").arg(fait + 1),
                               QStringLiteral("3 ligne(s), montant 57,5"));
        t.Valider();
    }
    for (int essai = 0; essai < 3; ++essai) {
        const PicMemoire pic;
        QElapsedTimer chrono;
        chrono.start();
        const modBD::VerificationJournal v = modBD::VerifierJournal();
        std::printf("Vérification du journal : %lld opérations, %s, %.2f s, %.0f Mo\n", static_cast<long long>(v.nombre),
                    v.intact ? "intact" : "modifié", static_cast<double>(chrono.elapsed()) / 1000.0, pic.mo());
        if (!v.intact) return 1;
    }
    return 0;
}

// Every measure of one size, on a copy of its base (made once, then kept in the cache).
bool MesurerTaille(const Bench::Taille& t, const QString& cache, Mesures& m) {
    const QString modele = QDir(cache).filePath(QStringLiteral("%1.mdb").arg(QLatin1String(t.nom)));
    QDir().mkpath(cache);
    if (!QFile::exists(modele)) {
        QElapsedTimer chrono;
        chrono.start();
        Bench::Generer(modele, t);
        m.generation[t.nom] = static_cast<double>(chrono.elapsed()) / 1000.0;
    }
    // Every run starts from the same history: work on a copy.
    const QString dossier = QDir(cache).filePath(QStringLiteral("travail-%1").arg(QLatin1String(t.nom)));
    QDir(dossier).removeRecursively();
    QDir().mkpath(dossier);
    QFile::copy(modele, QDir(dossier).filePath(QStringLiteral("BD.mdb")));
    modBD::DefinirDossierProgramme(dossier);

    m.demarrage[t.nom] = MesurerDemarrage(false);
    m.demarrageCopieDue[t.nom] = MesurerDemarrage(true);

    frmMain principal;
    if (!principal.Form_Load()) {
        std::fprintf(stderr, "La fenêtre principale n'a pas pu ouvrir la base (%s).\n", qPrintable(modBD::CheminBD()));
        return false;
    }
    std::printf("\n=== Taille %s ===\n", t.nom);
    // Before the writes below make the base grow.
    m.copies[t.nom] = MesurerCopie();
    m.restaurations[t.nom] = MesurerRestauration();
    Enregistrer(&principal);
    Collecteur collecteur;
    benchmark::RunSpecifiedBenchmarks(&collecteur);
    benchmark::ClearRegisteredBenchmarks();
    for (const auto& [nom, us] : collecteur.temps) m.resultats[nom][t.nom] = us;
    for (const auto& [nom, mo] : collecteur.memoire) m.memoire[nom][t.nom] = mo;
    modBD::FermerConnexion();
    return true;
}

void AfficherMesures(Mesures& m) {
    std::printf("\n| Opération | petite | moyenne | grande | grande/petite | historique (petit catalogue, grand historique) | historique/petite |\n"
                "|---|---|---|---|---|---|---|\n");
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    for (const char* op : kOperations) {
        auto& r = m.resultats[op];
        // The reports take milliseconds: shown in ms.
        const bool ms = std::string(op).rfind("Rapport", 0) == 0 || std::string(op).rfind("Export", 0) == 0;
        const double d = ms ? 1000.0 : 1.0;
        const char* u = ms ? "ms" : "µs";
        std::printf("| %s | %.1f %s | %.1f %s | %.1f %s | %.2f | %.1f %s | %.2f |\n", op, r["petite"] / d, u, r["moyenne"] / d, u,
                    r["grande"] / d, u, ratio(r["grande"], r["petite"]), r["historique"] / d, u,
                    ratio(r["historique"], r["petite"]));
    }
    std::printf("| Démarrage jusqu'à la fenêtre principale affichée (médiane de 5) | %.1f ms | %.1f ms | %.1f ms | %.2f | %.1f ms | %.2f |\n",
                m.demarrage["petite"], m.demarrage["moyenne"], m.demarrage["grande"], ratio(m.demarrage["grande"], m.demarrage["petite"]),
                m.demarrage["historique"], ratio(m.demarrage["historique"], m.demarrage["petite"]));
    std::printf("| Démarrage avec une copie automatique due (médiane de 5) | %.1f ms | %.1f ms | %.1f ms | %.2f | %.1f ms | %.2f |\n",
                m.demarrageCopieDue["petite"], m.demarrageCopieDue["moyenne"], m.demarrageCopieDue["grande"],
                ratio(m.demarrageCopieDue["grande"], m.demarrageCopieDue["petite"]), m.demarrageCopieDue["historique"],
                ratio(m.demarrageCopieDue["historique"], m.demarrageCopieDue["petite"]));
    auto& c = m.copies;
    std::printf("| Copie automatique jusqu'à la copie vérifiée et nommée | %.2f s | %.2f s | %.2f s | %.2f | %.2f s | %.2f |\n",
                c["petite"].secondes, c["moyenne"].secondes, c["grande"].secondes, ratio(c["grande"].secondes, c["petite"].secondes),
                c["historique"].secondes, ratio(c["historique"].secondes, c["petite"].secondes));
    std::printf("| Plus longue attente de la fenêtre pendant la copie | %.1f ms | %.1f ms | %.1f ms | %.2f | %.1f ms | %.2f |\n",
                c["petite"].attenteMs, c["moyenne"].attenteMs, c["grande"].attenteMs, ratio(c["grande"].attenteMs, c["petite"].attenteMs),
                c["historique"].attenteMs, ratio(c["historique"].attenteMs, c["petite"].attenteMs));
    for (const auto& [op, tailles] : m.memoire)
        for (const auto& [taille, mo] : tailles)
            std::printf("Mémoire de pointe au-delà du processus, %s (%s) : %.1f Mo\n", op.c_str(), taille.c_str(), mo);
    for (const auto& [nom, copie] : m.copies) std::printf("Taille de la copie %s : %.1f Mo\n", nom.c_str(), copie.mo);
    for (const auto& [nom, r] : m.restaurations) AfficherRestauration(nom.c_str(), r, m.copies[nom].mo);
    for (const auto& [nom, s] : m.generation) std::printf("Génération de la base %s : %.1f s\n", nom.c_str(), s);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 3 && std::string(argv[1]) == "--restauration") return MesurerRestaurationSeule(argc, argv);
    if (argc == 4 && std::string(argv[1]) == "--journal") return MesurerJournal(argc, argv);
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    Toolkit::InitialiserApplication(app);
    Toolkit::Test::Activer();  // a message box would wait for a click forever
    benchmark::Initialize(&argc, argv);

    const QString cache = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::current().filePath(QStringLiteral("bench-data"));
    const Bench::Taille tailles[] = {Bench::kPetite, Bench::kMoyenne, Bench::kGrande, Bench::kHistorique};
    Mesures mesures;
    // CORV_BENCH_TAILLES=petite,grande measures those sizes only (the others print 0).
    const QStringList choisies = QString::fromLocal8Bit(qgetenv("CORV_BENCH_TAILLES")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const Bench::Taille& t : tailles) {
        if (!choisies.isEmpty() && !choisies.contains(QLatin1String(t.nom))) continue;
        if (!MesurerTaille(t, cache, mesures)) return 1;
    }
    AfficherMesures(mesures);
    return 0;
}
