#include "cdrip/ui/brenlow_start.h"

#include "cdrip/ui/brenlow_registry.h"
#include "cdrip/ui/language_dialog.h"
#include "platform/files/file_door.h"
#include "platform/shell/program_folder.h"
#include "platform/shell/services.h"

#include <QDir>

namespace brenlow {

int checkWindowsVersion(const SystemVersionProvider& provider)
{
    const std::optional<SystemVersion> version = provider ? provider() : std::nullopt;
    if (!version)
        return -1;
    const bool nt = version->family == SystemVersion::Family::NT;
    const int major = version->major;
    const int minor = version->minor;
    if (major == 3 && minor == 51)
        return 0;
    if (major == 4 && minor == 0)
        return nt ? 1 : 2;
    if (major == 4 && minor == 10 && !nt)
        return 3;
    if (major == 4 && minor == 90 && !nt)
        return 4;
    if (major == 5 && nt && minor >= 0 && minor <= 2)
        return 5 + minor;
    return 1;
}

bool isSupportedVersionCode(int code)
{
    return code == 0 || code == 1 || code == 5 || code == 6 || code == 7;
}

std::optional<SystemVersion> currentSystemVersion()
{
    return SystemVersion{10, 0, SystemVersion::Family::NT};
}

StartEnvironment currentStartEnvironment()
{
    StartEnvironment environment;
    environment.startFolder = QDir::currentPath();
    environment.programFolder = quandor::shell::programFolder();
    return environment;
}

int runBrenlow(const StartEnvironment& environment)
{
    // A write past a file-size limit then fails with EFBIG and is reported
    // like a full disk, instead of killing the program.
    quandor::files::ignoreFileSizeSignal();
    const ModalRunner runModal =
        environment.runModal ? environment.runModal : [](QDialog& dialog) { return dialog.exec(); };

    if (!isSupportedVersionCode(checkWindowsVersion(environment.systemVersion))) {
        quandor::shell::messageBox(
            nullptr, QStringLiteral("Sorry, Brenlow is no more compatible with your Operating System... too old."),
            QStringLiteral("Brenlow"));
        return 1;
    }

    if (!languageChoice(storedLanguage())) {
        LanguageDialog languageDialog(nullptr, LanguageDialog::AtStartup);
        runModal(languageDialog);
    }

    MainDialog mainDialog(environment.startFolder,
                          environment.programFolder.isEmpty() ? environment.startFolder : environment.programFolder);
    mainDialog.setModalRunner(runModal);
    runModal(mainDialog);
    return 0;
}

} // namespace brenlow
