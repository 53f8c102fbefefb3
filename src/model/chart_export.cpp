#include "model/chart_export.h"

#include "core/errors.h"

#include <cerrno>
#include <cstdio>

std::string ChartCsvLine(const TChartRecord& record) {
    char values[64];
    std::snprintf(values, sizeof values, ";%.3f;%.3f;%.3f", record.Values[0], record.Values[1],
                  record.Values[2]);
    return ChartExportTimeText(record.Time) + values;
}

void ExportChartCsv(const TChartStore& store, TChartTime from, TChartTime to,
                    const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        throw EInOutError(errno, path);
    }
    bool written = std::fprintf(file, "%s\r\n", ChartCsvHeader) > 0;
    store.ForEach(from, to, [&](const TChartRecord& r) {
        if (written) {
            written = std::fprintf(file, "%s\r\n", ChartCsvLine(r).c_str()) > 0;
        }
    });
    const int error = written ? 0 : errno;
    if (std::fclose(file) != 0 || !written) {
        const int code = error != 0 ? error : errno;
        std::remove(path.c_str());
        throw EInOutError(code != 0 ? code : EIO, path);
    }
}
