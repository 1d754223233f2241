// Stored window places checked against the screens, and the paused tray icon.
#include "app/windowplace.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace orvane;

TEST(WindowPlace, TextsReadBackAndBadOnesReadAsNone) {
    EXPECT_EQ(ParseRect(RectText(QRect(-20, 30, 686, 511))), QRect(-20, 30, 686, 511));
    for (const char* bad : {"", "1,2,3", "1,2,3,4,5", "1,2,0,4", "1,2,3,-4", "a,2,3,4", "1,2,3,4,",
                            "1;2;3;4", "99999999999,1,1,1"})
        EXPECT_FALSE(ParseRect(bad)) << bad;
    EXPECT_EQ(ParseSizes(SizesText({281, 220}), 2), QList<int>({281, 220}));
    for (const char* bad : {"", "281", "281,220,5", "-1,220", "0,0", "x,1"})
        EXPECT_FALSE(ParseSizes(bad, 2)) << bad;
}

TEST(WindowPlace, AStoredFrameIsUsedOnlyWhereItCanBeGrabbed) {
    const QRect left(0, 0, 1920, 1050), right(1920, 0, 1280, 994);
    const struct {
        const char* Name;
        QRect Stored;
        QList<QRect> Screens;
        std::optional<QRect> Expected;
    } cases[] = {
        {"on the screen", {100, 100, 686, 511}, {left}, QRect(100, 100, 686, 511)},
        {"on the second screen", {2000, 50, 686, 511}, {left, right}, QRect(2000, 50, 686, 511)},
        {"its screen unplugged", {2000, 50, 686, 511}, {left}, std::nullopt},
        {"title bar above the screen", {100, -40, 686, 511}, {left}, std::nullopt},
        {"below the screen", {100, 1200, 686, 511}, {left}, std::nullopt},
        {"mostly off to the left", {-680, 100, 686, 511}, {left}, std::nullopt},
        {"partly off, enough to grab", {-300, 100, 686, 511}, {left}, QRect(-300, 100, 686, 511)},
        {"larger than the screen", {0, 0, 4000, 3000}, {left}, QRect(0, 0, 1920, 1050)},
        {"tiny", {10, 10, 5, 5}, {left}, QRect(10, 10, 120, 60)},
        {"no screens", {10, 10, 500, 500}, {}, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlaceOnScreens(c.Stored, c.Screens), c.Expected) << c.Name;
}

TEST(WindowPlace, ThePausedIconLooksDifferent) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(QColor(0x20, 0x80, 0xE0));
    const QIcon icon(QPixmap::fromImage(image));
    const QImage paused =
        PausedIcon(icon).pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(paused.size(), QSize(32, 32));
    int differing = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QColor a = image.pixelColor(x, y), b = paused.pixelColor(x, y);
            differing += std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                             std::abs(a.blue() - b.blue()) >
                         90;
        }
    EXPECT_GT(differing, 32 * 32 * 3 / 4);
}
