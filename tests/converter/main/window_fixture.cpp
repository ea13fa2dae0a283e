#include "tests/converter/main/window_fixture.h"

#include "converter/main/file_list_roles.h"
#include "converter/main/file_list_view.h"
#include "platform/profile/profile_file.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QTreeWidgetItem>
#include <stdexcept>

namespace tavrel::test {

ProgramFolder::ProgramFolder()
{
    dir_.setAutoRemove(true);
}

void ProgramFolder::addLanguage(const QString& name, const QByteArray& bytes) const
{
    QDir().mkpath(langFolder());
    QFile out(QDir(langFolder()).filePath(name));
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write(bytes);
}

void ProgramFolder::addNumberedLanguage(const QString& name, const QString& prefix, int lines) const
{
    QByteArray bytes;
    for (int line = 0; line < lines; ++line)
        bytes += numbered(prefix, line).toLatin1() + "\r\n";
    addLanguage(name, bytes);
}

void ProgramFolder::setValue(const QString& section, const QString& key, const QString& value) const
{
    EXPECT_TRUE(quandor::profile::writeString(configFile(), section, key, value))
        << qPrintable(section) << ' ' << qPrintable(key);
}

QString ProgramFolder::value(const QString& section, const QString& key) const
{
    return quandor::profile::readString(configFile(), section, key);
}

QByteArray ProgramFolder::configBytes() const
{
    QFile in(configFile());
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

std::unique_ptr<Audiotool> ProgramFolder::window() const
{
    return std::make_unique<Audiotool>(ProgramPaths{path(), path()});
}

std::unique_ptr<Audiotool> ProgramFolder::started() const
{
    if (value(QStringLiteral("LANGUE"), QStringLiteral("VALUE")).isEmpty())
        setValue(QStringLiteral("LANGUE"), QStringLiteral("VALUE"), QStringLiteral("0"));
    auto window = this->window();
    window->Form_Load();
    return window;
}

ModalWatcher::ModalWatcher(std::function<void(QWidget&)> action) : action_(std::move(action))
{
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer_.stop();
        seen_ = true;
        action_(*modal);
    });
    timer_.start();
}

ModalWatcher::~ModalWatcher()
{
    timer_.stop();
}

bool duringARun(Audiotool& window, const std::function<void()>& action)
{
    bool ran = false;
    QTimer::singleShot(0, &window, [&] {
        ran = window.engine().isConverting();
        action();
        window.Command4->click();
    });
    window.Command3->click();
    return ran;
}

namespace {

const QTreeWidgetItem& shownEntry(const Audiotool& window, int position)
{
    const auto* list = window.findChild<const QTreeWidget*>(QStringLiteral("ListView1"));
    const QTreeWidgetItem* item = list ? list->topLevelItem(position - 1) : nullptr;
    if (!item)
        throw std::out_of_range("no entry at that position");
    return *item;
}

} // namespace

QString shownText(const Audiotool& window, int position, int column)
{
    return shownEntry(window, position).text(column);
}

double shownRowProgress(const Audiotool& window, int position)
{
    return shownEntry(window, position).data(RowProgressColumn, RowProgressRole).toDouble();
}

int paintedBarPixels(const Audiotool& window)
{
    auto* bar = window.findChild<QWidget*>(QStringLiteral("Image4"));
    if (!bar)
        throw std::out_of_range("no bar Image4");
    const QImage image = bar->grab().toImage();
    const QRgb fill = bar->palette().color(QPalette::Highlight).rgb();
    int painted = 0;
    while (painted < image.width() && image.pixel(painted, image.height() / 2) == fill)
        ++painted;
    return painted;
}

void clickRowBar(Audiotool& window, int position)
{
    QTreeWidgetItem* item = window.ListView1->entryItem(position);
    ASSERT_NE(item, nullptr);
    QHeaderView* header = window.ListView1->header();
    const QPoint at(header->sectionPosition(RowProgressColumn) + header->sectionSize(RowProgressColumn) / 2,
                    window.ListView1->visualItemRect(item).center().y());
    QWidget* viewport = window.ListView1->viewport();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }
}

} // namespace tavrel::test
