#pragma once
// The main window's captions by language-file line, with the text each has
// when no language file supplies the line.

#include <QString>

namespace tavrel::captions {

/// Line numbers of the texts the main window shows outside its caption table.
enum Line : int {
    AddFileDialogTitle = 1,
    FilesWord = 11,
    CurrentFile = 20,
    OutputFolderTitle = 18,
    AlreadyListed = 45,
    ConversionError = 46,
    WmaSupportChanged = 48,
    DeleteAllQuestion = 51,
};

/// The English text of a line, used when the language file in use lacks it.
QString builtIn(int line);

/// Line `line` of the language in use, or its built-in English text.
QString text(int line);

} // namespace tavrel::captions
