#include "panel_sim/event_codes.h"

#include <array>

namespace panel_sim {

std::string EventCodeText(uint8_t code) {
    static const std::array<const char*, EventCodeCount> texts = {
        "????",
        "Ticho",
        "Zrus Poplach",
        "Klic On",
        "Klic Off",
        "smycka OK",
        "Rozpojeni smycky",
        "Zkrat smycky",
        "Poplach na smycce",
        "Porucha smycky",
        "Odpojeni smycky",
        "Klid",
        "PredPoplachA",
        "PredpoplachB",
        "ResetA",
        "ResetB",
        "Tz",
        "Th",
        "Uhaseno",
        "ResetA+B",
        "VentilOK",
        "VentilZkrat",
        "Ventil Rozpojeno",
        "Ventil Vadna Civka",
        "Sir Ok",
        "Sir Zkrat",
        "Sir Rozpojeno",
        "Bat OK",
        "Bat Nabijeni",
        "Bat Chyba",
        "Bat vybito",
        "Sit Ok",
        "Chyba Site",
        "Tamper On",
        "Tamper Off",
        "Provoz OK",
        "Provoz Priprava",
        "Provoz do Testu",
        "Provoz Stop",
        " *** RESET ***",
        " *** RESET HASENI ***",
        "Tamper",
        "Komunikace slave por.",
        "Komunikace slave OK",
        "Tlak por.",
        "Tlak OK",
    };
    return code < texts.size() ? texts[code] : texts[0];
}

} // namespace panel_sim
