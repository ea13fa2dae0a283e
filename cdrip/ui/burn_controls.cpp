#include "cdrip/ui/burn_controls.h"
#include "cdrip/ui/control_ids.h"

#include <QString>
#include <QWidget>

namespace brenlow {
namespace {

constexpr int kBurnSettings[] = {burn_ids::Burner, burn_ids::ReadCueSheet,   burn_ids::BurnProof, burn_ids::TestWrite,
                                 burn_ids::Speed,  burn_ids::BrowseCueSheet, burn_ids::Close,     burn_ids::Burn};
constexpr int kBurnCancel = burn_ids::Cancel;

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
