// "Comptes des employés": creates, renames, deactivates and resets the employees' accounts.
// Open to anyone until the first account exists (an administrator's), to "Administration" after.
#pragma once

#include <QDialog>

#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class frmComptes : public QDialog {
    Q_OBJECT
public:
    explicit frmComptes(QWidget* parent = nullptr);
    void AfficherListeComptes();
    // Handlers, public so that tests can raise them as the administrator would.
    void cmdCreer_Click();
    void cmdRenommer_Click();
    void cmdChangerRole_Click();
    void cmdActif_Click();
    void cmdReinitialiserMotDePasse_Click();

    QTreeWidget* lstComptes = nullptr;
    QLineEdit* txtNom = nullptr;
    QComboBox* cboRole = nullptr;
    QLineEdit* txtMotDePasse = nullptr;
    QPushButton* cmdCreer = nullptr;
    QPushButton* cmdRenommer = nullptr;
    QPushButton* cmdChangerRole = nullptr;
    QPushButton* cmdActif = nullptr;
    QPushButton* cmdReinitialiserMotDePasse = nullptr;
    QPushButton* cmdFermer = nullptr;

private:
    void ConstruireFenetre();
    qint64 CompteChoisi() const;  // 0 when none
    // Runs one write; says the reason when it is refused. True when done.
    bool Ecrire(const std::function<void()>& ecriture);
    QByteArray PrendreMotDePasse();
};
