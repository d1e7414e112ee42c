// tessaly-make-icon: draws the application icon (three hills in colour on the left, as a depth map on the right).
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

// Three hills from far to near, on a 256-unit square.
QPainterPath Hill(int nIndex)
{
    static const double kBase[] = {150, 178, 206};
    static const double kPeak[] = {70, 112, 150};
    static const double kPeakX[] = {150, 70, 180};
    QPainterPath path;
    path.moveTo(0, kBase[nIndex]);
    path.quadTo(kPeakX[nIndex] * 0.5, kBase[nIndex] - 10, kPeakX[nIndex], kPeak[nIndex]);
    path.quadTo(kPeakX[nIndex] + 60, kBase[nIndex] - 20, 256, kBase[nIndex] - 5);
    path.lineTo(256, 256);
    path.lineTo(0, 256);
    path.closeSubpath();
    return path;
}

void DrawScene(QPainter& painter, bool bDepth)
{
    static const QColor kColours[] = {QColor(0x5b, 0x7d, 0xa8), QColor(0x4f, 0x9a, 0x5a), QColor(0xc8, 0x8a, 0x3c)};
    static const QColor kGreys[] = {QColor(70, 70, 70), QColor(150, 150, 150), QColor(235, 235, 235)};
    painter.fillRect(QRectF(0, 0, 256, 256), bDepth ? QColor(25, 25, 25) : QColor(0x9c, 0xd3, 0xf2));
    if (!bDepth) {
        painter.setBrush(QColor(0xff, 0xd5, 0x4f));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPointF(58, 58), 24, 24);
    }
    for (int i = 0; i < 3; ++i)
        painter.fillPath(Hill(i), bDepth ? kGreys[i] : kColours[i]);
}

QImage DrawIcon(int nSize)
{
    QImage icon(nSize, nSize, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(nSize / 256.0, nSize / 256.0);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(8, 8, 240, 240), 36, 36);
    painter.setClipPath(frame);
    painter.save();
    painter.setClipRect(QRectF(0, 0, 128, 256), Qt::IntersectClip);
    DrawScene(painter, false);
    painter.restore();
    painter.setClipRect(QRectF(128, 0, 128, 256), Qt::IntersectClip);
    DrawScene(painter, true);
    painter.setClipping(false);
    painter.setPen(QPen(QColor(255, 255, 255), 6));
    painter.drawLine(QPointF(128, 8), QPointF(128, 248));
    painter.setPen(QPen(QColor(30, 40, 60), 8));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(frame);
    return icon;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: tessaly-make-icon SIZE OUT.png\n");
        return 2;
    }
    const int nSize = QString::fromLocal8Bit(argv[1]).toInt();
    return nSize > 0 && DrawIcon(nSize).save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
