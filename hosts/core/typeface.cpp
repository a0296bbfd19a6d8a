#include "hosts/core/typeface.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <mutex>
#include <string>

namespace nubivo::host {
namespace {

struct FaceFile {
    const char* path;    // where Debian's fonts-dejavu-core puts it
    const char* family;  // what to ask fontconfig for elsewhere
    int weight;          // fontconfig's weight
};

constexpr FaceFile faceFiles[2] = {
    {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "DejaVu Sans", FC_WEIGHT_REGULAR},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", "DejaVu Sans", FC_WEIGHT_BOLD},
};

std::mutex textLock;

// The file fontconfig offers for the family and weight; empty when none.
std::string fontconfigFile(const FaceFile& file) {
    std::string found;
    FcConfig* config = FcInitLoadConfigAndFonts();
    FcPattern* pattern = FcPatternCreate();
    if (config == nullptr || pattern == nullptr) {
        if (pattern != nullptr)
            FcPatternDestroy(pattern);
        if (config != nullptr)
            FcConfigDestroy(config);
        return found;
    }
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(file.family));
    FcPatternAddInteger(pattern, FC_WEIGHT, file.weight);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
        FcChar8* path = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path != nullptr)
            found = reinterpret_cast<const char*>(path);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    return found;
}

// The two faces, loaded once and kept for the life of the process.
struct Faces {
    Faces() {
        if (FT_Init_FreeType(&library) != 0) {
            std::fprintf(stderr, "nubivo: FreeType cannot start: the maps carry no text\n");
            return;
        }
        for (int i = 0; i < 2; ++i) {
            FT_Face face = nullptr;
            if (FT_New_Face(library, faceFiles[i].path, 0, &face) != 0) {
                const std::string other = fontconfigFile(faceFiles[i]);
                if (other.empty() || FT_New_Face(library, other.c_str(), 0, &face) != 0) {
                    std::fprintf(stderr,
                                 "nubivo: no %s face (install fonts-dejavu-core): the maps carry "
                                 "no text\n",
                                 faceFiles[i].family);
                    return;
                }
            }
            cairo[i] = cairo_ft_font_face_create_for_ft_face(face, 0);
        }
        options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
        loaded = true;
    }

    FT_Library library = nullptr;
    cairo_font_face_t* cairo[2] = {nullptr, nullptr};
    cairo_font_options_t* options = nullptr;
    bool loaded = false;
};

const Faces& faces() {
    // Never destroyed: threads may still draw while the process ends.
    static const Faces* const instance = new Faces;
    return *instance;
}

// Sets the face and size on `cairo`; false without faces. The caller holds textLock.
bool useFace(cairo_t* cairo, double size, Weight weight) {
    const Faces& f = faces();
    if (!f.loaded)
        return false;
    cairo_set_font_face(cairo, f.cairo[weight == Weight::Bold ? 1 : 0]);
    cairo_set_font_size(cairo, size);
    cairo_set_font_options(cairo, f.options);
    return true;
}

}  // namespace

TextExtent measureText(std::string_view text, double size, Weight weight) {
    // A scratch context: measuring needs no picture.
    const std::string copy(text);
    TextExtent extent;
    std::lock_guard<std::mutex> guard(textLock);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t* cairo = cairo_create(surface);
    if (useFace(cairo, size, weight)) {
        cairo_text_extents_t textExtents;
        cairo_text_extents(cairo, copy.c_str(), &textExtents);
        cairo_font_extents_t fontExtents;
        cairo_font_extents(cairo, &fontExtents);
        extent = {textExtents.x_advance, fontExtents.ascent, fontExtents.descent};
    }
    // Destroyed under the lock: that lets go of the context's hold on the face.
    cairo_destroy(cairo);
    cairo_surface_destroy(surface);
    return extent;
}

bool drawText(const Drawing& drawing, double x, double baseline, std::string_view text, double size,
              Weight weight) {
    const std::string copy(text);
    cairo_t* cairo = drawing.cairo();
    std::lock_guard<std::mutex> guard(textLock);
    // Saved and restored under the lock, so that the context lets go of our face before this
    // returns: ending the context later, on any thread, then has no face of ours to release.
    cairo_save(cairo);
    const bool drawn = useFace(cairo, size, weight);
    if (drawn) {
        cairo_move_to(cairo, x, baseline);
        cairo_show_text(cairo, copy.c_str());
    }
    cairo_restore(cairo);
    cairo_new_path(cairo);
    return drawn;
}

bool typefaceLoaded() {
    std::lock_guard<std::mutex> guard(textLock);
    return faces().loaded;
}

}  // namespace nubivo::host
