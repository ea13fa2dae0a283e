#include "converter/options/option_controls.h"

#include <QComboBox>
#include <QLineEdit>

namespace tavrel::options {

int bitrateStepPosition(int kbps)
{
    for (std::size_t i = 0; i < BitrateSteps.size(); ++i) {
        if (BitrateSteps[i] == kbps)
            return static_cast<int>(i);
    }
    return -1;
}

int bitrateStep(int position)
{
    if (position < 0 || position >= static_cast<int>(BitrateSteps.size()))
        return -1;
    return BitrateSteps[static_cast<std::size_t>(position)];
}

void fillFrequencyList(QComboBox& list)
{
    // The texts are shown as they stand, blanks included.
    static const struct {
        const char* text;
        int hertz;
    } items[] = {{"  8 000 Hz", 8000}, {"11 025 Hz", 11025}, {"12 000 Hz ", 12000},
                 {"16 000 Hz", 16000}, {"22 050 Hz", 22050}, {"24 000 Hz", 24000},
                 {"32 000 Hz", 32000}, {"44 100 Hz", 44100}, {"48 000 Hz", 48000}};
    for (const auto& item : items)
        list.addItem(QString::fromLatin1(item.text), item.hertz);
}

bool selectFrequency(QComboBox& list, int hertz)
{
    const int index = list.findData(hertz);
    if (index < 0)
        return false;
    list.setCurrentIndex(index);
    return true;
}

UpDown::UpDown(const QString& name, const QString& buddyName, int minimum, int maximum, int step, QWidget* parent)
    : QSpinBox(parent)
{
    setObjectName(name);
    lineEdit()->setObjectName(buddyName);
    setRange(minimum, maximum);
    setSingleStep(step);
}

} // namespace tavrel::options
