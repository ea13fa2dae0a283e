#include "converter/main/audiotool.h"

#include "converter/common/lang_loader.h"
#include "converter/main/conversion_engine.h"
#include "converter/main/deb.h"
#include "converter/main/file_list_view.h"
#include "converter/main/progress_pacer.h"
#include "converter/main/progress_strip.h"
#include "converter/main/window_conversion_view.h"
#include "converter/main/window_option_settings.h"
#include "converter/main/window_progress.h"
#include "platform/audio/library_logging.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidgetItem>
#include <cmath>

namespace tavrel {

namespace {

template <typename Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QAction* namedAction(QMenu* menu, const char* name, const QString& text)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    return action;
}

} // namespace

Audiotool::Audiotool(ProgramPaths paths, QWidget* parent) : QMainWindow(parent), paths_(std::move(paths))
{
    setObjectName(QStringLiteral("Audiotool"));
    setWindowTitle(QStringLiteral("Tavrel"));
    quandor::audio::quietLibraryLogging();
    buildMenus();
    buildControls();
    connectControls();
    applyBuiltInCaptions();
    wireConversion();
}

Audiotool::~Audiotool() = default;

// Each adapter is handed the controls it serves; the engine sees the window
// through the conversion view, the option windows through the option settings.
void Audiotool::wireConversion()
{
    windowProgress_ = std::make_unique<WindowProgress>(*Label6, *Picture1, *Image4, *ListView1);
    progressPacer_ = std::make_unique<ProgressPacer>(*windowProgress_, [this] { return engine_->isConverting(); });
    conversionView_ = std::make_unique<WindowConversionView>(
        ConversionControls{*this,
                           *ListView1,
                           *Label4,
                           *Label5,
                           *Command4,
                           {Command3, Command5, Command2, Image1, Image5, Combo1},
                           *Combo1,
                           *Check1,
                           *Text1,
                           *progressPacer_});
    engine_ = std::make_unique<ConversionEngine>(
        ConversionComponents{FileRenc, FileWenc, AACdecoder1, m4aDecoder, AACencoder}, *conversionView_);
    optionSettings_ =
        std::make_unique<WindowOptionSettings>(*this, configFile(), MP3LameEncoder, FileWenc, *engine_, *Text2);
}

OptionSettings& Audiotool::optionSettings()
{
    return *optionSettings_;
}

QString Audiotool::configFile() const
{
    return QDir(paths_.settingsFolder).filePath(QStringLiteral("Config.ini"));
}

QString Audiotool::langFolder() const
{
    return QDir(paths_.programFolder).filePath(QStringLiteral("Lang"));
}

void Audiotool::buildMenus()
{
    QMenuBar* bar = menuBar();
    Fichier = named(bar->addMenu(QString()), "Fichier");
    addfile = namedAction(Fichier, "addfile", QString());
    Fichier->addSeparator();
    Exite = namedAction(Fichier, "Exite", QString());

    Options = named(bar->addMenu(QString()), "Options");
    Languer = named(Options->addMenu(QString()), "Languer");
    TagEditor = namedAction(Options, "TagEditor", QString());
    acceptWma = namedAction(Options, "acceptWma", QString());
    acceptWma->setCheckable(true);
    trackcolor = namedAction(Options, "trackcolor", QString());
    Options->addSeparator();
    Helpus = namedAction(Options, "Helpus", QStringLiteral("Help us translate Tavrel"));

    Informations = named(bar->addMenu(QString()), "Informations");
    Aide = namedAction(Informations, "Aide", QString());
    FAQ = namedAction(Informations, "FAQ", QStringLiteral("F.A.Q"));
    Homepage = namedAction(Informations, "Homepage", QString());
    Informations->addSeparator();
    About = namedAction(Informations, "About", QString());

    // The list's pop-up menu is not on the menu bar.
    Popup = named(new QMenu(QStringLiteral("Popup"), this), "Popup");
    ConvertNow = namedAction(Popup, "ConvertNow", QString());
    Popup->addSeparator();
    Deletefromlist = namedAction(Popup, "Deletefromlist", QString());
}

