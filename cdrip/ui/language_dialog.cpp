#include "cdrip/ui/language_dialog.h"

#include "cdrip/ui/brenlow_registry.h"
#include "cdrip/ui/language_table.h"
#include "platform/shell/services.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace brenlow {

LanguageDialog::LanguageDialog(const LanguageTable* language, Mode mode, QWidget* parent)
    : QDialog(parent),
      language_(language),
      mode_(mode)
{
    setObjectName(QStringLiteral("230"));
    setWindowTitle(QStringLiteral("Brenlow"));
    auto* layout = new QVBoxLayout(this);

    auto* banner = new QLabel(QStringLiteral("Brenlow"), this);
    banner->setObjectName(QStringLiteral("233"));
    banner->setStyleSheet(
        QStringLiteral("background: #16779a; color: white; font-size: 20px; font-weight: bold; padding: 8px;"));
    layout->addWidget(banner);

    // Their captions are the languages' own names, never taken from a language file.
    const QString names[5] = {QStringLiteral("Francais"), QStringLiteral("English"), QStringLiteral("German"),
                              QStringLiteral("Nederlands"), QStringLiteral("Portugu\u00eas")};
    const std::optional<int> stored = languageChoice(storedLanguage());
    for (int i = 0; i < 5; ++i) {
        auto* radio = new QRadioButton(names[i], this);
        radio->setObjectName(QString::number(kChoiceIds[i]));
        radio->setChecked(i == stored.value_or(1));
        layout->addWidget(radio);
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &LanguageDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LanguageDialog::reject);
    layout->addWidget(buttons);
}

void LanguageDialog::accept()
{
    for (int i = 0; i < 5; ++i) {
        auto* radio = findChild<QRadioButton*>(QString::number(kChoiceIds[i]));
        if (radio && radio->isChecked()) {
            writeRegistryValue(QStringLiteral("Langue"), QString::number(i));
            break;
        }
    }
    if (mode_ == FromMenu) {
        quandor::shell::messageBox(this, language_ ? language_->line(149) : QString(), QStringLiteral("Brenlow"),
                                   quandor::shell::MessageButtons::Ok, quandor::shell::MessageIcon::Information);
    }
    QDialog::accept();
}

} // namespace brenlow
