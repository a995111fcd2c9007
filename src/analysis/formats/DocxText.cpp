#include "analysis/formats/DocxText.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <exception>
#include <memory>
#include <pugixml.hpp>
#include <utility>
#include <vector>
#include <zip.h>

namespace pagetally {
namespace {

constexpr std::string_view transitionalRelationships =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
constexpr std::string_view strictRelationships = "http://purl.oclc.org/ooxml/officeDocument/relationships/";
constexpr std::string_view transitionalWordprocessing =
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr std::string_view strictWordprocessing = "http://purl.oclc.org/ooxml/wordprocessingml/main";
constexpr std::string_view markupCompatibility =
    "http://schemas.openxmlformats.org/markup-compatibility/2006";

// Word itself opens no document above 512 MB; a part that inflates beyond this is a
// decompression bomb, not a document, and would only exhaust the memory.
constexpr std::size_t maximumPartSize = std::size_t(512) << 20;

struct ArchiveCloser
{
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryCloser
{
    void operator()(zip_file_t* entry) const { zip_fclose(entry); }
};

class Package
{
public:
    static std::optional<Package> open(std::string_view bytes)
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        if (source == nullptr) {
            zip_error_fini(&error);
            return std::nullopt;
        }
        zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
        zip_error_fini(&error);
        if (archive == nullptr) {
            zip_source_free(source);
            return std::nullopt;
        }
        Package package;
        package.archive_.reset(archive);
        return package;
    }

