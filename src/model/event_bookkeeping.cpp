#include "model/event_bookkeeping.h"

#include "core/bytes.h"
#include "core/comm_log.h"
#include "core/errors.h"
#include "link/commands.h"
#include "link/frame_codec.h"
#include "model/event_record.h"
#include "model/report_note.h"
#include "model/status_record.h"
#include "store/report_writer.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <exception>

namespace {

const std::string DeviceCountKey = "PocetZar";
const std::string DeviceIdKey = "id";
const std::string EventIndexKey = "index";

// The n of a section named "Zar" + n (the letters in any case, n in decimal without leading
// zeros), the names the look-up reads.
std::optional<int> DeviceSectionNumber(const std::string& name) {
    if (name.size() < 4 || (name[0] | 0x20) != 'z' || (name[1] | 0x20) != 'a' ||
        (name[2] | 0x20) != 'r' || (name[3] == '0' && name.size() > 4)) {
        return std::nullopt;
    }
    int n = 0;
    const char* end = name.data() + name.size();
    const auto result = std::from_chars(name.data() + 3, end, n);
    if (result.ec != std::errc() || result.ptr != end || n < 0) {
        return std::nullopt;
    }
    return n;
}

// The stored index of a section; anything but a number from 0 to 65535 reads as 0.
uint16_t StoredIndex(const TIniValues& values, const std::string& section) {
    const int index = values.ReadInteger(section, EventIndexKey, 0);
    return index >= 0 && index <= 0xFFFF ? static_cast<uint16_t>(index) : 0;
}

} // namespace

std::string DeviceSectionName(int n) {
    return "Zar" + std::to_string(n);
}

TEventBookkeeping::TEventBookkeeping(TFrameCodec& codec, TEventReadingState& state,
                                     IEventSettings& settings, IEventIndexView& view,
                                     IReportLines& report, ICommLog& log, const IClock& clock)
    : FCodec(codec), FState(state), FSettings(settings), FView(view), FReport(report), FLog(log),
      FClock(clock) {}

void TEventBookkeeping::SelectDeviceAndRequest(uint16_t start, uint16_t end, uint16_t capacity,
                                               const std::string& idText) {
    FState.EventCapacity = capacity;
    const uint64_t id = DeviceIdValue(idText);
    // The settings file is read only when another device answers (or the first one).
    if (!FSettings.Available()) {
        FState.CurrentDeviceId = 0;
        FCopy.reset();
    } else if (id != FState.CurrentDeviceId) {
        LookUpDevice(id, idText);
    }
    FView.ShowEventIndices(start, end, capacity);
    if (FCopy) {
        FCopy->OnStatus(TEventWindow{start, end, capacity}, FClock.TickCount());
    }
}

void TEventBookkeeping::LookUpDevice(uint64_t id, const std::string& idText) {
    // No device is selected until its section is known and written.
    FState.CurrentDeviceId = 0;
    FCopy.reset();
    if (id == 0) {
        return; // a panel without an ID gets no section
    }
    const TIniValues values = FSettings.ReadAll();
    const int count = std::max(0, values.ReadInteger(GeneralSection, DeviceCountKey, 0));
    FState.DeviceCount = count;
    if (const auto n = FindDeviceSection(values, id, count)) {
        SelectDevice(id, *n, StoredIndex(values, DeviceSectionName(*n)));
        return;
    }
    AddDeviceSection(id, idText, count);
}

void TEventBookkeeping::SelectDevice(uint64_t id, int section, uint16_t index) {
    FState.EventIndex = index;
    FState.DeviceSection = section;
    FState.CurrentDeviceId = id;
    FCopy.emplace(index, static_cast<IEventCopyActions&>(*this));
}

std::optional<int> TEventBookkeeping::FindDeviceSection(const TIniValues& values, uint64_t id,
                                                        int count) const {
    // The sections "Zar0" to "Zar<count - 1>" that the file holds; a missing one would read as
    // "0" and never match. The lowest number wins when two hold the same ID.
    std::optional<int> found;
    for (const std::string& name : values.SectionNames()) {
        const auto n = DeviceSectionNumber(name);
        if (!n || *n >= count || (found && *n >= *found)) {
            continue;
        }
        if (DeviceIdValue(values.ReadString(name, DeviceIdKey, "0")) == id) {
            found = n;
        }
    }
    return found;
}

void TEventBookkeeping::AddDeviceSection(uint64_t id, const std::string& idText, int count) {
    if (count == INT_MAX) {
        throw ERangeError();
    }
    // The new section takes the number equal to the old count; keys already there are
    // overwritten.
    const int n = count;
    const std::string section = DeviceSectionName(n);
    FSettings.WriteInteger(GeneralSection, DeviceCountKey, count + 1);
    FState.DeviceCount = count + 1;
    FSettings.WriteInteger(section, EventIndexKey, 0);
    FSettings.WriteString(section, DeviceIdKey, idText);
    FSettings.UpdateFile();
    SelectDevice(id, n, 0);
}

void TEventBookkeeping::DecodeEventInfo() {
    if (FCopy) {
        FCopy->OnEventInfo(ReadU16(FCodec.Payload() + 2), FClock.TickCount());
    }
}

void TEventBookkeeping::DecodeEvent() {
    const TEventRecord record = ReadEventRecord(FCodec.Payload());
    if (!FSettings.Available()) {
        FState.CurrentDeviceId = 0; // the window has closed: nothing more is counted
        FCopy.reset();
    }
    const TRecordVerdict verdict = FCopy ? FCopy->OnRecord(record) : TRecordVerdict::Unawaited;
    if (verdict == TRecordVerdict::Unawaited) {
        FCodec.DropReply();
        return;
    }
    if (verdict == TRecordVerdict::EmptySlot) {
        return;
    }
    const std::string line = EventLine(record, FClock.Now());
    bool onDisk = false;
    std::exception_ptr failure;
    try {
        onDisk = FReport.WriteReportLine(line);
    } catch (...) {
        failure = std::current_exception();
    }
    FLog.AddLine(line);
    // Only a line that is on the disk may move the index past its record. Counted only once the
    // index is saved too: while the settings file cannot be written the same record is asked
    // for again, so a restart repeats no more than the run did and loses nothing.
    if (onDisk) {
        FCopy->Advance();
        ++FCopied;
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void TEventBookkeeping::RequestRecord(uint16_t index) {
    SendEventRequest(FCodec, index);
}

void TEventBookkeeping::SaveIndex(uint16_t index) {
    FSettings.WriteInteger(DeviceSectionName(FState.DeviceSection), EventIndexKey, index);
    FSettings.UpdateFile();
    FState.EventIndex = index;
}

// A note line of its own shape in the event report (stamped, never "ind="), and the same words
// in the log.
void TEventBookkeeping::Note(const std::string& text) {
    FLog.AddLine(NoteText(EventCopyNoteSource, FState.CurrentDeviceId, text));
    FReport.WriteReportLine(
        NoteLine(FClock.Now(), EventCopyNoteSource, FState.CurrentDeviceId, text));
}

std::optional<TEventProgress> TEventBookkeeping::EventProgress() const {
    if (!FCopy) {
        return std::nullopt;
    }
    return TEventProgress{FCopied, FCopy->Waiting()};
}
