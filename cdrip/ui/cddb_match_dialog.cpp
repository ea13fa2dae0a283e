#include "cdrip/ui/cddb_match_dialog.h"

#include "cdrip/ui/control_ids.h"
#include "cdrip/ui/design_scale.h"
#include "cdrip/ui/language_table.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace brenlow {
namespace {

constexpr int kCancelLine = 51;
constexpr int kOkLine = 63;
constexpr int kHeadingLine = 99;
constexpr int kHintLine = 100;

template <class Widget>
Widget* place(Widget* widget, int id, QRect where)
{
    widget->setObjectName(QString::number(id));
    widget->setGeometry(where);
    return widget;
}

} // namespace

CddbMatchDialog::CddbMatchDialog(const LanguageTable& language, const std::vector<CddbMatch>& matches, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("119"));
    setWindowTitle(QStringLiteral("CDDB"));
    setFixedSize(420, 300);

    place(new QLabel(language.line(kHeadingLine), this), cddb_match_ids::Heading, {10, 8, 400, 20});
    place(new QLabel(language.line(kHintLine), this), cddb_match_ids::Hint, {10, 30, 400, 20});
    list_ = place(new QListWidget(this), cddb_match_ids::Matches, {10, 56, 400, 190});
    for (const CddbMatch& match : matches)
        list_->addItem(match.category + QStringLiteral(": ") + match.title);

    auto* ok = place(new QPushButton(language.line(kOkLine), this), 1, {230, 258, 85, 28});
    auto* cancel = place(new QPushButton(language.line(kCancelLine), this), 2, {325, 258, 85, 28});
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    fitToFont(*this);
}

int CddbMatchDialog::chosenNumber() const
{
    const QList<QListWidgetItem*> chosen = list_->selectedItems();
    return chosen.isEmpty() ? 1 : list_->row(chosen.front()) + 1;
}

} // namespace brenlow
