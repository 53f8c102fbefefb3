#pragma once
// Which decoder handles which reply of the panel: 'A' the status decoder (which ends with the
// event bookkeeping), 'G' the event record, 'U' the event index check, 'V' the version text.
// Other letters ('S', 'T' and anything unknown) have no reply to decode and are dropped. Each
// decoder that reads its record at fixed offsets is registered with the record's size, so a
// shorter reply is passed over and counted by the codec, never decoded.

class ICommLog;
class IClock;
class IReportLines;
class TEventBookkeeping;
class TFirmwareVersion;
class TFrameCodec;
class TStatusDecoder;

// Registers the decoders with the codec and attaches the bookkeeping to the status decoder.
// Every part must outlive the codec's use of them. `report` is the event report file's writer;
// `version`, when given, keeps every version text read (once it is in the report file).
void RegisterReplyDecoders(TFrameCodec& codec, TStatusDecoder& status, TEventBookkeeping& events,
                           ICommLog& log, IReportLines& report, const IClock& clock,
                           TFirmwareVersion* firmware = nullptr);
