#include "model/report_note.h"

#include "model/status_record.h"
#include "store/report_file.h"

std::string NoteText(std::string_view source, uint64_t id, const std::string& text) {
    return std::string(source) + " ID=" + DeviceIdText(id) + ": " + text;
}

std::string NoteLine(const TDateTime& time, std::string_view source, uint64_t id,
                     const std::string& text) {
    return ReportTimeStamp(time) + "  " + NoteText(source, id, text);
}
