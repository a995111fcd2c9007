// The accepted formats, one row each: what intake accepts, how each is read, and what the
// help, the file dialog, the window's caption and the desktop entry list.
#pragma once

#include "analysis/formats/Media.h"
#include "analysis/intake/FileInfo.h"
#include "analysis/intake/FileProcessor.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

namespace pagetally {

enum class FormatKind {
    Document,  // read for its pages and words
    Recording, // measured by its running time
};

// Makes the record of one accepted file. Readers that report failures (DOCX, PPTX) write their
// one line to `diagnostics`.
using Reader = FileInfo (*)(const std::filesystem::path& location,
                            const std::string& fileName,
                            const std::string& fileType,
                            std::ostream& diagnostics);

struct Format
{
    std::string_view extension; // lower case, without the dot
    std::string_view typeName;  // the File Type column: the extension upper-cased
    FormatKind kind;
    std::string_view mimeTypes; // the desktop entry's MimeType= for it, separated by spaces
    bool inCaption;             // named by the window's "Supported file types" caption
    Reader read;
};

// Adapts a reader that writes no diagnostics to Reader.
template <FileInfo (*read)(const std::filesystem::path&, const std::string&, const std::string&)>
FileInfo quietReader(const std::filesystem::path& location,
                     const std::string& fileName,
                     const std::string& fileType,
                     std::ostream&)
{
    return read(location, fileName, fileType);
}

// In order of extension: the order of the help's list, the file dialog's filter and the caption.
inline constexpr auto formats = std::to_array<Format>({
    // The legacy binary format is accepted (people do pick it) but its content is never read.
    {"doc", "DOC", FormatKind::Document, "application/msword", false, quietReader<FileProcessor::processDOC>},
    {"docx", "DOCX", FormatKind::Document,
     "application/vnd.openxmlformats-officedocument.wordprocessingml.document", true,
     FileProcessor::processDOCX},
    {"html", "HTML", FormatKind::Document, "text/html", true, quietReader<FileProcessor::processHTML>},
    {"json", "JSON", FormatKind::Document, "application/json", true, quietReader<FileProcessor::processJSON>},
    {"mp3", "MP3", FormatKind::Recording, "audio/mpeg", true, quietReader<measureMedia>},
    {"mp4", "MP4", FormatKind::Recording, "video/mp4", true, quietReader<measureMedia>},
    {"pdf", "PDF", FormatKind::Document, "application/pdf", true, quietReader<FileProcessor::processPDF>},
    {"pptx", "PPTX", FormatKind::Document,
     "application/vnd.openxmlformats-officedocument.presentationml.presentation", true,
     FileProcessor::processPPTX},
    {"txt", "TXT", FormatKind::Document, "text/plain", true, quietReader<FileProcessor::processTXT>},
    {"wav", "WAV", FormatKind::Recording, "audio/x-wav audio/wav", true, quietReader<measureMedia>},
});

namespace detail {

constexpr bool anyFormat(const Format&)
{
    return true;
}
constexpr bool isRecording(const Format& format)
{
    return format.kind == FormatKind::Recording;
}
constexpr bool isInCaption(const Format& format)
{
    return format.inCaption;
}

// One field of the rows that `keep` selects, in table order.
template <bool (*keep)(const Format&), std::string_view Format::*field> constexpr auto column()
{
    std::array<std::string_view, std::ranges::count_if(formats, keep)> out{};
    std::size_t i = 0;
    for (const Format& format : formats) {
        if (keep(format)) {
            out[i++] = format.*field;
        }
    }
    return out;
}

} // namespace detail

// Every accepted extension, lower case, in table order (the file dialog's filter).
inline constexpr auto supportedExtensions = detail::column<detail::anyFormat, &Format::extension>();
// The extensions measured by running time.
inline constexpr auto mediaExtensions = detail::column<detail::isRecording, &Format::extension>();
// The type names the window's caption lists, in table order.
inline constexpr auto captionTypeNames = detail::column<detail::isInCaption, &Format::typeName>();

// The row of an extension given in lower case, or nullptr when it is not accepted.
const Format* findFormat(std::string_view lowerExtension);
// The row of a location's extension in any letter case, or nullptr when it is not accepted.
const Format* formatOf(const std::filesystem::path& location);

// `names` joined by `separator`: joinNames(captionTypeNames, ", ") is "DOCX, HTML, ..., WAV".
std::string joinNames(std::span<const std::string_view> names, std::string_view separator);

} // namespace pagetally
