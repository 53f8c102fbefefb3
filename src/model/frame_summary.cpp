// The monitor's lines: what each frame means, in one line, read from its bytes.

#include "link/commands.h"
#include "model/status_record.h"
#include "model/traffic_log.h"

#include <cstdio>
#include <numeric>

namespace {

constexpr std::size_t SummaryWidth = 60;

// A frame's body: address, letter, payload, checksum.
std::vector<uint8_t> BodyOf(const TTrafficRecord& record) {
    if (record.Route == TFrameRoute::Serial) {
        return TFrameCodec::SerialBody(record.Wire.data(), record.Wire.size());
    }
    // A datagram: its first and last bytes are the markers.
    if (record.Wire.size() < 2) {
        return {};
    }
    return {record.Wire.begin() + 1, record.Wire.end() - 1};
}

uint16_t U16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}

// A byte's two upper-case hexadecimal digits, appended to `text` (a long reply's line has
// hundreds of them: no formatting call per byte).
void AppendHex2(std::string& text, uint8_t b) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    text += Digits[b >> 4];
    text += Digits[b & 0x0F];
}

std::string Hex2(uint8_t b) {
    std::string text;
    AppendHex2(text, b);
    return text;
}

std::string RequestSummary(uint8_t letter, const uint8_t* payload, std::size_t n) {
    switch (letter) {
    case Command::Status:
        return "status request";
    case Command::Event:
        return n >= 2 ? "request record " + std::to_string(U16(payload)) : "request record";
    case Command::SetSlaves:
        return n >= 1 ? "set slaves " + std::to_string(payload[0]) : "set slaves";
    case Command::SetTime:
        if (n >= 6) {
            char text[40];
            std::snprintf(text, sizeof text, "set time %02u.%02u.%04u %02u:%02u:%02u", payload[3],
                          payload[4], 2000u + payload[5], payload[2], payload[1], payload[0]);
            return text;
        }
        return "set time";
    case Command::EventInfo:
        return "event index request";
    case Command::Version:
        return "version request";
    default:
        return "unknown command";
    }
}

std::string VersionText(const uint8_t* payload, std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n && payload[i] != 0 && text.size() < 60; ++i) {
        text += payload[i] >= 0x20 && payload[i] < 0x7F ? char(payload[i]) : '.';
    }
    return "version \"" + text + "\"";
}

std::string ReplySummary(uint8_t letter, const uint8_t* payload, std::size_t n) {
    switch (letter) {
    case Command::Status:
        if (n >= StatusRecordSize) {
            const TMasterBlock master = ReadMasterBlock(payload);
            return "status of device ID " + DeviceIdText(master.ID) + ", events " +
                   std::to_string(master.EventStart) + ".." + std::to_string(master.EventEnd) +
                   " of " + std::to_string(master.EventCapacity);
        }
        return "status, " + std::to_string(n) + " of " + std::to_string(StatusRecordSize) +
               " bytes";
    case Command::Event:
        if (n >= 9) {
            return "record " + std::to_string(U16(payload)) + ", event code " + Hex2(payload[8]);
        }
        return "record, " + std::to_string(n) + " bytes";
    case Command::EventInfo:
        return n >= 4 ? "event end index " + std::to_string(U16(payload + 2)) : "event index";
    case Command::Version:
        return VersionText(payload, n);
    default:
        return "unknown reply";
    }
}

std::string FateNote(const TTrafficRecord& record) {
    switch (record.Fate) {
    case TFrameFate::SendFailed:
        return ", not sent";
    case TFrameFate::Short:
        return ", too short: passed over";
    case TFrameFate::Ignored:
        return record.Stranger ? ", ignored: not the panel (" + record.From + ")" : ", ignored";
    case TFrameFate::Unawaited:
        return ", not awaited (late or repeated): dropped";
    default:
        return "";
    }
}

} // namespace

std::string WireHexText(const std::vector<uint8_t>& bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (uint8_t b : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        AppendHex2(text, b);
    }
    return text;
}

std::string FrameSummary(const TTrafficRecord& record) {
    const std::vector<uint8_t> body = BodyOf(record);
    if (body.size() < 3) {
        return "no frame (" + std::to_string(record.Wire.size()) + " bytes)" + FateNote(record);
    }
    const uint8_t letter = body[1];
    const std::size_t payloadLength = body.size() - 3;
    const uint8_t* payload = body.data() + 2;
    const uint8_t sum =
        std::accumulate(body.begin(), body.end() - 1, uint8_t(0),
                        [](uint8_t total, uint8_t b) { return uint8_t(total + b); });
    const std::string letterText = letter >= 0x20 && letter < 0x7F
                                       ? std::string("'") + char(letter) + "' "
                                       : "#" + Hex2(letter) + " ";
    std::string text =
        letterText + (record.Way == TFrameWay::Sent ? RequestSummary(letter, payload, payloadLength)
                                                    : ReplySummary(letter, payload, payloadLength));
    if (sum != body.back()) {
        text += ", bad checksum (sum " + Hex2(sum) + ", frame says " + Hex2(body.back()) + ")";
        if (record.Fate == TFrameFate::BadChecksum) {
            text += ": dropped";
        }
    }
    return text + FateNote(record);
}

std::string TrafficLine(const TTrafficRecord& record, bool withDate) {
    char time[40];
    const TDateTime& t = record.Time;
    if (withDate) {
        std::snprintf(time, sizeof time, "%02d.%02d.%04d %02d:%02d:%02d.%03d", t.Day, t.Month,
                      t.Year, t.Hour, t.Minute, t.Second, t.Millisecond);
    } else {
        std::snprintf(time, sizeof time, "%02d:%02d:%02d.%03d", t.Hour, t.Minute, t.Second,
                      t.Millisecond);
    }
    // The meaning comes before the bytes, padded to one width, so that it stays in sight beside a
    // long reply and the bytes start in one column.
    std::string summary = FrameSummary(record);
    if (summary.size() < SummaryWidth) {
        summary.resize(SummaryWidth, ' ');
    }
    std::string route = record.Route == TFrameRoute::Serial ? "serial  " : "UDP     ";
    if (record.Route == TFrameRoute::Udp && !record.From.empty()) {
        route = "UDP " + record.From + "  ";
    }
    return std::string(time) + (record.Way == TFrameWay::Sent ? "  TX " : "  RX ") + route +
           summary + "  " + WireHexText(record.Wire);
}

bool SpansMidnight(const TTrafficLog& log) {
    if (log.Size() < 2) {
        return false;
    }
    const TDateTime& first = log.At(0).Time;
    const TDateTime& last = log.At(log.Size() - 1).Time;
    return first.Day != last.Day || first.Month != last.Month || first.Year != last.Year;
}
