#include "tagged_status.h"

#include "temp_dir.h"

#include <cstdio>

std::string TaggedStatusRecord(uint8_t tag, std::size_t size) {
    std::string record(size, '\0');
    record[0] = static_cast<char>(tag);
    for (std::size_t i = 1; i < 6 && i < size; ++i) {
        record[i] = static_cast<char>(0xC0 + i);
    }
    for (std::size_t i = 6; i < size; ++i) {
        record[i] = static_cast<char>((i * 37) & 0xFF);
    }
    return record;
}

std::string TaggedId(uint8_t tag) {
    char text[16];
    std::snprintf(text, sizeof text, "C5C4C3C2C1%02X", tag);
    return text;
}

std::vector<std::string> DataLineIds(const std::filesystem::path& toolDir) {
    std::vector<std::string> ids;
    const std::filesystem::path reports = toolDir / "ReportData";
    if (!std::filesystem::is_directory(reports)) {
        return ids;
    }
    for (const auto& entry : std::filesystem::directory_iterator(reports)) {
        const std::string text = ReadFileBytes(entry.path());
        for (std::size_t at = text.find(";ID="); at != std::string::npos;
             at = text.find(";ID=", at + 1)) {
            ids.push_back(text.substr(at + 4, 12));
        }
    }
    return ids;
}

std::string TaggedEventRecord(uint16_t index, uint8_t tag) {
    std::string record{static_cast<char>(index), static_cast<char>(index >> 8)};
    record += TaggedStatusRecord(tag).substr(0, 6);
    record += std::string{8, 0x12, 10, 0, 0, 0};
    return record;
}
