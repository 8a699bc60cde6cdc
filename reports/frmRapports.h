// The report tool's window: one report on screen with its filters, its chart for the sales,
// and the ways out: printer, PDF, CSV, spreadsheet.
#pragma once

#include "Exportation.h"
#include "Tableau.h"

#include <QMainWindow>

class QCheckBox;
class QChartView;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QScrollArea;
class QTableView;
class QTimer;

class frmRapports : public QMainWindow {
    Q_OBJECT
public:
    explicit frmRapports(const QString& cheminBase, QWidget* parent = nullptr);
    ~frmRapports() override;

    // Opens the base read-only and shows the first report. False, after a message, when it cannot.
    bool Form_Load();

    // Shows the report the controls ask for.
    void Actualiser();
    // Writes the report on screen to the file; false after a message when it could not.
    bool ExporterVers(Rapports::Format format, const QString& chemin);
    const Rapports::Tableau& TableauAffiche() const;

    QComboBox* cboRapport = nullptr;
    QComboBox* cboPiece = nullptr;
    QComboBox* cboRepresentation = nullptr;
    QComboBox* cboVendeur = nullptr;
    QCheckBox* chkDu = nullptr;
    QDateEdit* DPDu = nullptr;
    QCheckBox* chkAu = nullptr;
    QDateEdit* DPAu = nullptr;
    QPushButton* cmdImprimer = nullptr;
    QPushButton* cmdExporterPdf = nullptr;
    QPushButton* cmdExporterCsv = nullptr;
    QPushButton* cmdExporterClasseur = nullptr;
    QPushButton* cmdAnnuler = nullptr;  // shown while a long report is read
    QTableView* tblRapport = nullptr;
    QChartView* graVentes = nullptr;
    QLabel* lblEtat = nullptr;

    void cboRapport_Click();
    void cboPiece_Click();
    // F5: the lists read again (keeping the choices that still exist), then the figures.
    void Recharger();
    void cmdImprimer_Click();
    void cmdExporter_Click(Rapports::Format format);

protected:
    void closeEvent(QCloseEvent* evenement) override;
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    void CreerFiltres(QWidget* centre);
    void CreerRapportEtBoutons(QWidget* centre);
    void Disposer(QWidget* centre);
    void Relier();
    Rapports::Rapport RapportChoisi() const;
    Rapports::Filtres FiltresChoisis() const;
    void MontrerRapport(Rapports::Rapport r, const Rapports::Filtres& f);
    void AfficherListeRepresentations();
    bool ChargerListes();
    void AdapterFiltres();
    // Reads the filter lists again when another station or program changed the base.
    void SuivreAutresPostes();
    // "Enregistré : {chemin}" on the status line for 5 s.
    void AnnoncerFichier(const QString& chemin);
    // Columns as wide as their content; when the table is too narrow, only the names give way.
    void AjusterColonnes();
    // The report just read: its count of lines, its columns, and the sales chart when asked.
    void AfficherTableau(bool graphique, const QString& piece);

    QScrollArea* m_defilementGraphique = nullptr;
    QString m_base;
    Rapports::ModeleRapport* m_modele = nullptr;
    bool m_charge = false;
    bool m_lecture = false;  // a report is being read: the window answers, its choices wait
    bool m_annuler = false;
    QString m_etatAvantAnnonce;  // what the status line said before "Enregistré : …"
    QString m_annonce;           // the "Enregistré : …" shown, until it is taken away
    QTimer* m_effacerAnnonce = nullptr;
    quint64 m_version = 0;  // of the changes made elsewhere, when the lists were last read
};
