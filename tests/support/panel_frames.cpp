#include "panel_frames.h"

#include <cctype>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace {

TBytes Body(uint8_t letter, const TBytes& payload) {
    TBytes body{PanelAddressByte, letter};
    body.insert(body.end(), payload.begin(), payload.end());
    body.push_back(PanelChecksum(letter, payload));
    return body;
}

} // namespace

uint8_t PanelChecksum(uint8_t letter, const TBytes& payload) {
    unsigned sum = PanelAddressByte + letter;
    for (uint8_t b : payload) {
        sum += b;
    }
    return static_cast<uint8_t>(sum & 0xFF);
}

TBytes PanelSerialFrame(uint8_t letter, const TBytes& payload) {
    TBytes frame{0xAA, 0x03};
    for (uint8_t b : Body(letter, payload)) {
        if (b == 0xAA) {
            frame.push_back(0xAA);
        }
        frame.push_back(b);
    }
    frame.push_back(0xAA);
    frame.push_back(0x02);
    return frame;
}

std::string PanelSerialFrameText(uint8_t letter, const std::string& payload) {
    return ToText(PanelSerialFrame(letter, ToBytes(payload)));
}

TBytes PanelDatagram(uint8_t letter, const TBytes& payload) {
    TBytes datagram{0x01};
    const TBytes body = Body(letter, payload);
    datagram.insert(datagram.end(), body.begin(), body.end());
    datagram.push_back(0x02);
    return datagram;
}

std::string PanelDatagramText(uint8_t letter, const std::string& payload) {
    return ToText(PanelDatagram(letter, ToBytes(payload)));
}

TBytes HexBytes(const std::string& text) {
    std::istringstream in(text);
    TBytes bytes;
    std::string pair;
    while (in >> pair) {
        std::size_t used = 0;
        int value = -1;
        if (pair.size() == 2 && std::isxdigit(static_cast<unsigned char>(pair[0])) &&
            std::isxdigit(static_cast<unsigned char>(pair[1]))) {
            value = std::stoi(pair, &used, 16);
        }
        if (value < 0 || used != 2) {
            throw std::invalid_argument("not a hexadecimal byte: " + pair);
        }
        bytes.push_back(static_cast<uint8_t>(value));
    }
    return bytes;
}

std::string HexText(const TBytes& bytes) {
    std::string text;
    char pair[4];
    for (uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        if (!text.empty()) {
            text += ' ';
        }
        text += pair;
    }
    return text;
}

TBytes ToBytes(const std::string& text) {
    return TBytes(text.begin(), text.end());
}

std::string ToText(const TBytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}
