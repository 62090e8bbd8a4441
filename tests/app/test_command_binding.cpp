#include "app/MainMenus.h"

#include <QAction>
#include <QtTest>

using namespace fnk;

// Two receivers with slots named after commands; both have mu_Exit.
class FirstReceiver : public QObject {
    Q_OBJECT
public:
    QStringList calls;
public slots:
    void mu_Exit() { calls << QStringLiteral("mu_Exit"); }
    void mu_HelpAbout() { calls << QStringLiteral("mu_HelpAbout"); }
};

class SecondReceiver : public QObject {
    Q_OBJECT
public:
    QStringList calls;
public slots:
    void mu_Exit() { calls << QStringLiteral("mu_Exit"); }
    void mu_Game() { calls << QStringLiteral("mu_Game"); }
};

class CommandBindingTest : public QObject {
    Q_OBJECT
private slots:
    void eachCommandRunsTheSlotOfTheFirstReceiverThatHasIt()
    {
        QObject owner;
        std::array<QAction*, app::kCommandCount> commands{};
        QStringList elsewhere;
        for (std::size_t i = 0; i < app::kCommandCount; ++i) {
            const QString name = app::commandName(app::Command(i));
            commands[i] = new QAction(&owner);
            commands[i]->setObjectName(name);
            if (name != QLatin1String("mu_Exit") && name != QLatin1String("mu_Game"))
                elsewhere << name;  // mu_HelpAbout among them, though the first has its slot
        }
        FirstReceiver first;
        SecondReceiver second;
        app::bindCommandSlots(commands, {&first, &second}, elsewhere);

        const auto trigger = [&](app::Command c) { commands[std::size_t(c)]->trigger(); };
        trigger(app::Command::Exit);
        trigger(app::Command::Game);
        trigger(app::Command::HelpAbout);
        QCOMPARE(first.calls, QStringList{QStringLiteral("mu_Exit")});
        QCOMPARE(second.calls, QStringList{QStringLiteral("mu_Game")});
    }
};

QTEST_MAIN(CommandBindingTest)
#include "test_command_binding.moc"
