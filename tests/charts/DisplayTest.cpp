#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include "charts/ChartFonts.h"
#include "charts/Display.h"
#include "charts/MemDC.h"
#include "platform/GenericException.h"
#include "platform/Prompt.h"
#include "tests/support/Thrown.h"

namespace tavik {
namespace {

// Counts paints, so that tests see how many repaints a burst of changes costs.
class CCountingDisplay : public CDisplay {
public:
    int nPaints = 0;
    QString strClicked;

    void OnLabelClicked(const QString& text, float /*x*/) override { strClicked = text; }

protected:
    void paintEvent(QPaintEvent* event) override {
        ++nPaints;
        CDisplay::paintEvent(event);
    }
};

void ProcessEvents() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
    }
}

// Checked state, enabled state and text of a menu's items.
std::vector<std::string> MenuState(const QMenu& menu) {
    std::vector<std::string> items;
    for (const QAction* a : menu.actions()) {
        items.push_back(a->text().toStdString() + (a->isChecked() ? " [x]" : " [ ]") +
                        (a->isEnabled() ? "" : " grayed"));
    }
    return items;
}

using Items = std::vector<std::string>;

TEST(Display, RangesUnitsAndGridStyles) {
    CDisplay chart;
    chart.SetXRange(10.0f, 0.0f);
    EXPECT_EQ(chart.GetXMin(), 0.0f);
    EXPECT_EQ(chart.GetXMax(), 10.0f);
    chart.SetYRange(-5.0f, 20.0f);
    EXPECT_EQ(test::Thrown<CDisplayException>([&] { chart.SetYRange(3.0f, 3.0f); }),
              "Upper and lower y-axis range limits are equal.");
    EXPECT_EQ(chart.GetYMin(), -5.0f);
    EXPECT_EQ(chart.GetYMax(), 20.0f);
    EXPECT_EQ(test::Thrown<CDisplayException>([&] { chart.SetXRange(7.0f, 7.0f); }),
              "\"Scan From:\" must be smaller than \"Scan To:\"");
    EXPECT_EQ(chart.GetXMax(), 10.0f);

    chart.SetXUnit(QStringLiteral("123456789"));
    EXPECT_EQ(chart.GetXUnit(), QStringLiteral("12345678"));
    const char* names[] = {"solid", "dash", "dot", "dashdot", "dashdotdot", "Dot", ""};
    const int styles[] = {0, 1, 2, 3, 4, 5, 5};
    for (int i = 0; i < 7; ++i) {
        chart.SetGridStyle(QString::fromLatin1(names[i]));
        EXPECT_EQ(chart.GetGridStyle(), styles[i]) << names[i];
    }
}

