#include "analysis/formats/JsonAnalysis.h"

#include "analysis/intake/FileProcessor.h"
#include "analysis/system/FileBytes.h"
#include "analysis/text/WordCount.h"

#include <rapidjson/error/en.h>
#include <rapidjson/error/error.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <exception>
#include <system_error>
#include <unordered_set>

// RapidJSON's SAX reader: strict RFC 8259, not recursive, and it hands numbers over as their
// text; the walk keeps nothing but the open containers and reads the file's bytes in place.

namespace pagetally {
namespace {

// Far beyond any real document, and small enough that the open containers of a hostile one
// cost a few megabytes at most.
constexpr std::size_t maxDepth = 100'000;

enum class Encoding { utf8, utf16le, utf16be, utf32le, utf32be };

struct DetectedEncoding
{
    Encoding encoding;
    std::size_t bomLength;
};

// A JSON text starts with two ASCII characters, so without a byte-order mark the pattern of
// zero bytes among the first four tells the encoding (RFC 4627, section 3).
DetectedEncoding detectEncoding(std::string_view bytes)
{
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const std::size_t n = bytes.size();
    if (n >= 4 && at(0) == 0x00 && at(1) == 0x00 && at(2) == 0xFE && at(3) == 0xFF) {
        return {Encoding::utf32be, 4};
    }
    // Checked before the UTF-16 mark it starts with: a JSON text never begins with U+0000.
    if (n >= 4 && at(0) == 0xFF && at(1) == 0xFE && at(2) == 0x00 && at(3) == 0x00) {
        return {Encoding::utf32le, 4};
    }
    if (n >= 2 && at(0) == 0xFE && at(1) == 0xFF) {
        return {Encoding::utf16be, 2};
    }
    if (n >= 2 && at(0) == 0xFF && at(1) == 0xFE) {
        return {Encoding::utf16le, 2};
    }
    if (n >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
        return {Encoding::utf8, 3};
    }
    if (n >= 4) {
        if (at(0) == 0 && at(1) == 0 && at(2) == 0) {
            return {Encoding::utf32be, 0};
        }
        if (at(0) == 0 && at(2) == 0) {
            return {Encoding::utf16be, 0};
        }
        if (at(1) == 0 && at(2) == 0 && at(3) == 0) {
            return {Encoding::utf32le, 0};
        }
        if (at(1) == 0 && at(3) == 0) {
            return {Encoding::utf16le, 0};
        }
    }
    return {Encoding::utf8, 0};
}

class Converter
{
public:
    explicit Converter(const char* from) : cd_(::iconv_open("UTF-8", from)) {}
    ~Converter()
    {
        if (valid()) {
            ::iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

// UTF-16 or UTF-32 (without its byte-order mark) as UTF-8. The converter rejects unpaired
// surrogates, values beyond U+10FFFF and a truncated last character.
std::optional<std::string> toUtf8(std::string_view bytes, Encoding encoding)
{
    const char* from = encoding == Encoding::utf16le   ? "UTF-16LE"
                       : encoding == Encoding::utf16be ? "UTF-16BE"
                       : encoding == Encoding::utf32le ? "UTF-32LE"
                                                       : "UTF-32BE";
    const Converter converter(from);
    if (!converter.valid()) {
        return std::nullopt;
    }
    // Two bytes of UTF-16 become at most three of UTF-8; everything else shrinks or stays.
    std::string out(bytes.size() / 2 * 3 + 4, '\0');
    char* in = const_cast<char*>(bytes.data()); // iconv's signature; it does not write there
    std::size_t inLeft = bytes.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    if (::iconv(converter.get(), &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        inLeft != 0) {
        return std::nullopt;
    }
    out.resize(out.size() - outLeft);
    return out;
}

// Where the values go. Positions mark the start of an object member's values, so that the
// values of a key that the object repeats later can be taken back.
class WordSink
{
public:
    using Position = std::int64_t;

    Position position() const { return words_; }
    bool text(std::string_view s)
    {
        WordCounter counter;
        if (!counter.feed(s)) {
            return false;
        }
        words_ += counter.count();
        return true;
    }
    void item(std::string_view) { ++words_; }
    void takeBack(Position from, Position to) { words_ -= to - from; }

    std::int64_t words() const { return words_; }

private:
    std::int64_t words_ = 0;
};

class TextSink
{
public:
    using Position = std::size_t;

    Position position() const { return texts_.size(); }
    bool text(std::string_view s)
    {
        if (!WordCounter::isValidUtf8(s)) {
            return false;
        }
        texts_.emplace_back(s);
        return true;
    }
    void item(std::string_view s) { texts_.emplace_back(s); }
    void takeBack(Position from, Position to)
    {
        texts_.erase(texts_.begin() + static_cast<std::ptrdiff_t>(from),
                     texts_.begin() + static_cast<std::ptrdiff_t>(to));
    }

    std::vector<std::string> take() { return std::move(texts_); }

private:
    std::vector<std::string> texts_;
};

constexpr bool isJsonWhitespace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

constexpr bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

constexpr bool isNumberCharacter(char c)
{
    return isDigit(c) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// RFC 8259's number: -? (0 | [1-9][0-9]*) (.[0-9]+)? ([eE][+-]?[0-9]+)?
bool isJsonNumber(std::string_view s)
{
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < s.size() && isDigit(s[i])) {
            ++i;
        }
        return i > start;
    };
    if (i < s.size() && s[i] == '-') {
        ++i;
    }
    if (i < s.size() && s[i] == '0') {
        ++i;
    } else if (!digits()) {
        return false;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        if (!digits()) {
            return false;
        }
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            ++i;
        }
        if (!digits()) {
            return false;
        }
    }
    return i == s.size();
}

// The reader refuses numbers beyond the range of a double even when it hands them over as text.
// For a document that holds one, every number outside the strings is checked here and written
// as "0" followed by blanks, so that each keeps its place and the reader still sees a number.
std::optional<std::string> withNumbersAsZero(std::string_view text)
{
    std::string copy(text);
    bool inString = false;
    std::size_t i = 0;
    while (i < copy.size()) {
        const char c = copy[i];
        if (inString) {
            if (c == '\\') {
                i += 2;
                continue;
            }
            inString = c != '"';
            ++i;
        } else if (c == '"') {
            inString = true;
            ++i;
        } else if (c == '-' || isDigit(c)) {
            std::size_t end = i;
            while (end < copy.size() && isNumberCharacter(copy[end])) {
                ++end;
            }
            if (!isJsonNumber(text.substr(i, end - i))) {
                return std::nullopt;
            }
            copy[i] = '0';
            std::fill(copy.begin() + static_cast<std::ptrdiff_t>(i + 1),
                      copy.begin() + static_cast<std::ptrdiff_t>(end), ' ');
            i = end;
        } else {
            ++i;
        }
    }
    return copy;
}

template <class Sink>
class ValueHandler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, ValueHandler<Sink>>
{
public:
    using SizeType = rapidjson::SizeType;

    // `original` and `stream` are given when the text read is withNumbersAsZero's copy of
    // `original`: numbers are then taken from the original at the same place.
    explicit ValueHandler(Sink& sink,
                          std::string_view original = {},
                          const rapidjson::MemoryStream* stream = nullptr)
        : sink_(sink), original_(original), stream_(stream)
    {
    }

    bool Null() { return true; }
    bool Bool(bool b)
    {
        sink_.item(b ? "1" : "0");
        return true;
    }
    bool RawNumber(const char* s, SizeType length, bool)
    {
        if (stream_ == nullptr) {
            sink_.item({s, length});
            return true;
        }
        const std::size_t start = stream_->Tell() - length;
        std::size_t end = start;
        while (end < original_.size() && isNumberCharacter(original_[end])) {
            ++end;
        }
        sink_.item(original_.substr(start, end - start));
        return true;
    }
    bool String(const char* s, SizeType length, bool)
    {
        return sink_.text({s, length}) || stop("a string is not valid UTF-8");
    }
    bool Key(const char* s, SizeType length, bool)
    {
        const std::string_view key(s, length);
        if (!WordCounter::isValidUtf8(key)) {
            return stop("a key is not valid UTF-8");
        }
        members_.push_back({keys_.size(), key.size(), sink_.position()});
        keys_.append(key);
        return true;
    }
    bool StartObject() { return open(); }
    bool StartArray() { return open(); }
    bool EndObject(SizeType)
    {
        dropRepeatedKeys();
        return close();
    }
    bool EndArray(SizeType) { return close(); }

    // Why the handler stopped the reader, if it did.
    const char* stopReason() const { return stopReason_; }

private:
    bool stop(const char* reason)
    {
        stopReason_ = reason;
        return false;
    }

    struct Member
    {
        std::size_t keyOffset;
        std::size_t keyLength;
        typename Sink::Position begin;
    };
    struct Container
    {
        std::size_t firstMember;
        std::size_t keysLength;
    };

    bool open()
    {
        if (open_.size() >= maxDepth) {
            return stop("nested more than 100000 levels deep");
        }
        open_.push_back({members_.size(), keys_.size()});
        return true;
    }

    bool close()
    {
        members_.resize(open_.back().firstMember);
        keys_.resize(open_.back().keysLength);
        open_.pop_back();
        return true;
    }

    std::string_view key(const Member& m) const
    {
        return std::string_view(keys_).substr(m.keyOffset, m.keyLength);
    }

    // Of the members of the object now closing, those whose key comes again later hold no value:
    // their values are taken back, the last member first so that earlier positions stay valid.
    void dropRepeatedKeys()
    {
        const std::size_t first = open_.back().firstMember;
        const std::size_t count = members_.size() - first;
        if (count < 2) {
            return;
        }
        // Small objects compare their keys pairwise; large ones keep the later keys in a set.
        constexpr std::size_t pairwiseLimit = 16;
        std::unordered_set<std::string_view> later;
        auto end = sink_.position();
        for (std::size_t i = members_.size(); i-- > first;) {
            const std::string_view k = key(members_[i]);
            bool repeated = false;
            if (count <= pairwiseLimit) {
                for (std::size_t j = i + 1; j < members_.size() && !repeated; ++j) {
                    repeated = key(members_[j]) == k;
                }
            } else {
                repeated = !later.insert(k).second;
            }
            if (repeated) {
                sink_.takeBack(members_[i].begin, end);
            }
            end = members_[i].begin;
        }
    }

    Sink& sink_;
    std::string_view original_;
    const rapidjson::MemoryStream* stream_;
    std::vector<Container> open_;
    std::vector<Member> members_; // of all open objects, innermost last
    std::string keys_;            // their keys, one after another
    const char* stopReason_ = nullptr;
};

// No kParseValidateEncodingFlag: the sinks check every string and key strictly themselves, in
// the pass that counts them, and outside strings any byte beyond ASCII is a syntax error anyway.
constexpr unsigned parseFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag;

enum class Outcome { ok, invalid, numberOutOfRange };

// Why a text is not read, and where in it (a byte offset), when that is known.
struct Failure
{
    std::string reason;
    std::optional<std::size_t> offset;
};

// RapidJSON's own words, "Missing a comma or ']' after an array element.", to go after a colon.
std::string parserReason(rapidjson::ParseErrorCode code)
{
    std::string reason = rapidjson::GetParseError_En(code);
    if (!reason.empty() && reason.back() == '.') {
        reason.pop_back();
    }
    if (!reason.empty() && reason[0] >= 'A' && reason[0] <= 'Z') {
        reason[0] = static_cast<char>(reason[0] - 'A' + 'a');
    }
    return reason;
}

template <class Sink>
Outcome read(std::string_view text, Sink& sink, std::string_view original = {}, Failure* failure = nullptr)
{
    rapidjson::MemoryStream stream(text.data(), text.size());
    ValueHandler<Sink> handler(sink, original, original.empty() ? nullptr : &stream);
    rapidjson::Reader reader;
    const rapidjson::ParseResult result = reader.Parse<parseFlags>(stream, handler);
    if (result.IsError()) {
        if (failure != nullptr) {
            const char* stopped = handler.stopReason();
            *failure = {stopped != nullptr ? stopped : parserReason(result.Code()), result.Offset()};
        }
        return result.Code() == rapidjson::kParseErrorNumberTooBig ? Outcome::numberOutOfRange
                                                                   : Outcome::invalid;
    }
    // The stream reads a zero byte as its end, so the reader stops at one without complaint.
    if (stream.Tell() == text.size()) {
        return Outcome::ok;
    }
    if (failure != nullptr) {
        *failure = {"a zero byte", stream.Tell()};
    }
    return Outcome::invalid;
}

// Reads UTF-8 JSON text (without byte-order mark) into the sink; false if it is not JSON text
// whose top level is an object or an array, and then `failure`, when given, says why.
template <class Sink> bool readText(std::string_view text, Sink& sink, Failure* failure = nullptr)
{
    const auto first = std::find_if_not(text.begin(), text.end(), isJsonWhitespace);
    if (first == text.end() || (*first != '{' && *first != '[')) {
        if (failure != nullptr) {
            *failure = first == text.end() ? Failure{"the document is empty", {}}
                                           : Failure{"the top level is not an object or an array",
                                                     static_cast<std::size_t>(first - text.begin())};
        }
        return false;
    }
    switch (read(text, sink, {}, failure)) {
    case Outcome::ok:
        return true;
    case Outcome::invalid:
        return false;
    case Outcome::numberOutOfRange:
        break;
    }
    const auto zeroed = withNumbersAsZero(text);
    sink = Sink{};
    if (!zeroed) {
        if (failure != nullptr) {
            *failure = {"a number is not valid", {}};
        }
        return false;
    }
    return read(*zeroed, sink, text, failure) == Outcome::ok;
}

// Where `offset` into the UTF-8 form of a text lies in its UTF-16 or UTF-32 original.
std::size_t originalOffset(std::string_view utf8, std::size_t offset, Encoding encoding)
{
    std::size_t original = 0;
    for (std::size_t i = 0; i < std::min(offset, utf8.size()); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if ((b & 0xC0) == 0x80) {
            continue;
        }
        const bool utf32 = encoding == Encoding::utf32le || encoding == Encoding::utf32be;
        original += utf32 || b >= 0xF0 ? 4 : 2; // beyond U+FFFF UTF-16 needs two units
    }
    return original;
}

template <class Sink> bool readDocument(std::string_view document, Sink& sink, Failure* failure = nullptr)
{
    const auto [encoding, bomLength] = detectEncoding(document);
    document.remove_prefix(bomLength);
    if (encoding == Encoding::utf8) {
        const bool ok = readText(document, sink, failure);
        if (!ok && failure != nullptr && failure->offset) {
            *failure->offset += bomLength;
        }
        return ok;
    }
    const auto text = toUtf8(document, encoding);
    if (!text) {
        if (failure != nullptr) {
            const bool utf32 = encoding == Encoding::utf32le || encoding == Encoding::utf32be;
            *failure = {utf32 ? "not valid UTF-32 text" : "not valid UTF-16 text", {}};
        }
        return false;
    }
    const bool ok = readText(*text, sink, failure);
    if (!ok && failure != nullptr && failure->offset) {
        failure->offset = bomLength + originalOffset(*text, *failure->offset, encoding);
    }
    return ok;
}

} // namespace

std::optional<std::vector<std::string>> collectJSONStrings(std::string_view document)
{
    TextSink sink;
    if (!readDocument(document, sink)) {
        return std::nullopt;
    }
    return sink.take();
}

std::optional<std::int64_t> countJSONWords(std::string_view document)
{
    WordSink sink;
    if (!readDocument(document, sink)) {
        return std::nullopt;
    }
    return sink.words();
}

FileInfo FileProcessor::processJSON(const std::filesystem::path& location,
                                    const std::string& fileName,
                                    const std::string& fileType)
{
    std::int64_t words = 0;
    std::optional<Note> note;
    bool unreadable = false;
    try {
        if (const auto bytes = FileBytes::read(location)) {
            WordSink sink;
            Failure failure;
            if (readDocument(bytes->view(), sink, &failure)) {
                words = sink.words();
            } else {
                note = failure.offset
                           ? Note(NoteKind::invalidJsonAt, {failure.reason, std::to_string(*failure.offset)})
                           : Note(NoteKind::invalidJson, {failure.reason});
            }
        } else {
            const int error = errno;
            note = unreadableReason(location).value_or(
                Note(NoteKind::notReadable, {std::generic_category().message(error)}));
            unreadable = true;
        }
    } catch (const std::exception&) {
        words = 0;
        note = NoteKind::outOfMemory; // a huge file
    }
    FileInfo record =
        FileInfo::make(fileName, fileType, std::nullopt, std::nullopt, words).noted(std::move(note));
    record.unreadable = unreadable;
    return record;
}

} // namespace pagetally
