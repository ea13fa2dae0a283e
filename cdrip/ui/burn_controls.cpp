#include "cdrip/ui/burn_controls.h"

#include <QString>
#include <QWidget>

namespace brenlow {
namespace {

constexpr int kBurnSettings[] = {1105, 1076, 1037, 1038, 1103, 1077, 1075, 1112};
constexpr int kBurnCancel = 1115;

void setEnabledById(QWidget& dialog, int id, bool on)
{
    if (auto* widget = dialog.findChild<QWidget*>(QString::number(id)))
        widget->setEnabled(on);
}

void setBurnRunning(QWidget& dialog, bool running)
{
    for (int id : kBurnSettings)
        setEnabledById(dialog, id, !running);
    setEnabledById(dialog, kBurnCancel, running);
}

} // namespace

void disableBurnControls(QWidget& burnDialog)
{
    setBurnRunning(burnDialog, true);
}

void enableBurnControls(QWidget& burnDialog)
{
    setBurnRunning(burnDialog, false);
}

void disableBurnSettings(QWidget& burnDialog)
{
    setBurnRunning(burnDialog, true);
    setEnabledById(burnDialog, kBurnCancel, false);
}

} // namespace brenlow
