#pragma once
// A label that shows a file path in the room its dialog gives it: a path too
// long for that room keeps its file name whole and is shortened in the middle
// of its folder (the file name itself only when it alone does not fit), and
// the whole path is its tool tip. The label never asks for more room than the
// dialog was designed with.

#include <QLabel>

namespace brenlow {

class PathLabel : public QLabel {
    Q_OBJECT
public:
    explicit PathLabel(QString path, QWidget* parent = nullptr);

    const QString& path() const { return path_; }
    void setPath(const QString& path);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showFitting();
    static QString fitting(const QString& path, const QFontMetrics& metrics, int room);

    QString path_;
};

} // namespace brenlow
