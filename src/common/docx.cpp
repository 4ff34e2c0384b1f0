#include "common/docx.h"

#include <pugixml.hpp>
#include <unzip.h>
#include <zip.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "common/error.h"
#include "common/office.h"
#include "common/tempnames.h"

namespace arv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDocument = "word/document.xml";
constexpr unsigned long long kMaxPart = 64ULL << 20;     // one part of the package
constexpr unsigned long long kMaxPackage = 256ULL << 20; // all of them
constexpr const char* kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kImageRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";

Error docxError(const std::string& file, const std::string& what)
{
    return Error(EG_READ, SUB_NONE, OS_NONE, "DOCX", what, file, "open");
}

bool named(const pugi::xml_node& n, const char* name) { return std::strcmp(n.name(), name) == 0; }

bool insideTextBox(pugi::xml_node n, const pugi::xml_node& stop)
{
    for (n = n.parent(); n && n != stop; n = n.parent())
        if (named(n, "w:txbxContent")) return true;
    return false;
}

// Paragraphs of a story; text-box paragraphs are a story of their own and left out unless
// WITHINBOX is the box itself.
std::vector<pugi::xml_node> paragraphs(pugi::xml_node root)
{
    std::vector<pugi::xml_node> out;
    for (pugi::xpath_node p : root.select_nodes(".//w:p"))
        if (!insideTextBox(p.node(), root)) out.push_back(p.node());
    return out;
}

// The w:t nodes of a paragraph in reading order (nested text boxes left out).
std::vector<pugi::xml_node> textNodes(pugi::xml_node para)
{
    std::vector<pugi::xml_node> out;
    for (pugi::xpath_node t : para.select_nodes(".//w:t"))
        if (!insideTextBox(t.node(), para)) out.push_back(t.node());
    return out;
}

bool isText(const pugi::xml_node& n) { return n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata; }

// The text of a w:t node. A word processor writes it as one piece; a damaged template may split it
// around other elements, and every piece counts, so that none surfaces later in a filled document.
std::string textOf(pugi::xml_node t)
{
    std::string s;
    for (pugi::xml_node c : t.children())
        if (isText(c)) s += c.value();
    return s;
}

// The node's text becomes S, in one piece.
void setText(pugi::xml_node t, const std::string& s)
{
    for (pugi::xml_node c = t.first_child(); c;) {
        pugi::xml_node next = c.next_sibling();
        if (isText(c)) t.remove_child(c);
        c = next;
    }
    t.prepend_child(pugi::node_pcdata).set_value(s.c_str());
    if (!t.attribute("xml:space")) t.append_attribute("xml:space") = "preserve";
}

// Replaces FIND in one paragraph, the first or every occurrence; the number replaced.
int replaceInParagraph(pugi::xml_node para, const std::string& find, const std::string& repl, bool all)
{
    if (find.empty()) return 0;
    int count = 0;
    size_t from = 0;
    for (;;) {
        std::vector<pugi::xml_node> nodes = textNodes(para);
        std::string text;
        std::vector<size_t> starts;
        for (pugi::xml_node n : nodes) {
            starts.push_back(text.size());
            text += textOf(n);
        }
        size_t at = text.find(find, from);
        if (at == std::string::npos) return count;
        const size_t end = at + find.size();
        // The node holding the first character gets the replacement; the others lose their part.
        for (size_t i = 0; i < nodes.size(); ++i) {
            std::string s = textOf(nodes[i]);
            size_t b = starts[i], e = b + s.size();
            if (e <= at || b >= end) continue;
            size_t cutFrom = std::max(at, b) - b, cutTo = std::min(end, e) - b;
            std::string next = s.substr(0, cutFrom);
            if (b <= at) next += repl;
            next += s.substr(cutTo);
            setText(nodes[i], next);
        }
        ++count;
        from = at + repl.size(); // after the replaced text: a replacement holding FIND does not loop
        if (!all) return count;
    }
}

