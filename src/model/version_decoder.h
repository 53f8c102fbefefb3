#pragma once
// The reply to 'V': the master's firmware version, a text of 8-bit characters ended by a zero
// byte within the first 128 payload bytes. "Verse=" and the text go to the communication log,
// and "HH.MM.SS DD.MM.YYYY ;" and the text (the PC's local time) to the event report file. The
// text's bytes go to both unchanged, but for control characters, which are written as visible
// stand-ins (VisibleText); the window shows them decoded as Windows-1250.

#include <cstddef>
#include <string>

class ICommLog;
class IClock;
class IReportLines;
class TFirmwareVersion;
class TFrameCodec;
struct TDateTime;

// The most bytes a version text may take, its zero byte included.
constexpr std::size_t MaxVersionBytes = 128;

// "HH.MM.SS DD.MM.YYYY ;", the stamp in front of a version line.
std::string VersionStamp(const TDateTime& time);

// Decodes the version reply now in the codec's receive buffer. A payload without a zero byte
// within its first 128 bytes (or within what the panel sent, when that is shorter) raises
// ERangeError and writes nothing; a report failure propagates after the log line is added. The
// text is kept in `last` (when given) before anything is written, so a report that cannot be
// written does not lose it.
void DecodeVersion(const TFrameCodec& codec, ICommLog& log, IReportLines& report,
                   const IClock& clock, TFirmwareVersion* last = nullptr);
