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

EInOutError::EInOutError(int errorCode, const std::string& fileName)
    : EOrvant(IoMessage(errorCode, fileName)), ErrorCode(errorCode) {}
