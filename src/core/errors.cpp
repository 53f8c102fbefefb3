#include "core/errors.h"

#include <cstring>

namespace {

std::string IoMessage(int errorCode, const std::string& fileName) {
    std::string text = "I/O error " + std::to_string(errorCode);
    if (errorCode > 0) {
        text += " (" + std::string(std::strerror(errorCode)) + ")";
    }
    if (!fileName.empty()) {
        text += ": " + fileName;
    }
    return text;
}

} // namespace

std::string DetailOf(const std::exception& error) {
    const auto* own = dynamic_cast<const EOrvant*>(&error);
    return own != nullptr ? own->Detail() : std::string();
}

std::string SystemErrorText(int errorNumber) {
    char buffer[128];
    // The GNU strerror_r: returns a static text or one written into the buffer.
    return ::strerror_r(errorNumber, buffer, sizeof buffer);
}

EInOutError::EInOutError(int errorCode, const std::string& fileName)
    : EOrvant(IoMessage(errorCode, fileName)), ErrorCode(errorCode) {}
