// CSV (RFC 4180, CRLF lines): a header row, then a row per sample of every chosen
// track. The sample columns are those of every group any chosen track records; a track
// without a group leaves its cells empty. Values as csvformat.h writes them, exactly.
#include "tools/kestrel-frc/csvformat.h"
#include "tools/kestrel-frc/export.h"
#include "tools/kestrel-frc/textformat.h"

std::string ExportCsv(const frc::Recording& recording, const std::vector<size_t>& tracks, Progress* progress) {
    uint32_t groups = 0;
    for (size_t index : tracks) groups |= recording.tracks[index].header.groups;
    std::vector<CsvColumn> columns = CsvColumnsFor(groups);
    std::string text;
    for (const char* name : CsvLeadingColumns) text += std::string(name) + ",";
    for (const CsvColumn& column : columns) text += std::string(column.name) + ",";
    text.back() = '\r';
    text += '\n';
    size_t done = 0;
    for (size_t index : tracks) {
        const frc::Track& track = recording.tracks[index];
        std::string lead = std::to_string(index + 1) + "," + CsvQuote(track.header.title) + ",";
        for (const FullSample& sample : track.samples) {
            uint32_t time = GetSampleU32(&sample, FieldTime);
            text += lead + FormatSeconds(time) + "," + FormatUtc(recording.header.date, time, 4);
            for (const CsvColumn& column : columns) {
                text += ',';
                if (column.group == 0 || (track.header.groups & column.group) != 0)
                    text += FormatCsvValue(sample, column);
            }
            text += "\r\n";
            ShowProgress(progress, ++done);
        }
    }
    return text;
}
