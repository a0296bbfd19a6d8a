#include "ui/canvas.h"

#include <QFontMetrics>
#include <QRawFont>
#include <QStaticText>
#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace nubivo {

namespace {

// A view of the target's pixels without its device pixel ratio, so that a painter on it
// works in device pixels.
QImage deviceView(QImage* target) {
    if (target->isNull()) {
        return QImage();
    }
    return QImage(target->bits(), target->width(), target->height(), target->bytesPerLine(),
                  target->format());
}

}  // namespace

Canvas::Canvas(QImage* target)
    : ratio(target->devicePixelRatio()), devicePixels(deviceView(target)), painter(&devicePixels) {
    // Hard pixel edges for shapes, as the window's outlines and lines are laid out to the
    // pixel; text keeps its own smoothing.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

int32_t toDevice(const Canvas& canvas, int32_t v) {
    if (canvas.ratio == 1.0) {
        return v;
    }
    return static_cast<int32_t>(std::lround(v * canvas.ratio));
}

namespace {

// Fills the device pixels of logical [left,right) x [top,bottom) with `colour`.
void fillLogical(Canvas& canvas, int32_t left, int32_t top, int32_t right, int32_t bottom,
                 const QColor& colour) {
    const int32_t x0 = toDevice(canvas, left);
    const int32_t y0 = toDevice(canvas, top);
    const int32_t x1 = toDevice(canvas, right);
    const int32_t y1 = toDevice(canvas, bottom);
    if (x1 > x0 && y1 > y0) {
        canvas.painter.fillRect(QRect(x0, y0, x1 - x0, y1 - y0), colour);
    }
}

// Text is placed in logical pixels under the ratio's scale.
void beginText(Canvas& canvas) {
    if (canvas.ratio != 1.0) {
        canvas.painter.setTransform(QTransform::fromScale(canvas.ratio, canvas.ratio));
    }
}

void endText(Canvas& canvas) {
    if (canvas.ratio != 1.0) {
        canvas.painter.setTransform(QTransform());
    }
}

}  // namespace

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
    fillLogical(canvas, rect.left, rect.top, rect.right, rect.bottom, colour);
}

void rectangle(Canvas& canvas, Rect rect, const Rect* covered) {
    int32_t width = rect.right - rect.left;
    int32_t height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        return;
    }
    if (width <= 2 || height <= 2) {
        fillLogical(canvas, rect.left, rect.top, rect.right, rect.bottom, Qt::black);
        return;
    }
    // The four edges, then the inside: no pixel is painted twice.
    const QColor black(Qt::black);
    fillLogical(canvas, rect.left, rect.top, rect.right, rect.top + 1, black);
    fillLogical(canvas, rect.left, rect.bottom - 1, rect.right, rect.bottom, black);
    fillLogical(canvas, rect.left, rect.top + 1, rect.left + 1, rect.bottom - 1, black);
    fillLogical(canvas, rect.right - 1, rect.top + 1, rect.right, rect.bottom - 1, black);
    const Rect inside{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
    if (covered == nullptr) {
        fillLogical(canvas, inside.left, inside.top, inside.right, inside.bottom, canvas.brush);
        return;
    }
    // Above, below, left of and right of the covered part.
    const Rect hole{std::max(covered->left, inside.left), std::max(covered->top, inside.top),
                    std::min(covered->right, inside.right),
                    std::min(covered->bottom, inside.bottom)};
    fillLogical(canvas, inside.left, inside.top, inside.right, hole.top, canvas.brush);
    fillLogical(canvas, inside.left, hole.bottom, inside.right, inside.bottom, canvas.brush);
    fillLogical(canvas, inside.left, hole.top, hole.left, hole.bottom, canvas.brush);
    fillLogical(canvas, hole.right, hole.top, inside.right, hole.bottom, canvas.brush);
}