TEST(Display, GraphListLinesAndLabels) {
    CDisplay chart;
    const float x[] = {0, 1};
    const float y[] = {0, 1};
    EXPECT_EQ(chart.AddGraph(x, y, false, 2, QStringLiteral("a")), 1);
    EXPECT_EQ(chart.AddGraph(x, y, false, 2, QStringLiteral("b")), 2);
    EXPECT_EQ(chart.AddGraph(x, y, false, 2, QStringLiteral("c")), 3);
    auto order = [&chart] {
        std::vector<int> ids;
        for (const SGraph& g : chart.GetGraphs()) {
            ids.push_back(g.nId);
        }
        return ids;
    };
    EXPECT_EQ(order(), (std::vector<int>{3, 2, 1}));  // the last added is drawn first
    chart.MoveGraphToEnd(2);
    EXPECT_EQ(order(), (std::vector<int>{3, 1, 2}));
    chart.MoveGraphToEnd(3);  // the head stays where it is
    EXPECT_EQ(order(), (std::vector<int>{3, 1, 2}));

    EXPECT_FALSE(chart.FindGraph(1)->bVisible);
    EXPECT_FALSE(chart.HideGraph(1));
    EXPECT_TRUE(chart.ShowGraph(1));
    EXPECT_FALSE(chart.ShowGraph(1));
    EXPECT_FALSE(chart.ShowGraph(9));
    EXPECT_FALSE(chart.SetMarkerGraph(9));
    EXPECT_TRUE(chart.SetGraphData(x, y, true, 1, 1));
    EXPECT_EQ(chart.FindGraph(1)->points.size(), 1u);

    chart.SetXRange(0.0f, 100.0f);
    chart.SetYRange(0.0f, 10.0f);
    chart.AddLine(7, -5.0f, 150.0f, 4.0f, 12.0f, RGB(255, 0, 0), 1);
    const SLine* line = chart.FindLine(7);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->fX1, 0.0f);
    EXPECT_EQ(line->fX2, 100.0f);
    EXPECT_EQ(line->fY1, 4.0f);
    EXPECT_EQ(line->fY2, 10.0f);
    EXPECT_TRUE(chart.SetLine(7, -1.0f, 1.0f, 20.0f, 30.0f));  // not clipped
    EXPECT_EQ(chart.FindLine(7)->fY2, 30.0f);
    EXPECT_TRUE(chart.MoveLine(7, 2.0f, -3.0f));
    EXPECT_EQ(chart.FindLine(7)->fX1, 1.0f);
    EXPECT_EQ(chart.FindLine(7)->fY1, 17.0f);
    EXPECT_FALSE(chart.MoveLine(8, 1.0f, 1.0f));
    EXPECT_TRUE(chart.RemoveLine(7));
    EXPECT_FALSE(chart.RemoveLine(7));

    EXPECT_TRUE(chart.AddGraphLabel(1, 5.0f, QStringLiteral("A")));
    EXPECT_TRUE(chart.AddGraphLabel(1, 6.0f, QStringLiteral("B")));
    EXPECT_TRUE(chart.AddGraphLabel(1, 7.0f, QStringLiteral("A")));
    EXPECT_TRUE(chart.RemoveGraphLabel(1, QStringLiteral("A")));
    ASSERT_EQ(chart.FindGraph(1)->labels.size(), 2u);
    EXPECT_EQ(chart.FindGraph(1)->labels[1].fX, 7.0f);  // the first "A" went
    EXPECT_FALSE(chart.AddGraphLabel(5, 1.0f, QStringLiteral("C")));
}

TEST(Display, ContextMenuCommands) {
    CDisplay chart;
    EXPECT_EQ(MenuState(chart.GetVisibleGraphsMenu()), Items{"<No Lines> [ ] grayed"});
    EXPECT_EQ(chart.GetContextMenu().actions()[0]->text(), QStringLiteral("Visible Graphs"));
    EXPECT_EQ(chart.GetContextMenu().actions()[1]->text(), QStringLiteral("Marker"));
    const float x[] = {0, 1};
    chart.AddGraph(x, x, false, 2, QStringLiteral("MPX"));
    chart.AddGraph(x, x, false, 2, QStringLiteral("Level"));
    // Added graphs are invisible, yet their items show checked until toggled.
    EXPECT_EQ(MenuState(chart.GetVisibleGraphsMenu()), (Items{"MPX [x]", "Level [x]"}));
    EXPECT_EQ(MenuState(chart.GetMarkerMenu()), (Items{"MPX [ ]", "Level [ ]"}));

    chart.OnCommand(1001);  // hiding fails, so it shows
    EXPECT_TRUE(chart.FindGraph(1)->bVisible);
    chart.OnCommand(1001);
    EXPECT_FALSE(chart.FindGraph(1)->bVisible);
    EXPECT_EQ(MenuState(chart.GetVisibleGraphsMenu()), (Items{"MPX [ ]", "Level [x]"}));
    EXPECT_EQ(MenuState(chart.GetMarkerMenu()), (Items{"MPX [ ] grayed", "Level [ ]"}));
    chart.OnCommand(1001);
    chart.OnCommand(1002);

    chart.OnCommand(2002);  // marker on, following graph 2
    EXPECT_TRUE(chart.IsMarkerOn());
    EXPECT_EQ(chart.GetMarkerGraph(), 2);
    EXPECT_EQ(chart.GetGraphs().front().nId, 2);  // the head of the list is not moved
    EXPECT_EQ(MenuState(chart.GetMarkerMenu()), (Items{"MPX [ ]", "Level [x]"}));
    chart.OnCommand(2001);  // moves to graph 1
    EXPECT_EQ(chart.GetMarkerGraph(), 1);
    EXPECT_EQ(MenuState(chart.GetMarkerMenu()), (Items{"MPX [x]", "Level [ ]"}));
    chart.OnCommand(1001);  // hiding the followed graph unchecks its marker item
    EXPECT_EQ(MenuState(chart.GetMarkerMenu()), (Items{"MPX [ ] grayed", "Level [ ]"}));
    chart.OnCommand(1001);
    EXPECT_EQ(MenuState(chart.GetMarkerMenu()), (Items{"MPX [x]", "Level [ ]"}));
    chart.OnCommand(2001);  // the same graph again: marker off
    EXPECT_FALSE(chart.IsMarkerOn());
    EXPECT_EQ(MenuState(chart.GetMarkerMenu()), (Items{"MPX [ ]", "Level [ ]"}));
    chart.OnCommand(1011);  // no such graph, no change
    chart.OnCommand(2000);
    EXPECT_FALSE(chart.IsMarkerOn());
}

