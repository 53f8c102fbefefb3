#pragma once
// Texts the panel sends (its version text) end up in the report files and the communication
// log, where a line ends at CR LF: a control character inside such a text would start a line
// the panel wrote, not the tool. Each control character (below 0x20, and 0x7F) is written as
// a visible stand-in, "<0D>" for CR; every other byte stays as the panel sent it.

#include <string>
#include <string_view>

std::string VisibleText(std::string_view panelText);
