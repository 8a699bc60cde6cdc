// "Connexion": an employee signs in (name from a list, password) before the windows open, and
// when a shared laptop is handed over. Shown only when the base has active accounts.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmConnexion : public QDialog {
    Q_OBJECT
public:
    // journaliserEchecs: false for a base opened read-only (the report tool).
    explicit frmConnexion(bool journaliserEchecs = true, QWidget* parent = nullptr);
    // Tries the name and password typed: true (and the dialog accepted) when they are right;
    // otherwise the reason is shown and the password field emptied.
    bool cmdConnexion_Click();
    // Signs an employee in when the open base has accounts: true when someone is signed in
    // (or the base has no account), false when the clerk gave up.
    static bool Exiger(QWidget* parent, bool journaliserEchecs = true);

    QComboBox* cboEmploye = nullptr;
    QLineEdit* txtMotDePasse = nullptr;
    QLabel* lblMessage = nullptr;
    QPushButton* cmdConnexion = nullptr;
    QPushButton* cmdAnnuler = nullptr;

private:
    bool m_journaliser = true;
};
