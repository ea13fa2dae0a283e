#pragma once
// A throw-away program folder for the converter's main window (Lang folder,
// Config.ini) and helpers to start the window in it and to answer the
// language chooser when it comes up.

#include "converter/main/audiotool.h"
#include "converter/main/conversion_engine.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

namespace tavrel::test {

class ProgramFolder {
public:
    ProgramFolder();

    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    QString configFile() const { return file(QStringLiteral("Config.ini")); }
    QString langFolder() const { return file(QStringLiteral("Lang")); }

    /// Writes Lang/<name> with the given bytes (the Lang folder is created).
    void addLanguage(const QString& name, const QByteArray& bytes) const;
    /// A language file of `lines` CRLF lines, line n reading "<prefix> n".
    void addNumberedLanguage(const QString& name, const QString& prefix, int lines = 55) const;

    void setValue(const QString& section, const QString& key, const QString& value) const;
    QString value(const QString& section, const QString& key) const;
    QByteArray configBytes() const;

    /// A window on this folder (nothing read yet).
    std::unique_ptr<Audiotool> window() const;
    /// A window on this folder after its start-up sequence; the language is
    /// stored first when none is, so the chooser does not come up.
    std::unique_ptr<Audiotool> started() const;

private:
    QTemporaryDir dir_;
};

/// Waits for the next modal dialog and hands it to `action` (from inside its
/// event loop). Stops waiting when destroyed.
class ModalWatcher {
public:
    explicit ModalWatcher(std::function<void(QWidget&)> action);
    ~ModalWatcher();
    bool seen() const { return seen_; }

private:
    QTimer timer_;
    std::function<void(QWidget&)> action_;
    bool seen_ = false;
};

/// A left-button click on the row progress bar of entry `position`, as the
/// user makes it on the list.
void clickRowBar(Audiotool& window, int position);

/// What entry `position` (from 1) shows in `column` of the list ListView1:
/// 0 its number, 1 its name, 2 its duration.
QString shownText(const Audiotool& window, int position, int column);
/// The value entry `position`'s row bar is drawn from, 0..100.
double shownRowProgress(const Audiotool& window, int position);
/// The pixels of the bar Image4 painted in its fill colour, from the left.
int paintedBarPixels(const Audiotool& window);

/// Starts "Convert !" over the window's list and calls `action` at the run's
/// first turn of the event loop, where a user's click during a run lands;
/// Cancel ends the run after it. The list needs an entry that takes a few
/// progress reports (a WAV of a second or more). True when `action` ran during
/// the run.
bool duringARun(Audiotool& window, const std::function<void()>& action);

/// The line-n text of addNumberedLanguage.
inline QString numbered(const QString& prefix, int line)
{
    return prefix + QLatin1Char(' ') + QString::number(line);
}

} // namespace tavrel::test
