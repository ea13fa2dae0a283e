#include "converter/main/deb.h"

#include <QFont>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

namespace tavrel {

Deb::Deb(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Deb"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(picture());
    image->setGeometry(0, 0, PictureWidth, PictureHeight);
    setFixedSize(PictureWidth, PictureHeight);
}

QPixmap Deb::picture()
{
    QPixmap pixmap(PictureWidth, PictureHeight);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient background(0, 0, PictureWidth, PictureHeight);
    background.setColorAt(0.0, QColor(22, 38, 72));
    background.setColorAt(1.0, QColor(64, 112, 168));
    painter.fillRect(pixmap.rect(), background);

    // A stylised sound wave across the lower half.
    painter.setPen(QPen(QColor(255, 255, 255, 90), 2));
    for (int x = 0; x < PictureWidth; x += 6) {
        const int height = 8 + (x * 37 % 41);
        painter.drawLine(x, 118 - height / 2, x, 118 + height / 2);
    }

    QFont title(QStringLiteral("Sans Serif"), 30, QFont::Bold);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRect(24, 14, PictureWidth - 48, 56), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tavrel"));
    QFont subtitle(QStringLiteral("Sans Serif"), 11);
    painter.setFont(subtitle);
    painter.setPen(QColor(220, 230, 245));
    painter.drawText(QRect(26, 66, PictureWidth - 52, 24), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Audio converter - loading..."));
    return pixmap;
}

} // namespace tavrel
