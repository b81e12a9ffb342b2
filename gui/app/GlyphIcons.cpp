#include "gui/app/GlyphIcons.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

QIcon GlyphIcon(const QString& glyph, const QColor& tile) {
    QIcon icon;
    for (const int size : {16, 24, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(tile.darker(140));
        p.setBrush(tile);
        p.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), size / 5.0, size / 5.0);
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(glyph.size() > 1 ? size * 9 / 20 : size * 13 / 20);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, glyph);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
