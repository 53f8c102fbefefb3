#include "model/visible_text.h"

#include <cstdio>

std::string VisibleText(std::string_view panelText) {
    std::string text;
    text.reserve(panelText.size());
    for (const char c : panelText) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            char standIn[8];
            std::snprintf(standIn, sizeof standIn, "<%02X>", b);
            text += standIn;
        } else {
            text += c;
        }
    }
    return text;
}
