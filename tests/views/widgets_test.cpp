// The tree model and the chart widget, offscreen.
#include "testutil.h"

#include "views/activitychart.h"
#include "views/treemodel.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace orvane;
using namespace testutil;

namespace {

void Record(TActivityList& list) {
    const TDateTime d = At(2024, 1, 15);
    for (int day = 0; day < 3; ++day)
        for (int i = 0; i < 6; ++i)
            Add(list, i % 2 ? "/usr/bin/editor" : "/usr/bin/mail",
                "Document " + std::to_string(i % 3), d + day + (8 + i) * Hour, 40 * Min);
}

QColor PixelColour(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

} // namespace

namespace {

// "level|day|text" per node of the model, depth first, as testutil's Flatten writes them.
void Walk(const TTreeModel& model, const QModelIndex& parent, std::vector<std::string>& out) {
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        EXPECT_EQ(model.parent(index), parent);
        const std::optional<TTreeNode> node = model.Node(index);
        EXPECT_EQ(model.data(index).toString().toStdString(), node->Text);
        out.push_back(std::to_string(node->Level) + "|" +
                      (node->Data ? std::to_string(*node->Data) : "-") + "|" + node->Text);
        Walk(model, index, out);
    }
}

} // namespace

TEST(TreeModel, ShowsTheNodesOfTheTreeWithTheirTexts) {
    TActivityList list;
    Record(list);
    Add(list, "/usr/bin/editor", "late", At(2024, 1, 20, 23), 3 * Hour); // into the next day
    TTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (TViewMode mode :
         {TViewMode::vmDaily, TViewMode::vmWeekly, TViewMode::vmMonthly, TViewMode::vmAll}) {
        model.SetTree(*BuildPeriodTree(list, mode, At(2024, 2, 1)));
        std::vector<std::string> shown;
        Walk(model, {}, shown);
        EXPECT_EQ(shown, Flatten(*FillTree(list, mode, At(2024, 2, 1)))) << int(mode);
    }

    model.SetTree(*BuildPeriodTree(list, TViewMode::vmDaily));
    ASSERT_EQ(model.rowCount(), 4);
    const QModelIndex day = model.index(1, 0);
    EXPECT_EQ(model.data(day).toString(), "16.01.2024  :  04:00:00");
    EXPECT_FALSE(model.ParentNode(day).has_value());
    const QModelIndex program = model.index(1, 0, day);
    EXPECT_EQ(model.data(program).toString(), "/usr/bin/editor     : 02:00:00");
    EXPECT_EQ(model.ParentNode(program)->Data, DayNumber(At(2024, 1, 16)));
    const QModelIndex line = model.index(2, 0, program);
    EXPECT_EQ(model.data(line).toString(), "00:40:00  : Document 2");
    EXPECT_EQ(model.ParentNode(line)->Text, "/usr/bin/editor     : 02:00:00");
    EXPECT_EQ(model.parent(line), program);
    EXPECT_FALSE(model.index(3, 0, program).isValid());

    // The whole-record node comes expanded; a new tree drops the old nodes.
    QTreeView view;
    SetUpTreeView(view);
    ShowTreeIn(view, model);
    view.expand(day);
    model.SetTree(*BuildPeriodTree(list, TViewMode::vmAll, At(2024, 2, 1)));
    ShowTreeIn(view, model);
    EXPECT_TRUE(view.isExpanded(model.index(0, 0)));
    EXPECT_EQ(model.rowCount(model.index(0, 0)), 2);
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.hasChildren());
}