int replaceInStory(pugi::xml_node root, const std::string& find, const std::string& repl, bool all)
{
    int count = 0;
    for (pugi::xml_node p : paragraphs(root)) {
        count += replaceInParagraph(p, find, repl, all);
        if (count > 0 && !all) break;
    }
    return count;
}

std::string storyText(pugi::xml_node root)
{
    std::string s;
    for (pugi::xml_node p : paragraphs(root)) {
        for (pugi::xml_node t : textNodes(p)) s += textOf(t);
        s += '\n';
    }
    return s;
}

std::string boxText(pugi::xml_node box)
{
    std::string s;
    for (pugi::xpath_node t : box.select_nodes(".//w:t")) s += textOf(t.node());
    return s;
}

std::string trimmed(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return std::string();
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

pugi::xml_node alternateContentOf(pugi::xml_node n)
{
    for (; n; n = n.parent())
        if (named(n, "mc:AlternateContent")) return n;
    return {};
}

// Picture size in pixels from the file's header (PNG, JPEG, GIF, BMP); 100x100 otherwise.
std::pair<long long, long long> imageSize(const std::string& data)
{
    auto be32 = [&](size_t i) {
        return (static_cast<unsigned char>(data[i]) << 24) | (static_cast<unsigned char>(data[i + 1]) << 16) |
               (static_cast<unsigned char>(data[i + 2]) << 8) | static_cast<unsigned char>(data[i + 3]);
    };
    auto le16 = [&](size_t i) { return static_cast<unsigned char>(data[i]) | (static_cast<unsigned char>(data[i + 1]) << 8); };
    if (data.size() > 24 && data.compare(1, 3, "PNG") == 0) return {be32(16), be32(20)};
    if (data.size() > 10 && data.compare(0, 3, "GIF") == 0) return {le16(6), le16(8)};
    if (data.size() > 26 && data.compare(0, 2, "BM") == 0)
        return {std::abs(static_cast<int>(le16(18) | (le16(20) << 16))), std::abs(static_cast<int>(le16(22) | (le16(24) << 16)))};
    if (data.size() > 4 && static_cast<unsigned char>(data[0]) == 0xFF && static_cast<unsigned char>(data[1]) == 0xD8) {
        size_t i = 2;
        while (i + 9 < data.size()) {
            if (static_cast<unsigned char>(data[i]) != 0xFF) break;
            unsigned char m = static_cast<unsigned char>(data[i + 1]);
            size_t len = (static_cast<unsigned char>(data[i + 2]) << 8) | static_cast<unsigned char>(data[i + 3]);
            if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
                long long h = (static_cast<unsigned char>(data[i + 5]) << 8) | static_cast<unsigned char>(data[i + 6]);
                long long w = (static_cast<unsigned char>(data[i + 7]) << 8) | static_cast<unsigned char>(data[i + 8]);
                return {w, h};
            }
            i += 2 + len;
        }
    }
    return {100, 100};
}

std::string relsOf(const std::string& part)
{
    fs::path p(part);
    return (p.parent_path() / "_rels" / (p.filename().string() + ".rels")).generic_string();
}

