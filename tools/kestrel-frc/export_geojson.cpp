// GeoJSON: a FeatureCollection with one LineString per track ([longitude, latitude,
// altitude in metres]) and the track's number, title and UTC times as properties.
#include <nlohmann/json.hpp>

#include "tools/kestrel-frc/export.h"
#include "tools/kestrel-frc/textformat.h"

std::string ExportGeoJson(const frc::Recording& recording, const std::vector<size_t>& tracks, Progress* progress) {
    nlohmann::ordered_json features = nlohmann::ordered_json::array();
    size_t done = 0;
    for (size_t index : tracks) {
        const frc::Track& track = recording.tracks[index];
        nlohmann::ordered_json coordinates = nlohmann::ordered_json::array();
        nlohmann::ordered_json times = nlohmann::ordered_json::array();
        for (const FullSample& sample : track.samples) {
            Fix fix = FixOf(sample);
            coordinates.push_back(
                {RoundedTo(fix.longitude, 9), RoundedTo(fix.latitude, 9), RoundedTo(fix.altitude, 3)});
            times.push_back(FormatUtc(recording.header.date, fix.time, 3));
            ShowProgress(progress, ++done);
        }
        nlohmann::ordered_json feature;
        feature["type"] = "Feature";
        feature["properties"]["track"] = index + 1;
        feature["properties"]["title"] = TitleText(track.header.title);
        feature["properties"]["start"] = times.empty() ? nlohmann::ordered_json() : times.front();
        feature["properties"]["end"] = times.empty() ? nlohmann::ordered_json() : times.back();
        feature["properties"]["times"] = times;
        feature["geometry"]["type"] = "LineString";
        feature["geometry"]["coordinates"] = coordinates;
        features.push_back(feature);
    }
    nlohmann::ordered_json collection;
    collection["type"] = "FeatureCollection";
    collection["features"] = features;
    return collection.dump(1) + "\n";
}
