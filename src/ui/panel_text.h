#pragma once
// Texts from the panel are 8-bit bytes in the panel's code page, Windows-1250. Files get the bytes
// unchanged; the window shows them decoded.

#include <QString>
#include <string>

QString DecodePanelText(const std::string& bytes);
