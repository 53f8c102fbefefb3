#include "store/pdf_document_info.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

// Decodes one UTF-8 sequence at `i` (advancing it); a malformed byte reads as U+FFFD.
char32_t NextCodePoint(const std::string& text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    const int length = lead < 0x80         ? 1
                       : (lead >> 5) == 6  ? 2
                       : (lead >> 4) == 14 ? 3
                       : (lead >> 3) == 30 ? 4
                                           : 0;
    if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        if ((byte(i + static_cast<std::size_t>(k)) & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        code = code << 6 | (byte(i + static_cast<std::size_t>(k)) & 0x3F);
    }
    i += static_cast<std::size_t>(length);
    return code > 0x10FFFF ? 0xFFFD : code;
}

void AppendUnit(std::string& out, unsigned unit) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", unit & 0xFFFF);
    out += hex;
}

// The value that follows `key` in the dictionary text, up to the next "/" or ">>" (trimmed).
std::string ValueOf(const std::string& dictionary, const std::string& key) {
    std::size_t at = dictionary.find(key);
    while (at != std::string::npos) {
        const char next = at + key.size() < dictionary.size() ? dictionary[at + key.size()] : ' ';
        if (next == ' ' || next == '\r' || next == '\n' || next == '[' || next == '<') {
            break; // "/Size", not "/SizeOf"
        }
        at = dictionary.find(key, at + 1);
    }
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t from = at + key.size();
    std::size_t to = dictionary.find(key == "/ID" ? "]" : "/", from);
    if (key == "/ID" && to != std::string::npos) {
        ++to; // with its closing bracket
    }
    to = std::min(to, dictionary.find(">>", from));
    if (to == std::string::npos) {
        return {};
    }
    const std::string value = dictionary.substr(from, to - from);
    const auto first = value.find_first_not_of(" \r\n\t");
    const auto last = value.find_last_not_of(" \r\n\t");
    return first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
}

std::string Padded(std::size_t offset) {
    char text[16];
    std::snprintf(text, sizeof text, "%010zu", offset);
    return text;
}

} // namespace

std::string PdfTextString(const std::string& utf8) {
    std::string out = "<FEFF";
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t code = NextCodePoint(utf8, i);
        if (code >= 0x10000) {
            const char32_t v = code - 0x10000;
            AppendUnit(out, 0xD800 + (v >> 10));
            AppendUnit(out, 0xDC00 + (v & 0x3FF));
        } else {
            AppendUnit(out, code);
        }
    }
    return out + ">";
}

bool AddDocumentInfo(std::string& pdf, const TPdfDocumentInfo& info) {
    const auto end = pdf.find_last_not_of("\r\n");
    if (!pdf.starts_with("%PDF-") || end == std::string::npos || end < 4 ||
        pdf.compare(end - 4, 5, "%%EOF") != 0) {
        return false;
    }
    const std::size_t startxref = pdf.rfind("startxref");
    const std::size_t trailer = pdf.rfind("trailer", startxref);
    if (startxref == std::string::npos || trailer == std::string::npos) {
        return false;
    }
    const std::string dictionary = pdf.substr(trailer, startxref - trailer);
    const long size = std::atol(ValueOf(dictionary, "/Size").c_str());
    const std::string root = ValueOf(dictionary, "/Root");
    const std::string id = ValueOf(dictionary, "/ID");
    char* digitsEnd = nullptr;
    const unsigned long long previous =
        std::strtoull(pdf.c_str() + startxref + 9, &digitsEnd, 10); // after "startxref"
    if (size <= 0 || root.empty() || digitsEnd == pdf.c_str() + startxref + 9) {
        return false;
    }
    std::string update = pdf.back() == '\n' ? "" : "\n";
    const std::size_t objectAt = pdf.size() + update.size();
    update += std::to_string(size) + " 0 obj\n<<";
    const std::pair<const char*, const std::string*> entries[] = {{"/Title", &info.Title},
                                                                  {"/Author", &info.Author},
                                                                  {"/Subject", &info.Subject},
                                                                  {"/Creator", &info.Creator}};
    for (const auto& [key, value] : entries) {
        if (!value->empty()) {
            update += std::string(" ") + key + " " + PdfTextString(*value);
        }
    }
    update += " >>\nendobj\n";
    const std::size_t xrefAt = pdf.size() + update.size();
    update += "xref\n" + std::to_string(size) + " 1\n" + Padded(objectAt) + " 00000 n \n";
    update += "trailer\n<< /Size " + std::to_string(size + 1) + " /Root " + root + " /Info " +
              std::to_string(size) + " 0 R /Prev " + std::to_string(previous) +
              (id.empty() ? "" : " /ID " + id) + " >>\nstartxref\n" + std::to_string(xrefAt) +
              "\n%%EOF\n";
    pdf += update;
    return true;
}