void Audiotool::buildControls()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);
    buildFileListControls(central);
    buildOutputControls(central);
    buildProgressControls(central);
    buildCommandButtons(central);
    // The window keeps one size: 7020 x 8025 twips at 15 twips a pixel.
    setFixedSize(468, 535);
}

// The add and remove buttons, the list's captions and the list itself.
void Audiotool::buildFileListControls(QWidget* central)
{
    QStyle* look = style();
    Image1 = named(new QToolButton(central), "Image1");
    Image1->setIcon(look->standardIcon(QStyle::SP_DialogOpenButton));
    Image1->setIconSize(QSize(24, 24));
    Image1->setAutoRaise(true);
    Image1->setGeometry(8, 4, 32, 32);
    Image5 = named(new QToolButton(central), "Image5");
    Image5->setIcon(look->standardIcon(QStyle::SP_TrashIcon));
    Image5->setIconSize(QSize(24, 24));
    Image5->setAutoRaise(true);
    Image5->setGeometry(44, 4, 32, 32);

    Label8 = named(new QLabel(central), "Label8");
    Label8->setGeometry(88, 12, 240, 20);
    Label10 = named(new QLabel(central), "Label10");
    Label10->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label10->setGeometry(330, 12, 130, 20);

    ListView1 = new FileListView(central);
    ListView1->setGeometry(8, 40, 452, 200);
}

// The output folder, the format list and the format summary with the WMA and
// APE lists that take its place.
void Audiotool::buildOutputControls(QWidget* central)
{
    Label11 = named(new QLabel(central), "Label11");
    Label11->setGeometry(8, 248, 300, 20);
    Label2 = named(new QLabel(central), "Label2");
    Label2->setGeometry(16, 274, 156, 22);
    Text1 = named(new QLineEdit(central), "Text1");
    Text1->setGeometry(176, 274, 244, 22);
    Command1 = named(new QPushButton(QStringLiteral("..."), central), "Command1");
    Command1->setGeometry(424, 274, 36, 22);
    Check1 = named(new QCheckBox(central), "Check1");
    Check1->setGeometry(176, 300, 284, 20);

    Label1 = named(new QLabel(central), "Label1");
    Label1->setGeometry(16, 326, 156, 22);
    Combo1 = named(new QComboBox(central), "Combo1");
    Combo1->setGeometry(176, 326, 200, 22);
    Label3 = named(new QLabel(central), "Label3");
    Label3->setGeometry(16, 354, 156, 22);
    buildFormatSummary(central);
    Command2 = named(new QPushButton(QStringLiteral("..."), central), "Command2");
    Command2->setGeometry(424, 354, 36, 22);
    Combo2 = named(new QComboBox(central), "Combo2");
    Combo2->setGeometry(176, 354, 284, 22);
    Combo2->hide();
    Combo3 = named(new QComboBox(central), "Combo3");
    Combo3->addItems({QStringLiteral("Compression Fast"), QStringLiteral("Compression Normal"),
                      QStringLiteral("Compression High"), QStringLiteral("Compression Very High (Insane)")});
    Combo3->setGeometry(176, 354, 284, 22);
    Combo3->hide();
}

void Audiotool::buildFormatSummary(QWidget* central)
{
    Text2 = named(new QLineEdit(central), "Text2");
    Text2->setReadOnly(true);
    // setText leaves the cursor at the end (also when the text is the same);
    // a summary too long for the box must show its start, the format, not its
    // tail. A user who clicked into the box may still move along it.
    connect(Text2, &QLineEdit::cursorPositionChanged, Text2, [this](int, int position) {
        if (position != 0 && !Text2->hasFocus())
            Text2->setCursorPosition(0);
    });
    Text2->setGeometry(176, 354, 244, 22);
}

