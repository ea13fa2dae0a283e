#pragma once
// The main window's controls as the conversion engine sees them: the list,
// the labels, the commands and the paced progress displays.

#include "converter/main/conversion_engine.h"

#include <QList>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace tavrel {

class FileListView;

/// The controls a run shows itself in.
struct ConversionControls {
    QWidget& window; ///< the message boxes open over it
    FileListView& list;
    QLabel& currentFile;       ///< Label4
    QLabel& positionText;      ///< Label5
    QPushButton& cancel;       ///< Command4, on while converting
    QList<QWidget*> idleOnly;  ///< off while converting
    QComboBox& format;         ///< Combo1
    QCheckBox& saveBeside;     ///< Check1
    QLineEdit& outputFolder;   ///< Text1
    ProgressSurface& progress; ///< the paced progress displays
};

class WindowConversionView final : public ConversionView {
public:
    explicit WindowConversionView(ConversionControls controls) : c_(std::move(controls)) {}

    int entryCount() const override;
    QString entryKey(int position) const override;
    QString entryName(int position) const override;
    void showCurrentFile(const QString& name) override;
    void showPositionText(const QString& text) override;
    void revealEntry(int position) override;
    void setConvertingControls(bool converting) override;
    RunRequest runRequest() const override;
    void showError(const QString& text, const QString& title) override;
    QString caption(int line, const QString& builtIn) const override;

    // Progress goes through the window's paced displays.
    QString percentLabel() const override;
    void setPercentLabel(const QString& text) override;
    void setBarFraction(double fraction) override;
    void setRowProgress(int position, double value) override;
    void yield() override;
    void settle() override;

private:
    ConversionControls c_;
};

} // namespace tavrel
