// Sellers: add a seller (an actor or not), delete one. "Fermer" refreshes the main window's seller list.
#pragma once

#include <QPointer>
#include <QWidget>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;

class frmGestionVendeurs : public QWidget {
    Q_OBJECT
public:
    explicit frmGestionVendeurs(QWidget* parent);

    // This window marks an actor with its own, longer marker.
    static inline const QString kMarqueComedienLongue = QStringLiteral(" (Comédien)");

    void Form_Load();
    void AfficherListeVendeurs();

    // Handlers, public so that tests can raise them as the clerk would.
    void cmdAjouterVendeur_Click();
    void cmdFermer_Click();
    void lstVendeurs_MouseUp(Qt::MouseButton bouton);
    void mnuSupprimerVendeur_Click();

    // Controls, named as on the form.
    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtNomVendeur = nullptr;
    QCheckBox* chkComedien = nullptr;
    QPushButton* cmdAjouterVendeur = nullptr;
    QListWidget* lstVendeurs = nullptr;
    QPushButton* cmdFermer = nullptr;
    QMenu* mnuPopMenu = nullptr;
    QAction* mnuSupprimerVendeur = nullptr;

signals:
    // "Fermer": the sellers may have changed, so the window that lists them reads them again.
    void VendeursFermes();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void ConstruireFenetre();

    bool m_centree = false;
};
