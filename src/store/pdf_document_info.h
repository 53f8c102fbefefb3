#pragma once
// The document information of a PDF (title, author, subject, creator): what a viewer shows as
// the document's properties and a file manager lists. Set by appending an incremental update to
// the whole PDF, as the format allows: a new information dictionary, a cross-reference section
// for it, and a trailer that points to it and back to the earlier one. Nothing before is
// changed.

#include <string>

struct TPdfDocumentInfo { // UTF-8; an empty entry is left out
    std::string Title;
    std::string Author;
    std::string Subject;
    std::string Creator;
};

// Appends the update to `pdf`, a whole PDF with a classic cross-reference table. False, and
// `pdf` unchanged, when it is not one: it must begin with "%PDF-", end with "%%EOF" (and line
// ends), and its last trailer must give /Size and /Root before its "startxref".
bool AddDocumentInfo(std::string& pdf, const TPdfDocumentInfo& info);

// A text as a PDF string: UTF-16 big-endian with its byte order mark, in hexadecimal
// ("<FEFF...>"), so that any character survives.
std::string PdfTextString(const std::string& utf8);
