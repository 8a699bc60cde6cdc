// Stock adjustments: one signed movement of a seller's tickets for one performance,
// with the performance's current count over all sellers.
#pragma once

#include <QWidget>

class QButtonGroup;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmInventaireBillets : public QWidget {
    Q_OBJECT
public:
    explicit frmInventaireBillets(QWidget* parent);

    void AfficherListePieces();
    void AfficherListeRepresentations();
    void AfficherListeVendeurs();

    // Handlers, public so that tests can raise them as the clerk would.
    void Form_Load();
    void cboPieces_Click();
    void cboRepresentations_Click();
    void cmdEnregistrer_Click();
    void cmdFermer_Click();
    void txtNbBillets_GotFocus();

    // Controls, named as on the form.
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QDateEdit* DPDate = nullptr;
    QComboBox* cboPieces = nullptr;
    QComboBox* cboRepresentations = nullptr;
    QRadioButton* optAjouter = nullptr;
    QRadioButton* optEnlever = nullptr;
    QButtonGroup* grpOperation = nullptr;
    QLineEdit* txtNbBillets = nullptr;
    QLabel* lblNbBillets = nullptr;
    QComboBox* cboVendeur = nullptr;
    QLineEdit* txtCommentaire = nullptr;
    QPushButton* cmdEnregistrer = nullptr;
    QPushButton* cmdFermer = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void ConstruireFenetre();
    void RelierFenetre();
    void ConstruireOperation();
    void AfficherNbBillets();
    void RefuserNombre(const QString& message);

    bool m_centree = false;
    QString m_jeton;  // the entry's token while its last save is unsettled
};
