#include "analysis/TextAnalysis.h"

#include "analysis/FileBytes.h"
#include "analysis/FileProcessor.h"

#include <cstring>

namespace pagetally {

void HtmlWordCounter::feed(std::string_view piece)
{
    const char* p = piece.data();
    const char* const end = p + piece.size();
    while (p < end && valid_) {
        switch (state_) {
        case State::Text: {
            const auto* open = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p)));
            const char* stop = open ? open : end;
            valid_ = text_.feed(std::string_view(p, static_cast<std::size_t>(stop - p)));
            if (open) {
                // Whether this "<" opens a tag is known only at the next ">": count on both ways.
                pending_ = text_;
                pending_.feed("<");
                state_ = State::AfterOpen;
            }
            p = stop + (open ? 1 : 0);
            break;
        }
        case State::AfterOpen:
            if (*p == '>') { // "<>" is no tag: both characters stay text
                text_ = pending_;
                text_.feed(">");
                state_ = State::Text;
                ++p;
            } else {
                state_ = State::InTag;
            }
            break;
        case State::InTag: {
            const auto* close = static_cast<const char*>(std::memchr(p, '>', static_cast<std::size_t>(end - p)));
            if (close) {
                // A tag: it goes without a trace, so a word before it runs on after it.
                valid_ = WordCounter::isValidUtf8(std::string_view(p, static_cast<std::size_t>(close - p)));
                state_ = State::Text;
                p = close + 1;
            } else {
                valid_ = pending_.feed(std::string_view(p, static_cast<std::size_t>(end - p)));
                p = end;
            }
            break;
        }
        }
    }
}

std::optional<std::int64_t> HtmlWordCounter::finish()
{
    if (state_ != State::Text) {
        text_ = pending_; // the last "<" found no ">": it and what follows are text
        state_ = State::Text;
    }
    if (!valid_) {
        return std::nullopt;
    }
    return text_.count();
}

std::optional<std::int64_t> countTextWords(std::string_view bytes)
{
    WordCounter counter;
    if (!counter.feed(withoutUtf8Bom(bytes))) {
        return std::nullopt;
    }
    return counter.count();
}

std::optional<std::int64_t> countHtmlWords(std::string_view bytes)
{
    HtmlWordCounter counter;
    counter.feed(withoutUtf8Bom(bytes));
    return counter.finish();
}

namespace {

// Streams the file through `count`, which sees the text without a byte-order mark and
// returns false once the text is known not to be UTF-8.
template <class Feed>
bool streamText(const std::filesystem::path& location, Feed&& feed)
{
    bool first = true;
    bool valid = true;
    const bool read = readInPieces(location, [&](std::string_view piece) {
        if (first) {
            piece = withoutUtf8Bom(piece);
            first = false;
        }
        valid = feed(piece);
        return valid;
    });
    return read && valid;
}

FileInfo textRecord(const std::string& fileName, const std::string& fileType, std::int64_t words)
{
    return FileInfo::make(fileName, fileType, std::nullopt, std::nullopt, words);
}

} // namespace

FileInfo FileProcessor::processTXT(const std::filesystem::path& location,
                                   const std::string& fileName,
                                   const std::string& fileType)
{
    WordCounter counter;
    const bool ok = streamText(location, [&](std::string_view piece) { return counter.feed(piece); });
    return textRecord(fileName, fileType, ok ? counter.count() : 0);
}

FileInfo FileProcessor::processHTML(const std::filesystem::path& location,
                                    const std::string& fileName,
                                    const std::string& fileType)
{
    HtmlWordCounter counter;
    std::optional<std::int64_t> words;
    const bool ok = streamText(location, [&](std::string_view piece) {
        counter.feed(piece);
        return true; // validity is known only at the end
    });
    if (ok) {
        words = counter.finish();
    }
    return textRecord(fileName, fileType, words.value_or(0));
}

} // namespace pagetally
