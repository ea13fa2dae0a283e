#include "cdrip/ui/brenlow_start.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brenlow"));
    brenlow::StartEnvironment environment;
    environment.startFolder = QDir::currentPath();
    return brenlow::runBrenlow(environment);
}
