// Filling word-processor templates (.docx): placeholders such as "<contraente>" are replaced in the
// body, in the page header and in floating text boxes, where a picture can take the place of the
// text. A placeholder is found also when the word processor split it across formatting runs; a
// replacement that contains its own placeholder does not loop (the search goes on after the
// replaced text). The filled document is saved under a temporary name and opened with the
// desktop's application for the user to print or save.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pugi {
class xml_document;
class xml_node;
}

namespace arv {

class WordDocument {
public:
    ~WordDocument();
    // Reads the template. Throws arv::Error when it is not a readable .docx.
    static std::unique_ptr<WordDocument> open(const std::string& templatePath);

    const std::string& templatePath() const { return template_; }

    // Body text, first or every occurrence: true when the placeholder was there.
    bool replaceBody(const std::string& find, const std::string& replacement, bool all);
    // The page header of the first section (its primary header): true when replaced.
    bool replaceHeader(const std::string& find, const std::string& replacement, bool all);
    // Floating text boxes of the body whose whole text is FIND: emptied, and given the picture when
    // IMAGE is not empty (embedded in the document). TEXT, when given, is written into the box with
    // the picture in place of the placeholder. True when a box was found.
    bool replaceTextBox(const std::string& find, const std::string& image, const std::string& text, bool all);
    // The same in the text boxes of the first section's header, then of its footer (first box of each).
    bool replaceHeaderTextBox(const std::string& find, const std::string& image);
    // Deletes the whole body text (the page layout stays).
    void removeContent();

    // The text of the body, of the primary header, of every text box (paragraphs end with '\n').
    std::string bodyText() const;
    std::string headerText() const;
    std::string textBoxText() const;

    // Writes the document. Throws arv::Error.
    void save(const std::string& path);
    // Saves under a temporary name (the template's file name in a temporary folder of this
    // workstation) and opens it with the associated application; gives the path. Throws
    // arv::Error when it cannot be written or no application opened it.
    std::string show();

private:
    WordDocument() = default;
    pugi::xml_document* part(const std::string& name) const;
    std::optional<std::string> storyPart(const char* reference) const;
    std::string addImage(const std::string& storyPart, const std::string& image, long long* cx, long long* cy);

    std::string template_;
    std::map<std::string, std::string> entries_;                        // zip entries not parsed
    mutable std::map<std::string, std::unique_ptr<pugi::xml_document>> parts_; // parsed XML parts
    std::vector<std::string> order_;                                    // entry order of the file
    int imageCount_ = 0;
};

// The replacement functions of the templates, on an open document.
bool WORDREPLACE(WordDocument& doc, const std::string& find, const std::string& replacement);
bool WORDREPLACEALL(WordDocument& doc, const std::string& find, const std::string& replacement);
bool WORDREPLACERNG(WordDocument& doc, const std::string& find, const std::string& replacement);
bool WORDREPLACERNGALL(WordDocument& doc, const std::string& find, const std::string& replacement);
bool WORDREPLACEIMG(WordDocument& doc, const std::string& find, const std::string& image, const std::string& text = {});
bool WORDREPLACEIMGALL(WordDocument& doc, const std::string& find, const std::string& image,
                       const std::string& text = {});
bool WORDREPLACEIMGRNG(WordDocument& doc, const std::string& find, const std::string& image);
void WORDREMOVECONTENT(WordDocument& doc);
// Saves the filled document under a temporary name and opens it; the path ("" when it could not
// be written or opened).
std::string WORDSHOW(WordDocument& doc);

// "Impossibile trovare il file:;;" + the file's name without its folder, when the template is missing.
std::optional<std::string> missingTemplateMessage(const std::string& templatePath);

} // namespace arv
