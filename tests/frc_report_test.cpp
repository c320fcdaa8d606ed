// The flight report: the page is well-formed XML with no script and nothing fetched, its
// texts escaped, a map and three charts per track, the landing's figures in its table;
// and the drawing helpers it rests on: thinning that keeps every peak, readable ticks.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "tests/support/frc_helpers.h"
#include "tools/kestrel-frc/svgchart.h"

namespace {

TEST(FrcReport, PageIsSelfContainedXmlWithEscapedTextsMapChartsAndTheLanding) {
    std::string folder = frctest::TempFolder("report");
    frctest::TrackSpec user;
    user.title = "Cub <&> \"Pilot's\"";
    user.points = frctest::Flight(47.0, 8.5, 120, 1000, 0);
    // The last 20 seconds on the ground, after a descent at 300 ft/min.
    for (size_t i = 90; i < 120; ++i) {
        user.points[i].velocityUp = i < 100 ? -5.0 : 0.0;
        user.points[i].onGround = i >= 100;
    }
    frctest::TrackSpec traffic;
    traffic.title = "Traffic";
    traffic.points = frctest::Flight(47.01, 8.5, 30, 1000, 0);
    std::string file = folder + "/flight.frc";
    frctest::WriteFile(file, frctest::RecordingBytes(frctest::Stamp(2026, 342, 14, 5, 9), {user, traffic}));

    frctest::Run run = frctest::RunFrc("report " + file + " -o " + folder + "/report.html");
    ASSERT_EQ(run.status, 0) << run.err;
    std::string html = frctest::ReadText(folder + "/report.html");
    pugi::xml_document page;
    pugi::xml_parse_result parsed = page.load_string(html.c_str());
    ASSERT_TRUE(parsed) << parsed.description() << " at " << parsed.offset;

    // Nothing runs and nothing is fetched: it opens offline.
    for (const char* outside : {"<script", "src=", "href=", "url(", "@import"})
        EXPECT_EQ(html.find(outside), std::string::npos) << outside;
    EXPECT_EQ(page.select_nodes("//svg").size(), 1u + 3u + 3u);  // the map, three charts per track
    // The title arrives as written, through escaping.
    EXPECT_STREQ(page.select_node("//section[@id='track-1']//table[@class='summary']//td").node().text().get(),
                 user.title.c_str());
    // Both tracks in the map's legend, the user's aircraft first.
    pugi::xpath_node_set legend = page.select_nodes("//svg[@class='map']/*[@class='legend']");
    ASSERT_EQ(legend.size(), 2u);
    EXPECT_EQ(std::string(legend[0].node().text().get()), "1 " + user.title + " (user aircraft)");
    EXPECT_EQ(std::string(legend[1].node().text().get()), "2 Traffic (traffic)");

    // The landing: touchdown at 1:40 with the sink rate of the sample before it.
    pugi::xpath_node_set rows = page.select_nodes("//section[@id='track-1']//table[@class='events']/tr");
    ASSERT_EQ(rows.size(), 3u);  // the heading, the take-off at once from the first sample, the landing
    pugi::xml_node cell = rows[2].node().first_child();
    EXPECT_STREQ(cell.text().get(), "L1 landing");
    EXPECT_STREQ(cell.next_sibling().text().get(), "0:01:40");
    EXPECT_STREQ(cell.next_sibling().next_sibling().next_sibling().next_sibling().text().get(), "-300 fpm");
    // The charts mark it.
    EXPECT_EQ(page.select_nodes("//section[@id='track-1']//svg/*[@class='mark']").size(), 2u * 3u);
}

TEST(FrcReport, ThinningKeepsPeaksAndTicksAreRound) {
    // 100000 samples of a gentle wave with one spike and one dip that last a sample.
    std::vector<ChartPoint> points;
    for (int i = 0; i < 100000; ++i) points.push_back({i * 0.25, 1000.0 + (i % 500)});
    points[31234].y = 9000;
    points[77777].y = -50;
    std::vector<ChartPoint> thin = ThinForDrawing(points, 800);
    EXPECT_LE(thin.size(), 4u * 800u);
    EXPECT_EQ(thin.front().x, 0.0);
    EXPECT_EQ(thin.back().x, points.back().x);
    double top = -1e9, bottom = 1e9;
    for (size_t i = 0; i < thin.size(); ++i) {
        top = std::max(top, thin[i].y);
        bottom = std::min(bottom, thin[i].y);
        if (i > 0) {
            EXPECT_LT(thin[i - 1].x, thin[i].x);  // still in time order
        }
    }
    EXPECT_EQ(top, 9000.0);
    EXPECT_EQ(bottom, -50.0);

    EXPECT_EQ(NiceTicks(1316.8, 2137.2, 5), (std::vector<double>{1200, 1400, 1600, 1800, 2000, 2200}));
    EXPECT_EQ(NiceTicks(-492.1, 0, 5), (std::vector<double>{-500, -400, -300, -200, -100, 0}));
    // A constant apart only by rounding: a small range around it, not endless ticks.
    std::vector<double> flat = NiceTicks(116.63066954643625, 116.63066954643627, 5);
    ASSERT_GE(flat.size(), 2u);
    EXPECT_LE(flat.size(), 8u);
    EXPECT_LT(flat.front(), 116.6);
    EXPECT_GT(flat.back(), 116.7);
    EXPECT_EQ(TimeTicks(0, 839.8, 8), (std::vector<double>{0, 120, 240, 360, 480, 600, 720}));
    EXPECT_EQ(TimeTicks(65, 100, 8), (std::vector<double>{65, 70, 75, 80, 85, 90, 95, 100}));
    EXPECT_EQ(ClockText(3725.5), "1:02:05.5");
    EXPECT_EQ(EscapeXml("<a href='x'>&\"</a>"), "&lt;a href=&#39;x&#39;&gt;&amp;&quot;&lt;/a&gt;");
}

}  // namespace
