#include "app/menu_icons_qt.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zt30 {

namespace {

// Every picture is drawn on a 16 x 16 grid and scaled.
void Draw(QPainter& p, MenuIcon kind) {
    p.setRenderHint(QPainter::Antialiasing);
    const QPen outline(QColor(0x30, 0x30, 0x30), 1.0);
    switch (kind) {
        case MenuIcon::Save:
            p.setPen(outline);
            p.setBrush(QColor(0x2F, 0x5F, 0xB3));
            p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4, 2, 8, 5));
            p.setBrush(QColor(0xB0, 0xB0, 0xB0));
            p.drawRect(QRectF(4.5, 9.5, 7, 5));
            break;
        case MenuIcon::Port: {
            p.setPen(outline);
            p.setBrush(QColor(0x9A, 0x9A, 0xA8));
            QPainterPath shell;
            shell.moveTo(1.5, 4.5);
            shell.lineTo(14.5, 4.5);
            shell.lineTo(12.5, 11.5);
            shell.lineTo(3.5, 11.5);
            shell.closeSubpath();
            p.drawPath(shell);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xF0, 0xD0, 0x40));
            for (int i = 0; i < 5; ++i) {
                p.drawEllipse(QPointF(3.6 + i * 2.2, 6.8), 0.8, 0.8);
            }
            for (int i = 0; i < 4; ++i) {
                p.drawEllipse(QPointF(4.7 + i * 2.2, 9.3), 0.8, 0.8);
            }
            break;
        }
        case MenuIcon::Parameters:
        case MenuIcon::Program: {
            p.setPen(outline);
            p.setBrush(QColor(0x50, 0x55, 0x60));
            p.drawRoundedRect(QRectF(0.5, 2.5, 15, 11), 1.5, 1.5);
            p.setBrush(QColor(0x10, 0x30, 0x18));
            p.drawRect(QRectF(2.5, 4.5, 11, 5));
            if (kind == MenuIcon::Program) {
                p.setPen(QPen(QColor(0x40, 0xF0, 0x60), 1.2));
                p.drawPolyline(QPolygonF(
                    {QPointF(3, 8.5), QPointF(5.5, 6.5), QPointF(8, 7.5), QPointF(10.5, 5), QPointF(13, 6)}));
            } else {
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(0x40, 0xF0, 0x60));
                for (int i = 0; i < 4; ++i) {
                    p.drawRect(QRectF(3.5 + i * 2.5, 6, 1.6, 2));
                }
            }
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xE0, 0xE0, 0xE0));
            for (int i = 0; i < 3; ++i) {
                p.drawEllipse(QPointF(4 + i * 4, 11.5), 0.9, 0.9);
            }
            break;
        }
        case MenuIcon::Graph:
            p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.2));
            p.drawLine(QPointF(2, 1.5), QPointF(2, 14));
            p.drawLine(QPointF(2, 14), QPointF(15, 14));
            p.setPen(QPen(QColor(0xE0, 0x20, 0x20), 1.6));
            p.drawPolyline(QPolygonF({QPointF(3, 11), QPointF(6, 7), QPointF(9, 9), QPointF(14, 3)}));
            break;
        case MenuIcon::Sampling:
            p.setPen(outline);
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
            p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.4));
            p.drawLine(QPointF(8, 8), QPointF(8, 3.5));
            p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
            break;
        case MenuIcon::Table:
            p.setPen(outline);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(1.5, 2.5, 13, 11));
            p.setBrush(QColor(0xC8, 0xD8, 0xF0));
            p.drawRect(QRectF(1.5, 2.5, 13, 3));
            p.drawLine(QPointF(6, 2.5), QPointF(6, 13.5));
            p.drawLine(QPointF(10.5, 2.5), QPointF(10.5, 13.5));
            p.drawLine(QPointF(1.5, 8.5), QPointF(14.5, 8.5));
            p.drawLine(QPointF(1.5, 11), QPointF(14.5, 11));
            break;
        case MenuIcon::About:
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x2F, 0x6F, 0xC8));
            p.drawEllipse(QPointF(8, 8), 7, 7);
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(8, 4.6), 1.2, 1.2);
            p.drawRoundedRect(QRectF(6.9, 6.6, 2.2, 6), 0.8, 0.8);
            break;
        case MenuIcon::Identify:
            p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.6));
            p.setBrush(QColor(0xD8, 0xEC, 0xFF));
            p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
            p.setPen(QPen(QColor(0x60, 0x40, 0x20), 2.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
            break;
    }
}

QPixmap Render(MenuIcon kind, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.scale(size / 16.0, size / 16.0);
    Draw(painter, kind);
    return pixmap;
}

}  // namespace

QIcon MakeMenuIcon(MenuIcon kind) {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128}) {
        icon.addPixmap(Render(kind, size));
    }
    return icon;
}

}  // namespace zt30
