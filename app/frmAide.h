// The guide inside the program: F1 and "Aide > Guide de la billetterie" show it here, with its
// pictures and its links, so that help needs no web browser. "Ouvrir dans le navigateur" is
// there for those who prefer one. Modeless, at most one at a time.
#pragma once

#include <QWidget>

class QPushButton;
class QTextBrowser;

class frmAide : public QWidget {
    Q_OBJECT
public:
    // `page`: the guide's index.html.
    frmAide(const QString& page, QWidget* principal);

    void cmdNavigateur_Click();
    void cmdAccueil_Click();

    QTextBrowser* txtGuide = nullptr;
    QPushButton* cmdPrecedent = nullptr;
    QPushButton* cmdAccueil = nullptr;
    QPushButton* cmdNavigateur = nullptr;
    QPushButton* cmdFermer = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    QString m_page;
    bool m_centree = false;
};
