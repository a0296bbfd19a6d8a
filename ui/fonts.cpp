#include "ui/fonts.h"

#include <fontconfig/fontconfig.h>

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <mutex>

#include "ui/window_resources.h"

namespace nubivo {
namespace {

constexpr const char* wineTahoma = "/usr/share/wine/fonts/tahoma.ttf";
constexpr const char* tahoma = "Tahoma";

// The family of the first font fontconfig lists for `pattern`, or empty.
QString firstFamily(FcPattern* pattern) {
    QString family;
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
    FcChar8* name = nullptr;
    if (fonts != nullptr && fonts->nfont > 0 &&
        FcPatternGetString(fonts->fonts[0], FC_FAMILY, 0, &name) == FcResultMatch) {
        family = QString::fromUtf8(reinterpret_cast<const char*>(name));
    }
    if (fonts != nullptr) {
        FcFontSetDestroy(fonts);
    }
    FcObjectSetDestroy(objects);
    return family;
}

// Fontconfig's own set-up, then the Tahoma face: an installed one, or else Wine's file added
// to fontconfig's application fonts, which Qt's font database lists when it fills itself.
// Only the regular face is added: the bold file's outlines are barely heavier than the
// regular ones, while Qt's emboldening of the regular face reads as bold. Empty when
// neither exists.
QString lookUpTahoma() {
    if (FcInit() == FcFalse) {
        return QString();
    }
    FcPattern* installed = FcPatternBuild(nullptr, FC_FAMILY, FcTypeString, tahoma, nullptr);
    QString family = firstFamily(installed);
    FcPatternDestroy(installed);
    if (!family.isEmpty()) {
        return family;
    }
    const auto* file = reinterpret_cast<const FcChar8*>(wineTahoma);
    if (FcConfigAppFontAddFile(nullptr, file) == FcFalse) {
        return QString();
    }
    FcPattern* added = FcPatternBuild(nullptr, FC_FILE, FcTypeString, wineTahoma, nullptr);
    family = firstFamily(added);
    FcPatternDestroy(added);
    return family;
}

std::once_flag faceLookedUp;
QString tahomaFamily;  // written once under faceLookedUp

}  // namespace

void lookUpViewerFace() {
    std::call_once(faceLookedUp, [] { tahomaFamily = lookUpTahoma(); });
}

int32_t fontPixelSize(int32_t points, int32_t dotsPerInch) {
    int64_t product = static_cast<int64_t>(points) * dotsPerInch;
    int64_t rounded = product >= 0 ? (product + 36) / 72 : (product - 36) / 72;
    return static_cast<int32_t>(rounded);
}

QString viewerFontFamily() {
    static const QString family = [] {
        lookUpViewerFace();  // waits for a lookup already under way on another thread
        if (!tahomaFamily.isEmpty() && QFontDatabase::hasFamily(tahomaFamily)) {
            return tahomaFamily;
        }
        // Qt's font database was filled before the face reached fontconfig (or fontconfig
        // could not take it): Qt registers the file itself.
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
