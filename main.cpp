#include "app/ProgramFolder.h"

#include <QApplication>
#include <QLocale>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fennick"));
    QApplication::setOrganizationName(QStringLiteral("Fennick"));
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    else
        QLocale::setDefault(system);

    QMainWindow window;
    window.setObjectName(QStringLiteral("FNK_3_Main"));
    window.setWindowTitle(QStringLiteral("Fennick"));
    window.show();
    return app.exec();
}
