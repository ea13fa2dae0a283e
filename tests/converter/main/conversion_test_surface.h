#pragma once
// A progress surface that records what the conversion shows, with a hook run
// at every yield (where the window's event loop would run, and Cancel lands).

#include "converter/main/progress.h"

#include <QList>
#include <QString>
#include <functional>
#include <map>

namespace tavrel::test {

class RecordingSurface : public ProgressSurface {
public:
    QString label = QStringLiteral("0 %");
    double fraction = 0.0;
    std::map<int, double> rows; ///< position → last row value
    QList<QString> labels;      ///< every label set, in order
    int yields = 0;
    std::function<void(int yieldNumber)> onYield;

    QString percentLabel() const override { return label; }
    void setPercentLabel(const QString& text) override
    {
        label = text;
        labels.append(text);
    }
    void setBarFraction(double value) override { fraction = value; }
    void setRowProgress(int position, double value) override { rows[position] = value; }
    void yield() override
    {
        ++yields;
        if (onYield)
            onYield(yields);
    }
};

} // namespace tavrel::test

#include "converter/main/conversion_engine.h"

#include <QFileInfo>
#include <vector>

namespace tavrel::test {

/// The main window as the conversion run sees it, recording what it shows.
class RecordingView : public ConversionView {
public:
    struct Message {
        QString text;
        QString title;
    };

    std::vector<QString> keys;
    QString format = formats::Wav;
    bool saveBeside = false;
    QString folder;
    bool convertingControls = false;
    int controlChanges = 0;
    QString currentFile = QStringLiteral("<never set>");
    QString positionText = QStringLiteral("<never set>");
    QList<int> revealed;
    QList<Message> messages;
    QList<QString> positionTexts;
    mutable int requestsRead = 0;

    // Progress, as RecordingSurface.
    QString label = QStringLiteral("0 %");
    double fraction = 0.0;
    std::map<int, double> rows;
    int yields = 0;
    std::function<void(int yieldNumber)> onYield;

    int entryCount() const override { return static_cast<int>(keys.size()); }
    QString entryKey(int position) const override { return keys.at(static_cast<size_t>(position - 1)); }
    QString entryName(int position) const override { return QFileInfo(entryKey(position)).fileName(); }
    void showCurrentFile(const QString& name) override { currentFile = name; }
    void showPositionText(const QString& text) override
    {
        positionText = text;
        positionTexts.append(text);
    }
    void revealEntry(int position) override { revealed.append(position); }
    void setConvertingControls(bool converting) override
    {
        convertingControls = converting;
        ++controlChanges;
    }
    RunRequest runRequest() const override
    {
        ++requestsRead;
        return RunRequest{format, folder, saveBeside};
    }
    /// Run while a message is up, as the user's clicks are while the box waits.
    std::function<void(const Message&)> onError;
    void showError(const QString& text, const QString& title) override
    {
        messages.append({text, title});
        if (onError)
            onError(messages.last());
    }

    QString percentLabel() const override { return label; }
    void setPercentLabel(const QString& text) override { label = text; }
    void setBarFraction(double value) override { fraction = value; }
    void setRowProgress(int position, double value) override { rows[position] = value; }
    void yield() override
    {
        ++yields;
        if (onYield)
            onYield(yields);
    }
};

} // namespace tavrel::test
