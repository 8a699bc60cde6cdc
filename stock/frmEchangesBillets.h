// Ticket exchanges: N tickets given by one seller for one performance and received
// by a seller for another (or the same) performance, written as -N then +N.
#pragma once

#include <QWidget>

class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmEchangesBillets : public QWidget {
    Q_OBJECT
public:
    explicit frmEchangesBillets(QWidget* parent);

    void AfficherListePieces();
    // Side 1: the given side (cboPieces, cboRepresentations); any other value: the received side.
    void AfficherListeRepresentations(int cote);
    void AfficherListeVendeurs();

    // Handlers, public so that tests can raise them as the clerk would.
    void Form_Load();
    void cboPieces_Click();
    void cboPieces2_Click();
    void cmdEchanger_Click();
    void cmdFermer_Click();
    void txtNbBillets_GotFocus();
    void txtCommentaire_GotFocus();

    // Controls, named as on the form.
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* lblFleche = nullptr;
    QDateEdit* DPDateEchange = nullptr;
    QLineEdit* txtNbBillets = nullptr;
    QComboBox* cboPieces = nullptr;
    QComboBox* cboRepresentations = nullptr;
    QComboBox* cboVendeurFrom = nullptr;
    QComboBox* cboPieces2 = nullptr;
    QComboBox* cboRepresentations2 = nullptr;
    QComboBox* cboVendeurTo = nullptr;
    QLineEdit* txtCommentaire = nullptr;
    QPushButton* cmdEchanger = nullptr;
    QPushButton* cmdFermer = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void ConstruireFenetre();
    void RelierFenetre();
    void ConstruireCotes();
    void RefuserNombre(const QString& message);

    bool m_centree = false;
    QString m_jeton;  // the entry's token while its last save is unsettled
};