TEST(Display, CursorSnapsToDrawnPointsAndReadsOut) {
    CDisplay chart;
    chart.resize(592, 480);
    chart.SetXTitle(QStringLiteral("f"));
    chart.SetXUnit(QStringLiteral("kHz"));
    chart.SetYTitle(QStringLiteral("Level"));
    chart.SetYUnit(QStringLiteral("%"));
    const float x[] = {-10, 20, 40, 60, 120};
    const float y[] = {1, 2, 3, 1500, 5};
    chart.AddGraph(x, y, false, 5, QStringLiteral("g"));
    chart.OnCommand(1001);
    chart.OnCommand(2001);
    QImage image(592, 480, QImage::Format_RGB32);
    QPainter painter(&image);
    const QRect all(0, 0, 592, 480);
    chart.UpdateCursorPosition(0);
    chart.Render(&painter, all);
    const SGraph& g = *chart.FindGraph(1);
    EXPECT_EQ(g.nFirstDrawn, 1);
    EXPECT_EQ(g.nDrawn, 3);
    EXPECT_EQ(chart.GetCursorColumn(), chart.ValueToPoint(20, 2).x());
    chart.UpdateCursorPosition(chart.ValueToPoint(30, 0).x());
    chart.Render(&painter, all);
    EXPECT_EQ(chart.GetCursorColumn(), chart.ValueToPoint(40, 0).x());
    chart.UpdateCursorPosition(5000);
    chart.Render(&painter, all);
    EXPECT_EQ(chart.GetCursorColumn(), chart.ValueToPoint(60, 0).x());
    EXPECT_EQ(chart.ReadoutText(60, 1500), QStringLiteral("f: 60kHz\nLevel: 1.5k%"));
}

TEST(Display, DataArrivalsAndDocumentNotificationsRepaintOnce) {
    CCountingDisplay chart;
    chart.resize(400, 300);
    chart.show();
    ProcessEvents();
    ASSERT_GE(chart.nPaints, 1);
    EXPECT_EQ(chart.GetCursorColumn(), chart.GetGeometry().rcPlot.left);
    chart.nPaints = 0;
    for (int i = 0; i < 100; ++i) {
        chart.DrawData();
    }
    ProcessEvents();
    EXPECT_EQ(chart.nPaints, 1);

    CDocument document;
    document.AddView(&chart);
    document.UpdateAllViews(nullptr, 10);
    ProcessEvents();
    EXPECT_EQ(chart.nPaints, 2);
    document.RemoveView(&chart);
}

TEST(Display, LabelClicksReachTheHook) {
    CCountingDisplay chart;
    chart.resize(592, 480);
    const float x[] = {0, 50, 100};
    const float y[] = {10, 10, 10};
    chart.AddGraph(x, y, false, 3, QStringLiteral("g"));
    chart.ShowGraph(1);
    chart.AddGraphLabel(1, 50.0f, QStringLiteral("TP"));
    QImage image(592, 480, QImage::Format_RGB32);
    QPainter painter(&image);
    chart.Render(&painter, QRect(0, 0, 592, 480));
    const SRect rc = chart.FindGraph(1)->labels[0].rcLast;
    const QPoint point = chart.ValueToPoint(50, 10);
    EXPECT_EQ(rc.left, point.x() - 7);
    EXPECT_EQ(rc.bottom, point.y() - 12);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(rc.left + 2, rc.top + 2),
                        QPointF(rc.left + 2, rc.top + 2), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&chart, &release);
    EXPECT_EQ(chart.strClicked, QStringLiteral("TP"));
}

