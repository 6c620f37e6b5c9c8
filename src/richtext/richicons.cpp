#include "richtext/richicons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qln::richtext {

namespace {

constexpr int kSize = 16;

void alignLines(QPainter &p, int kind)
{
    // Five lines of text: full, short, full, short, full.
    for (int i = 0; i < 5; ++i) {
        const int y = 3 + i * 2 + (i > 0 ? i : 0) / 2;
        const bool shortLine = i % 2 == 1 && kind != 2;
        const int len = shortLine ? 8 : 12;
        int x = 2;
        if (kind == 1)
            x = 14 - len;
        else if (kind == 3)
            x = (kSize - len) / 2;
        p.drawLine(x, y, x + len - 1, y);
    }
}

void page(QPainter &p, int x, int y, int w, int h)
{
    p.setBrush(Qt::white);
    p.drawRect(x, y, w, h);
    p.setBrush(Qt::NoBrush);
}

}  // namespace

QIcon richIcon(RichIcon kind)
{
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    QPen pen(QColor(40, 40, 40));
    pen.setWidth(1);
    p.setPen(pen);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    switch (kind) {
    case RichIcon::AlignLeft: alignLines(p, 0); break;
    case RichIcon::AlignRight: alignLines(p, 1); break;
    case RichIcon::AlignJustify: alignLines(p, 2); break;
    case RichIcon::AlignCenter: alignLines(p, 3); break;
    case RichIcon::Copy:
        page(p, 1, 1, 9, 10);
        page(p, 5, 4, 9, 11);
        break;
    case RichIcon::Cut:
        p.setRenderHint(QPainter::Antialiasing);
        p.drawLine(4, 1, 10, 10);
        p.drawLine(11, 1, 5, 10);
        p.drawEllipse(QRectF(2, 10, 4, 4));
        p.drawEllipse(QRectF(9, 10, 4, 4));
        break;
    case RichIcon::Paste:
        p.setBrush(QColor(190, 150, 90));
        p.drawRect(2, 2, 11, 13);
        p.setBrush(Qt::NoBrush);
        p.fillRect(5, 1, 5, 3, QColor(40, 40, 40));
        page(p, 7, 6, 8, 9);
        break;
    case RichIcon::SpellCheck:
        f.setPixelSize(8);
        p.setFont(f);
        p.drawText(QRect(0, 0, kSize, 9), Qt::AlignCenter, QStringLiteral("ABC"));
        p.setPen(QPen(QColor(0, 128, 0), 2));
        p.drawLine(3, 11, 6, 14);
        p.drawLine(6, 14, 13, 8);
        break;
    case RichIcon::PageBreak:
        page(p, 3, 0, 10, 6);
        page(p, 3, 10, 10, 5);
        p.setPen(QPen(QColor(40, 40, 40), 1, Qt::DashLine));
        p.drawLine(0, 8, 15, 8);
        break;
    case RichIcon::Paragraph:
        f.setPixelSize(14);
        p.setFont(f);
        p.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, QString(QChar(0x00B6)));
        break;
    case RichIcon::WordWrap: {
        p.drawLine(1, 3, 14, 3);
        p.drawLine(1, 12, 6, 12);
        QPainterPath path;
        path.moveTo(14, 3);
        path.cubicTo(17, 6, 15, 9, 10, 9);
        p.drawPath(path);
        p.drawLine(10, 9, 12, 7);
        p.drawLine(10, 9, 12, 11);
        break;
    }
    case RichIcon::DefaultFont:
        f.setPixelSize(13);
        f.setFamily(QStringLiteral("DejaVu Serif"));
        p.setFont(f);
        p.drawText(QRect(0, 0, 12, 14), Qt::AlignCenter, QStringLiteral("A"));
        p.drawLine(11, 13, 15, 13);
        p.drawLine(13, 11, 13, 15);
        break;
    }
    p.end();
    return QIcon(pm);
}

}  // namespace qln::richtext
