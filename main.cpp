#include "app/MainWindow.h"
#include "app/ProgramFolder.h"

#include <QApplication>
#include <QLocale>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fennick"));
    QApplication::setOrganizationName(QStringLiteral("Fennick"));
    QApplication::setQuitOnLastWindowClosed(false);
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    else
        QLocale::setDefault(system);

    fnk::app::MainWindow window(fnk::app::programFolder());
    QObject::connect(&window, &fnk::app::MainWindow::endProgram, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    window.startUp();
    // For the install check: start (a first run where it is due), then close
    // the main window as the user would, which writes the settings and ends.
    if (qEnvironmentVariableIsSet("FENNICK_CLOSE_AFTER_START"))
        QTimer::singleShot(0, &window, &QWidget::close);
    return app.exec();
}
