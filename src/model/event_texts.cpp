#include "model/event_texts.h"

const std::array<const char*, EventTextCount> EventTexts = {
    "????",                  // 0
    "Ticho",                 // 1
    "Zrus Poplach",          // 2
    "Klic On",               // 3
    "Klic Off",              // 4
    "smycka OK",             // 5
    "Rozpojeni smycky",      // 6
    "Zkrat smycky",          // 7
    "Poplach na smycce",     // 8
    "Porucha smycky",        // 9
    "Odpojeni smycky",       // 10
    "Klid",                  // 11
    "PredPoplachA",          // 12
    "PredpoplachB",          // 13
    "ResetA",                // 14
    "ResetB",                // 15
    "Tz",                    // 16
    "Th",                    // 17
    "Uhaseno",               // 18
    "ResetA+B",              // 19
    "VentilOK",              // 20
    "VentilZkrat",           // 21
    "Ventil Rozpojeno",      // 22
    "Ventil Vadna Civka",    // 23
    "Sir Ok",                // 24
    "Sir Zkrat",             // 25
    "Sir Rozpojeno",         // 26
    "Bat OK",                // 27
    "Bat Nabijeni",          // 28
    "Bat Chyba",             // 29
    "Bat vybito",            // 30
    "Sit Ok",                // 31
    "Chyba Site",            // 32
    "Tamper On",             // 33
    "Tamper Off",            // 34
    "Provoz OK",             // 35
    "Provoz Priprava",       // 36
    "Provoz do Testu",       // 37
    "Provoz Stop",           // 38
    " *** RESET ***",        // 39
    " *** RESET HASENI ***", // 40
    "Tamper",                // 41
    "Komunikace slave por.", // 42
    "Komunikace slave OK",   // 43
    "Tlak por.",             // 44
    "Tlak OK",               // 45
};
