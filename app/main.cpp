// Start-up: the main window is the program.
#include "Toolkit.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvandelle"));
    Toolkit::InitialiserApplication(app);

    frmMain principal;
    if (!principal.Form_Load()) return 1;
    principal.show();
    return QApplication::exec();
}
