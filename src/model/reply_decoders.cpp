#include "model/reply_decoders.h"

#include "link/commands.h"
#include "link/frame_codec.h"
#include "model/event_bookkeeping.h"
#include "model/status_decoder.h"
#include "model/version_decoder.h"

void RegisterReplyDecoders(TFrameCodec& codec, TStatusDecoder& status, TEventBookkeeping& events,
                           ICommLog& log, IReportLines& report, const IClock& clock) {
    status.SetEventBookkeeping(events);
    codec.RegisterDecoder(Command::Status, [&status] { status.DecodeStatus(); });
    codec.RegisterDecoder(Command::Event, [&events] { events.DecodeEvent(); });
    codec.RegisterDecoder(Command::EventInfo, [&events] { events.DecodeEventInfo(); });
    codec.RegisterDecoder(Command::Version, [&codec, &log, &report, &clock] {
        DecodeVersion(codec, log, report, clock);
    });
}