TEST(Chart, PaintsBarsInTheirRowColours) {
    TActivityList list;
    const TDateTime d = At(2024, 1, 15);
    const char* programs[] = {"/bin/aqua", "/bin/red", "/bin/yellow"};
    for (int p = 0; p < 3; ++p)
        Add(list, programs[p], "c", d + (8 + 2 * p) * Hour, 2 * Hour);
    TActivityChart chart;
    chart.resize(800, 300);
    chart.SetData(ChartBars(list, "", 0, 0));
    QImage image(chart.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    chart.Render(painter, image.rect());
    painter.end();
    const QRect plot = chart.PlotArea(image.rect());
    const double rowHeight = plot.height() / 3.0;
    const double perDay = plot.width() / (chart.ViewTo() - chart.ViewFrom());
    for (int p = 0; p < 3; ++p) {
        const TDateTime mid = d + (9 + 2 * p) * Hour;
        const int x = plot.left() + static_cast<int>((mid - chart.ViewFrom()) * perDay);
        const int y = plot.top() + static_cast<int>((p + 0.5) * rowHeight);
        const std::uint32_t rgb = ChartColors[static_cast<std::size_t>(p)];
        EXPECT_EQ(PixelColour(image, x, y), QColor(QRgb(rgb))) << programs[p];
        EXPECT_EQ(chart.ToolTipAt({x, y}).split('\n').value(0), programs[p]);
        // Elsewhere in the row the back wall is white.
        const int away =
            plot.left() + static_cast<int>((d + 23.5 * Hour - chart.ViewFrom()) * perDay);
        EXPECT_EQ(PixelColour(image, std::min(away, plot.right() - 2), y), QColor(Qt::white));
    }
    EXPECT_EQ(chart.ToolTipAt({plot.left() + 2, plot.top() + 2}), QString());
}

TEST(Chart, NarrowBarsAreMergedIntoOnePixelRun) {
    TActivityList list;
    const TDateTime d = At(2020, 1, 1);
    for (int i = 0; i < 20000; ++i)
        Add(list, "/bin/a", "x", d + i * 0.05, 20 * Sec);
    TActivityChart chart;
    chart.resize(600, 200);
    chart.SetData(ChartBars(list, "", 0, 0));
    QImage image(chart.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    chart.Render(painter, image.rect());
    painter.end();
    const QRect plot = chart.PlotArea(image.rect());
    const int y = plot.center().y();
    int coloured = 0;
    for (int x = plot.left() + 20; x < plot.right() - 20; ++x)
        coloured += PixelColour(image, x, y) == QColor(QRgb(ChartColors[0]));
    EXPECT_EQ(coloured, plot.width() - 40 - 1) << "every column holds some entry";
}

TEST(Chart, DetailRowsWhoseCaptionsEndAlikeReadApart) {
    TActivityList list;
    const TDateTime d = At(2024, 1, 15);
    const std::string ending = " - Quarterly planning notes - Company intranet - Web Browser";
    const std::vector<std::string> captions = {"Budget" + ending, "Roadmap" + ending,
                                               "Hiring" + ending};
    for (std::size_t i = 0; i < captions.size(); ++i)
        Add(list, "/usr/bin/browser", captions[i], d + (8 + static_cast<int>(i)) * Hour, Hour);
    TActivityChart chart;
    chart.resize(800, 300);
    chart.SetData(ChartBars(list, ProgramLine("/usr/bin/browser", 3 * Hour), d, EndOfDay(d)));
    ASSERT_TRUE(chart.Data().Detail);
    QImage image(chart.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    chart.Render(painter, image.rect());
    const QFontMetrics metrics(painter.font());
    painter.end();

    const QRect plot = chart.PlotArea(chart.rect());
    const double rowHeight = plot.height() / 3.0;
    QStringList shown;
    for (int row = 0; row < 3; ++row) {
        // As painted in the row header: the start of each caption stays readable.
        const QString label = chart.RowLabel(row, metrics, plot.left() - 6);
        EXPECT_TRUE(label.startsWith(
            QString::fromStdString(captions[static_cast<std::size_t>(row)].substr(0, 3))))
            << label.toStdString();
        EXPECT_FALSE(shown.contains(label)) << label.toStdString();
        shown << label;
        // The whole caption is in the tooltip of the row header.
        const QPoint header(plot.left() / 2,
                            plot.top() + static_cast<int>((row + 0.5) * rowHeight));
        EXPECT_EQ(chart.RowNameAt(header), row);
        EXPECT_EQ(chart.ToolTipAt(header).toStdString(), captions[static_cast<std::size_t>(row)]);
    }
    // The bars keep the last 51 characters as their label.
    EXPECT_EQ(chart.Data().Labels[0], CaptionLabel(captions[0]));
}

TEST(Chart, AxisLabelsFollowTheSpan) {
    TActivityChart chart;
    const TDateTime d = At(2024, 1, 15);
    const QStringList hours = chart.AxisLabels(d + 8 * Hour, d + 12 * Hour, 800);
    ASSERT_FALSE(hours.isEmpty());
    EXPECT_EQ(hours.first(), "08:00");
    const QStringList seconds = chart.AxisLabels(d + 8 * Hour, d + 8 * Hour + 30 * Sec, 800);
    EXPECT_EQ(seconds.first(), "08:00:00");
    const QStringList days = chart.AxisLabels(d, d + 10, 800);
    EXPECT_EQ(days.first(), QString::fromStdString(DateText(d)));
    const QStringList years = chart.AxisLabels(d, d + 5 * 365, 800);
    EXPECT_TRUE(years.contains("2025")) << years.join(",").toStdString();
}

TEST(Chart, WheelZoomsAroundTheCursorDragPansClickSignals) {
    TActivityList list;
    Record(list);
    TActivityChart chart;
    chart.resize(800, 300);
    chart.SetData(ChartBars(list, "", 0, 0));
    QSignalSpy clicks(&chart, &TActivityChart::clicked);
    QSignalSpy moves(&chart, &TActivityChart::mouseMoved);

    const QRect plot = chart.PlotArea(chart.rect());
    const int x = plot.left() + plot.width() / 4;
    const double f = (x - plot.left()) / double(plot.width());
    const TDateTime before = chart.ViewFrom() + f * (chart.ViewTo() - chart.ViewFrom());
    const TDateTime span = chart.ViewTo() - chart.ViewFrom();
    chart.ZoomAt(x, 0.5);
    EXPECT_NEAR(chart.ViewTo() - chart.ViewFrom(), span / 2, 1e-9);
    EXPECT_NEAR(chart.ViewFrom() + f * (chart.ViewTo() - chart.ViewFrom()), before, 1e-9)
        << "the time under the cursor stays put";

    const TDateTime from = chart.ViewFrom();
    QTest::mousePress(&chart, Qt::LeftButton, {}, {400, 100});
    QTest::mouseMove(&chart, {300, 100});
    QTest::mouseRelease(&chart, Qt::LeftButton, {}, {300, 100});
    EXPECT_GT(chart.ViewFrom(), from) << "dragging left shows later times";
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_GE(moves.count(), 1);
    QTest::mouseClick(&chart, Qt::LeftButton, {}, {200, 100});
    EXPECT_EQ(clicks.count(), 1);
}

// Every row colour, the white one too, shows on the white back wall: wide bars, bars of a few
// pixels and bars narrower than a pixel.
TEST(Chart, EveryBarIsVisibleAgainstTheBackground) {
    TActivityList list;
    const TDateTime d = At(2024, 1, 15);
    const TDateTime span = 20 * Hour;
    const int width = 600; // of the plot, near enough: bars are placed by fractions of it
    const std::vector<TDateTime> lengths = {2 * Hour, span * 3 / width, span / (4 * width)};
    for (int r = 0; r < ChartRowCount; ++r)
        for (std::size_t k = 0; k < lengths.size(); ++k)
            Add(list, "/bin/p" + std::to_string(r), "c", d + 2 * Hour + k * 6 * Hour + r * 10 * Min,
                std::max(lengths[k], 20 * Sec));
    TActivityChart chart;
    chart.resize(width + 128, 18 * 24 + 40);
    chart.SetData(ChartBars(list, "", 0, 0));
    ASSERT_EQ(chart.Data().RowNames.size(), static_cast<std::size_t>(ChartRowCount));
    QImage image(chart.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    chart.Render(painter, image.rect());
    painter.end();
    const QRect plot = chart.PlotArea(image.rect());
    const double rowHeight = static_cast<double>(plot.height()) / ChartRowCount;
    const double perDay = plot.width() / (chart.ViewTo() - chart.ViewFrom());
    for (const TChartBar& bar : chart.Data().Bars) {
        const int x0 = plot.left() + static_cast<int>((bar.Start - chart.ViewFrom()) * perDay);
        const int x1 = plot.left() + static_cast<int>((bar.End - chart.ViewFrom()) * perDay);
        const int y0 = plot.top() + static_cast<int>(bar.Row * rowHeight);
        const int y1 = plot.top() + static_cast<int>((bar.Row + 1) * rowHeight) - 1;
        int contrast = 0;
        for (int x = x0; x <= x1; ++x)
            for (int y = y0; y <= y1; ++y) {
                const QColor c = PixelColour(image, x, y);
                contrast = std::max({contrast, 255 - c.red(), 255 - c.green(), 255 - c.blue()});
            }
        EXPECT_GE(contrast, 64) << "row " << bar.Row << ", " << (x1 - x0 + 1) << " pixels wide";
    }
}

// Row names and bar labels that do not fit are cut in the middle; axis labels are never cut.
TEST(Chart, LabelsAreCutInTheMiddleAndAxisLabelsStayWhole) {
    TActivityList list;
    const TDateTime d = At(2024, 1, 15);
    const std::string start = "/opt/suite/bin/";
    for (int p = 0; p < 3; ++p)
        Add(list, start + "office-suite-" + std::to_string(p) + "-writer-with-a-long-name", "c",
            d + (8 + p) * Hour, Hour);
    TActivityChart chart;
    chart.resize(686, 200);
    chart.SetData(ChartBars(list, "", 0, 0));
    QImage image(chart.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    const QFontMetrics metrics(painter.font());
    painter.end();
    for (int row = 0; row < 3; ++row) {
        const QString label =
            chart.RowLabel(row, metrics, metrics.horizontalAdvance(QString("office-s…g-name")));
        EXPECT_TRUE(label.startsWith("office")) << label.toStdString();
        EXPECT_TRUE(label.endsWith("name")) << label.toStdString();
    }

    // A span that ends on a tick, at several widths: every label inside the widget, none over
    // another.
    for (int w : {686, 500, 320}) {
        chart.resize(w, 200);
        for (const auto& [from, to] : std::vector<std::pair<TDateTime, TDateTime>>{
                 {d + 8 * Hour, d + 12 * Hour}, {d, d + 10}, {d - 5 * 365, d}, {d, d + 1}}) {
            chart.SetView(from, to);
            const auto boxes = chart.AxisLabelBoxes(chart.rect(), metrics);
            ASSERT_FALSE(boxes.empty()) << w;
            for (std::size_t i = 0; i < boxes.size(); ++i) {
                EXPECT_TRUE(chart.rect().contains(boxes[i].Box)) << w << " " << i;
                if (i > 0) {
                    EXPECT_LT(boxes[i - 1].Box.right(), boxes[i].Box.left());
                }
            }
        }
    }
    // Painted: nothing at the right edge of the axis, where the last label used to be cut.
    chart.resize(686, 200);
    chart.SetView(d, d + 10);
    image = QImage(chart.size(), QImage::Format_RGB32);
    QPainter again(&image);
    chart.Render(again, image.rect());
    again.end();
    const QRect plot = chart.PlotArea(image.rect());
    for (int y = plot.bottom() + 5; y < image.height(); ++y)
        EXPECT_EQ(PixelColour(image, image.width() - 1, y), QColor(Qt::white)) << y;
}
