#include "tests/support/recording_services.h"

#include <QFileInfo>
#include <QUrl>

namespace quandor::test {
namespace {

template <typename T>
T takeFront(std::deque<T>& queue, T fallback)
{
    if (queue.empty())
        return fallback;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}

shell::MessageResult defaultAnswer(shell::MessageButtons buttons)
{
    switch (buttons) {
    case shell::MessageButtons::YesNo:
        return shell::MessageResult::No;
    case shell::MessageButtons::Ok:
        return shell::MessageResult::Ok;
    default:
        return shell::MessageResult::Cancel;
    }
}

} // namespace

RecordingServices::RecordingServices()
{
    shell::setServices(this);
}
RecordingServices::~RecordingServices()
{
    shell::setServices(nullptr);
}

shell::MessageResult RecordingServices::message(QWidget*, const QString& text, const QString& title,
                                                shell::MessageButtons buttons, shell::MessageIcon icon)
{
    messages.append({text, title, buttons, icon});
    return takeFront(messageAnswers, defaultAnswer(buttons));
}

bool RecordingServices::openUrl(const QString& target)
{
    openedUrls.append(target);
    return true;
}

QStringList RecordingServices::openFileNames(QWidget*, const shell::FileDialogRequest& request, bool)
{
    fileDialogs.append(request);
    return takeFront(openAnswers, QStringList());
}

QString RecordingServices::saveFileName(QWidget*, const shell::FileDialogRequest& request)
{
    fileDialogs.append(request);
    return takeFront(saveAnswers, QString());
}

QString RecordingServices::browseForFolder(QWidget*, const QString& title, const QString&)
{
    folderDialogs.append(title);
    return takeFront(folderAnswers, QString());
}

std::optional<QColor> RecordingServices::chooseColor(QWidget*, const QColor&)
{
    return takeFront(colorAnswers, std::optional<QColor>());
}

QStringList RecordingServices::messageTexts() const
{
    QStringList texts;
    for (const RecordedMessage& m : messages)
        texts.append(m.text);
    return texts;
}

QStringList addressesOutside(const QStringList& targets, const QString& domain)
{
    QStringList outside;
    for (const QString& target : targets) {
        const QUrl url(target);
        QString host;
        if (url.scheme() == QLatin1String("mailto"))
            host = url.path().section(QLatin1Char('@'), 1).trimmed();
        else if (url.scheme().isEmpty() || url.isLocalFile() || QFileInfo(target).isAbsolute())
            continue; // a file opened with its program
        else
            host = url.host();
        if (host != domain && !host.endsWith(QLatin1Char('.') + domain))
            outside.append(target);
    }
    return outside;
}

} // namespace quandor::test
