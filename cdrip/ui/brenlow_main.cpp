#include "cdrip/ui/brenlow_start.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brenlow"));
    return brenlow::runBrenlow(brenlow::currentStartEnvironment());
}
