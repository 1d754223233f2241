#include "app/windowplace.h"

#include "session/settings.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QSplitter>

#include <algorithm>
#include <charconv>

namespace orvane {

namespace {

std::optional<std::vector<int>> ParseInts(const std::string& text) {
    std::vector<int> out;
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        while (p < end && *p == ' ')
            ++p;
        int value = 0;
        const auto [next, ec] = std::from_chars(p, end, value);
        if (ec != std::errc() || next == p) return std::nullopt;
        out.push_back(value);
        p = next;
        while (p < end && *p == ' ')
            ++p;
        if (p == end) break;
        if (*p != ',') return std::nullopt;
        ++p;
        if (p == end) return std::nullopt; // a trailing comma
    }
    return out;
}

} // namespace

std::string RectText(const QRect& rect) {
    return std::to_string(rect.x()) + "," + std::to_string(rect.y()) + "," +
           std::to_string(rect.width()) + "," + std::to_string(rect.height());
}

std::optional<QRect> ParseRect(const std::string& text) {
    const auto v = ParseInts(text);
    if (!v || v->size() != 4 || (*v)[2] < 1 || (*v)[3] < 1) return std::nullopt;
    return QRect((*v)[0], (*v)[1], (*v)[2], (*v)[3]);
}

std::string SizesText(const QList<int>& sizes) {
    std::string out;
    for (int s : sizes) {
        if (!out.empty()) out += ",";
        out += std::to_string(s);
    }
    return out;
}

std::optional<QList<int>> ParseSizes(const std::string& text, int count) {
    const auto v = ParseInts(text);
    if (!v || static_cast<int>(v->size()) != count) return std::nullopt;
    if (std::any_of(v->begin(), v->end(), [](int s) { return s < 0; })) return std::nullopt;
    if (std::all_of(v->begin(), v->end(), [](int s) { return s == 0; })) return std::nullopt;
    return QList<int>(v->begin(), v->end());
}

std::optional<QRect> PlaceOnScreens(const QRect& stored, const QList<QRect>& screens,
                                    const QSize& minimum) {
    if (!stored.isValid() || screens.isEmpty()) return std::nullopt;
    // The screen the window lies most on.
    const QRect* best = nullptr;
    long long bestArea = 0;
    for (const QRect& screen : screens) {
        const QRect common = screen.intersected(stored);
        const long long area = static_cast<long long>(common.width()) * common.height();
        if (area > bestArea) {
            bestArea = area;
            best = &screen;
        }
    }
    if (!best) return std::nullopt;
    QRect placed = stored;
    placed.setWidth(std::clamp(stored.width(), minimum.width(), best->width()));
    placed.setHeight(std::clamp(stored.height(), minimum.height(), best->height()));
    // A strip of the top edge wide enough to grab must be on the screen.
    const QRect grip(placed.left(), placed.top(), placed.width(), 1);
    const QRect onScreen = best->intersected(grip);
    if (onScreen.width() < std::min(minimum.width(), placed.width())) return std::nullopt;
    return placed;
}

bool RestoreMainPlace(TIniFile& ini, QWidget& window, QSplitter& outer, QSplitter& inner) {
    if (const auto placed = StoredPlace(ini, settings::MainWindow)) window.setGeometry(*placed);
    RestoreSizes(outer, ini, settings::MainSplitter);
    RestoreSizes(inner, ini, settings::ChartSplitter);
    return ReadFlag(ini, settings::MainMaximized);
}

void StoreMainPlace(TIniFile& ini, const QWidget& window, const QSplitter& outer,
                    const QSplitter& inner) {
    const auto put = [&](const TSetting& key, const std::string& value) {
        StoreChanged(ini, key, value);
    };
    const QRect normal = window.normalGeometry();
    put(settings::MainWindow, RectText(normal.isValid() ? normal : window.geometry()));
    put(settings::MainMaximized, window.isMaximized() ? "1" : "0");
    // A hidden splitter reports no sizes worth keeping.
    if (outer.isVisible()) {
        put(settings::MainSplitter, SizesText(outer.sizes()));
        put(settings::ChartSplitter, SizesText(inner.sizes()));
    }
}

QIcon PausedIcon(const QIcon& icon) {
    QIcon out;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull()) image = QImage(size, size, QImage::Format_ARGB32);
        // Grey and faded, so that the state shows even where the mark is small.
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int grey = 128 + qGray(line[x]) / 2;
                line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) * 3 / 4);
            }
        }
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const double w = image.width(), h = image.height();
        // Two bars in a dark disc at the lower right.
        const QRectF disc(w * 0.38, h * 0.38, w * 0.62, h * 0.62);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x30, 0x30, 0x30));
        painter.drawEllipse(disc);
        painter.setBrush(Qt::white);
        const double barW = disc.width() * 0.18, barH = disc.height() * 0.5;
        const double top = disc.center().y() - barH / 2;
        painter.drawRect(QRectF(disc.center().x() - barW * 1.5, top, barW, barH));
        painter.drawRect(QRectF(disc.center().x() + barW * 0.5, top, barW, barH));
        painter.end();
        out.addPixmap(QPixmap::fromImage(image));
    }
    return out;
}

std::optional<QRect> StoredPlace(TIniFile& ini, const TSetting& key) {
    const std::optional<QRect> stored = ParseRect(ReadText(ini, key));
    if (!stored) return std::nullopt;
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    return PlaceOnScreens(*stored, screens);
}

void RestoreSizes(QSplitter& splitter, TIniFile& ini, const TSetting& key) {
    if (const auto sizes = ParseSizes(ReadText(ini, key), splitter.count()))
        splitter.setSizes(*sizes);
}

void StoreChanged(TIniFile& ini, const TSetting& key, const std::string& value) {
    if (ReadText(ini, key) != value) WriteText(ini, key, value);
}

} // namespace orvane