TEST(Display, DrawingFailuresAreReportedWithTheirContext) {
    CRecordingPrompt prompt;
    CDisplay chart;
    chart.SetPrompt(&prompt);
    const QRect all(0, 0, 300, 200);
    chart.Render(nullptr, all);  // no graph: the background alone
    ProcessEvents();
    ASSERT_EQ(prompt.m_boxes.size(), 1u);
    EXPECT_EQ(prompt.m_boxes[0].style, MB_ICONSTOP);
    EXPECT_EQ(prompt.m_boxes[0].text,
              "CMemDCException: There was a null pointer exception in the constructor of "
              "CMemDC.\npDC == NULL"
              "in CDisplay::DrawBackground()\n");
    const float x[] = {0, 1};
    chart.AddGraph(x, x, false, 2, QStringLiteral("g"));
    chart.Render(nullptr, all);
    chart.Render(nullptr, all);  // one box waits at a time
    ProcessEvents();
    ASSERT_EQ(prompt.m_boxes.size(), 2u);
    EXPECT_NE(prompt.m_boxes[1].text.find("pDC == NULLin CDisplay::DrawData()\n"),
              std::string::npos);
    chart.SetMarker(true);
    chart.Render(nullptr, all);
    ProcessEvents();
    ASSERT_EQ(prompt.m_boxes.size(), 3u);
    EXPECT_EQ(prompt.m_boxes[2].style, MB_OK);
    EXPECT_EQ(prompt.m_boxes[2].text,
              "pDC == NULL\nCaught CMemDCException in CDeviationDisplay::UpdateCursorPosition");
}

TEST(MemDC, NullTargetOffscreenCopyAndDirectPrinting) {
    EXPECT_EQ(test::Thrown<CMemDCException>([] { CMemDC dc(nullptr); }), "pDC == NULL [sub 1]");
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter target(&image);
        target.setBackground(Qt::black);
        CMemDC dc(&target, QRect(10, 10, 20, 10));
        EXPECT_TRUE(dc.IsMemDC());
        dc->fillRect(QRect(12, 12, 2, 2), Qt::red);              // target coordinates
        EXPECT_EQ(image.pixelColor(12, 12), QColor(Qt::white));  // nothing shown yet
    }
    EXPECT_EQ(image.pixelColor(12, 12), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(20, 15), QColor(Qt::black));  // filled with the background
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::white));    // outside the rectangle

    QTemporaryDir folder;
    QPdfWriter pdf(folder.filePath(QStringLiteral("chart.pdf")));
    QPainter printer(&pdf);
    CMemDC direct(&printer, QRect(0, 0, 100, 100));
    EXPECT_FALSE(direct.IsMemDC());
    EXPECT_EQ(&direct.Painter(), &printer);
}

TEST(ChartFonts, ArialFallsBackToLiberationSansThenSystemSans) {
    const QString arial = ResolveFontFamily(QStringLiteral("Arial"));
    if (!QFontDatabase::hasFamily(QStringLiteral("Arial")) &&
        QFontDatabase::hasFamily(QStringLiteral("Liberation Sans"))) {
        EXPECT_EQ(arial, QStringLiteral("Liberation Sans"));
    }
    const QString unknown = ResolveFontFamily(QStringLiteral("No Such Face 123"));
    EXPECT_FALSE(unknown.isEmpty());
    EXPECT_NE(unknown, QStringLiteral("No Such Face 123"));
    const QFont title = MakeChartFont(QStringLiteral("Arial"), 16, 600);
    EXPECT_EQ(title.pixelSize(), 16);
    EXPECT_EQ(title.weight(), QFont::DemiBold);
}

}  // namespace
}  // namespace tavik
