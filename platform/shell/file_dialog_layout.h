#pragma once
// Qt's own file dialog opens narrow, with its Size, Type and Date columns cut
// to "pla…ent" and "10 Dec…:13:02". The programs' file dialogs go through
// here so every column shows its text whole and the names take what is left.

class QFileDialog;

namespace quandor::shell {

void fitFileDialogColumns(QFileDialog& dialog);

} // namespace quandor::shell
