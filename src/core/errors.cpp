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

std::string ComPortMessage(int code, std::optional<int> systemCode) {
    std::string text = ComPortErrorText(code);
    if (systemCode) {
        text += " (win error code: " + std::to_string(*systemCode) + ")";
    }
    return text;
}

} // namespace

EInOutError::EInOutError(int errorCode, const std::string& fileName)
    : EOrvant(IoMessage(errorCode, fileName)), ErrorCode(errorCode) {}

EComPort::EComPort(int code, std::optional<int> systemCode)
    : EOrvant(ComPortMessage(code, systemCode)), Code(code), SystemCode(systemCode) {}

EShortReply::EShortReply(char letter, std::size_t recordSize)
    : EOrvant(std::string("Reply '") + letter + "' shorter than its " + std::to_string(recordSize) +
              " bytes: passed over") {}
