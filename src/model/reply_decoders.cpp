#include "model/reply_decoders.h"

#include "link/commands.h"
#include "link/frame_codec.h"
#include "model/event_bookkeeping.h"
#include "model/event_record.h"
#include "model/firmware_version.h"
#include "model/status_decoder.h"
#include "model/status_record.h"
#include "model/version_decoder.h"

#include <memory>

void RegisterReplyDecoders(TFrameCodec& codec, TStatusDecoder& status, TEventBookkeeping& events,
                           ICommLog& log, IReportLines& report, const IClock& clock,
                           TFirmwareVersion* firmware) {
    status.AttachEventBookkeeping(events);
    codec.RegisterDecoder(
        Command::Status, [&status] { status.DecodeStatus(); }, StatusRecordSize);
    codec.RegisterDecoder(
        Command::Event, [&events] { events.DecodeEvent(); }, EventRecordSize);
    codec.RegisterDecoder(
        Command::EventInfo, [&events] { events.DecodeEventInfo(); }, EventInfoSize);
    codec.RegisterDecoder(Command::Version, [&codec, &log, &report, &clock, firmware,
                                             repeats = std::make_shared<TVersionRepeats>()] {
        DecodeVersion(codec, log, report, clock, firmware, repeats.get());
    });
}
