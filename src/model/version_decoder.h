#pragma once
// The reply to 'V': the master's firmware version, a text of 8-bit characters ended by a zero
// byte within the first 128 payload bytes. "Verse=" and the text go to the communication log,
// and "HH.MM.SS DD.MM.YYYY ;" and the text (the PC's local time) to the event report file. The
// text's bytes go to both unchanged, but for control characters, which are written as visible
// stand-ins (VisibleText); the window shows them decoded as Windows-1250.

#include <cstddef>
#include <cstdint>
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

// The version line last written: a panel that sends its version unasked, over and over, gets the
// same text of the same installation into the event report once a minute at most (each line
// costs a wait for the disk on the window's thread, and a row on the "Events" page).
class TVersionRepeats {
public:
    // Whether the reply is written: not when the same text of the same installation (its device
    // ID, "" while none answered) was written less than a minute before `time`. A clock set
    // back writes it.
    bool Worth(const std::string& installation, const std::string& text, const TDateTime& time);

private:
    bool FAny = false;
    std::string FInstallation;
    std::string FText;
    int64_t FWrittenAt = 0; // civil seconds
};

// Decodes the version reply now in the codec's receive buffer. A payload without a zero byte
// within its first 128 bytes (or within what the panel sent, when that is shorter) raises
// ERangeError and writes nothing; a report failure propagates after the log line is added. The
// text is kept in `last` (when given) before anything is written, so a report that cannot be
// written does not lose it. With `repeats`, a repeat within the minute goes to the log only.
void DecodeVersion(const TFrameCodec& codec, ICommLog& log, IReportLines& report,
                   const IClock& clock, TFirmwareVersion* last = nullptr,
                   TVersionRepeats* repeats = nullptr);
