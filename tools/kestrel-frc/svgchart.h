// The report's pictures as inline SVG text: line charts over the recording's time with
// readable ticks and marked moments, a map of ground tracks (equirectangular around
// the flight, with scale bar and north arrow), and the thinning that keeps a large
// recording drawable without losing its peaks. Pure functions; every text is escaped.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Text for XML and HTML: & < > " ' replaced by their references.
std::string EscapeXml(const std::string& text);

struct ChartPoint {
    double x, y;
};

// At most four points per bucket of equal x width (the first, the lowest, the highest
// and the last, in x order), so a line drawn at one bucket per pixel looks the same
// and keeps every peak. Points must be in x order; non-finite values are dropped.
std::vector<ChartPoint> ThinForDrawing(const std::vector<ChartPoint>& points, size_t buckets);

// Ticks for an axis over [low, high]: steps of 1, 2 or 5 times a power of ten, the
// first at or below low and the last at or above high, at most about `most` steps.
std::vector<double> NiceTicks(double low, double high, int most);
// Ticks of a time axis in seconds inside [low, high]: steps of whole seconds, minutes
// or hours that a clock shows (1, 2, 5, 10, 15, 30 s; 1, 2, 5, 10, 15, 30 min; 1, 2,
// 3, 6, 12 h), at most about `most` of them.
std::vector<double> TimeTicks(double low, double high, int most);
// "1:05:00": seconds as hours, minutes and seconds (tenths when not whole).
std::string ClockText(double seconds);

struct ChartMark {
    double x;
    std::string label;  // a few characters above the line: "L1"
};

struct Chart {
    std::string title;               // "Altitude (ft)": what and in which unit
    std::string color;               // of the line, "#0072b2"
    std::vector<ChartPoint> points;  // x in seconds of the recording
    double xLow = 0, xHigh = 0;      // the time axis
    std::vector<ChartMark> marks;
};
// A chart as an <svg> element, the lines thinned to its width.
std::string DrawChart(const Chart& chart);

struct MapTrack {
    std::string name;                     // shown in the legend
    std::string color;
    std::vector<ChartPoint> positions;    // x longitude, y latitude, degrees
    std::vector<ChartPoint> touchdowns;   // marked with a ring
};
// The tracks on one map as an <svg> element; the legend lists them in the given order.
std::string DrawMap(const std::vector<MapTrack>& tracks);
