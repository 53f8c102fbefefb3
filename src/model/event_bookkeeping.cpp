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
#include <cstdint>
#include <exception>

namespace {

const std::string DeviceCountKey = "PocetZar";
const std::string DeviceIdKey = "id";
const std::string EventIndexKey = "index";
const std::string LastRecordKey = "posledni";
const std::string HolesKey = "diry";
const std::string ConfirmedKey = "potvrzeny";
const std::string InDoubtKey = "pochybny";

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

// Numbers separated by commas, each from 0 to `max`; nothing when any is not.
std::optional<std::vector<uint32_t>> NumberList(const std::string& text, uint32_t max) {
    std::vector<uint32_t> numbers;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        uint32_t n = 0;
        const auto result = std::from_chars(text.data() + at, text.data() + comma, n);
        if (result.ec != std::errc() || result.ptr != text.data() + comma || n > max) {
            return std::nullopt;
        }
        numbers.push_back(n);
        at = comma + 1;
    }
    return numbers;
}

// A record's index, time and code, from the first three of `numbers`; nothing when they are not.
std::optional<TRecordMark> MarkFrom(const std::vector<uint32_t>& numbers) {
    if (numbers.size() < 3 || numbers[0] > 0xFFFF || numbers[2] > 0xFF) {
        return std::nullopt;
    }
    return TRecordMark{uint16_t(numbers[0]), numbers[1], uint8_t(numbers[2])};
}

// A record's "index,time,code"; nothing when the text does not read so.
std::optional<TRecordMark> StoredMark(const std::string& text) {
    const auto numbers = NumberList(text, UINT32_MAX);
    return numbers && numbers->size() == 3 ? MarkFrom(*numbers) : std::nullopt;
}

// Records' "index,time,code" one after another ("1,2,3,4,5,6"), at most MaxInDoubt of them
// (the newest); none when the text does not read so.
std::vector<TRecordMark> StoredMarks(const std::string& text) {
    std::vector<TRecordMark> marks;
    const auto numbers = NumberList(text, UINT32_MAX);
    if (!numbers || numbers->size() % 3 != 0) {
        return marks;
    }
    for (std::size_t at = 0; at < numbers->size(); at += 3) {
        const auto mark = MarkFrom({numbers->begin() + at, numbers->begin() + at + 3});
        if (!mark) {
            return {};
        }
        marks.push_back(*mark);
    }
    if (marks.size() > TEventCopy::MaxInDoubt) {
        marks.erase(marks.begin(), marks.end() - TEventCopy::MaxInDoubt);
    }
    return marks;
}

// The "potvrzeny" of a section: a record's "index,time,code" and the window "start,end,capacity".
void ReadConfirmed(const std::string& text, TCopyPosition& position) {
    const auto numbers = NumberList(text, UINT32_MAX);
    const auto mark = numbers && numbers->size() == 6 ? MarkFrom(*numbers) : std::nullopt;
    if (!mark ||
        std::any_of(numbers->begin() + 3, numbers->end(), [](uint32_t n) { return n > 0xFFFF; })) {
        return;
    }
    const std::vector<uint32_t>& n = *numbers;
    position.Confirmed = mark;
    position.ConfirmedIn = TEventWindow{uint16_t(n[3]), uint16_t(n[4]), uint16_t(n[5])};
}

// The stored position of a section. A "posledni" that does not read as index, time and code
// reads as no record copied yet (the stored index is then trusted as it stands); holes that do
// not read are dropped.
TCopyPosition StoredPosition(const TIniValues& values, const std::string& section) {
    TCopyPosition position;
    position.Index = StoredIndex(values, section);
    // A "posledni" present but empty: nothing of this log copied yet. A file without the key
    // comes from before it was kept, and its index is taken as it stands.
    const std::string lastText = values.ReadString(section, LastRecordKey, "\n");
    position.Fresh = lastText.empty();
    position.Last = StoredMark(lastText);
    position.WrittenInDoubt = StoredMarks(values.ReadString(section, InDoubtKey, ""));
    if (position.Last) {
        ReadConfirmed(values.ReadString(section, ConfirmedKey, ""), position);
    }
    if (const auto holes = NumberList(values.ReadString(section, HolesKey, ""), 0xFFFF)) {
        for (uint32_t hole : *holes) {
            if (position.Holes.size() < TEventCopy::MaxHoles) {
                position.Holes.push_back(uint16_t(hole));
            }
        }
    }
    return position;
}

