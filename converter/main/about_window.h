#pragma once
// frmSplash as the about window: version, maker, translator, donation and
// contact links. A click anywhere or a key closes it.

#include <QDialog>

class QLabel;
class QPushButton;

namespace tavrel {

class FrmSplash : public QDialog {
    Q_OBJECT

public:
    explicit FrmSplash(QWidget* owner = nullptr);

    /// Captions from the language table (a short file keeps the built-in ones).
    void Form_Load();
    void Command1_Click();
    void Label1_Click();
    void Label2_Click();
    void Label4_Click();

    static QString versionText();

    QLabel* Version = nullptr;
    QLabel* lblCompanyProduct = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* imgLogo = nullptr;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace tavrel
