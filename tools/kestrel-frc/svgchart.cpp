// Charts and the ground-track map as SVG text. Coordinates are written with one
// decimal through FormatFixed, so the same flight gives the same bytes everywhere.
#include "tools/kestrel-frc/svgchart.h"

#include <algorithm>
#include <cmath>

#include "tools/kestrel-frc/geo.h"
#include "tools/kestrel-frc/textformat.h"

std::string EscapeXml(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

std::vector<ChartPoint> ThinForDrawing(const std::vector<ChartPoint>& points, size_t buckets) {
    std::vector<ChartPoint> finite;
    for (const ChartPoint& p : points)
        if (std::isfinite(p.x) && std::isfinite(p.y)) finite.push_back(p);
    if (buckets == 0 || finite.size() <= 4 * buckets) return finite;
    const double low = finite.front().x, width = (finite.back().x - low) / buckets;
    std::vector<ChartPoint> kept;
    size_t i = 0;
    while (i < finite.size()) {
        // One bucket: the points up to its right edge (the last bucket takes the rest).
        size_t bucket = width > 0 ? std::min(buckets - 1, (size_t)((finite[i].x - low) / width)) : buckets - 1;
        size_t end = i + 1;
        while (end < finite.size() &&
               (width <= 0 || std::min(buckets - 1, (size_t)((finite[end].x - low) / width)) == bucket))
            ++end;
        size_t lowest = i, highest = i;
        for (size_t k = i; k < end; ++k) {
            if (finite[k].y < finite[lowest].y) lowest = k;
            if (finite[k].y > finite[highest].y) highest = k;
        }
        size_t picks[4] = {i, std::min(lowest, highest), std::max(lowest, highest), end - 1};
        for (int k = 0; k < 4; ++k)
            if (k == 0 || picks[k] != picks[k - 1]) kept.push_back(finite[picks[k]]);
        i = end;
    }
    return kept;
}

std::vector<double> NiceTicks(double low, double high, int most) {
    if (!std::isfinite(high - low)) low = 0, high = 1;
    // One value (or values apart by rounding only): a small range around it.
    if (!(high - low > 1e-6 * std::max(1.0, std::fabs(high)))) {
        double pad = std::max(1.0, std::fabs(low) * 0.1);
        low -= pad;
        high += pad;
    }
    double rough = (high - low) / std::max(1, most);
    double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    double step = magnitude * 10;
    for (double factor : {1.0, 2.0, 5.0}) {
        if (rough <= factor * magnitude) {
            step = factor * magnitude;
            break;
        }
    }
    std::vector<double> ticks;
    double first = std::floor(low / step);
    long count = (long)(std::ceil(high / step) - first);
    for (long k = 0; k <= count; ++k) ticks.push_back((first + k) * step);
    return ticks;
}

std::vector<double> TimeTicks(double low, double high, int most) {
    static const double Steps[] = {1,    2,    5,    10,   15,    30,    60,    120,   300,
                                   600,  900,  1800, 3600, 7200,  10800, 21600, 43200, 86400};
    double step = Steps[sizeof Steps / sizeof Steps[0] - 1];
    for (double candidate : Steps) {
        if ((high - low) / candidate <= most) {
            step = candidate;
            break;
        }
    }
    if ((high - low) / step > most) step = std::ceil((high - low) / most / 86400) * 86400;  // whole days
    std::vector<double> ticks;
    if (!std::isfinite(high - low)) return ticks;
    double first = std::ceil(low / step);
    long count = (long)std::floor(high / step - first);
    for (long k = 0; k <= count; ++k) ticks.push_back((first + k) * step);
    return ticks;
}

std::string ClockText(double seconds) {
    std::string sign = seconds < 0 ? "-" : "";
    double tenths = std::round(std::fabs(seconds) * 10);
    long long whole = (long long)(tenths / 10);
    auto two = [](long long n) { return std::string(n < 10 ? "0" : "") + std::to_string(n); };
    std::string text = sign + std::to_string(whole / 3600) + ":" + two(whole / 60 % 60) + ":" + two(whole % 60);
    long long fraction = (long long)tenths % 10;
    if (fraction) text += "." + std::to_string(fraction);
    return text;
}

namespace {

std::string Num(double value) { return FormatFixed(value, 1); }

// A tick label with as many decimals as the step needs.
std::string TickText(double value, double step) {
    int decimals = step >= 1 ? 0 : (int)std::ceil(-std::log10(step) - 1e-9);
    return FormatFixed(value, decimals);
}

const int ChartWidth = 860, ChartHeight = 210;
const int PlotLeft = 70, PlotRight = ChartWidth - 16, PlotTop = 30, PlotBottom = ChartHeight - 34;

}  // namespace

std::string DrawChart(const Chart& chart) {
    std::vector<ChartPoint> points = ThinForDrawing(chart.points, PlotRight - PlotLeft);
    double yLow = HUGE_VAL, yHigh = -HUGE_VAL;
    for (const ChartPoint& p : points) {
        yLow = std::min(yLow, p.y);
        yHigh = std::max(yHigh, p.y);
    }
    if (points.empty()) yLow = yHigh = 0;
    std::vector<double> yTicks = NiceTicks(yLow, yHigh, 5);
    const double yStep = yTicks.size() > 1 ? yTicks[1] - yTicks[0] : 1;
    const double y0 = yTicks.front(), y1 = yTicks.back();
    const double x0 = chart.xLow, x1 = chart.xHigh > chart.xLow ? chart.xHigh : chart.xLow + 1;
    auto px = [&](double x) { return PlotLeft + (x - x0) / (x1 - x0) * (PlotRight - PlotLeft); };
    auto py = [&](double y) { return PlotBottom - (y - y0) / (y1 - y0) * (PlotBottom - PlotTop); };

    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"chart\" viewBox=\"0 0 " +
                      std::to_string(ChartWidth) + " " + std::to_string(ChartHeight) + "\" role=\"img\" aria-label=\"" +
                      EscapeXml(chart.title) + "\">\n";
    svg += "<text class=\"title\" x=\"" + std::to_string(PlotLeft) + "\" y=\"18\">" + EscapeXml(chart.title) + "</text>\n";
    // Grid and value labels.
    for (double tick : yTicks) {
        std::string y = Num(py(tick));
        svg += "<line class=\"grid" + std::string(tick == 0 ? " zero" : "") + "\" x1=\"" + std::to_string(PlotLeft) +
               "\" x2=\"" + std::to_string(PlotRight) + "\" y1=\"" + y + "\" y2=\"" + y + "\"/>";
        svg += "<text class=\"tick\" text-anchor=\"end\" x=\"" + std::to_string(PlotLeft - 6) + "\" y=\"" +
               Num(py(tick) + 4) + "\">" + TickText(tick, yStep) + "</text>\n";
    }
    for (double tick : TimeTicks(x0, x1, 8)) {
        std::string x = Num(px(tick));
        svg += "<line class=\"grid\" x1=\"" + x + "\" x2=\"" + x + "\" y1=\"" + std::to_string(PlotTop) + "\" y2=\"" +
               std::to_string(PlotBottom) + "\"/>";
        svg += "<text class=\"tick\" text-anchor=\"middle\" x=\"" + x + "\" y=\"" + std::to_string(PlotBottom + 16) +
               "\">" + ClockText(tick) + "</text>\n";
    }
    svg += "<rect class=\"frame\" x=\"" + std::to_string(PlotLeft) + "\" y=\"" + std::to_string(PlotTop) +
           "\" width=\"" + std::to_string(PlotRight - PlotLeft) + "\" height=\"" + std::to_string(PlotBottom - PlotTop) +
           "\"/>\n";
    svg += "<text class=\"axis\" text-anchor=\"end\" x=\"" + std::to_string(PlotRight) + "\" y=\"" +
           std::to_string(ChartHeight - 4) + "\">time in the recording (h:mm:ss)</text>\n";
    // The moments, then the line over them.
    for (const ChartMark& mark : chart.marks) {
        if (mark.x < x0 || mark.x > x1) continue;
        std::string x = Num(px(mark.x));
        svg += "<line class=\"mark\" x1=\"" + x + "\" x2=\"" + x + "\" y1=\"" + std::to_string(PlotTop) + "\" y2=\"" +
               std::to_string(PlotBottom) + "\"/><text class=\"mark\" text-anchor=\"middle\" x=\"" + x + "\" y=\"" +
               std::to_string(PlotTop - 4) + "\">" + EscapeXml(mark.label) + "</text>\n";
    }
    if (!points.empty()) {
        svg += "<polyline class=\"line\" stroke=\"" + EscapeXml(chart.color) + "\" points=\"";
        for (size_t i = 0; i < points.size(); ++i) {
            if (i) svg += ' ';
            svg += Num(px(points[i].x)) + "," + Num(py(points[i].y));
        }
        svg += "\"/>\n";
    }
    svg += "</svg>\n";
    return svg;
}

namespace {

const int MapWidth = 860, MapPlotHeight = 500, MapMargin = 24, LegendRow = 20;

// Longitudes unwrapped around a reference, so a flight across the date line stays whole.
double Unwrapped(double longitude, double reference) { return reference + AngleDifference(reference, longitude); }

}  // namespace

std::string DrawMap(const std::vector<MapTrack>& tracks) {
    // The projection: metres east and north of the middle of the flight, east shrunk by
    // the cosine of the middle latitude.
    double reference = 0;
    bool any = false;
    double west = HUGE_VAL, east = -HUGE_VAL, south = HUGE_VAL, north = -HUGE_VAL;
    for (const MapTrack& track : tracks) {
        for (const ChartPoint& p : track.positions) {
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.y) > 90) continue;
            if (!any) reference = p.x;
            any = true;
            double lon = Unwrapped(p.x, reference);
            west = std::min(west, lon);
            east = std::max(east, lon);
            south = std::min(south, p.y);
            north = std::max(north, p.y);
        }
    }
    if (!any) west = east = south = north = 0;
    const double midLat = (south + north) / 2, midLon = (west + east) / 2;
    const double metresPerDegree = EarthRadiusMeters * 3.14159265358979323846 / 180;
    const double cosLat = std::max(0.01, std::cos(midLat * 3.14159265358979323846 / 180));
    auto eastOf = [&](double lon) { return (Unwrapped(lon, midLon) - midLon) * metresPerDegree * cosLat; };
    auto northOf = [&](double lat) { return (lat - midLat) * metresPerDegree; };
    // The scale that fits the whole flight (at least a kilometre across) into the plot.
    double spanEast = std::max(1000.0, (east - west) * metresPerDegree * cosLat);
    double spanNorth = std::max(1000.0, (north - south) * metresPerDegree);
    const double plotW = MapWidth - 2 * MapMargin, plotH = MapPlotHeight - 2 * MapMargin;
    const double scale = std::min(plotW / spanEast, plotH / spanNorth);  // pixels per metre
    auto px = [&](double lon) { return MapWidth / 2.0 + eastOf(lon) * scale; };
    auto py = [&](double lat) { return MapPlotHeight / 2.0 - northOf(lat) * scale; };

    const int height = MapPlotHeight + LegendRow * (int)tracks.size() + 10;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"map\" viewBox=\"0 0 " +
                      std::to_string(MapWidth) + " " + std::to_string(height) +
                      "\" role=\"img\" aria-label=\"Ground track map\">\n";
    svg += "<rect class=\"ground\" x=\"0\" y=\"0\" width=\"" + std::to_string(MapWidth) + "\" height=\"" +
           std::to_string(MapPlotHeight) + "\"/>\n";
    // The user's aircraft (the first track) is drawn last, on top of the traffic.
    for (size_t t = tracks.size(); t-- > 0;) {
        const MapTrack& track = tracks[t];
        std::string line;
        double lastX = 0, lastY = 0;
        size_t kept = 0;
        for (size_t i = 0; i < track.positions.size(); ++i) {
            const ChartPoint& p = track.positions[i];
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.y) > 90) continue;
            double x = px(p.x), y = py(p.y);
            // Points closer than half a pixel to the last one drawn add nothing.
            if (kept && i + 1 < track.positions.size() && std::hypot(x - lastX, y - lastY) < 0.5) continue;
            line += (kept++ ? " " : "") + Num(x) + "," + Num(y);
            lastX = x;
            lastY = y;
        }
        if (kept == 0) continue;
        svg += "<polyline class=\"track\" stroke=\"" + EscapeXml(track.color) + "\" points=\"" + line + "\"/>\n";
        const ChartPoint& start = track.positions.front();
        svg += "<circle class=\"start\" fill=\"" + EscapeXml(track.color) + "\" cx=\"" + Num(px(start.x)) + "\" cy=\"" +
               Num(py(start.y)) + "\" r=\"4\"/>\n";
        for (const ChartPoint& p : track.touchdowns)
            svg += "<circle class=\"touchdown\" stroke=\"" + EscapeXml(track.color) + "\" cx=\"" + Num(px(p.x)) +
                   "\" cy=\"" + Num(py(p.y)) + "\" r=\"6\"/>\n";
    }
    // North arrow, top right.
    const int nx = MapWidth - 40, ny = 28;
    svg += "<g class=\"north\"><path d=\"M" + std::to_string(nx) + "," + std::to_string(ny) + " l9,26 l-9,-7 l-9,7 z\"/>" +
           "<text text-anchor=\"middle\" x=\"" + std::to_string(nx) + "\" y=\"" + std::to_string(ny + 42) +
           "\">N</text></g>\n";
    // Scale bar, bottom left: the longest round distance in nautical miles that fits a
    // quarter of the width.
    double most = plotW / 4 / scale / MetersPerNauticalMile;
    double bar = std::pow(10.0, std::floor(std::log10(most)));
    for (double factor : {5.0, 2.0}) {
        if (bar * factor <= most) {
            bar *= factor;
            break;
        }
    }
    double barPixels = bar * MetersPerNauticalMile * scale;
    const int bx = MapMargin, by = MapPlotHeight - 20;
    svg += "<g class=\"scale\"><rect x=\"" + std::to_string(bx) + "\" y=\"" + std::to_string(by) + "\" width=\"" +
           Num(barPixels) + "\" height=\"6\"/><text x=\"" + std::to_string(bx) + "\" y=\"" + std::to_string(by - 6) +
           "\">" + FormatShortest(bar) + " NM (" + FormatFixed(bar * MetersPerNauticalMile / 1000, 1) +
           " km)</text></g>\n";
    // Legend below the map, in the tracks' order.
    for (size_t t = 0; t < tracks.size(); ++t) {
        int y = MapPlotHeight + 8 + LegendRow * (int)t;
        svg += "<rect x=\"" + std::to_string(MapMargin) + "\" y=\"" + std::to_string(y + 4) +
               "\" width=\"18\" height=\"6\" fill=\"" + EscapeXml(tracks[t].color) + "\"/><text class=\"legend\" x=\"" +
               std::to_string(MapMargin + 26) + "\" y=\"" + std::to_string(y + 12) + "\">" +
               EscapeXml(tracks[t].name) + "</text>\n";
    }
    svg += "</svg>\n";
    return svg;
}