    // The bytes of a part, or nullopt when there is no such part or it cannot be inflated; then
    // `why`, if given, says which for a part the container lists.
    // Part names compare without regard to ASCII case, as the packaging rules ask.
    std::optional<std::string> read(const std::string& name, std::string* why = nullptr) const
    {
        zip_int64_t index = zip_name_locate(archive_.get(), name.c_str(), 0);
        if (index < 0) {
            index = zip_name_locate(archive_.get(), name.c_str(), ZIP_FL_NOCASE);
        }
        if (index < 0) {
            return std::nullopt;
        }
        const auto unreadable = [&](const char* reason) {
            if (why != nullptr) {
                *why = reason;
            }
            return std::nullopt;
        };
        const std::unique_ptr<zip_file_t, EntryCloser> entry(
            zip_fopen_index(archive_.get(), static_cast<zip_uint64_t>(index), 0));
        if (!entry) {
            return unreadable("could not be decompressed");
        }
        // The stated size is only a hint: the inflated data decides. Reading straight into the
        // string saves a copy of the whole part.
        zip_stat_t stat;
        zip_stat_init(&stat);
        std::size_t expected = 0;
        if (zip_stat_index(archive_.get(), static_cast<zip_uint64_t>(index), 0, &stat) == 0 &&
            (stat.valid & ZIP_STAT_SIZE) != 0) {
            if (stat.size > maximumPartSize) {
                return unreadable(tooLarge);
            }
            expected = static_cast<std::size_t>(stat.size);
        }
        std::string data;
        std::size_t size = 0;
        for (;;) {
            if (data.size() == size) {
                if (data.size() >= maximumPartSize) {
                    return unreadable(tooLarge);
                }
                // One byte beyond the stated size, so that the end shows without growing.
                data.resize(std::min(maximumPartSize, std::max(expected + 1, data.size() * 2 + 65536)));
            }
            const zip_int64_t n = zip_fread(entry.get(), data.data() + size, data.size() - size);
            if (n < 0) {
                return unreadable("could not be decompressed"); // a CRC or inflate error
            }
            if (n == 0) {
                break;
            }
            size += static_cast<std::size_t>(n);
        }
        data.resize(size);
        return data;
    }

private:
    static constexpr const char* tooLarge = "inflates to more than 512 MiB";
    std::unique_ptr<zip_t, ArchiveCloser> archive_;
};

std::string_view localName(std::string_view qualified)
{
    const auto colon = qualified.find(':');
    return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

bool isRelationshipType(std::string_view type, std::string_view name)
{
    for (const std::string_view base : {transitionalRelationships, strictRelationships}) {
        if (type.size() == base.size() + name.size() && type.starts_with(base) && type.ends_with(name)) {
            return true;
        }
    }
    return false;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The part name a relationship target points to, relative to the folder of its source part
// ("" for the package itself): percent escapes decoded, "." and ".." resolved, no leading "/".
std::string resolveTarget(std::string_view sourceFolder, std::string_view target)
{
    std::string decoded;
    for (std::size_t i = 0; i < target.size(); ++i) {
        if (target[i] == '%' && i + 2 < target.size() && hexValue(target[i + 1]) >= 0 &&
            hexValue(target[i + 2]) >= 0) {
            decoded.push_back(static_cast<char>(hexValue(target[i + 1]) * 16 + hexValue(target[i + 2])));
            i += 2;
        } else {
            decoded.push_back(target[i]);
        }
    }
    std::string joined = decoded.starts_with('/') ? decoded : std::string(sourceFolder) + decoded;

    std::vector<std::string_view> segments;
    std::string_view rest = joined;
    while (!rest.empty()) {
        const auto slash = rest.find('/');
        const std::string_view segment = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (segment.empty() || segment == ".") {
            continue;
        }
        if (segment == "..") {
            if (!segments.empty()) {
                segments.pop_back();
            }
            continue;
        }
        segments.push_back(segment);
    }
    std::string name;
    for (const auto segment : segments) {
        if (!name.empty()) {
            name.push_back('/');
        }
        name.append(segment);
    }
    return name;
}

std::string folderOf(const std::string& partName)
{
    const auto slash = partName.rfind('/');
    return slash == std::string::npos ? std::string() : partName.substr(0, slash + 1);
}

std::string relationshipsPartOf(const std::string& partName)
{
    const auto slash = partName.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : partName.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? partName : partName.substr(slash + 1);
    return folder + "_rels/" + file + ".rels";
}

// A part that the container lists and that gave no text, and why (one of the reasons of
// Package::read, or notWellFormed).
struct PartProblem
{
    std::string part;
    std::string reason;
};

constexpr const char* notWellFormed = "is not well-formed XML";

// For each type, the part named by the first internal relationship of that type, or "" when
// none. When the relationships part is listed but cannot be read, `why` says which and why.
std::vector<std::string> relatedParts(const Package& package,
                                      const std::string& sourcePart,
                                      const std::vector<std::string_view>& types,
                                      PartProblem& why)
{
    std::vector<std::string> parts(types.size());
    const std::string relsName = sourcePart.empty() ? "_rels/.rels" : relationshipsPartOf(sourcePart);
    std::optional<std::string> rels = package.read(relsName, &why.reason);
    if (!rels) {
        why.part = why.reason.empty() ? std::string() : relsName;
        return parts;
    }
    pugi::xml_document document;
    if (!document.load_buffer_inplace(rels->data(), rels->size())) {
        why = {relsName, notWellFormed};
        return parts;
    }
    for (const pugi::xml_node relationship : document.document_element().children()) {
        if (localName(relationship.name()) != "Relationship" ||
            std::string_view(relationship.attribute("TargetMode").value()) == "External") {
            continue;
        }
        for (std::size_t i = 0; i < types.size(); ++i) {
            if (parts[i].empty() && isRelationshipType(relationship.attribute("Type").value(), types[i])) {
                parts[i] = resolveTarget(folderOf(sourcePart), relationship.attribute("Target").value());
            }
        }
    }
    return parts;
}

enum class Namespace { Other, Wordprocessing, MarkupCompatibility };

Namespace classify(std::string_view uri)
{
    if (uri == transitionalWordprocessing || uri == strictWordprocessing) {
        return Namespace::Wordprocessing;
    }
    if (uri == markupCompatibility) {
        return Namespace::MarkupCompatibility;
    }
    return Namespace::Other;
}

void appendCodePoint(std::string& out, std::uint32_t cp)
{
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return;
    }
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Walks elements without recursion (documents nest tables and text boxes without limit),
// resolving namespace prefixes as it goes, since a producer may choose any prefix.
class TextCollector
{
public:
    explicit TextCollector(std::string& out) : out_(out) {}

    // Declares the namespaces of `element` and tells what it is.
    Namespace namespaceOf(pugi::xml_node element, std::string_view& local)
    {
        declare(element);
        const std::string_view name = element.name();
        const auto colon = name.find(':');
        const std::string_view prefix =
            colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
        local = colon == std::string_view::npos ? name : name.substr(colon + 1);
        return lookup(prefix);
    }

    // Appends the text of `element`, whose ancestors' namespaces are declared already.
    void collect(pugi::xml_node element)
    {
        if (element.type() != pugi::node_element) {
            return;
        }
        std::vector<Frame> stack;
        open(element, stack);
        while (!stack.empty()) {
            Frame& top = stack.back();
            const pugi::xml_node child = top.next;
            if (!child) {
                if (top.endsLine && !out_.ends_with('\n')) {
                    out_.push_back('\n');
                }
                out_.append(top.after);
                restore(top.scopeSize);
                stack.pop_back();
                continue;
            }
            top.next = top.single ? pugi::xml_node() : child.next_sibling();
            if (child.type() == pugi::node_element) {
                open(child, stack);
            }
        }
    }

private:
    struct Frame
    {
        pugi::xml_node next; // the next child to visit
        bool single;         // visit `next` only, not its siblings
        std::size_t scopeSize;
        std::string_view after; // appended when the element is left
        bool endsLine = false;  // a line break follows unless the text ends in one already
    };

    void open(pugi::xml_node element, std::vector<Frame>& stack)
    {
        const std::size_t scopeSize = scope_.size();
        std::string_view local;
        const Namespace ns = namespaceOf(element, local);
        if (ns == Namespace::Wordprocessing) {
            if (local == "t") {
                for (const pugi::xml_node text : element.children()) {
                    if (text.type() == pugi::node_pcdata || text.type() == pugi::node_cdata) {
                        out_.append(text.value());
                    }
                }
                restore(scopeSize);
                return;
            }
            if (isLeftOut(local)) {
                restore(scopeSize);
                return;
            }
            if (local == "tab" || local == "ptab") {
                out_.push_back('\t');
            } else if (local == "br" || local == "cr") {
                out_.push_back('\n');
            } else if (local == "noBreakHyphen") {
                out_.append("\u2011");
            } else if (local == "softHyphen") {
                out_.append("\u00AD");
            } else if (local == "sym") {
                appendSymbol(element);
            } else if (local == "p") {
                stack.push_back({element.first_child(), false, scopeSize, "\n"});
                return;
            } else if (local == "tc" || local == "tr" || local == "footnote" || local == "endnote") {
                // Their paragraphs end in line breaks already; this keeps apart what has none.
                stack.push_back({element.first_child(), false, scopeSize, {}, true});
                return;
            } else if (local == "txbxContent") {
                // Apart from the words of the paragraph it is anchored in.
                out_.push_back('\n');
                stack.push_back({element.first_child(), false, scopeSize, "\n"});
                return;
            }
        } else if (ns == Namespace::MarkupCompatibility && local == "AlternateContent") {
            // Word stores a text box twice, as a choice and as its fallback: read one of them.
            stack.push_back({chooseAlternative(element), true, scopeSize, {}});
            return;
        }
        stack.push_back({element.first_child(), false, scopeSize, {}});
    }

    // Elements whose content is not text of the document as it reads now.
    static bool isLeftOut(std::string_view local)
    {
        return local == "delText" || local == "instrText" || local == "delInstrText" || local == "del" ||
               local == "moveFrom" || local.ends_with("Pr") || local.ends_with("PrEx") ||
               local == "footnoteReference" || local == "endnoteReference";
    }

    pugi::xml_node chooseAlternative(pugi::xml_node alternateContent)
    {
        pugi::xml_node fallback;
        for (const pugi::xml_node child : alternateContent.children()) {
            if (child.type() != pugi::node_element) {
                continue;
            }
            // Only the child's name is resolved here; its own declarations are read when it is visited.
            const std::string_view name = child.name();
            const auto colon = name.find(':');
            const std::string_view prefix =
                colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
            const std::string_view local = colon == std::string_view::npos ? name : name.substr(colon + 1);
            if (lookup(prefix) != Namespace::MarkupCompatibility) {
                continue;
            }
            if (local == "Choice") {
                return child;
            }
            if (local == "Fallback" && !fallback) {
                fallback = child;
            }
        }
        return fallback;
    }

    void appendSymbol(pugi::xml_node sym)
    {
        for (const pugi::xml_attribute attribute : sym.attributes()) {
            if (localName(attribute.name()) != "char") {
                continue;
            }
            const std::string_view hex = attribute.value();
            std::uint32_t cp = 0;
            const auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), cp, 16);
            if (ec == std::errc() && end == hex.data() + hex.size()) {
                appendCodePoint(out_, cp);
            }
            return;
        }
    }

    void declare(pugi::xml_node element)
    {
        for (const pugi::xml_attribute attribute : element.attributes()) {
            const std::string_view name = attribute.name();
            if (name == "xmlns") {
                scope_.emplace_back(std::string_view(), classify(attribute.value()));
            } else if (name.starts_with("xmlns:")) {
                scope_.emplace_back(name.substr(6), classify(attribute.value()));
            } else {
                continue;
            }
            cacheValid_ = false;
        }
    }

    void restore(std::size_t scopeSize)
    {
        if (scope_.size() != scopeSize) {
            scope_.resize(scopeSize);
            cacheValid_ = false;
        }
    }

    Namespace lookup(std::string_view prefix)
    {
        if (cacheValid_ && prefix == cachedPrefix_) {
            return cachedNamespace_;
        }
        Namespace ns = Namespace::Other;
        for (auto it = scope_.rbegin(); it != scope_.rend(); ++it) {
            if (it->first == prefix) {
                ns = it->second;
                break;
            }
        }
        cachedPrefix_ = prefix;
        cachedNamespace_ = ns;
        cacheValid_ = true;
        return ns;
    }

    std::string& out_;
    std::vector<std::pair<std::string_view, Namespace>> scope_;
    bool cacheValid_ = false;
    std::string_view cachedPrefix_;
    Namespace cachedNamespace_ = Namespace::Other;
};

constexpr unsigned parseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;

// The text of a footnotes or endnotes part; the separator notes Word keeps there hold none.
// Returns why a part that the container lists gave no text (an empty reason when it did).
PartProblem appendNotes(const Package& package, const std::string& partName, std::string& out)
{
    if (partName.empty()) {
        return {};
    }
    std::string why;
    std::optional<std::string> xml = package.read(partName, &why);
    if (!xml) {
        return {why.empty() ? std::string() : partName, why};
    }
    pugi::xml_document document;
    if (!document.load_buffer_inplace(xml->data(), xml->size(), parseOptions)) {
        return {partName, notWellFormed};
    }
    TextCollector collector(out);
    const pugi::xml_node root = document.document_element();
    std::string_view local;
    if (collector.namespaceOf(root, local) != Namespace::Wordprocessing) {
        return {};
    }
    for (const pugi::xml_node note : root.children()) {
        const std::string_view type = [&] {
            for (const pugi::xml_attribute attribute : note.attributes()) {
                if (localName(attribute.name()) == "type") {
                    return std::string_view(attribute.value());
                }
            }
            return std::string_view();
        }();
        if (type.empty() || type == "normal") {
            collector.collect(note);
        }
    }
    return {};
}

std::optional<DocxText> importText(std::string_view bytes)
{
    const std::optional<Package> package = Package::open(bytes);
    if (!package) {
        return std::nullopt;
    }
    PartProblem why;
    const std::string mainPart = relatedParts(*package, {}, {"officeDocument"}, why)[0];
    if (mainPart.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> xml = package->read(mainPart);
    if (!xml) {
        return std::nullopt;
    }
    pugi::xml_document document;
    if (!document.load_buffer_inplace(xml->data(), xml->size(), parseOptions)) {
        return std::nullopt;
    }

    DocxText result;
    std::string& text = result.text;
    TextCollector collector(text);
    const pugi::xml_node root = document.document_element();
    std::string_view local;
    if (collector.namespaceOf(root, local) != Namespace::Wordprocessing || local != "document") {
        return std::nullopt; // well-formed, but some other kind of document
    }
    for (const pugi::xml_node child : root.children()) {
        collector.collect(child);
    }
    const std::vector<std::string> notes = relatedParts(*package, mainPart, {"footnotes", "endnotes"}, why);
    if (!why.reason.empty()) {
        result.unread.emplace_back(NoteKind::docxFootnotesAndEndnotesNotRead,
                                   std::vector{why.part, why.reason});
    }
    for (const auto& [part, kind] : {std::pair{notes[0], NoteKind::docxFootnotesNotRead},
                                     std::pair{notes[1], NoteKind::docxEndnotesNotRead}}) {
        if (const PartProblem problem = appendNotes(*package, part, text); !problem.reason.empty()) {
            result.unread.emplace_back(kind, std::vector{problem.part, problem.reason});
        }
    }
    return result;
}

} // namespace

std::optional<DocxText> readDocxText(std::string_view bytes)
{
    try {
        return importText(bytes);
    } catch (const std::exception&) {
        return std::nullopt; // out of memory on an enormous document
    }
}

std::optional<std::string> importDocxText(std::string_view bytes)
{
    std::optional<DocxText> read = readDocxText(bytes);
    return read ? std::optional(std::move(read->text)) : std::nullopt;
}

} // namespace pagetally
