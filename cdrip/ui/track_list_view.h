#pragma once
// The track list of the main dialog: a single-selection report list with five
// columns (check box, number, title, length, progress). While it has no rows
// it shows the background picture at 40 % of its width and height.

#include <QPixmap>
#include <QTreeWidget>

namespace brenlow {

class TrackListView : public QTreeWidget {
    Q_OBJECT
public:
    enum Column { CheckColumn = 0, NumberColumn, TitleColumn, LengthColumn, ProgressColumn };

    explicit TrackListView(QWidget* parent = nullptr);

    /// Sets the picture shown while the list is empty (an unreadable file
    /// leaves a drawn disc in its place).
    void setBackgroundPicture(const QString& path);
    /// True while the list has no rows and so shows the picture.
    bool showsBackground() const { return topLevelItemCount() == 0; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
};

} // namespace brenlow
