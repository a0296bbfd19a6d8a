#include "ui/canvas.h"

#include <QFontMetrics>
#include <QStringDecoder>
#include <cstdlib>
#include <cstring>

namespace nubivo {

Canvas::Canvas(QImage* target) : painter(target) {
    // Hard pixel edges for shapes, as the window's outlines and lines are laid out to the
    // pixel; text keeps its own smoothing.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QString textFromBytes(const char* text) {
    QByteArrayView bytes(text, static_cast<qsizetype>(std::strlen(text)));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return decoded;
    }
    return QString::fromLatin1(bytes);
}

void fill(Canvas& canvas, Rect rect, QColor colour) {
    canvas.painter.fillRect(
        QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top), colour);
}

void rectangle(Canvas& canvas, Rect rect) {
    int32_t width = rect.right - rect.left;
    int32_t height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        return;
    }
    canvas.painter.fillRect(QRect(rect.left, rect.top, width, height), Qt::black);
    if (width > 2 && height > 2) {
        canvas.painter.fillRect(QRect(rect.left + 1, rect.top + 1, width - 2, height - 2),
                                canvas.brush);
    }
}

void line(Canvas& canvas, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    if (y0 == y1 || x0 == x1) {
        // Straight lines as one span: from the start up to, not including, the end.
        int32_t left = x0 <= x1 ? x0 : x1 + 1;
        int32_t top = y0 <= y1 ? y0 : y1 + 1;
        int32_t width = y0 == y1 ? std::abs(x1 - x0) : 1;
        int32_t height = y0 == y1 ? 1 : std::abs(y1 - y0);
        if (width > 0 && height > 0) {
            canvas.painter.fillRect(QRect(left, top, width, height), Qt::black);
        }
        return;
    }
    // Bresenham's walk, stopping before the end point.
    int32_t dx = std::abs(x1 - x0);
    int32_t dy = -std::abs(y1 - y0);
    int32_t sx = x0 < x1 ? 1 : -1;
    int32_t sy = y0 < y1 ? 1 : -1;
    int32_t error = dx + dy;
    int32_t x = x0;
    int32_t y = y0;
    while (x != x1 || y != y1) {
        canvas.painter.fillRect(QRect(x, y, 1, 1), Qt::black);
        int32_t twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += sx;
        }
        if (twice <= dx) {
            error += dx;
            y += sy;
        }
    }
}

void textOut(Canvas& canvas, int32_t x, int32_t y, const char* text) {
    if (text[0] == '\0') {
        return;
    }
    QString line = textFromBytes(text);
    QFontMetrics metrics(canvas.painter.font());
    int32_t width = metrics.horizontalAdvance(line);
    int32_t left = x;
    if (canvas.align == TextAlign::CentreTop) {
        left = x - width / 2;
    } else if (canvas.align == TextAlign::RightTop) {
        left = x - width;
    }
    canvas.painter.setPen(canvas.textColour);
    canvas.painter.drawText(QPoint(left, y + metrics.ascent()), line);
}

void drawTextWrapped(Canvas& canvas, Rect rect, const char* text, bool centred) {
    if (text[0] == '\0') {
        return;
    }
    QRect box(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    int flags = Qt::TextWordWrap | Qt::AlignTop | (centred ? Qt::AlignHCenter : Qt::AlignLeft);
    canvas.painter.save();
    canvas.painter.setClipRect(box);
    canvas.painter.setPen(canvas.textColour);
    canvas.painter.drawText(box, flags, textFromBytes(text));
    canvas.painter.restore();
}

void stretchPicture(Canvas& canvas, Rect rect, const QImage& picture) {
    if (picture.isNull()) {
        return;
    }
    QRect target(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    if (picture.size() == target.size()) {
        canvas.painter.drawImage(target.topLeft(), picture);
        return;
    }
    canvas.painter.drawImage(target.topLeft(), picture.scaled(target.size(), Qt::IgnoreAspectRatio,
                                                              Qt::SmoothTransformation));
}

}  // namespace nubivo
