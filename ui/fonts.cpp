#include "ui/fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

#include "ui/window_resources.h"

namespace nubivo {
namespace {

constexpr const char* wineTahoma = "/usr/share/wine/fonts/tahoma.ttf";
constexpr const char* tahoma = "Tahoma";

}  // namespace

int32_t fontPixelSize(int32_t points, int32_t dotsPerInch) {
    int64_t product = static_cast<int64_t>(points) * dotsPerInch;
    int64_t rounded = product >= 0 ? (product + 36) / 72 : (product - 36) / 72;
    return static_cast<int32_t>(rounded);
}

QString viewerFontFamily() {
    static const QString family = [] {
        if (QFontDatabase::families().contains(QString::fromLatin1(tahoma))) {
            return QString::fromLatin1(tahoma);
        }
        // Only the regular face is registered: the bold file's outlines are barely heavier
        // than the regular ones, while Qt's emboldening of the regular face reads as bold.
        int id = QFontDatabase::addApplicationFont(QString::fromLatin1(wineTahoma));
        if (id >= 0) {
            QStringList loaded = QFontDatabase::applicationFontFamilies(id);
            if (!loaded.isEmpty()) {
                return loaded.front();
            }
        }
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

QFont viewerFont(int32_t points, bool bold, bool italic, int32_t dotsPerInch) {
    QFont font(viewerFontFamily());
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(fontPixelSize(points, dotsPerInch));
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    return font;
}

void createFonts() {
    int32_t dpi = 96;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        dpi = static_cast<int32_t>(std::lround(screen->logicalDotsPerInchY()));
    }
    WindowResources& w = windowResources;
    w.titleFont = viewerFont(14, true, true, dpi);
    w.controlFont = viewerFont(10, false, false, dpi);
    w.smallFont = viewerFont(8, false, false, dpi);
    w.smallBoldFont = viewerFont(8, true, false, dpi);
}

}  // namespace nubivo
