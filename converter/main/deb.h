#pragma once
// The splash window shown while the main window starts: one picture of
// 427 x 152 pixels and nothing else.

#include <QWidget>

namespace tavrel {

class Deb : public QWidget {
    Q_OBJECT

public:
    explicit Deb(QWidget* parent = nullptr);

    static constexpr int PictureWidth = 427;
    static constexpr int PictureHeight = 152;

    /// The splash picture, drawn by the program itself.
    static QPixmap picture();
};

} // namespace tavrel
