// Places and prices: per play, the child and adult prices; per performance, the number of
// seats (or the same for every performance of the play); the company's name for receipts.
// Modeless, at most one at a time, opened from the "Outils" menu.
#pragma once

#include <QWidget>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class frmPlacesTarifs : public QWidget {
    Q_OBJECT
public:
    explicit frmPlacesTarifs(QWidget* principal);

    void Form_Load();
    void AfficherListePieces();
    void AfficherPiece();  // the chosen play's prices and performances

    // Handlers, public so that tests can raise them as the clerk would.
    void cboPieces_Click();
    void cmdEnregistrerTarifs_Click();
    void cmdEnregistrerPlaces_Click();
    void cmdEnregistrerCompagnie_Click();

    // True when the prices shown differ from those read for the play shown.
    bool TarifsModifies() const;

    // An amount typed in the locale's form: 0 or more, two decimals at most; nullopt otherwise.
    static std::optional<double> LirePrix(const QString& texte);
    // A count of seats: a whole number from 1 to 32767; nullopt otherwise.
    static std::optional<int> LireCapacite(const QString& texte);

    enum Colonne { ColDate = 0, ColPlaces };

    QLabel* lblPieces = nullptr;
    QComboBox* cboPieces = nullptr;
    QLabel* lblPrixEnfant = nullptr;
    QLineEdit* txtPrixEnfant = nullptr;
    QLabel* lblPrixAdulte = nullptr;
    QLineEdit* txtPrixAdulte = nullptr;
    QPushButton* cmdEnregistrerTarifs = nullptr;
    QLabel* lblTarifsEnregistres = nullptr;  // "Tarifs enregistrés." after a save, until the next change
    QLabel* lblRepresentations = nullptr;
    QTreeWidget* lstRepresentations = nullptr;
    QLabel* lblPlaces = nullptr;
    QLineEdit* txtPlaces = nullptr;
    QCheckBox* chkToutes = nullptr;
    QPushButton* cmdEnregistrerPlaces = nullptr;
    QLabel* lblCompagnie = nullptr;
    QLineEdit* txtCompagnie = nullptr;
    QPushButton* cmdEnregistrerCompagnie = nullptr;
    QPushButton* cmdFermer = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void ConstruireFenetre();
    void RelierFenetre();
    void Relier();  // the controls to their handlers
    QWidget* ConstruireTarifs();  // the group of the play's prices
    std::optional<qint64> NoPieceChoisie() const;
    // Saves the prices typed for that play; false (the clerk told why) when nothing was saved.
    bool EnregistrerTarifs(qint64 noPiece);
    // Asks about prices typed and not saved; false when the clerk chose to stay (Annuler, or a save refused).
    bool AccepterDepartPiece();
    void DefinirConfirmation(const QString& texte);

    bool m_centree = false;
    QString m_pieceAffichee;  // the play whose prices are shown, as its name
    qint64 m_noPieceAffichee = -1;
    QString m_prixEnfantLu, m_prixAdulteLu;  // the prices as shown when read
};
