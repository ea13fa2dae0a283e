// The language menu and the main window's captions.
#include "converter/main/audiotool.h"

#include "converter/common/lang_loader.h"
#include "converter/main/captions.h"
#include "converter/main/conversion_engine.h"
#include "converter/main/file_list_view.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include <functional>

namespace tavrel {

namespace {

struct CaptionSlot {
    int line;
    std::function<void(Audiotool&, const QString&)> apply;
};

// The main window's caption table: line of the language file -> control.
const std::vector<CaptionSlot>& captionTable()
{
    static const std::vector<CaptionSlot> table{
        {0, [](Audiotool& w, const QString& t) { w.Fichier->setTitle(t); }},
        {1, [](Audiotool& w, const QString& t) { w.addfile->setText(t); }},
        {1, [](Audiotool& w, const QString& t) { w.Image1->setToolTip(t); }},
        {2, [](Audiotool& w, const QString& t) { w.Exite->setText(t); }},
        {3, [](Audiotool& w, const QString& t) { w.Options->setTitle(t); }},
        {4, [](Audiotool& w, const QString& t) { w.Languer->setTitle(t); }},
        {5, [](Audiotool& w, const QString& t) { w.TagEditor->setText(t); }},
        {6, [](Audiotool& w, const QString& t) { w.acceptWma->setText(t); }},
        {7, [](Audiotool& w, const QString& t) { w.Informations->setTitle(t); }},
        {8, [](Audiotool& w, const QString& t) { w.Homepage->setText(t); }},
        {9, [](Audiotool& w, const QString& t) { w.About->setText(t); }},
        {10, [](Audiotool& w, const QString& t) { w.Label8->setText(t); }},
        {12, [](Audiotool& w, const QString& t) { w.Image5->setToolTip(t); }},
        {13, [](Audiotool& w, const QString& t) { w.Label11->setText(t); }},
        {14, [](Audiotool& w, const QString& t) { w.Check1->setText(t); }},
        {15, [](Audiotool& w, const QString& t) { w.Label2->setText(t); }},
        {16, [](Audiotool& w, const QString& t) { w.Label1->setText(t); }},
        {17, [](Audiotool& w, const QString& t) { w.Label3->setText(t); }},
        {19, [](Audiotool& w, const QString& t) { w.Label12->setText(t); }},
        {21, [](Audiotool& w, const QString& t) { w.Command5->setText(t); }},
        {22, [](Audiotool& w, const QString& t) { w.Command4->setText(t); }},
        {23, [](Audiotool& w, const QString& t) { w.Command3->setText(t); }},
        {24, [](Audiotool& w, const QString& t) { w.ConvertNow->setText(t); }},
        {25, [](Audiotool& w, const QString& t) { w.Deletefromlist->setText(t); }},
        {47, [](Audiotool& w, const QString& t) { w.trackcolor->setText(t); }},
        {49, [](Audiotool& w, const QString& t) { w.Aide->setText(t); }},
    };
    return table;
}

} // namespace

void Audiotool::applyBuiltInCaptions()
{
    for (const CaptionSlot& slot : captionTable())
        slot.apply(*this, captions::builtIn(slot.line));
    Label4->setText(captions::builtIn(captions::CurrentFile));
    Label10->setText(QStringLiteral("0 ") + captions::builtIn(captions::FilesWord));
}

void Audiotool::LoadLanguageMenu()
{
    const QString folder = langFolder();
    const QStringList names = Lang_Loader::LanguageFileNames(folder);
    for (qsizetype k = 0; k < names.size(); ++k) {
        QAction* item = Languer->addAction(Lang_Loader::DisplayName(names[k]));
        item->setObjectName(QStringLiteral("LangueName"));
        item->setCheckable(true);
        item->setData(QDir(folder).filePath(names[k]));
        const int index = int(LangueName.size());
        connect(item, &QAction::triggered, this, [this, index] { LangueName_Click(index); });
        LangueName.append(item);
    }
}

void Audiotool::ApplyLanguage(const QString& path)
{
    // A vanished file keeps the captions in use (after saying so).
    if (!Lang_Loader::LoadLanguageFile(path, this))
        return;
    for (const CaptionSlot& slot : captionTable())
        slot.apply(*this, captions::text(slot.line));

    const int selected = ListView1->selectedPosition();
    QString current = captions::text(captions::CurrentFile);
    if (engine_->isConverting() && selected > 0)
        current += ListView1->entryName(selected);
    Label4->setText(current);
    Label10->setText(QStringLiteral("0 ") + captions::text(captions::FilesWord));
    UpdateFileCount();
}

void Audiotool::LangueName_Click(int index)
{
    if (index < 0 || index >= LangueName.size())
        return;
    const QString path = LangueName[index]->data().toString();
    if (!QFileInfo(path).isFile()) {
        // Say so and carry on with the captions in use: ending the program
        // here could lose a conversion's work.
        Lang_Loader::LoadLanguageFile(path, this);
        LangueName[index]->setChecked(false);
        for (qsizetype j = 0; j < LangueName.size(); ++j)
            LangueName[j]->setChecked(LangueName[j]->property("inUse").toBool());
        return;
    }
    Lang_Loader::SaveIni(this, configFile(), {{config_keys::Language, QString::number(index)}});
    ApplyLanguage(path);
    for (qsizetype j = 0; j < LangueName.size(); ++j) {
        LangueName[j]->setChecked(j == index);
        LangueName[j]->setProperty("inUse", j == index);
    }
}

} // namespace tavrel
