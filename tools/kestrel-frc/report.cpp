// The report command: one self-contained HTML page of a recording (inline SVG and CSS,
// no scripts, nothing fetched, so it opens offline): a map of every track, then per
// track its summary, take-offs and landings, and charts of altitude, ground speed and
// vertical speed with the touchdowns marked. The page is well-formed XML as well.
#include <algorithm>
#include <cmath>
#include <memory>

#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/frcfiles.h"
#include "tools/kestrel-frc/geo.h"
#include "tools/kestrel-frc/landings.h"
#include "tools/kestrel-frc/svgchart.h"
#include "tools/kestrel-frc/textformat.h"

namespace {

// Told apart by people with every kind of colour vision (Okabe and Ito's set).
const char* const TrackColors[] = {"#0072b2", "#d55e00", "#009e73", "#cc79a7", "#e69f00", "#56b4e9", "#000000"};

const char* const Style = R"(
body { font-family: system-ui, -apple-system, "Segoe UI", Roboto, "DejaVu Sans", sans-serif; margin: 0 auto;
       max-width: 920px; padding: 16px 20px 40px; color: #1d2733; background: #fff; }
h1 { font-size: 1.6em; margin: 0.2em 0; }
h2 { font-size: 1.25em; margin: 1.6em 0 0.4em; border-bottom: 2px solid #d6dde5; padding-bottom: 4px; }
h3 { font-size: 1em; margin: 1.2em 0 0.4em; color: #44505c; }
p.meta { color: #56616d; margin: 0 0 1em; }
.swatch { display: inline-block; width: 14px; height: 14px; border-radius: 3px; vertical-align: -2px; margin-right: 6px; }
table { border-collapse: collapse; font-size: 0.92em; margin: 0.3em 0; }
th, td { padding: 3px 10px 3px 0; text-align: left; vertical-align: top; }
table.events th { border-bottom: 1px solid #c3ccd6; }
table.events td { border-bottom: 1px solid #eef1f4; white-space: nowrap; }
table.events td.wrap { white-space: normal; }
td.num, th.num { text-align: right; font-variant-numeric: tabular-nums; }
table.summary th { color: #56616d; font-weight: normal; padding-right: 18px; }
svg { display: block; width: 100%; height: auto; margin: 6px 0; }
svg text { font-family: inherit; font-size: 12px; fill: #3a4550; }
svg text.title { font-size: 13px; font-weight: bold; fill: #1d2733; }
svg .grid { stroke: #e4e8ed; stroke-width: 1; }
svg .grid.zero { stroke: #9aa5b1; }
svg .frame { fill: none; stroke: #b8c2cc; }
svg .line { fill: none; stroke-width: 1.6; stroke-linejoin: round; }
svg line.mark { stroke: #c0392b; stroke-dasharray: 4 3; }
svg text.mark { fill: #c0392b; font-weight: bold; }
svg .ground { fill: #f3f6f2; }
svg .track { fill: none; stroke-width: 2; stroke-linejoin: round; stroke-linecap: round; }
svg .touchdown { fill: #fff; stroke-width: 2.5; }
svg .north path { fill: #1d2733; }
svg .north text { font-weight: bold; font-size: 14px; }
svg .scale rect { fill: #1d2733; }
footer { margin-top: 3em; color: #8a949e; font-size: 0.85em; }
)";

std::string Cell(const std::string& text, const char* cssClass = nullptr) {
    return std::string(cssClass ? "<td class=\"" + std::string(cssClass) + "\">" : "<td>") + EscapeXml(text) + "</td>";
}

std::string TrackName(const frc::Track& track, size_t index) {
    std::string title = TitleText(track.header.title);
    if (title.empty()) title = "untitled";
    return std::to_string(index + 1) + " " + title + (index == 0 ? " (user aircraft)" : " (traffic)");
}

std::string Signed(double value, int decimals) {
    std::string text = FormatFixed(value, decimals);
    return value > 0 && text.find_first_not_of("0.") != std::string::npos ? "+" + text : text;
}

std::string SummaryTable(const frc::Recording& recording, const frc::Track& track) {
    const uint32_t date = recording.header.date;
    TrackFigures figures = MeasureTrack(track);
    double span = track.samples.empty() ? 0 : SampleSeconds(track).back() - SampleSeconds(track).front();
    std::string html = "<table class=\"summary\">\n";
    auto row = [&](const char* name, const std::string& value) {
        html += "<tr><th>" + std::string(name) + "</th>" + Cell(value) + "</tr>\n";
    };
    row("Title", TitleText(track.header.title));
    if (!track.samples.empty()) {
        // "2024-06-20 12:00:02 to 12:14:01 UTC (0:13:59.8)", the end's date only when it differs.
        std::string from = FormatUtc(date, figures.startTime, 0), to = FormatUtc(date, figures.endTime, 0);
        row("Span", from.substr(0, 10) + " " + from.substr(11, 8) + " to " +
                        (to.compare(0, 10, from, 0, 10) == 0 ? "" : to.substr(0, 10) + " ") + to.substr(11, 8) +
                        " UTC (" + ClockText(span) + ")");
        row("Distance", FormatFixed(figures.distance / MetersPerNauticalMile, 1) + " NM (" +
                            FormatFixed(figures.distance / 1000, 1) + " km)");
        row("Highest altitude", FormatFixed(figures.highest / MetersPerFoot, 0) + " ft (" +
                                    FormatFixed(figures.highest, 0) + " m)");
        row("Top ground speed", FormatFixed(figures.topGroundSpeed, 0) + " kt");
    }
    row("Samples", std::to_string(track.samples.size()) + ", every " + std::to_string(track.header.interval) + " ms");
    return html + "</table>\n";
}

std::string EventsTable(const frc::Recording& recording, const FlightEvents& events) {
    const uint32_t date = recording.header.date;
    if (events.takeOffs.empty() && events.landings.empty()) return "<p>No take-off or landing.</p>\n";
    std::string html =
        "<table class=\"events\">\n<tr><th></th><th>Time</th><th>UTC</th><th>Position</th>"
        "<th class=\"num\">Vertical speed</th><th class=\"num\">Ground speed</th><th class=\"num\">Pitch</th>"
        "<th class=\"num\">Bank</th><th>Bounces</th><th class=\"num\">Roll-out</th></tr>\n";
    for (EventRef ref : InTimeOrder(events)) {
        const std::string number = std::to_string(ref.index + 1);
        if (!ref.landing) {
            const TakeOff& e = events.takeOffs[ref.index];
            html += "<tr>" + Cell("T" + number + " take-off") + Cell(ClockText(e.seconds)) +
                    Cell(FormatUtc(date, e.time, 0).substr(11)) +
                    Cell(FormatFixed(e.latitude, 5) + ", " + FormatFixed(e.longitude, 5)) + Cell("", "num") +
                    Cell(FormatFixed(e.groundSpeedKnots, 0) + " kt", "num") + Cell("", "num") + Cell("", "num") +
                    Cell("") + Cell("", "num") + "</tr>\n";
            continue;
        }
        const Landing& e = events.landings[ref.index];
        std::string bounces;
        for (const Bounce& b : e.bounces)
            bounces += (bounces.empty() ? "" : "; ") + FormatFixed(b.heightFeet, 1) + " ft, down at " +
                       FormatFixed(b.verticalSpeedFpm, 0) + " fpm";
        std::string rollout = e.rolloutMeters >= 0 ? FormatFixed(e.rolloutMeters, 0) + " m"
                                                   : e.touchAndGo ? "touch-and-go" : "";
        html += "<tr>" + Cell("L" + number + " landing") + Cell(ClockText(e.seconds)) +
                Cell(FormatUtc(date, e.time, 0).substr(11)) +
                Cell(FormatFixed(e.latitude, 5) + ", " + FormatFixed(e.longitude, 5)) +
                Cell(FormatFixed(e.verticalSpeedFpm, 0) + " fpm", "num") +
                Cell(FormatFixed(e.groundSpeedKnots, 0) + " kt", "num") + Cell(Signed(e.pitchDegrees, 1) + "°", "num") +
                Cell(Signed(e.bankDegrees, 1) + "°", "num") + Cell(bounces.empty() ? "none" : bounces, "wrap") +
                Cell(rollout, "num") + "</tr>\n";
    }
    return html + "</table>\n<p class=\"meta\">Vertical speed from the last sample before contact; pitch "
                  "nose up and bank right wing down positive; roll-out from the first contact until " +
           FormatFixed(TaxiSpeedKnots, 0) + " kt.</p>\n";
}

std::string TrackCharts(const frc::Track& track, const FlightEvents& events, const char* color, double start,
                        double end) {
    std::vector<double> seconds = SampleSeconds(track);
    Chart altitude, speed, climb;
    altitude.title = "Altitude (ft above sea level)";
    speed.title = "Ground speed (kt)";
    climb.title = "Vertical speed (ft/min)";
    for (Chart* chart : {&altitude, &speed, &climb}) {
        chart->color = color;
        chart->xLow = start;
        chart->xHigh = end;
        for (size_t i = 0; i < events.landings.size(); ++i)
            chart->marks.push_back({events.landings[i].seconds, "L" + std::to_string(i + 1)});
    }
    for (size_t i = 0; i < track.samples.size(); ++i) {
        const FullSample& s = track.samples[i];
        altitude.points.push_back({seconds[i], AltitudeFeet(s)});
        speed.points.push_back({seconds[i], GroundSpeedKnots(s)});
        climb.points.push_back({seconds[i], VerticalSpeedFpm(s)});
    }
    return DrawChart(altitude) + DrawChart(speed) + DrawChart(climb);
}

std::string ReportPage(const std::string& name, const frc::Recording& recording) {
    const uint32_t date = recording.header.date;
    // One time axis for every track: the span of the whole recording.
    double start = HUGE_VAL, end = -HUGE_VAL;
    std::vector<FlightEvents> events;
    std::vector<MapTrack> map;
    for (size_t i = 0; i < recording.tracks.size(); ++i) {
        const frc::Track& track = recording.tracks[i];
        events.push_back(FindFlightEvents(track));
        MapTrack m;
        m.name = TrackName(track, i);
        m.color = TrackColors[i % (sizeof TrackColors / sizeof TrackColors[0])];
        for (const FullSample& s : track.samples) m.positions.push_back({LongitudeOf(s), LatitudeOf(s)});
        for (const Landing& landing : events.back().landings) m.touchdowns.push_back({landing.longitude, landing.latitude});
        map.push_back(m);
        if (!track.samples.empty()) {
            std::vector<double> seconds = SampleSeconds(track);
            start = std::min(start, seconds.front());
            end = std::max(end, seconds.back());
        }
    }
    if (!(end >= start)) start = end = 0;

    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n<title>Flight report: " +
                       EscapeXml(name) + "</title>\n<style>" + Style + "</style>\n</head>\n<body>\n";
    html += "<h1>Flight report</h1>\n<p class=\"meta\">" + EscapeXml(name) + " · recorded " +
            EscapeXml(FormatUtc(date, 0, 0)) + " · " + std::to_string(recording.tracks.size()) +
            (recording.tracks.size() == 1 ? " track" : " tracks") + " · " + EscapeXml(ClockText(end - start)) +
            "</p>\n";
    html += "<h2>Ground track</h2>\n" + DrawMap(map);
    for (size_t i = 0; i < recording.tracks.size(); ++i) {
        const frc::Track& track = recording.tracks[i];
        html += "<section id=\"track-" + std::to_string(i + 1) + "\">\n<h2><span class=\"swatch\" style=\"background:" +
                map[i].color + "\"></span>Track " + EscapeXml(map[i].name) + "</h2>\n";
        html += SummaryTable(recording, track);
        html += "<h3>Take-offs and landings</h3>\n" + EventsTable(recording, events[i]);
        if (!track.samples.empty()) html += "<h3>Over time</h3>\n" + TrackCharts(track, events[i], map[i].color.c_str(), start, end);
        html += "</section>\n";
    }
    html += "<footer>Made by kestrel-frc " + EscapeXml(KESTREL_VERSION) + " from " + EscapeXml(name) +
            ".</footer>\n</body>\n</html>\n";
    return html;
}

}  // namespace

void AddReportCommand(CLI::App& app) {
    struct Options {
        std::string input, output;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "report", "Writes a flight report: one HTML page with a map of every track, and per track its summary, "
                  "take-offs and landings, and charts of altitude, ground speed and vertical speed");
    command->add_option("FILE", options->input, "the recording (.frc)")->required();
    command->add_option("-o,--output", options->output, "the page to write (.html)")->required();
    command->callback([options]() {
        frc::Recording recording = LoadRecording(options->input);
        std::string name = options->input.substr(options->input.find_last_of("/\\") + 1);
        WriteOutputFile(options->output, ReportPage(name, recording));
    });
}
