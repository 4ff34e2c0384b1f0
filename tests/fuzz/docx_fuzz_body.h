// One fuzz round over a word-processor template: the input is the .docx itself or, framed (see
// fuzz_support.h), the parts it holds ("word/document.xml", the header, the relationships ...),
// packed here into the package. The template is filled the way the receipts and the
// pre-contractual documents fill theirs: placeholders in the body (split across formatting runs
// or not), in the page header, in text boxes with a picture. Afterwards no placeholder replaced
// throughout may be left in the body, and the saved document must open again with the same text.
// arv::Error is the only complaint allowed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "common/docx.h"
#include "common/error.h"
#include "fuzz/fuzz_support.h"

namespace arv::fuzz {

// A picture to put in the text boxes: the header of a 16 x 8 PNG is all the filling reads.
inline const std::string& docxPicture()
{
    static const std::string path = [] {
        const std::string p = scratchDir() + "/logo.png";
        const unsigned char png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D',
                                     'R',  0,   0,   0,   16,   0,    0,    0,    8, 8, 2, 0, 0, 0};
        writeBytes(p, png, sizeof png);
        return p;
    }();
    return path;
}

inline int docxFuzzOne(const uint8_t* data, size_t size)
{
    const std::string dir = scratchDir() + "/docx";
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir);
    const std::string templ = dir + "/Ricevuta pagamento.docx", filled = dir + "/compilato.docx";
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    if (isFramed(in)) {
        if (!writeZipParts(templ, splitParts(in))) return 0;
    } else {
        writeBytes(templ, data, size);
    }

    std::unique_ptr<WordDocument> doc;
    try {
        doc = WordDocument::open(templ);
    } catch (const arv::Error&) {
        return 0;
    }
    doc->bodyText();
    doc->headerText();
    doc->textBoxText();
    WORDREPLACE(*doc, "<scadenza>", "31/12/2026");
    WORDREPLACEALL(*doc, "<contraente>", "ROSSI MARIO");
    WORDREPLACEALL(*doc, "<targa>", "AB123CD e ancora <targa>");
    WORDREPLACERNG(*doc, "<agenzia>", "Agenzia Centrale");
    WORDREPLACERNGALL(*doc, "<contraente>", "ROSSI MARIO");
    WORDREPLACEIMG(*doc, "<logo>", docxPicture(), "Timbro: <logo>");
    WORDREPLACEIMGALL(*doc, "<firma>", std::string());
    WORDREPLACEIMGRNG(*doc, "<marchio>", docxPicture());
    const std::string body = doc->bodyText();
    if (body.find("<contraente>") != std::string::npos) fail("docx", "a placeholder replaced throughout is still there");

    try {
        doc->save(filled);
    } catch (const arv::Error&) {
        return 0;
    }
    std::unique_ptr<WordDocument> back;
    try {
        back = WordDocument::open(filled);
    } catch (const arv::Error& e) {
        fail("docx", std::string("a filled document does not open again: ") + e.what());
    }
    if (back->bodyText() != body) fail("docx", "a filled document reads back with another text");
    WORDREMOVECONTENT(*back);
    return 0;
}

} // namespace arv::fuzz
