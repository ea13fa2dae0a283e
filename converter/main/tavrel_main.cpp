#include "converter/main/audiotool.h"

#include "platform/shell/program_folder.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrel"));
    tavrel::Audiotool window(
        {quandor::shell::programFolder(), quandor::shell::settingsFolder(QStringLiteral("Tavrel"))});
    window.Form_Initialize();
    window.Form_Load();
    window.show();
    return app.exec();
}
