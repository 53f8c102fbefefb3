#include "model/version_decoder.h"

#include "core/civil_time.h"
#include "core/clock.h"
#include "core/comm_log.h"
#include "core/errors.h"
#include "link/frame_codec.h"
#include "model/firmware_version.h"
#include "model/visible_text.h"
#include "store/report_writer.h"

#include <algorithm>
#include <cstdio>

std::string VersionStamp(const TDateTime& t) {
    char text[48];
    std::snprintf(text, sizeof text, "%02d.%02d.%02d %02d.%02d.%04d ;", t.Hour, t.Minute, t.Second,
                  t.Day, t.Month, t.Year);
    return text;
}

bool TVersionRepeats::Worth(const std::string& installation, const std::string& text,
                            const TDateTime& time) {
    const int64_t now = CivilSeconds(time);
    if (FAny && installation == FInstallation && text == FText && now >= FWrittenAt &&
        now - FWrittenAt < 60) {
        return false;
    }
    FAny = true;
    FInstallation = installation;
    FText = text;
    FWrittenAt = now;
    return true;
}

void DecodeVersion(const TFrameCodec& codec, ICommLog& log, IReportLines& report,
                   const IClock& clock, TFirmwareVersion* last, TVersionRepeats* repeats) {
    const uint8_t* payload = codec.Payload();
    const uint8_t* end = payload + std::min(codec.PayloadLength(), MaxVersionBytes);
    const uint8_t* zero = std::find(payload, end, 0);
    if (zero == end) {
        throw ERangeError("Range check error: version text without its end");
    }
    const std::string text = VisibleText(
        std::string_view(reinterpret_cast<const char*>(payload), std::size_t(zero - payload)));
    if (last != nullptr) {
        last->Record(text, clock.Now());
    }
    log.AddLine("Verse=" + text);
    const TDateTime now = clock.Now();
    if (repeats == nullptr ||
        repeats->Worth(last != nullptr ? last->Answering() : std::string(), text, now)) {
        report.WriteReportLine(VersionStamp(now) + text);
    }
}
