#include "ui/fonts.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>
#include <thread>

namespace nubivo {
namespace {

// Under the test command each test runs in a process of its own, so each of these takes its
// own way to the face; run together in one process, the first one decides for both.

TEST(ViewerFaceTest, LookedUpOnAThreadOfItsOwnResolvesToTahoma) {
    std::thread lookUp(lookUpViewerFace);
    lookUp.join();
    EXPECT_EQ(viewerFontFamily(), QStringLiteral("Tahoma"));
    for (bool bold : {false, true}) {
        QFontInfo resolved(viewerFont(10, bold, false, 96));
        EXPECT_EQ(resolved.family(), QStringLiteral("Tahoma")) << bold;
        EXPECT_EQ(resolved.pixelSize(), 13) << bold;
    }
}

TEST(ViewerFaceTest, FoundWhenQtFilledItsFontDatabaseFirst) {
    // Filled before the face reached fontconfig, Qt's database does not list it: the file
    // must then be registered with Qt itself.
    QFontDatabase::families();
    EXPECT_EQ(viewerFontFamily(), QStringLiteral("Tahoma"));
    QFontInfo resolved(viewerFont(8, true, false, 96));
    EXPECT_EQ(resolved.family(), QStringLiteral("Tahoma"));
}

}  // namespace
}  // namespace nubivo