std::string MarkText(const std::optional<TRecordMark>& last) {
    if (!last) {
        return "";
    }
    return std::to_string(last->Index) + "," + std::to_string(last->Time) + "," +
           std::to_string(last->Code);
}

std::string MarksText(const std::vector<TRecordMark>& marks) {
    std::string text;
    for (const TRecordMark& mark : marks) {
        text += (text.empty() ? "" : ",") + MarkText(mark);
    }
    return text;
}

std::string ConfirmedText(const TCopyPosition& position) {
    if (!position.Confirmed) {
        return "";
    }
    const TEventWindow& w = position.ConfirmedIn;
    return MarkText(position.Confirmed) + "," + std::to_string(w.Start) + "," +
           std::to_string(w.End) + "," + std::to_string(w.Capacity);
}

std::string HolesText(const std::vector<uint16_t>& holes) {
    std::string text;
    for (uint16_t hole : holes) {
        text += (text.empty() ? "" : ",") + std::to_string(hole);
    }
    return text;
}

} // namespace

std::string DeviceSectionName(int n) {
    return "Zar" + std::to_string(n);
}

// Its saves go to its own section and its notes name it, also when its disk work ends after
// another installation was selected.
class TEventBookkeeping::TInstallation : public IEventCopyActions,
                                         public std::enable_shared_from_this<TInstallation> {
public:
    TInstallation(TEventBookkeeping& owner, uint64_t id, int section, const TCopyPosition& position)
        : Id(id), Section(section), Copy(position, *this), FOwner(owner) {}

    void RequestRecord(uint16_t index) override { SendEventRequest(FOwner.FCodec, index); }
    void SavePosition(const TCopyPosition& position) override { FOwner.Save(*this, position); }
    void Note(const std::string& text) override { FOwner.Note(Id, text); }

    const uint64_t Id;
    const int Section;
    TEventCopy Copy;

private:
    TEventBookkeeping& FOwner;
};

TEventBookkeeping::TEventBookkeeping(TFrameCodec& codec, TEventReadingState& state,
                                     IEventSettings& settings, IEventIndexView& view,
                                     IReportLines& report, ICommLog& log, const IClock& clock,
                                     IDiskWork* disk)
    : FCodec(codec), FState(state), FSettings(settings), FView(view), FReport(report), FLog(log),
      FClock(clock), FDisk(disk != nullptr ? *disk : FDirectDisk) {}

TEventBookkeeping::~TEventBookkeeping() = default;

void TEventBookkeeping::SelectDeviceAndRequest(uint16_t start, uint16_t end, uint16_t capacity,
                                               const std::string& idText) {
    FState.EventCapacity = capacity;
    const uint64_t id = DeviceIdValue(idText);
    // The settings file is read only when another device answers (or the first one).
    if (!FSettings.Available()) {
        FState.CurrentDeviceId = 0;
        FCopies.clear();
        FCopy = nullptr;
    } else if (id != FState.CurrentDeviceId) {
        LookUpDevice(id, idText);
    }
    FView.ShowEventIndices(start, end, capacity);
    if (FCopy) {
        FCopy->OnStatus(TEventWindow{start, end, capacity}, FUnits, FClock.TickCount());
    }
}

void TEventBookkeeping::LookUpDevice(uint64_t id, const std::string& idText) {
    // No device is selected until its section is known and written.
    FState.CurrentDeviceId = 0;
    if (FCopy) {
        FCopy->Park();
    }
    FCopy = nullptr;
    if (id == 0) {
        return; // a panel without an ID gets no section
    }
    const TIniValues values = FSettings.ReadAll();
    const int count = std::max(0, values.ReadInteger(GeneralSection, DeviceCountKey, 0));
    FState.DeviceCount = count;
    if (const auto n = FindDeviceSection(values, id, count)) {
        SelectDevice(id, *n, StoredPosition(values, DeviceSectionName(*n)));
        return;
    }
    AddDeviceSection(id, idText, count);
}