void fillBox(const std::vector<pugi::xml_node>& boxes, const std::string& find, const std::string& rid, long long cx,
             long long cy, int id, const std::string& text)
{
    for (pugi::xml_node box : boxes) {
        // Only the first paragraph stays, emptied (its paragraph properties kept).
        pugi::xml_node first = box.child("w:p");
        while (pugi::xml_node extra = first.next_sibling()) box.remove_child(extra);
        for (pugi::xml_node c = first.first_child(); c;) {
            pugi::xml_node next = c.next_sibling();
            if (!named(c, "w:pPr")) first.remove_child(c);
            c = next;
        }
        std::string before, after;
        if (!text.empty()) {
            size_t at = text.find(find);
            before = at == std::string::npos ? text : text.substr(0, at);
            after = at == std::string::npos ? std::string() : text.substr(at + find.size());
        }
        auto addText = [&](const std::string& s) {
            if (s.empty()) return;
            setText(first.append_child("w:r").append_child("w:t"), s);
        };
        addText(before);
        if (!rid.empty()) {
            // Only the drawing flavour of the box takes the picture; the old-style fallback keeps the text.
            pugi::xml_node r = first.append_child("w:r");
            pugi::xml_node inl = r.append_child("w:drawing").append_child("wp:inline");
            inl.append_attribute("distT") = "0";
            inl.append_attribute("distB") = "0";
            inl.append_attribute("distL") = "0";
            inl.append_attribute("distR") = "0";
            pugi::xml_node ext = inl.append_child("wp:extent");
            ext.append_attribute("cx") = cx;
            ext.append_attribute("cy") = cy;
            pugi::xml_node doc = inl.append_child("wp:docPr");
            doc.append_attribute("id") = 1000 + id;
            doc.append_attribute("name") = ("Immagine " + std::to_string(id)).c_str();
            pugi::xml_node g = inl.append_child("a:graphic");
            g.append_attribute("xmlns:a") = "http://schemas.openxmlformats.org/drawingml/2006/main";
            pugi::xml_node gd = g.append_child("a:graphicData");
            gd.append_attribute("uri") = "http://schemas.openxmlformats.org/drawingml/2006/picture";
            pugi::xml_node pic = gd.append_child("pic:pic");
            pic.append_attribute("xmlns:pic") = "http://schemas.openxmlformats.org/drawingml/2006/picture";
            pugi::xml_node nv = pic.append_child("pic:nvPicPr");
            pugi::xml_node cnv = nv.append_child("pic:cNvPr");
            cnv.append_attribute("id") = 0;
            cnv.append_attribute("name") = ("Immagine " + std::to_string(id)).c_str();
            nv.append_child("pic:cNvPicPr");
            pugi::xml_node fill = pic.append_child("pic:blipFill");
            pugi::xml_node blip = fill.append_child("a:blip");
            blip.append_attribute("xmlns:r") = kRelNs;
            blip.append_attribute("r:embed") = rid.c_str();
            fill.append_child("a:stretch").append_child("a:fillRect");
            pugi::xml_node sp = pic.append_child("pic:spPr");
            pugi::xml_node xf = sp.append_child("a:xfrm");
            pugi::xml_node off = xf.append_child("a:off");
            off.append_attribute("x") = 0;
            off.append_attribute("y") = 0;
            pugi::xml_node e2 = xf.append_child("a:ext");
            e2.append_attribute("cx") = cx;
            e2.append_attribute("cy") = cy;
            sp.append_child("a:prstGeom").append_attribute("prst") = "rect";
        }
        addText(after);
    }
}

} // namespace

WordDocument::~WordDocument() = default;

