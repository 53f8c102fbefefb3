#pragma once
// The filtered events as CSV (RFC 4180): a header row, then one row per entry in the order
// shown, fields separated by commas, a field holding a comma, a double quote, CR or LF enclosed
// in double quotes with its double quotes doubled, every row ended by CR LF. Text is UTF-8: the
// panel's texts pass through `decode` (Windows-1250 bytes to UTF-8), the rest is ASCII.

#include "model/event_history.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

using TTextDecoder = std::function<std::string(const std::string&)>;

// The header: "PC time,Panel time,ID,Zar,Sm,Code,Category,Text".
void WriteEventCsv(std::ostream& out, const TEventHistory& history,
                   const std::vector<uint32_t>& rows, const TTextDecoder& decode);

// One field as it stands in a row.
std::string CsvField(const std::string& text);

// The texts of one entry's cells as the page shows them, before decoding: PC time, panel time,
// ID, "Zar", "Sm", code, text. A version line has no ID, device, loop or code; a note no device,
// loop or code; both show their PC time in the panel time's column too.
std::vector<std::string> EventCells(const TEventHistory& history, const TEventEntry& entry);
