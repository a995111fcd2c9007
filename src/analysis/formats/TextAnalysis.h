// Word counts of plain text and of HTML with its tags removed.
#pragma once

#include "analysis/text/WordCount.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace pagetally {

// The words of a file's bytes read as strict UTF-8 (a leading byte-order mark dropped);
// nullopt when the bytes are not UTF-8.
std::optional<std::int64_t> countTextWords(std::string_view bytes);

// As countTextWords, after every "<[^>]+>" tag is removed without leaving a space, so that
// words separated only by a tag run together.
std::optional<std::int64_t> countHtmlWords(std::string_view bytes);

// countHtmlWords over text that arrives in pieces, in one pass and constant memory: the same
// leftmost, non-overlapping matches as scanTags, without building the stripped text. Pieces
// must not split UTF-8 sequences; a tag may run across pieces.
class HtmlWordCounter
{
public:
    void feed(std::string_view piece);
    // The count, or nullopt when some piece was not UTF-8.
    std::optional<std::int64_t> finish();

private:
    enum class State { Text, AfterOpen, InTag };
    // Takes the ASCII text and tags at the start of a 64-byte block by bit masks, up to the
    // first non-ASCII byte or the first "<" that does not close inside the block; returns the
    // number of bytes taken (0 when the block starts with either).
    int feedBlock(const char* block);
    // The state machine over any piece.
    void feedPiece(std::string_view piece);
    State state_ = State::Text;
    WordCounter text_;    // the text before the "<" being looked at
    WordCounter pending_; // the same, continued as if that "<" never finds its ">"
    bool valid_ = true;
};

} // namespace pagetally
