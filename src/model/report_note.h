#pragma once
// The note lines of the event report: a stamp, two spaces, who writes the note, the installation
// and the text. They never begin with "ind=", so they are never taken for an event:
//
//   07.12.26 18:40:01  event copy ID=00A1B2C3D400: record 6 not delivered after 3 requests
//   07.12.26 18:40:05  alarm ID=00A1B2C3D400: Master: Pre-alarm A (PredPoplachA)

#include "core/clock.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The writers of notes: the event copy, and the alarm list.
inline constexpr std::string_view EventCopyNoteSource = "event copy";
inline constexpr std::string_view AlarmNoteSource = "alarm";
inline constexpr std::array<std::string_view, 2> NoteSources = {EventCopyNoteSource,
                                                                AlarmNoteSource};

// The note without its stamp: "alarm ID=00A1B2C3D400: text", as the communication log shows it.
std::string NoteText(std::string_view source, uint64_t id, const std::string& text);
// The whole line: the stamp of `time`, two spaces and the note.
std::string NoteLine(const TDateTime& time, std::string_view source, uint64_t id,
                     const std::string& text);