void line(Canvas& canvas, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    const QColor black(Qt::black);
    if (y0 == y1 || x0 == x1) {
        // Straight lines as one span: from the start up to, not including, the end.
        int32_t left = x0 <= x1 ? x0 : x1 + 1;
        int32_t top = y0 <= y1 ? y0 : y1 + 1;
        int32_t width = y0 == y1 ? std::abs(x1 - x0) : 1;
        int32_t height = y0 == y1 ? 1 : std::abs(y1 - y0);
        if (width > 0 && height > 0) {
            fillLogical(canvas, left, top, left + width, top + height, black);
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
        fillLogical(canvas, x, y, x + 1, y + 1, black);
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

CellMetrics cellMetrics(const QFont& font) {
    // Fonts are few and change rarely between calls: remember the last ones asked for.
    struct Known {
        QFont font;
        CellMetrics metrics;
    };
    static thread_local std::vector<Known> known;
    for (const Known& entry : known) {
        if (entry.font == font) {
            return entry.metrics;
        }
    }
    QFontMetrics qtMetrics(font);
    CellMetrics metrics{qtMetrics.ascent(), qtMetrics.ascent() + qtMetrics.descent()};
    // The cell is the one the window system's text calls have always used: the OS/2
    // table's Windows ascent and descent, whatever the font asks of typographic layout.
    QRawFont raw = QRawFont::fromFont(font);
    QByteArray os2 = raw.fontTable("OS/2");
    if (raw.isValid() && raw.unitsPerEm() > 0 && os2.size() >= 78) {
        auto field = [&os2](int offset) {
            return (static_cast<uint8_t>(os2[offset]) << 8) | static_cast<uint8_t>(os2[offset + 1]);
        };
        double scale = raw.pixelSize() / raw.unitsPerEm();
        int32_t ascent = static_cast<int32_t>(std::lround(field(74) * scale));
        int32_t descent = static_cast<int32_t>(std::lround(field(76) * scale));
        if (ascent > 0) {
            metrics = CellMetrics{ascent, ascent + descent};
        }
    }
    if (known.size() >= 8) {
        known.clear();
    }
    known.push_back(Known{font, metrics});
    return metrics;
}

namespace {

// A line of text laid out once for its font and kept: the panels repaint at every mouse
// move with mostly the same labels and values, and laying text out is most of a paint.
struct LaidOutLine {
    QStaticText text;
    int32_t width;       // advance of the whole line, in pixels
    double baselineTop;  // from the cell's top to where the laid-out text's top goes
};

struct LineKey {
    std::string bytes;
    QString family;
    int pixelSize;
    int weight;
    bool italic;
    int32_t wrapWidth;  // 0 for a single line
    bool operator==(const LineKey&) const = default;
};

struct LineKeyHash {
    size_t operator()(const LineKey& key) const {
        return std::hash<std::string>()(key.bytes) ^ (qHash(key.family) * 31) ^
               (static_cast<size_t>(key.pixelSize) << 8) ^ static_cast<size_t>(key.weight) ^
               (key.italic ? 0x9e3779b9u : 0u) ^ (static_cast<size_t>(key.wrapWidth) << 20);
    }
};

LaidOutLine layOut(const QFont& font, const QString& text) {
    QStaticText laidOut(text);
    laidOut.setTextFormat(Qt::PlainText);
    laidOut.setPerformanceHint(QStaticText::AggressiveCaching);
    laidOut.prepare(QTransform(), font);
    QFontMetrics metrics(font);
    return LaidOutLine{laidOut, metrics.horizontalAdvance(text),
                       static_cast<double>(cellMetrics(font).ascent - metrics.ascent())};
}

const LaidOutLine& laidOutLine(const QFont& font, const char* text) {
    // Bounded: values change with every update, and nothing old needs keeping.
    static thread_local std::unordered_map<LineKey, LaidOutLine, LineKeyHash> lines;
    LineKey key{text, font.family(), font.pixelSize(), font.weight(), font.italic(), 0};
    auto found = lines.find(key);
    if (found != lines.end()) {
        return found->second;
    }
    if (lines.size() >= 512) {
        lines.clear();
    }
    return lines.emplace(std::move(key), layOut(font, textFromBytes(text))).first->second;
}

// Breaks `text` into lines no wider than `width`, at spaces and line feeds; a word wider
// than `width` stands alone on its line.
QStringList wrapLines(const QString& text, const QFontMetrics& metrics, int32_t width) {
    QStringList lines;
    QString paragraphText = text;
    paragraphText.remove(QLatin1Char('\r'));
    for (const QString& paragraph : paragraphText.split(QLatin1Char('\n'))) {
        QString current;
        for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            QString candidate = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
            if (current.isEmpty() || metrics.horizontalAdvance(candidate) <= width) {
                current = candidate;
            } else {
                lines.append(current);
                current = word;
            }
        }
        lines.append(current);
    }
    return lines;
}

// A text broken into lines for a width, each line laid out once, kept like single lines.
struct WrappedText {
    std::vector<LaidOutLine> lines;
};

const WrappedText& wrappedText(const QFont& font, const char* text, int32_t width) {
    static thread_local std::unordered_map<LineKey, WrappedText, LineKeyHash> texts;
    LineKey key{text, font.family(), font.pixelSize(), font.weight(), font.italic(), width};
    auto found = texts.find(key);
    if (found != texts.end()) {
        return found->second;
    }
    if (texts.size() >= 128) {
        texts.clear();
    }
    QFontMetrics metrics(font);
    WrappedText wrapped;
    for (const QString& line : wrapLines(textFromBytes(text), metrics, width)) {
        wrapped.lines.push_back(layOut(font, line));
    }
    return texts.emplace(std::move(key), std::move(wrapped)).first->second;
}

}  // namespace

void textOut(Canvas& canvas, int32_t x, int32_t y, const char* text) {
    if (text[0] == '\0') {
        return;
    }
    const LaidOutLine& line = laidOutLine(canvas.painter.font(), text);
    int32_t left = x;
    if (canvas.align == TextAlign::CentreTop) {
        left = x - line.width / 2;
    } else if (canvas.align == TextAlign::RightTop) {
        left = x - line.width;
    }
    canvas.painter.setPen(canvas.textColour);
    beginText(canvas);
    canvas.painter.drawStaticText(QPointF(left, y + line.baselineTop), line.text);
    endText(canvas);
}

void drawTextWrapped(Canvas& canvas, Rect rect, const char* text, bool centred) {
    if (text[0] == '\0') {
        return;
    }
    const QFont& font = canvas.painter.font();
    int32_t width = rect.right - rect.left;
    const WrappedText& wrapped = wrappedText(font, text, width);
    int32_t lineHeight = cellMetrics(font).height;
    canvas.painter.save();
    beginText(canvas);
    canvas.painter.setClipRect(QRect(rect.left, rect.top, width, rect.bottom - rect.top));
    canvas.painter.setPen(canvas.textColour);
    int32_t top = rect.top;
    for (const LaidOutLine& line : wrapped.lines) {
        if (top >= rect.bottom) {
            break;
        }
        int32_t left = rect.left + (centred ? (width - line.width) / 2 : 0);
        canvas.painter.drawStaticText(QPointF(left, top + line.baselineTop), line.text);
        top += lineHeight;
    }
    canvas.painter.restore();
}

void drawPicture(Canvas& canvas, int32_t x, int32_t y, const QImage& picture) {
    if (picture.isNull()) {
        return;
    }
    // Source and target of one size: a plain copy of the pixels.
    const QRect source(0, 0, picture.width(), picture.height());
    canvas.painter.drawImage(QRect(QPoint(toDevice(canvas, x), toDevice(canvas, y)), source.size()),
                             picture, source);
}

void stretchPicture(Canvas& canvas, Rect rect, const QImage& picture) {
    if (picture.isNull()) {
        return;
    }
    const QSize device(toDevice(canvas, rect.right) - toDevice(canvas, rect.left),
                       toDevice(canvas, rect.bottom) - toDevice(canvas, rect.top));
    if (picture.size() == device) {
        drawPicture(canvas, rect.left, rect.top, picture);
        return;
    }
    drawPicture(canvas, rect.left, rect.top,
                picture.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

}  // namespace nubivo
