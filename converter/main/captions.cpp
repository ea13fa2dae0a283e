#include "converter/main/captions.h"

#include "converter/common/lang_loader.h"

namespace tavrel::captions {

QString builtIn(int line)
{
    switch (line) {
    case 0:
        return QStringLiteral("File");
    case 1:
        return QStringLiteral("Add a file");
    case 2:
        return QStringLiteral("Exit");
    case 3:
        return QStringLiteral("Option");
    case 4:
        return QStringLiteral("Language");
    case 5:
        return QStringLiteral("Tag Editor");
    case 6:
        return QStringLiteral("Wma Support");
    case 7:
        return QStringLiteral("Information");
    case 8:
        return QStringLiteral("Homepage");
    case 9:
        return QStringLiteral("About");
    case 10:
        return QStringLiteral("Files to convert :");
    case 11:
        return QStringLiteral("files");
    case 12:
        return QStringLiteral("Delete all items");
    case 13:
        return QStringLiteral("Output configuration :");
    case 14:
        return QStringLiteral("Save in the file's directory");
    case 15:
        return QStringLiteral("- Output path :");
    case 16:
        return QStringLiteral("- Output format :");
    case 17:
        return QStringLiteral("- Format parameter :");
    case 18:
        return QStringLiteral("Choose the output folder");
    case 19:
        return QStringLiteral("Conversion information :");
    case 20:
        return QStringLiteral("File : ");
    case 21:
        return QStringLiteral("Close");
    case 22:
        return QStringLiteral("Cancel");
    case 23:
        return QStringLiteral("Convert !");
    case 24:
        return QStringLiteral("Convert Now");
    case 25:
        return QStringLiteral("Delete");
    case 45:
        return QStringLiteral("This file is already in the list :");
    case 46:
        return QStringLiteral("An error occurred while converting this file.");
    case 47:
        return QStringLiteral("Track title color");
    case 48:
        return QStringLiteral("The WMA support setting takes effect the next time Tavrel starts.");
    case 49:
        return QStringLiteral("Help");
    case 51:
        return QStringLiteral("Do you want to remove every file from the list ?");
    default:
        return QString();
    }
}

QString text(int line)
{
    return Lang_Loader::Caption(line, builtIn(line));
}

} // namespace tavrel::captions
