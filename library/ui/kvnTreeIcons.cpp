#include "kvnTreeIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace kvn {

namespace {

QPixmap Blank()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A person as a head and shoulders.
void DrawPerson(QPainter& painter, int x, const QColor& colour)
{
    painter.setBrush(colour);
    painter.drawEllipse(QRect(x + 2, 1, 5, 5));
    painter.drawRoundedRect(QRect(x, 7, 9, 8), 3, 3);
}

QPixmap Draw(void (*paint)(QPainter&))
{
    QPixmap pixmap = Blank();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(60, 60, 60), 1));
    paint(painter);
    return pixmap;
}

} // namespace

QList<QPixmap> ProgramTreeImages()
{
    QList<QPixmap> images;
    for (int i = 0; i < kTreeImageCount; ++i)
        images.append(Blank());
    images[imgRelayTeam] = Draw([](QPainter& p) {
        DrawPerson(p, 0, QColor(70, 130, 200));
        DrawPerson(p, 6, QColor(70, 170, 120));
    });
    images[imgAthlete] = Draw([](QPainter& p) { DrawPerson(p, 3, QColor(70, 130, 200)); });
    images[imgNationWithoutFlag] = Draw([](QPainter& p) {
        p.setBrush(QColor(220, 220, 220));
        p.drawRect(QRect(1, 3, 14, 10));
        p.drawLine(1, 3, 15, 13);
    });
    images[imgClubWithoutFlag] = Draw([](QPainter& p) {
        // A shield.
        QPainterPath shield;
        shield.moveTo(2, 2);
        shield.lineTo(14, 2);
        shield.lineTo(14, 8);
        shield.quadTo(14, 13, 8, 15);
        shield.quadTo(2, 13, 2, 8);
        shield.closeSubpath();
        p.setBrush(QColor(200, 160, 60));
        p.drawPath(shield);
    });
    images[imgSession] = Draw([](QPainter& p) {
        // A calendar sheet.
        p.setBrush(Qt::white);
        p.drawRect(QRect(2, 3, 12, 12));
        p.setBrush(QColor(200, 60, 60));
        p.drawRect(QRect(2, 3, 12, 4));
    });
    images[imgEvent] = Draw([](QPainter& p) {
        // Waves of a pool lane.
        p.setBrush(QColor(90, 160, 220));
        p.drawRect(QRect(1, 3, 14, 10));
        p.setPen(QPen(Qt::white, 1.5));
        for (int y : {6, 10})
            p.drawLine(3, y, 13, y);
    });
    images[imgAgeGroup] = Draw([](QPainter& p) {
        p.setBrush(QColor(240, 200, 90));
        p.drawEllipse(QRect(2, 2, 12, 12));
        p.drawLine(8, 4, 8, 8);
        p.drawLine(8, 8, 11, 10);
    });
    return images;
}

} // namespace kvn
