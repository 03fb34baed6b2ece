// orvel-app: one instance per user; a second start hands its switches to the first and exits.
#include <QApplication>
#include <QIcon>
#include <QLockFile>

#include "AppShell.h"
#include "platform/SingleInstance.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvel"));
    QApplication::setOrganizationName(QStringLiteral("orvel"));
    QApplication::setApplicationVersion(QStringLiteral(ORVEL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("orvel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/orvel.svg")));

    const QStringList arguments = QApplication::arguments();
    orvel::SingleInstance instance;
    // Starts take turns between asking for a running instance and listening, so two launches at
    // once never both become the running one.
    QLockFile startLock(orvel::SingleInstance::defaultServerName() + QStringLiteral(".lock"));
    startLock.lock();
    if (instance.forwardToRunningInstance(arguments)) return 0;
    instance.listen();
    startLock.unlock();
    orvel::AppShell shell(arguments);
    QObject::connect(&instance, &orvel::SingleInstance::argumentsReceived, &shell,
                     &orvel::AppShell::applyForwardedArguments);
    return QApplication::exec();
}
