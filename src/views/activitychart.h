// The timeline chart: one row per program (overview) or caption (program detail), each entry a
// bar in its row's colour on a date-time axis. Flat, no title, no legend, white back wall. The
// wheel zooms the time axis around the cursor, dragging pans it; bars narrower than a pixel are
// merged per row while painting, so a whole record of a million entries paints quickly.
#pragma once

#include "views/chartdata.h"

#include <QWidget>

#include <vector>

namespace orvane {

class TActivityChart : public QWidget {
    Q_OBJECT
public:
    explicit TActivityChart(QWidget* parent = nullptr);

    // Shows the bars (replacing the former ones) over their whole span.
    void SetData(TChartData data);
    void Clear() { SetData({}); }
    const TChartData& Data() const { return FData; }
    // Hands the bars out and leaves the chart empty (to be filled again with SetData).
    TChartData TakeData();

    // The time range shown; the wheel and dragging change it.
    TDateTime ViewFrom() const { return FViewFrom; }
    TDateTime ViewTo() const { return FViewTo; }
    void SetView(TDateTime from, TDateTime to);
    void ZoomAt(double x, double factor); // factor < 1 zooms in around pixel column x

    // Paints the chart into any device (the widget, an image).
    void Render(QPainter& painter, const QRect& area) const;
    // The bar under a point (index into Data().Bars), or -1; the row whose name is shown at a
    // point, or -1; and the tooltip there: the bar's entry, or the row's whole name.
    int BarAt(const QPoint& pos) const;
    int RowNameAt(const QPoint& pos) const;
    QString ToolTipAt(const QPoint& pos) const;
    // A row's name as shown in a space of that width.
    QString RowLabel(int row, const QFontMetrics& metrics, int width) const;
    // The plot area within a widget area (the rest holds the row names and the axis).
    QRect PlotArea(const QRect& area) const;
    // The axis labels at a span (for tests): texts of the ticks between from and to.
    QStringList AxisLabels(TDateTime from, TDateTime to, int width) const;
    // Where the axis labels of the shown span go within a widget area: whole, inside the area,
    // none over another.
    struct TAxisLabel {
        QRect Box;
        QString Text;
    };
    std::vector<TAxisLabel> AxisLabelBoxes(const QRect& area, const QFontMetrics& metrics) const;

signals:
    void clicked();
    void mouseMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct TTick {
        TDateTime At;
        QString Text;
    };
    std::vector<TTick> Ticks(TDateTime from, TDateTime to, int width) const;
    int RowCount() const;

    TChartData FData;
    TDateTime FViewFrom = 0, FViewTo = 1;
    mutable std::vector<int> FLabelWidth; // per label, -1 until measured
    bool FDragging = false;
    bool FMoved = false;
    QPoint FPressPos;
    TDateTime FPressFrom = 0, FPressTo = 0;
};

} // namespace orvane