// The file and total captions, the bar in its frame and the percentage.
void Audiotool::buildProgressControls(QWidget* central)
{
    Label12 = named(new QLabel(central), "Label12");
    Label12->setGeometry(8, 386, 300, 20);
    Label4 = named(new QLabel(central), "Label4");
    Label4->setGeometry(16, 408, 340, 20);
    Label5 = named(new QLabel(central), "Label5");
    Label5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label5->setGeometry(360, 408, 100, 20);

    Picture1 = named(new QFrame(central), "Picture1");
    Picture1->setFrameShape(QFrame::StyledPanel);
    Picture1->setFrameShadow(QFrame::Sunken);
    Picture1->setGeometry(16, 432, 376, 18);
    // The bar keeps the frame's inner size and fills from the left.
    Image4 = named(new ProgressStrip(Picture1), "Image4");
    Image4->setGeometry(2, 2, Picture1->width() - 4, 14);
    Label6 = named(new QLabel(QStringLiteral("0 %"), central), "Label6");
    Label6->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label6->setGeometry(396, 432, 64, 18);
    // Labels of a fixed size: a new text repaints the label and asks no layout of the window.
    for (QLabel* label : {Label4, Label5, Label6})
        label->setFixedSize(label->size());
}

// Convert, Cancel and Close.
void Audiotool::buildCommandButtons(QWidget* central)
{
    Command3 = named(new QPushButton(central), "Command3");
    Command3->setGeometry(8, 462, 140, 30);
    Command4 = named(new QPushButton(central), "Command4");
    Command4->setGeometry(164, 462, 140, 30);
    Command4->setEnabled(false);
    Command5 = named(new QPushButton(central), "Command5");
    Command5->setGeometry(320, 462, 140, 30);
}

void Audiotool::connectControls()
{
    connect(addfile, &QAction::triggered, this, [this] { addfile_Click(); });
    connect(Exite, &QAction::triggered, this, [this] { Exite_Click(); });
    connect(TagEditor, &QAction::triggered, this, [this] { TagEditor_Click(); });
    connect(acceptWma, &QAction::triggered, this, [this] { acceptWma_Click(); });
    connect(trackcolor, &QAction::triggered, this, [this] { trackcolor_Click(); });
    connect(Helpus, &QAction::triggered, this, [this] { Helpus_Click(); });
    connect(Aide, &QAction::triggered, this, [this] { Aide_Click(); });
    connect(FAQ, &QAction::triggered, this, [this] { FAQ_Click(); });
    connect(Homepage, &QAction::triggered, this, [this] { Homepage_Click(); });
    connect(About, &QAction::triggered, this, [this] { About_Click(); });
    connect(ConvertNow, &QAction::triggered, this, [this] { ConvertNow_Click(); });
    connect(Deletefromlist, &QAction::triggered, this, [this] { Deletefromlist_Click(); });

    connect(Image1, &QToolButton::clicked, this, [this] { Image1_Click(); });
    connect(Image5, &QToolButton::clicked, this, [this] { Image5_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Check1, &QCheckBox::clicked, this, [this] { Check1_Click(); });
    // Only a pick by the user runs the handlers; setting a list in code does not.
    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(Combo2, &QComboBox::activated, this, [this] { Combo2_Click(); });
    connect(Combo3, &QComboBox::activated, this, [this] { Combo3_Click(); });

    connect(ListView1, &FileListView::filesDropped, this,
            [this](const QStringList& paths) { ListView1_OLEDragDrop(paths); });
    connect(ListView1, &FileListView::commandKeyPressed, this,
            [this](int keyCode, Qt::KeyboardModifiers modifiers) { ListView1_KeyDown(keyCode, modifiers); });
    connect(ListView1, &FileListView::selectionKeyPressed, this, [this] { UpdateFileCount(); });
    connect(ListView1, &FileListView::mousePressed, this,
            [this](Qt::MouseButton button) { ListView1_MouseDown(button); });
    connect(ListView1, &FileListView::mouseReleased, this,
            [this](Qt::MouseButton button, const QPoint& at) { ListView1_MouseUp(button, at); });
}

void Audiotool::closeEvent(QCloseEvent* event)
{
    int cancel = 0;
    Form_QueryUnload(cancel);
    if (cancel != 0)
        event->ignore();
    else
        event->accept();
}

void Audiotool::Exite_Click()
{
    close();
}

} // namespace tavrel