std::unique_ptr<WordDocument> WordDocument::open(const std::string& path)
{
    std::unique_ptr<WordDocument> d(new WordDocument());
    d->template_ = path;
    unzFile zf = unzOpen64(path.c_str());
    if (!zf) throw docxError(path, "Documento non leggibile");
    struct Closer {
        unzFile f;
        ~Closer() { unzClose(f); }
    } closer{zf};
    unsigned long long total = 0;
    for (int rc = unzGoToFirstFile(zf); rc == UNZ_OK; rc = unzGoToNextFile(zf)) {
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(zf, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            throw docxError(path, "Documento non leggibile");
        std::string name(info.size_filename, '\0');
        if (unzGetCurrentFileInfo64(zf, &info, name.data(), static_cast<uLong>(name.size()), nullptr, 0, nullptr, 0) !=
            UNZ_OK)
            throw docxError(path, "Documento non leggibile");
        // A template is a few hundred kilobytes: sizes beyond any document are a damaged file.
        total += info.uncompressed_size;
        if (info.uncompressed_size > kMaxPart || total > kMaxPackage) throw docxError(path, "Documento non leggibile");
        if (unzOpenCurrentFile(zf) != UNZ_OK) throw docxError(path, "Documento non leggibile");
        std::string data(static_cast<size_t>(info.uncompressed_size), '\0');
        int got = data.empty() ? 0 : unzReadCurrentFile(zf, data.data(), static_cast<unsigned>(data.size()));
        // Closing compares the checksum of what was read with the stored one.
        const bool sound = unzCloseCurrentFile(zf) == UNZ_OK;
        if (got < 0 || static_cast<size_t>(got) != data.size() || !sound) throw docxError(path, "Documento non leggibile");
        d->order_.push_back(name);
        d->entries_[name] = std::move(data);
    }
    if (!d->entries_.count(kDocument) || !d->part(kDocument)) throw docxError(path, "Documento non valido");
    return d;
}

pugi::xml_document* WordDocument::part(const std::string& name) const
{
    auto it = parts_.find(name);
    if (it != parts_.end()) return it->second.get();
    auto e = entries_.find(name);
    if (e == entries_.end()) return nullptr;
    auto doc = std::make_unique<pugi::xml_document>();
    if (!doc->load_buffer(e->second.data(), e->second.size(), pugi::parse_default | pugi::parse_ws_pcdata))
        return nullptr;
    return parts_.emplace(name, std::move(doc)).first->second.get();
}

// The part of the first section's default header ("w:headerReference") or footer.
std::optional<std::string> WordDocument::storyPart(const char* reference) const
{
    pugi::xml_document* doc = part(kDocument);
    pugi::xml_document* rels = part(relsOf(kDocument));
    if (!doc || !rels) return std::nullopt;
    std::string xpath = std::string("//w:sectPr/") + reference;
    pugi::xml_node chosen;
    for (pugi::xpath_node r : doc->select_nodes(xpath.c_str())) {
        const char* type = r.node().attribute("w:type").value();
        if (!*type || std::strcmp(type, "default") == 0) {
            chosen = r.node();
            break;
        }
    }
    if (!chosen) return std::nullopt;
    std::string id = chosen.attribute("r:id").value();
    for (pugi::xml_node rel : rels->child("Relationships").children("Relationship"))
        if (id == rel.attribute("Id").value()) return (fs::path("word") / rel.attribute("Target").value()).generic_string();
    return std::nullopt;
}

bool WordDocument::replaceBody(const std::string& find, const std::string& repl, bool all)
{
    pugi::xml_document* doc = part(kDocument);
    return replaceInStory(doc->child("w:document").child("w:body"), find, repl, all) > 0;
}

bool WordDocument::replaceHeader(const std::string& find, const std::string& repl, bool all)
{
    std::optional<std::string> header = storyPart("w:headerReference");
    pugi::xml_document* doc = header ? part(*header) : nullptr;
    if (!doc) return false;
    return replaceInStory(doc->document_element(), find, repl, all) > 0;
}

std::string WordDocument::addImage(const std::string& story, const std::string& image, long long* cx, long long* cy)
{
    std::ifstream in(image, std::ios::binary);
    if (!in) return std::string();
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string ext = fs::path(image).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (!ext.empty()) ext.erase(0, 1);
    if (ext == "jpg") ext = "jpeg";
    auto [w, h] = imageSize(data);
    *cx = w * 9525;
    *cy = h * 9525;
    ++imageCount_;
    std::string media = "word/media/arvimg" + std::to_string(imageCount_) + "." + ext;
    entries_[media] = std::move(data);
    order_.push_back(media);

    // The content type of the extension.
    if (pugi::xml_document* types = part("[Content_Types].xml")) {
        pugi::xml_node root = types->child("Types");
        bool known = false;
        for (pugi::xml_node d : root.children("Default"))
            if (ext == d.attribute("Extension").value()) known = true;
        if (!known) {
            pugi::xml_node d = root.prepend_child("Default");
            d.append_attribute("Extension") = ext.c_str();
            d.append_attribute("ContentType") = ("image/" + ext).c_str();
        }
    }
    // The relationship from the story that shows the picture.
    const std::string relsName = relsOf(story);
    if (!entries_.count(relsName)) {
        entries_[relsName] =
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"/>";
        order_.push_back(relsName);
    }
    pugi::xml_document* rels = part(relsName);
    if (!rels) return std::string();
    pugi::xml_node root = rels->child("Relationships");
    std::string rid = "rIdArv" + std::to_string(imageCount_);
    pugi::xml_node r = root.append_child("Relationship");
    r.append_attribute("Id") = rid.c_str();
    r.append_attribute("Type") = kImageRel;
    r.append_attribute("Target") = ("media/arvimg" + std::to_string(imageCount_) + "." + ext).c_str();
    return rid;
}

namespace {

// The text boxes of a story whose text is FIND, grouped so that the two flavours of one box (the
// drawing and its old-style fallback) count as one.
std::vector<std::vector<pugi::xml_node>> matchingBoxes(pugi::xml_node root, const std::string& find)
{
    std::vector<std::vector<pugi::xml_node>> groups;
    std::vector<pugi::xml_node> owners;
    for (pugi::xpath_node b : root.select_nodes(".//w:txbxContent")) {
        if (trimmed(boxText(b.node())) != find) continue;
        pugi::xml_node owner = alternateContentOf(b.node());
        auto it = owner ? std::find(owners.begin(), owners.end(), owner) : owners.end();
        if (it != owners.end()) {
            groups[static_cast<size_t>(it - owners.begin())].push_back(b.node());
        } else {
            owners.push_back(owner);
            groups.push_back({b.node()});
        }
    }
    return groups;
}

} // namespace

bool WordDocument::replaceTextBox(const std::string& find, const std::string& image, const std::string& text, bool all)
{
    pugi::xml_document* doc = part(kDocument);
    auto groups = matchingBoxes(doc->child("w:document").child("w:body"), find);
    if (groups.empty()) return false;
    for (auto& g : groups) {
        long long cx = 0, cy = 0;
        std::string rid = image.empty() ? std::string() : addImage(kDocument, image, &cx, &cy);
        // The picture goes into the drawing flavour; the fallback flavour is only emptied.
        std::vector<pugi::xml_node> drawing, fallback;
        for (pugi::xml_node b : g) {
            bool inFallback = false;
            for (pugi::xml_node n = b.parent(); n; n = n.parent())
                if (named(n, "mc:Fallback")) inFallback = true;
            (inFallback ? fallback : drawing).push_back(b);
        }
        fillBox(drawing.empty() ? fallback : drawing, find, rid, cx, cy, imageCount_, text);
        if (!drawing.empty()) fillBox(fallback, find, std::string(), 0, 0, 0, text);
        if (!all) break;
    }
    return true;
}

bool WordDocument::replaceHeaderTextBox(const std::string& find, const std::string& image)
{
    bool found = false;
    for (const char* ref : {"w:headerReference", "w:footerReference"}) {
        std::optional<std::string> story = storyPart(ref);
        pugi::xml_document* doc = story ? part(*story) : nullptr;
        if (!doc) continue;
        auto groups = matchingBoxes(doc->document_element(), find);
        if (groups.empty()) continue;
        long long cx = 0, cy = 0;
        std::string rid = image.empty() ? std::string() : addImage(*story, image, &cx, &cy);
        fillBox(groups.front(), find, rid, cx, cy, imageCount_, std::string());
        found = true;
    }
    return found;
}

void WordDocument::removeContent()
{
    pugi::xml_node body = part(kDocument)->child("w:document").child("w:body");
    for (pugi::xml_node c = body.first_child(); c;) {
        pugi::xml_node next = c.next_sibling();
        if (!named(c, "w:sectPr")) body.remove_child(c);
        c = next;
    }
}

std::string WordDocument::bodyText() const
{
    return storyText(part(kDocument)->child("w:document").child("w:body"));
}

std::string WordDocument::headerText() const
{
    std::optional<std::string> header = storyPart("w:headerReference");
    pugi::xml_document* doc = header ? part(*header) : nullptr;
    return doc ? storyText(doc->document_element()) : std::string();
}

std::string WordDocument::textBoxText() const
{
    std::string s;
    for (pugi::xpath_node b : part(kDocument)->select_nodes("//w:txbxContent")) s += boxText(b.node()) + "\n";
    return s;
}

void WordDocument::save(const std::string& path)
{
    zipFile zf = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zf) throw Error(EG_CREATE, SUB_NONE, OS_NONE, "DOCX", "Impossibile creare il documento", path, "save");
    bool ok = true;
    for (const std::string& name : order_) {
        std::string data;
        auto p = parts_.find(name);
        if (p != parts_.end()) {
            std::ostringstream out;
            p->second->save(out, "", pugi::format_raw);
            data = out.str();
        } else {
            data = entries_[name];
        }
        zip_fileinfo info{};
        ok = ok && zipOpenNewFileInZip64(zf, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                         Z_DEFAULT_COMPRESSION, 0) == ZIP_OK;
        ok = ok && zipWriteInFileInZip(zf, data.data(), static_cast<unsigned>(data.size())) == ZIP_OK;
        ok = ok && zipCloseFileInZip(zf) == ZIP_OK;
    }
    ok = zipClose(zf, nullptr) == ZIP_OK && ok;
    if (!ok) throw Error(EG_WRITE, SUB_NONE, OS_NONE, "DOCX", "Impossibile scrivere il documento", path, "save");
}

