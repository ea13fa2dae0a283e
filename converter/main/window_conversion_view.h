#pragma once
// The main window's controls as the conversion engine sees them: the list,
// the labels, the commands and the paced progress displays.

#include "converter/main/conversion_engine.h"

namespace tavrel {

class Audiotool;

class WindowConversionView final : public ConversionView {
public:
    explicit WindowConversionView(Audiotool& window) : w_(window) {}

    int entryCount() const override;
    QString entryKey(int position) const override;
    QString entryName(int position) const override;
    void showCurrentFile(const QString& name) override;
    void showPositionText(const QString& text) override;
    void revealEntry(int position) override;
    void setConvertingControls(bool converting) override;
    QString outputFormat() const override;
    bool saveBesideSource() const override;
    QString outputFolder() const override;
    void setOutputFolder(const QString& folder) override;
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
    Audiotool& w_;
};

} // namespace tavrel
