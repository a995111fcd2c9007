#include "analysis/formats/TextAnalysis.h"

#include "analysis/intake/FileProcessor.h"
#include "analysis/system/FileBytes.h"
#include "analysis/text/AsciiBlock.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

namespace pagetally {
namespace {

// Tags are short and nearly always ASCII: a plain loop beats a call into the validator.
inline bool isAscii(const char* p, const char* end)
{
    unsigned char any = 0;
    for (; p < end; ++p) {
        any |= static_cast<unsigned char>(*p);
    }
    return any < 0x80;
}

} // namespace

void HtmlWordCounter::feedPiece(std::string_view piece)
{
    const char* p = piece.data();
    const char* const end = p + piece.size();
    while (p < end && valid_) {
        switch (state_) {
        case State::Text: {
            const auto* open =
                static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p)));
            const char* stop = open ? open : end;
            valid_ = text_.feed(std::string_view(p, static_cast<std::size_t>(stop - p)));
            if (open) {
                // Whether this "<" opens a tag is known only at the next ">": count on both ways.
                pending_ = text_;
                pending_.feed(std::string_view(open, 1));
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
            const auto* close =
                static_cast<const char*>(std::memchr(p, '>', static_cast<std::size_t>(end - p)));
            if (close) {
                // A tag: it goes without a trace, so a word before it runs on after it.
                valid_ = isAscii(p, close) ||
                         WordCounter::isValidUtf8(std::string_view(p, static_cast<std::size_t>(close - p)));
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

namespace {

// Bits 0..k-1 set, for k from 0 to 64.
inline std::uint64_t below(int k)
{
    return k >= 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << k) - 1;
}

} // namespace

// Inlined into each copy of feed, so that its popcounts are those of the copy.
[[gnu::always_inline]] inline int HtmlWordCounter::feedBlock(const char* block)
{
    const BlockMasks m = classifyBlock(block);
    int limit = m.nonAscii == 0 ? 64 : std::countr_zero(m.nonAscii);
    std::uint64_t opens = matchBlock(block, '<') & below(limit);
    const std::uint64_t closes = opens != 0 ? matchBlock(block, '>') & below(limit) : 0;
    bool afterSeparator = text_.afterSeparator_;
    std::int64_t count = 0;
    int textStart = 0;
    auto countText = [&](int from, int to) { // the text bytes [from, to)
        if (to > from) {
            count += std::popcount(wordStarts(m.separator, below(to) & ~below(from), from, afterSeparator));
            afterSeparator = ((m.separator >> (to - 1)) & 1) != 0;
        }
    };
    while (opens != 0) {
        const int open = std::countr_zero(opens);
        const std::uint64_t later = closes & ~below(open + 1);
        if (later == 0) {
            limit = open; // this tag runs on past what the masks see: the state machine takes it
            break;
        }
        const int close = std::countr_zero(later);
        if (close == open + 1) { // "<>" is no tag: both stay text
            opens &= ~below(open + 1);
            continue;
        }
        countText(textStart, open);
        textStart = close + 1;
        opens &= ~below(close + 1); // a "<" inside the tag opens nothing
    }
    countText(textStart, limit);
    text_.count_ += count;
    text_.afterSeparator_ = afterSeparator;
    return std::max(limit, textStart);
}

PAGETALLY_POPCNT_CLONES void HtmlWordCounter::feed(std::string_view piece)
{
    const char* p = piece.data();
    const char* const end = p + piece.size();
    while (p < end && valid_) {
        if (state_ == State::Text && end - p >= 64) {
            if (const int taken = feedBlock(p); taken > 0) {
                p += taken;
                continue;
            }
        }
        const char* stop;
        if (state_ == State::InTag) {
            // Straight on to the tag's end: a tag without one may run to the end of the file.
            const auto* close =
                static_cast<const char*>(std::memchr(p, '>', static_cast<std::size_t>(end - p)));
            stop = close ? close + 1 : end;
        } else {
            stop = end - p > 64 ? p + 64 : end;
            while (stop < end && (static_cast<unsigned char>(*stop) & 0xC0) == 0x80) {
                ++stop; // never cut a UTF-8 sequence
            }
        }
        feedPiece(std::string_view(p, static_cast<std::size_t>(stop - p)));
        p = stop;
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

// What streamText found: whether the whole file was read, whether `feed` accepted every piece,
// and the file's first bytes, which show a byte-order mark.
struct Streamed
{
    bool read = false;
    int error = 0; // why not, when the file opened but a read failed
    bool valid = true;
    std::string start;
};

// Streams the file through `feed`, which sees the text without a byte-order mark and
// returns false once the text is known not to be UTF-8.
template <class Feed> Streamed streamText(const std::filesystem::path& location, Feed&& feed)
{
    Streamed streamed;
    bool first = true;
    streamed.read = readInPieces(location, [&](std::string_view piece) {
        if (first) {
            streamed.start = piece.substr(0, 4);
            piece = withoutUtf8Bom(piece);
            first = false;
        }
        streamed.valid = feed(piece);
        return streamed.valid;
    });
    streamed.error = streamed.read ? 0 : errno;
    return streamed;
}

// Why a file's words were not counted; nullopt when they were.
std::optional<Note> textNote(const std::filesystem::path& location, const Streamed& streamed)
{
    if (!streamed.read) {
        return unreadableReason(location).value_or(
            Note(NoteKind::notReadable, {std::generic_category().message(streamed.error)}));
    }
    if (streamed.valid) {
        return std::nullopt;
    }
    // A Windows editor's "Unicode" is UTF-16; its byte-order mark says so (UTF-32's begins alike).
    const std::string_view start = streamed.start;
    if (start.starts_with(std::string_view("\xFF\xFE\0\0", 4)) ||
        start.starts_with(std::string_view("\0\0\xFE\xFF", 4))) {
        return NoteKind::notUtf8Utf32Bom;
    }
    if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF")) {
        return NoteKind::notUtf8Utf16Bom;
    }
    return NoteKind::notUtf8;
}

FileInfo textRecord(const std::string& fileName,
                    const std::string& fileType,
                    std::int64_t words,
                    const Streamed& streamed,
                    std::optional<Note> note)
{
    FileInfo record =
        FileInfo::make(fileName, fileType, std::nullopt, std::nullopt, words).noted(std::move(note));
    record.unreadable = !streamed.read; // a read that failed half-way is a failure, not a count
    return record;
}

} // namespace

FileInfo FileProcessor::processTXT(const std::filesystem::path& location,
                                   const std::string& fileName,
                                   const std::string& fileType)
{
    WordCounter counter;
    const Streamed streamed =
        streamText(location, [&](std::string_view piece) { return counter.feed(piece); });
    std::optional<Note> note = textNote(location, streamed);
    return textRecord(fileName, fileType, note ? 0 : counter.count(), streamed, std::move(note));
}

FileInfo FileProcessor::processHTML(const std::filesystem::path& location,
                                    const std::string& fileName,
                                    const std::string& fileType)
{
    HtmlWordCounter counter;
    Streamed streamed = streamText(location, [&](std::string_view piece) {
        counter.feed(piece);
        return true; // validity is known only at the end
    });
    std::optional<std::int64_t> words;
    if (streamed.read) {
        words = counter.finish();
        streamed.valid = words.has_value();
    }
    return textRecord(fileName, fileType, words.value_or(0), streamed, textNote(location, streamed));
}

} // namespace pagetally