std::string WordDocument::show()
{
    fs::path folder = fs::temp_directory_path() / GETNEWFNAME();
    fs::create_directories(folder);
    std::string file = (folder / fs::path(template_).filename()).string();
    save(file);
    if (officeHooks().open && !officeHooks().open(file))
        throw Error(EG_OPEN, SUB_NONE, OS_NONE, "DOCX", "Nessun programma ha aperto il documento", file, "show");
    return file;
}

bool WORDREPLACE(WordDocument& doc, const std::string& find, const std::string& repl) { return doc.replaceBody(find, repl, false); }
bool WORDREPLACEALL(WordDocument& doc, const std::string& find, const std::string& repl) { return doc.replaceBody(find, repl, true); }

bool WORDREPLACERNG(WordDocument& doc, const std::string& find, const std::string& repl)
{
    try {
        return doc.replaceHeader(find, repl, false);
    } catch (...) {
        return false;
    }
}

bool WORDREPLACERNGALL(WordDocument& doc, const std::string& find, const std::string& repl)
{
    try {
        return doc.replaceHeader(find, repl, true);
    } catch (...) {
        return false;
    }
}

bool WORDREPLACEIMG(WordDocument& doc, const std::string& find, const std::string& image, const std::string& text)
{
    try {
        return doc.replaceTextBox(find, image, text, false);
    } catch (...) {
        return false;
    }
}

bool WORDREPLACEIMGALL(WordDocument& doc, const std::string& find, const std::string& image, const std::string& text)
{
    try {
        return doc.replaceTextBox(find, image, text, true);
    } catch (...) {
        return false;
    }
}

bool WORDREPLACEIMGRNG(WordDocument& doc, const std::string& find, const std::string& image)
{
    try {
        return doc.replaceHeaderTextBox(find, image);
    } catch (...) {
        return false;
    }
}

void WORDREMOVECONTENT(WordDocument& doc)
{
    try {
        doc.removeContent();
    } catch (...) {
    }
}

std::string WORDSHOW(WordDocument& doc)
{
    try {
        return doc.show();
    } catch (...) {
        return std::string();
    }
}

std::optional<std::string> missingTemplateMessage(const std::string& templatePath)
{
    std::error_code ec;
    if (fs::exists(templatePath, ec)) return std::nullopt;
    return "Impossibile trovare il file:;;" + fs::path(templatePath).filename().string();
}

} // namespace arv
