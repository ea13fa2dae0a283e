#pragma once
// The language chooser shown at the first start: the language files of the
// Lang folder in the order the language menu lists them; "Ok" stores the
// chosen language number in Config.ini. Closing it any other way stores
// nothing.

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace tavrel {

class Form1 : public QDialog {
    Q_OBJECT

public:
    Form1(const QString& langFolder, const QString& configFile, QWidget* owner = nullptr);

    void FillLanguageList();
    void ListView1_ItemClick();
    void Command1_Click();

    QListWidget* ListView1 = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;

private:
    QString langFolder_;
    QString configFile_;
};

} // namespace tavrel
