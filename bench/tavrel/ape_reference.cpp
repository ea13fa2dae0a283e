// The APE library alone, as one process: compresses each WAV given into
// FOLDER/<name>.ape at LEVEL. The reference the window's APE batch is held to.
// Usage: ape_reference LEVEL FOLDER FILE...

#include "platform/mac/mac_library.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4)
        return 2;
    const int level = args[1].toInt();
    for (int i = 3; i < args.size(); ++i) {
        const QString target =
            args[2] + QLatin1Char('/') + QFileInfo(args[i]).completeBaseName() + QStringLiteral(".ape");
        const auto result = quandor::mac::CompressFile(args[i], target, level, nullptr, nullptr, nullptr);
        if (result != quandor::mac::Result::Success) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(args[i]), qPrintable(quandor::mac::describe(result)));
            return 1;
        }
    }
    return 0;
}