void TEventBookkeeping::SelectDevice(uint64_t id, int section, const TCopyPosition& position) {
    FState.DeviceSection = section;
    FState.CurrentDeviceId = id;
    // A copy parked this run with a line or a position not on disk yet knows more than the
    // file, and so does one whose position the file still holds as the copy saved it (the
    // windows it saw, the records it wrote); otherwise an editor changed the file meanwhile, and
    // the file holds.
    auto& installation = FCopies[id];
    const TCopyState state = installation ? installation->Copy.State() : TCopyState::Idle;
    if (!installation || installation->Section != section ||
        (state != TCopyState::Unsaved && state != TCopyState::Writing &&
         state != TCopyState::Confirming && !(installation->Copy.SavedPosition() == position))) {
        installation = std::make_shared<TInstallation>(*this, id, section, position);
    }
    FCopy = &installation->Copy;
    FState.EventIndex = FCopy->Position().Index;
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
    FSettings.WriteString(section, LastRecordKey, "");
    FSettings.UpdateFile();
    FCopies.erase(id); // its section was lost: it starts again
    SelectDevice(id, n, TCopyPosition::FreshAt(0));
}

void TEventBookkeeping::DecodeEventInfo() {
    if (FCopy) {
        FCopy->OnEventInfo(FClock.TickCount());
    }
}

void TEventBookkeeping::DecodeEvent() {
    const TEventRecord received = ReadEventRecord(FCodec.Payload());
    if (!FSettings.Available()) {
        FState.CurrentDeviceId = 0; // the window has closed: nothing more is counted
        FCopies.clear();
        FCopy = nullptr;
    }
    const TRecordVerdict verdict = FCopy ? FCopy->OnRecord(received) : TRecordVerdict::Unawaited;
    if (verdict == TRecordVerdict::Unawaited) {
        FCodec.DropReply();
        return;
    }
    if (verdict == TRecordVerdict::Handled) {
        return;
    }
    const std::string line = EventLine(FCopy->RecordToWrite(), FClock.Now());
    FLog.AddLine(line);
    // Only a line that is on the disk may move the position past its record; the copy then
    // saves it and asks for nothing more until it is saved.
    auto onDisk = std::make_shared<bool>(false);
    FDisk.Queue([&report = FReport, line, onDisk] { *onDisk = report.WriteReportLine(line); },
                [this, onDisk, installation = std::weak_ptr(FCopies.at(FState.CurrentDeviceId))](
                    std::exception_ptr failure) {
                    if (const auto self = installation.lock()) {
                        try {
                            self->Copy.LineWritten(*onDisk);
                        } catch (...) {
                            if (!failure) {
                                failure = std::current_exception();
                            }
                        }
                    }
                    if (*onDisk) {
                        ++FCopied;
                    }
                    if (failure) {
                        std::rethrow_exception(failure);
                    }
                });
}

void TEventBookkeeping::Save(TInstallation& installation, const TCopyPosition& position) {
    FDisk.Queue(FSettings.WriteStringsLater(DeviceSectionName(installation.Section),
                                            {{EventIndexKey, std::to_string(position.Index)},
                                             {LastRecordKey, MarkText(position.Last)},
                                             {HolesKey, HolesText(position.Holes)},
                                             {ConfirmedKey, ConfirmedText(position)},
                                             {InDoubtKey, MarksText(position.WrittenInDoubt)}}),
                [this, position, self = installation.weak_from_this()](std::exception_ptr failure) {
                    const auto installation = self.lock();
                    if (!installation) {
                        return;
                    }
                    if (!failure && installation->Id == FState.CurrentDeviceId) {
                        FState.EventIndex = position.Index;
                    }
                    installation->Copy.PositionSaved(position, failure);
                });
}

// A note line of its own shape in the event report (stamped, never "ind="), and the same words
// in the log. A report that cannot take it has the log.
void TEventBookkeeping::Note(uint64_t id, const std::string& text) {
    FLog.AddLine(NoteText(EventCopyNoteSource, id, text));
    FDisk.Queue([&report = FReport, line = NoteLine(FClock.Now(), EventCopyNoteSource, id,
                                                    text)] { report.WriteReportLine(line); },
                [](std::exception_ptr) {
                    // the report's failure is told by the next line that needs it
                });
}

std::optional<TEventProgress> TEventBookkeeping::EventProgress() const {
    if (!FCopy) {
        return std::nullopt;
    }
    return TEventProgress{FCopied, FCopy->Waiting()};
}

std::function<void()> THeldEventSettings::WriteStringsLater(
    const std::string& section, std::vector<std::pair<std::string, std::string>> values) const {
    if (!Available()) {
        return [] { throw EOrvant(std::string("Unable to write to ") + SettingsFileName); };
    }
    return [file = File().FileName(), section, values = std::move(values)] {
        TIniFile(file).WriteStrings(section, values);
    };
}
