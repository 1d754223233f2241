// Where the windows were: the size and position of the main and list windows and the splitter
// positions, kept in the settings file between runs, and the tray icon of a paused recorder.
#pragma once

#include <QIcon>
#include <QList>
#include <QRect>

#include <optional>
#include <string>
#include <vector>

class QSplitter;
class QWidget;

namespace orvane {

class TIniFile;
struct TSetting;

// "x,y,w,h" and back; a text that is not four whole numbers, or a size below 1, reads as none.
std::string RectText(const QRect& rect);
std::optional<QRect> ParseRect(const std::string& text);
// Splitter sizes as "a,b,..." and back; none unless every size is a whole number from 0 up.
std::string SizesText(const QList<int>& sizes);
std::optional<QList<int>> ParseSizes(const std::string& text, int count);

// A stored window frame as it may be used on the screens present now (their available areas):
// shrunk to fit the screen it lies most on, and none when too little of its top edge, where the
// title bar is, lies on any screen to grab it (a screen unplugged since, a file edited by hand).
std::optional<QRect> PlaceOnScreens(const QRect& stored, const QList<QRect>& screens,
                                    const QSize& minimum = {120, 60});

// The places kept in section [Windows] of the settings file. A stored frame is placed on the
// screens present now, and is none when it is not stored or lies off every screen.
std::optional<QRect> StoredPlace(TIniFile& ini, const TSetting& key);
void RestoreSizes(QSplitter& splitter, TIniFile& ini, const TSetting& key);
// Writes the value only where the file holds another: a place unchanged rewrites no file.
void StoreChanged(TIniFile& ini, const TSetting& key, const std::string& value);

// The main window's frame and its two splitters: restored, and whether it was maximised; stored
// where they changed.
bool RestoreMainPlace(TIniFile& ini, QWidget& window, QSplitter& outer, QSplitter& inner);
void StoreMainPlace(TIniFile& ini, const QWidget& window, const QSplitter& outer,
                    const QSplitter& inner);

// The tray icon while recording is paused: the icon grey, with a pause mark.
QIcon PausedIcon(const QIcon& icon);

} // namespace orvane
