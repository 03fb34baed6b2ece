// orvel-app: one instance per user; a second start hands its switches to the first and exits.
#include <QApplication>
#include <QIcon>

#include "AppShell.h"
#include "platform/SingleInstance.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvel"));
    QApplication::setOrganizationName(QStringLiteral("orvel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvel"));
    QApplication::setApplicationVersion(QStringLiteral(ORVEL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("orvel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/orvel.svg")));

    const QStringList arguments = QApplication::arguments();
    orvel::SingleInstance instance;
    if (instance.forwardToRunningInstance(arguments)) return 0;
    // Two starts at once: the one that loses the race to listen hands over to the winner.
    if (!instance.listen() && instance.forwardToRunningInstance(arguments)) return 0;
    orvel::AppShell shell(arguments);
    QObject::connect(&instance, &orvel::SingleInstance::argumentsReceived, &shell,
                     &orvel::AppShell::applyForwardedArguments);
    return QApplication::exec();
}
