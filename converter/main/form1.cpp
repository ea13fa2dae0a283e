#include "converter/main/form1.h"

#include "converter/common/lang_loader.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

namespace tavrel {

Form1::Form1(const QString& langFolder, const QString& configFile, QWidget* owner)
    : QDialog(owner),
      langFolder_(langFolder),
      configFile_(configFile)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tavrel - Language"));
    setFixedSize(300, 280);

    Label2 = new QLabel(QStringLiteral("Tavrel"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    QFont heading = Label2->font();
    heading.setPointSize(16);
    heading.setBold(true);
    Label2->setFont(heading);
    Label2->setGeometry(60, 8, 220, 32);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    picture->setGeometry(16, 8, 32, 32);

    Label1 = new QLabel(QStringLiteral("Select your language :"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(16, 48, 268, 20);

    ListView1 = new QListWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(16, 72, 268, 160);

    Command1 = new QPushButton(QStringLiteral("Ok"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(184, 242, 100, 28);
    Command1->setEnabled(false);

    connect(ListView1, &QListWidget::itemClicked, this, [this] { ListView1_ItemClick(); });
    connect(ListView1, &QListWidget::currentItemChanged, this, [this] { ListView1_ItemClick(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    FillLanguageList();
}

void Form1::FillLanguageList()
{
    const QIcon icon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const QString& name : Lang_Loader::LanguageFileNames(langFolder_)) {
        auto* item = new QListWidgetItem(icon, Lang_Loader::DisplayName(name), ListView1);
        item->setData(Qt::UserRole, name);
    }
    // "English" is where the list starts, but nothing shows as picked: "Ok"
    // waits for the user's pick, and a highlighted entry beside a disabled
    // "Ok" would look chosen already.
    const QSignalBlocker quiet(ListView1);
    for (int row = 0; row < ListView1->count(); ++row) {
        if (ListView1->item(row)->text() == QLatin1String("English")) {
            ListView1->setCurrentRow(row, QItemSelectionModel::NoUpdate);
            ListView1->scrollToItem(ListView1->item(row));
            break;
        }
    }
}

void Form1::ListView1_ItemClick()
{
    Command1->setEnabled(true);
}

void Form1::Command1_Click()
{
    int language = 0;
    for (int row = 0; row < ListView1->count(); ++row) {
        if (ListView1->item(row)->isSelected()) {
            language = row;
            break;
        }
    }
    Lang_Loader::SaveIni(this, configFile_, {{config_keys::Language, QString::number(language)}});
    accept();
}

} // namespace tavrel
