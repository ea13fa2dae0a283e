// The help menu's commands: the help file, the maker's pages, the
// translation request and the about window.
#include "converter/common/lang_loader.h"
#include "converter/main/about_window.h"
#include "converter/main/audiotool.h"
#include "converter/main/help_menu.h"
#include "converter/main/web_links.h"
#include "platform/shell/services.h"

#include <QFileInfo>

namespace tavrel {

void Audiotool::About_Click()
{
    FrmSplash about(this);
    about.Form_Load();
    about.exec();
}

void Audiotool::Aide_Click()
{
    // A missing help file opens nothing and shows no message.
    const QString file = help::helpFile(paths_.programFolder);
    if (QFileInfo(file).isFile())
        Lang_Loader::ShellOpen(file);
}

void Audiotool::FAQ_Click()
{
    const QString value = Lang_Loader::ReadIni(configFile(), config_keys::Language);
    Lang_Loader::ShellOpen(help::faqPageFor(value));
}

void Audiotool::Homepage_Click()
{
    Lang_Loader::ShellOpen(links::homePage());
}

void Audiotool::Helpus_Click()
{
    quandor::shell::messageBox(this, help::helpUsText(), QStringLiteral("Tavrel"), quandor::shell::MessageButtons::Ok,
                               quandor::shell::MessageIcon::Information);
}

} // namespace tavrel
