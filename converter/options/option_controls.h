#pragma once
// Small pieces shared by the option windows: the bit-rate slider table, the
// sampling-frequency list and an up-down whose buddy text box can be named.

#include <QSpinBox>
#include <QString>

#include <array>

class QComboBox;
class QLineEdit;

namespace tavrel::options {

/// Bit rates of the bit-rate sliders, kbit/s, by slider position (no 40, no 80).
inline constexpr std::array<int, 15> BitrateSteps{8, 16, 24, 32, 48, 56, 64, 96, 112, 128, 160, 192, 224, 256, 320};

/// The slider position of `kbps`, or -1 when it is not a step.
int bitrateStepPosition(int kbps);
/// The step at `position`, or -1 outside the table.
int bitrateStep(int position);

/// Fills a list with the nine sampling frequencies, each carrying its rate in Hz.
void fillFrequencyList(QComboBox& list);
/// Selects the first item whose data is `hertz`; false (nothing changed) when none.
bool selectFrequency(QComboBox& list, int hertz);

/// Booleans as the settings file keeps them.
inline QString trueFalse(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

/// An up-down control: the spin box is the up-down, its text field the buddy.
class UpDown : public QSpinBox {
public:
    UpDown(const QString& name, const QString& buddyName, int minimum, int maximum, int step,
           QWidget* parent = nullptr);
    QLineEdit* buddy() const { return lineEdit(); }
};

} // namespace tavrel::options
