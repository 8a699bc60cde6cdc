// Plays and their performances: add a play, add a dated performance to a play, delete either.
#pragma once

#include <QPointer>
#include <QWidget>

class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QAction;
class QPushButton;

class frmGestionPieces : public QWidget {
    Q_OBJECT
public:
    explicit frmGestionPieces(QWidget* parent);

    void Form_Load();
    void AfficherListePieces();
    void AfficherListeRepresentations();

    // Handlers, public so that tests can raise them as the clerk would.
    void cboPieces_Click();
    void cmdAjouterPiece_Click();
    void cmdAjouterRepresentation_Click();
    void cmdFermer_Click();
    void lstPieces_MouseUp(Qt::MouseButton bouton);
    void lstRepresentations_MouseUp(Qt::MouseButton bouton);
    void mnuSupprimerPiece_Click();
    void mnuSupprimerRepresentation_Click();

    // Controls, named as on the form.
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* txtNomPiece = nullptr;
    QPushButton* cmdAjouterPiece = nullptr;
    QListWidget* lstPieces = nullptr;
    QComboBox* cboPieces = nullptr;
    QDateEdit* DPDateRepresentation = nullptr;
    QPushButton* cmdAjouterRepresentation = nullptr;
    QListWidget* lstRepresentations = nullptr;
    QPushButton* cmdFermer = nullptr;
    QMenu* mnuPopupPiece = nullptr;
    QAction* mnuSupprimerPiece = nullptr;
    QMenu* mnuPopupRepresentation = nullptr;
    QAction* mnuSupprimerRepresentation = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void ConstruireFenetre();

    bool m_centree = false;
};
