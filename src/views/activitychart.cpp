#include "views/activitychart.h"

#include "views/recordedtext.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace orvane {

namespace {

constexpr int AxisHeight = 22;
constexpr int TopMargin = 6;
constexpr int RightMargin = 8;
constexpr int NameWidth = 120;
constexpr double MinSpan = 10.0 / SecsPerDay; // zooming stops at ten seconds across

QColor RowColour(int row) {
    const std::uint32_t rgb =
        ChartColors[static_cast<std::size_t>(std::clamp(row, 0, ChartRowCount - 1))];
    return QColor(static_cast<int>(rgb >> 16), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

// Recorded texts are 8-bit text in the system code page.
QString Q(const std::string& s) {
    return FromSystemText(s);
}

} // namespace

TActivityChart::TActivityChart(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(200, 80);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TActivityChart::SetData(TChartData data) {
    FData = std::move(data);
    FLabelWidth.assign(FData.Labels.size(), -1);
    if (FData.Bars.empty()) {
        const TDateTime today = StartOfDay(Now());
        FViewFrom = today;
        FViewTo = today + 1;
    } else {
        const TDateTime span = std::max(FData.MaxTime - FData.MinTime, MinSpan);
        FViewFrom = FData.MinTime - span * 0.02;
        FViewTo = FData.MaxTime + span * 0.02;
    }
    update();
}

TChartData TActivityChart::TakeData() {
    TChartData data = std::move(FData);
    SetData({});
    return data;
}

void TActivityChart::SetView(TDateTime from, TDateTime to) {
    if (!std::isfinite(from) || !std::isfinite(to)) return;
    if (to - from < MinSpan) {
        const TDateTime mid = (from + to) / 2;
        from = mid - MinSpan / 2;
        to = mid + MinSpan / 2;
    }
    FViewFrom = from;
    FViewTo = to;
    update();
}

void TActivityChart::ZoomAt(double x, double factor) {
    const QRect plot = PlotArea(rect());
    if (plot.width() <= 0) return;
    const double f = std::clamp((x - plot.left()) / plot.width(), 0.0, 1.0);
    const TDateTime at = FViewFrom + f * (FViewTo - FViewFrom);
    const TDateTime span = std::max((FViewTo - FViewFrom) * factor, MinSpan);
    SetView(at - f * span, at - f * span + span);
}

int TActivityChart::RowCount() const {
    return std::max(1, static_cast<int>(FData.RowNames.size()));
}

QRect TActivityChart::PlotArea(const QRect& area) const {
    return QRect(area.left() + NameWidth, area.top() + TopMargin,
                 std::max(1, area.width() - NameWidth - RightMargin),
                 std::max(1, area.height() - TopMargin - AxisHeight));
}

std::vector<TActivityChart::TTick> TActivityChart::Ticks(TDateTime from, TDateTime to,
                                                         int width) const {
    std::vector<TTick> ticks;
    const TDateTime span = to - from;
    if (!(span > 0) || width <= 0) return ticks;
    // Room for a label every 90 pixels at most.
    const double wanted = span * 90.0 / width;
    static const double steps[] = {1,     2,     5,     10,    15,     30,     60,
                                   120,   300,   600,   900,   1800,   3600,   7200,
                                   10800, 21600, 43200, 86400, 172800, 604800, 1209600};
    double step = 0;
    for (double s : steps)
        if (s / SecsPerDay >= wanted) {
            step = s / SecsPerDay;
            break;
        }
    const TLocaleFormat& locale = CurrentLocaleFormat();
    if (step == 0) {
        // Months or years: ticks on the first of a month.
        int months = 1;
        for (int m : {1, 2, 3, 6, 12, 24, 60, 120, 600, 1200})
            if (m * 30.44 >= wanted) {
                months = m;
                break;
            }
        if (from < EncodeDate(1, 1, 1) || to > EncodeDate(9999, 12, 31)) return ticks;
        TCalendar c = DecodeDateTime(from);
        int index = c.Year * 12 + c.Month - 1;
        index = (index + months - 1) / months * months;
        for (int guard = 0; guard < 400; ++guard, index += months) {
            const int y = index / 12, m = index % 12 + 1;
            if (y > 9999) break;
            const TDateTime at = EncodeDate(y, m, 1);
            if (at > to) break;
            if (at >= from)
                ticks.push_back({at, Q(months >= 12 ? FormatDateTime("yyyy", at, locale)
                                                    : FormatDateTime("MMM yyyy", at, locale))});
        }
        return ticks;
    }
    const double first = std::ceil(from / step - 1e-9) * step;
    const bool days = step >= 1.0;
    for (int i = 0; i < 400; ++i) {
        const TDateTime at = first + i * step;
        if (at > to) break;
        const double fraction = at - std::floor(at + 1e-9);
        const bool midnight = fraction < 1e-7;
        std::string text;
        if (days || (midnight && span > 1.0))
            text = DateText(at, locale);
        else if (step < 60.0 / SecsPerDay)
            text = FormatDateTime("HH:mm:ss", at, locale);
        else
            text = FormatDateTime("HH:mm", at, locale);
        ticks.push_back({at, Q(text)});
    }
    return ticks;
}

std::vector<TActivityChart::TAxisLabel>
TActivityChart::AxisLabelBoxes(const QRect& area, const QFontMetrics& metrics) const {
    std::vector<TAxisLabel> out;
    const QRect plot = PlotArea(area);
    const TDateTime span = FViewTo - FViewFrom;
    if (!(span > 0)) return out;
    const double scale = plot.width() / span;
    int freeFrom = area.left();
    for (const TTick& t : Ticks(FViewFrom, FViewTo, plot.width())) {
        const int x = plot.left() + static_cast<int>(std::lround((t.At - FViewFrom) * scale));
        const int w = metrics.horizontalAdvance(t.Text);
        // Centred under its tick, but moved in at the edges rather than cut; a label that would
        // run into the one before is left out.
        constexpr int margin = 2;
        const int left = std::clamp(x - w / 2, area.left() + margin, area.right() + 1 - margin - w);
        if (left < freeFrom || w + 2 * margin > area.width()) continue;
        out.push_back({QRect(left, plot.bottom() + 4, w, metrics.height()), t.Text});
        freeFrom = left + w + 6;
    }
    return out;
}

QStringList TActivityChart::AxisLabels(TDateTime from, TDateTime to, int width) const {
    QStringList out;
    for (const TTick& t : Ticks(from, to, width))
        out << t.Text;
    return out;
}

void TActivityChart::Render(QPainter& painter, const QRect& area) const {
    painter.fillRect(area, Qt::white);
    const QRect plot = PlotArea(area);
    const int rows = RowCount();
    const double rowHeight = static_cast<double>(plot.height()) / rows;
    const TDateTime span = FViewTo - FViewFrom;
    const double scale = span > 0 ? plot.width() / span : 0.0;
    const QFontMetrics metrics(painter.font());

    // Back wall, grid and axis.
    painter.setPen(QColor(0xC0, 0xC0, 0xC0));
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
    for (const TTick& t : Ticks(FViewFrom, FViewTo, plot.width())) {
        const int x = plot.left() + static_cast<int>(std::lround((t.At - FViewFrom) * scale));
        painter.setPen(QColor(0xE4, 0xE4, 0xE4));
        painter.drawLine(x, plot.top(), x, plot.bottom());
        painter.setPen(Qt::black);
        painter.drawLine(x, plot.bottom(), x, plot.bottom() + 3);
    }
    for (const TAxisLabel& label : AxisLabelBoxes(area, metrics))
        painter.drawText(QPoint(label.Box.left(), label.Box.top() + metrics.ascent()), label.Text);
    painter.setPen(Qt::black);
    // Where the rows are lower than a line of text, only every so many rows is named, so that
    // the names do not run into each other; the tooltip names every row.
    const int every = std::max(1, static_cast<int>(std::ceil(metrics.height() / rowHeight)));
    for (int r = 0; r < static_cast<int>(FData.RowNames.size()); r += every) {
        const int middle = plot.top() + static_cast<int>((r + 0.5) * rowHeight);
        const QRect cell(area.left() + 2, middle - metrics.height() / 2, NameWidth - 6,
                         metrics.height());
        painter.drawText(cell, Qt::AlignVCenter | Qt::AlignRight,
                         RowLabel(r, metrics, cell.width()));
    }
    if (FData.Bars.empty() || scale <= 0) return;

    // Bars. Narrow ones only mark their pixel column; the marks are painted as runs afterwards.
    const int width = plot.width();
    std::vector<std::uint8_t> narrow(
        static_cast<std::size_t>(rows) * static_cast<std::size_t>(width), 0);
    const double barInset = std::min(3.0, rowHeight * 0.15);
    painter.setClipRect(plot);
    // Every bar has an outline darker than its colour: a white or pale bar would not show on
    // the white back wall, and a narrow one is all outline.
    std::vector<QColor> colours, outlines;
    for (int r = 0; r < ChartRowCount; ++r) {
        const std::size_t i = static_cast<std::size_t>(r);
        const QColor c =
            i < FData.RowColours.size() ? QColor::fromRgb(FData.RowColours[i]) : RowColour(r);
        colours.push_back(c);
        outlines.push_back(c.darker(160));
    }
    const auto outlined = [&](const QRectF& box, int row) {
        const std::size_t r = static_cast<std::size_t>(row);
        painter.fillRect(box, colours[r]);
        painter.setPen(QPen(outlines[r], 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box.adjusted(0, 0, -1, -1).normalized());
    };
    for (const TChartBar& bar : FData.Bars) {
        const double x0 = (bar.Start - FViewFrom) * scale;
        const double x1 = (bar.End - FViewFrom) * scale;
        if (x1 < 0 || x0 >= width) continue;
        const int row = std::min(bar.Row, rows - 1);
        if (x1 - x0 < 1.0) {
            const int col = std::clamp(static_cast<int>(x0), 0, width - 1);
            narrow[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(col)] = 1;
            continue;
        }
        const double left = std::max(x0, -2.0), right = std::min(x1, width + 2.0);
        const QRectF box(plot.left() + left, plot.top() + row * rowHeight + barInset, right - left,
                         rowHeight - 2 * barInset);
        outlined(box, bar.Row);
        if (right - left > 24 && metrics.height() <= box.height()) {
            int& w = FLabelWidth[static_cast<std::size_t>(bar.Label)];
            QString label = Q(FData.Labels[static_cast<std::size_t>(bar.Label)]);
            if (w < 0) w = metrics.horizontalAdvance(label);
            // Cut in the middle where it does not fit: both ends tell bars apart. The tooltip
            // has the whole text.
            const int room = static_cast<int>(right - left) - 6;
            const bool whole = w <= room;
            if (!whole) label = metrics.elidedText(label, Qt::ElideMiddle, room);
            // Three letters either side of the cut tell nothing: then no label.
            if (whole || label.size() >= 9) {
                const QColor c = colours[static_cast<std::size_t>(bar.Row)];
                painter.setPen(qGray(c.rgb()) < 128 ? Qt::white : Qt::black);
                painter.drawText(box.adjusted(3, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft,
                                 label);
            }
        }
    }
    for (int r = 0; r < rows; ++r) {
        const std::uint8_t* marks =
            narrow.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
        for (int x = 0; x < width;) {
            if (!marks[x]) {
                ++x;
                continue;
            }
            int end = x;
            while (end < width && marks[end])
                ++end;
            outlined(QRectF(plot.left() + x, plot.top() + r * rowHeight + barInset, end - x,
                            rowHeight - 2 * barInset),
                     std::min(r, ChartRowCount - 1));
            x = end;
        }
    }
    painter.setClipping(false);
}

int TActivityChart::BarAt(const QPoint& pos) const {
    const QRect plot = PlotArea(rect());
    if (!plot.contains(pos) || FData.Bars.empty()) return -1;
    const int rows = RowCount();
    const int row = static_cast<int>((pos.y() - plot.top()) * rows / plot.height());
    const double perPixel = (FViewTo - FViewFrom) / plot.width();
    const TDateTime t = FViewFrom + (pos.x() - plot.left()) * perPixel;
    // The last bar painted there wins; narrow bars are found within their pixel.
    for (std::size_t i = FData.Bars.size(); i-- > 0;) {
        const TChartBar& b = FData.Bars[i];
        if (std::min(b.Row, rows - 1) == row && b.Start <= t + perPixel / 2 &&
            t - perPixel / 2 <= b.End)
            return static_cast<int>(i);
    }
    return -1;
}

QString TActivityChart::RowLabel(int row, const QFontMetrics& metrics, int width) const {
    if (row < 0 || row >= static_cast<int>(FData.RowNames.size())) return {};
    const std::string& name = FData.RowNames[static_cast<std::size_t>(row)];
    // Captions often share a long ending (" - Web Browser") and differ at the start, program
    // names the other way round: cut in the middle, so that both ends show. Program names keep
    // their file name.
    return metrics.elidedText(Q(FData.Detail ? name : ProgramLabel(name)), Qt::ElideMiddle, width);
}

int TActivityChart::RowNameAt(const QPoint& pos) const {
    const QRect plot = PlotArea(rect());
    if (pos.x() >= plot.left() || pos.y() < plot.top() || pos.y() > plot.bottom()) return -1;
    const int row = static_cast<int>((pos.y() - plot.top()) * RowCount() / plot.height());
    return row < static_cast<int>(FData.RowNames.size()) ? row : -1;
}

QString TActivityChart::ToolTipAt(const QPoint& pos) const {
    // Over a row's name: the whole name, which the row header may show cut.
    if (const int row = RowNameAt(pos); row >= 0)
        return Q(FData.RowNames[static_cast<std::size_t>(row)]);
    const int i = BarAt(pos);
    if (i < 0) return {};
    const TChartBar& b = FData.Bars[static_cast<std::size_t>(i)];
    return Q(FData.ProcessOf(b)) + "\n" + Q(b.Caption.str()) + "\n" + Q(DateTimeText(b.Start)) +
           "\n" + Q(DurationText(b.End - b.Start));
}

void TActivityChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Render(painter, rect());
}

void TActivityChart::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) return;
    ZoomAt(event->position().x(), std::pow(0.8, notches));
    event->accept();
}

void TActivityChart::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    FDragging = true;
    FMoved = false;
    FPressPos = event->position().toPoint();
    FPressFrom = FViewFrom;
    FPressTo = FViewTo;
}

void TActivityChart::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved();
    if (!FDragging) return;
    const QPoint now = event->position().toPoint();
    if (!FMoved && (now - FPressPos).manhattanLength() < 4) return;
    FMoved = true;
    const QRect plot = PlotArea(rect());
    const TDateTime shift = (now.x() - FPressPos.x()) * (FPressTo - FPressFrom) / plot.width();
    SetView(FPressFrom - shift, FPressTo - shift);
}

void TActivityChart::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !FDragging) return;
    FDragging = false;
    if (!FMoved) emit clicked();
}

bool TActivityChart::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString text = ToolTipAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(event);
}

} // namespace orvane
