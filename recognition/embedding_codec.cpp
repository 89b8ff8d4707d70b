#include "recognition/embedding_codec.h"

#include "utils/decimal_text.h"

#include <charconv>
#include <cmath>

namespace vardo {

std::optional<std::string> encodeEmbeddings(const std::vector<Embedding> &embeddings)
{
    // The longest shortest-form float ("-1.1754942e-38") has 14 characters.
    constexpr std::size_t maxFloatChars = 16;
    std::size_t values = 0;
    for (const Embedding &embedding : embeddings)
        values += embedding.size();
    std::string text;
    text.reserve(2 + embeddings.size() * 3 + values * (maxFloatChars + 1));

    char buffer[32];
    text += '[';
    for (std::size_t i = 0; i < embeddings.size(); ++i) {
        if (i > 0)
            text += ',';
        text += '[';
        const Embedding &embedding = embeddings[i];
        for (std::size_t j = 0; j < embedding.size(); ++j) {
            const float value = embedding[j];
            if (!std::isfinite(value))
                return std::nullopt;
            if (j > 0)
                text += ',';
            // Without a format argument to_chars gives the shortest text that reads back
            // as the same float, always a valid JSON number ("1e-05", "-0", "3.4028235e+38").
            const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
            text.append(buffer, result.ptr);
        }
        text += ']';
    }
    text += ']';
    return text;
}

namespace {

class EmbeddingsParser {
public:
    explicit EmbeddingsParser(std::string_view text)
        : pos_(text.data()), end_(text.data() + text.size())
    {
    }

    std::optional<std::vector<Embedding>> parse()
    {
        std::vector<Embedding> embeddings;
        skipSpace();
        if (!take('['))
            return std::nullopt;
        skipSpace();
        if (!take(']')) {
            do {
                skipSpace();
                Embedding embedding;
                if (!parseNumberArray(embedding))
                    return std::nullopt;
                embeddings.push_back(std::move(embedding));
                skipSpace();
            } while (take(','));
            if (!take(']'))
                return std::nullopt;
        }
        skipSpace();
        if (pos_ != end_)
            return std::nullopt;
        return embeddings;
    }

private:
    bool parseNumberArray(Embedding &out)
    {
        if (!take('['))
            return false;
        skipSpace();
        if (take(']'))
            return true;
        out.reserve(embeddingLength);
        do {
            skipSpace();
            float value;
            if (!parseNumber(value))
                return false;
            out.push_back(value);
            skipSpace();
        } while (take(','));
        return take(']');
    }

    // The JSON number grammar first (the decimal reading alone would also take "+1",
    // ".5" or "01"), then one correctly rounded conversion of exactly that text.
    bool parseNumber(float &out)
    {
        const char *start = pos_;
        take('-');
        if (take('0')) {
            // A leading zero stands alone.
        } else if (!digits()) {
            return false;
        }
        if (take('.') && !digits())
            return false;
        if (take('e') || take('E')) {
            if (!take('+'))
                take('-');
            if (!digits())
                return false;
        }

        const auto value = parseDecimalFloat(std::string_view(start, pos_ - start));
        if (!value)
            return false;
        out = *value;
        return true;
    }

    bool digits()
    {
        const char *start = pos_;
        while (pos_ != end_ && *pos_ >= '0' && *pos_ <= '9')
            ++pos_;
        return pos_ != start;
    }

    bool take(char c)
    {
        if (pos_ != end_ && *pos_ == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    void skipSpace()
    {
        while (pos_ != end_ && (*pos_ == ' ' || *pos_ == '\t' || *pos_ == '\n' || *pos_ == '\r'))
            ++pos_;
    }

    const char *pos_;
    const char *end_;
};

} // namespace

std::optional<std::vector<Embedding>> decodeEmbeddings(std::string_view json)
{
    return EmbeddingsParser(json).parse();
}

std::optional<std::vector<Embedding>> decodeEmbeddings(const Bytes &json)
{
    return decodeEmbeddings(
        std::string_view(reinterpret_cast<const char *>(json.data()), json.size()));
}

} // namespace vardo
