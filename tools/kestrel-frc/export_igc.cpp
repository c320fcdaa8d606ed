// IGC: one aircraft per file. A and H records (the UTC date of the first fix, the
// aircraft's title as glider type), then one B record per whole UTC second, positions
// interpolated between the samples around it; CRLF line ends, as IGC readers expect.
#include <cmath>

#include "tools/kestrel-frc/export.h"
#include "tools/kestrel-frc/geo.h"
#include "tools/kestrel-frc/textformat.h"

static std::string Digits(int64_t value, int width) {
    std::string text = std::to_string(value < 0 ? -value : value);
    if ((int)text.size() < width - (value < 0 ? 1 : 0)) text.insert(0, width - (value < 0 ? 1 : 0) - text.size(), '0');
    return value < 0 ? "-" + text : text;
}

// DDMMmmm (degrees, minutes, thousandths of a minute) and the hemisphere letter.
static std::string Coordinate(double degrees, int degreeDigits, char positive, char negative) {
    int64_t thousandths = std::llround(std::fabs(degrees) * 60000.0);
    return Digits(thousandths / 60000, degreeDigits) + Digits(thousandths % 60000, 5) +
           (degrees < 0 ? negative : positive);
}

// IGC altitudes are five characters in metres, clamped to what they can hold.
static std::string Altitude(double meters) {
    int64_t whole = std::llround(meters);
    if (whole > 99999) whole = 99999;
    if (whole < -9999) whole = -9999;
    return Digits(whole, 5);
}

std::string ExportIgc(const frc::Recording& recording, size_t trackIndex, Progress* progress) {
    const frc::Track& track = recording.tracks[trackIndex];
    const uint32_t date = recording.header.date;
    // IGC headers are ASCII: one '?' for each other character (its UTF-8 lead byte).
    std::string title;
    for (char c : TitleText(track.header.title)) {
        if ((unsigned char)c < 0x80) title += c;
        else if (((unsigned char)c & 0xC0) != 0x80) title += '?';
    }
    std::string text = "AXKRFRC kestrel-frc " KESTREL_VERSION "\r\n";
    uint32_t firstTime = track.samples.empty() ? 0 : GetSampleU32(&track.samples.front(), FieldTime);
    UtcTime start = SplitUtc(date, firstTime + (10000 - firstTime % 10000) % 10000);
    text +=
        "HFDTEDATE:" + Digits(start.day_of_month, 2) + Digits(start.month, 2) + Digits(start.year % 100, 2) + ",01\r\n";
    text += "HFPLTPILOTINCHARGE:\r\n";
    text += "HFGTYGLIDERTYPE:" + title + "\r\n";
    text += "HFGIDGLIDERID:\r\n";
    text += "HFDTMGPSDATUM:WGS84\r\n";
    text += "HFFTYFRTYPE:Kestrel,kestrel-frc\r\n";
    // Each whole second from the first sample to the last, between the samples around it.
    size_t next = 0;
    for (uint64_t t = (uint64_t)firstTime + (10000 - firstTime % 10000) % 10000; !track.samples.empty(); t += 10000) {
        while (next < track.samples.size() && GetSampleU32(&track.samples[next], FieldTime) < t) ++next;
        if (next == track.samples.size()) break;
        Fix after = FixOf(track.samples[next]), before = next > 0 ? FixOf(track.samples[next - 1]) : after;
        double f = after.time == before.time ? 1.0 : (double)(t - before.time) / (after.time - before.time);
        double latitude = before.latitude + f * (after.latitude - before.latitude);
        double longitude = before.longitude + f * AngleDifference(before.longitude, after.longitude);
        if (longitude > 180) longitude -= 360;
        if (longitude < -180) longitude += 360;
        double altitude = before.altitude + f * (after.altitude - before.altitude);
        UtcTime when = SplitUtc(date, (uint32_t)t);
        text += "B" + Digits(when.hour, 2) + Digits(when.minute, 2) + Digits(when.second, 2) +
                Coordinate(latitude, 2, 'N', 'S') + Coordinate(longitude, 3, 'E', 'W') + "A" + Altitude(altitude) +
                Altitude(altitude) + "\r\n";
        ShowProgress(progress, next);
    }
    return text;
}
