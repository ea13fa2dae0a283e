#include "cdrip/ui/cddb_wait_dialog.h"

#include "cdrip/ui/design_scale.h"
#include "cdrip/ui/language_table.h"

#include <QLabel>
#include <QPushButton>

namespace brenlow {
namespace {

constexpr int kCancelLine = 51;

} // namespace

CddbWaitDialog::CddbWaitDialog(const LanguageTable& language, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("194"));
    setWindowTitle(QStringLiteral("CDDB"));
    setFixedSize(240, 90);

    auto* busy = new QLabel(QStringLiteral("CDDB ..."), this);
    busy->setGeometry(12, 10, 216, 24);

    // Every way out but finish() is a cancel: the lookup must then leave the
    // dialog's fields alone, whatever its worker still receives.
    auto* cancel = new QPushButton(language.line(kCancelLine), this);
    cancel->setObjectName(QStringLiteral("1"));
    cancel->setGeometry(80, 48, 80, 26);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    fitToFont(*this);
}

void CddbWaitDialog::finish()
{
    done(QDialog::Accepted);
}

} // namespace brenlow
