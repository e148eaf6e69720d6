// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/npy.h"

#include <array>
#include <bit>
#include <cctype>
#include <cmath>
#include <functional>
#include <memory>
#include <string_view>
#include <type_traits>
#include <utility>

#include "field_io/atomic_file.h"
#include "field_io/file_bytes.h"

namespace swirlon {
namespace {

constexpr auto& Magic = NpyMagic;
constexpr std::size_t VersionBytes = 2;
constexpr std::size_t ShortLengthBytes = 2;  // header length field of version 1.0
constexpr std::size_t LongLengthBytes = 4;   // header length field of versions 2.0 and 3.0
constexpr std::size_t HeaderAlignment = 64;
constexpr std::size_t BytesPerValue = sizeof(double);
constexpr std::size_t MaxHeaderLength = NpyMaxHeaderLength;
constexpr std::size_t LargestGridSize = SupportedGridSizes.back();
static_assert(NpyMaxFieldFileBytes == Magic.size() + VersionBytes + LongLengthBytes + MaxHeaderLength +
                                          LargestGridSize * LargestGridSize * BytesPerValue);

constexpr std::string_view ExpectedDtype = "<f8";

std::size_t dataBytes(const Grid& grid) { return static_cast<std::size_t>(grid.points()) * BytesPerValue; }

std::string fieldHeader(const Grid& grid) {
    const std::string side = std::to_string(grid.size());
    return "{'descr': '<f8', 'fortran_order': False, 'shape': (" + side + ", " + side + "), }";
}

// What a header says about the array that follows it.
struct ArrayHeader {
    std::string descr;
    bool fortranOrder = false;
    std::vector<long long> shape;
};

std::uint64_t readLittleEndian(const std::uint8_t* bytes, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = count; i-- > 0;) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

void appendLittleEndian(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// A problem of the bytes themselves; the file's path is added by whoever knows it.
FileError problem(FileErrorKind kind, std::string detail = {}) { return FileError{kind, {}, std::move(detail)}; }

// The header is a Python dict literal; this reads just enough of that grammar to check it:
// strings, integers, True/False, tuples of integers, and punctuation.
class HeaderParser {
  public:
    explicit HeaderParser(std::string_view text) : text_(text) {}

    std::optional<FileError> parse(ArrayHeader& out) {
        std::optional<std::string> descr;
        std::optional<bool> fortranOrder;
        std::optional<std::vector<long long>> shape;
        if (!accept('{')) {
            return problem(FileErrorKind::npyHeaderMalformed);
        }
        while (!accept('}')) {
            std::string key;
            if (!readString(key)) {
                return problem(FileErrorKind::npyHeaderMalformed);
            }
            if (!accept(':')) {
                return problem(FileErrorKind::npyHeaderMalformed, key);
            }
            if (key == "descr") {
                std::string value;
                if (descr || !readString(value)) {
                    return problem(FileErrorKind::npyHeaderMalformed, key);
                }
                descr = value;
            } else if (key == "fortran_order") {
                bool value = false;
                if (fortranOrder || !readBool(value)) {
                    return problem(FileErrorKind::npyHeaderMalformed, key);
                }
                fortranOrder = value;
            } else if (key == "shape") {
                std::vector<long long> value;
                if (shape || !readTuple(value)) {
                    return problem(FileErrorKind::npyHeaderMalformed, key);
                }
                shape = value;
            } else {
                return problem(FileErrorKind::npyHeaderUnexpectedKey, key);
            }
            if (!accept(',')) {
                if (!accept('}')) {
                    return problem(FileErrorKind::npyHeaderMalformed);
                }
                break;
            }
        }
        skipSpace();
        if (position_ != text_.size()) {
            return problem(FileErrorKind::npyHeaderMalformed);
        }
        if (!descr || !fortranOrder || !shape) {
            return problem(FileErrorKind::npyHeaderMissingKey);
        }
        out = ArrayHeader{*descr, *fortranOrder, *shape};
        return std::nullopt;
    }

  private:
    void skipSpace() {
        while (position_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[position_]))) {
            ++position_;
        }
    }

    bool accept(char expected) {
        skipSpace();
        if (position_ < text_.size() && text_[position_] == expected) {
            ++position_;
            return true;
        }
        return false;
    }

    bool readString(std::string& out) {
        skipSpace();
        if (position_ >= text_.size() || (text_[position_] != '\'' && text_[position_] != '"')) {
            return false;
        }
        const char quote = text_[position_++];
        const std::size_t end = text_.find(quote, position_);
        if (end == std::string_view::npos) {
            return false;
        }
        out = std::string(text_.substr(position_, end - position_));
        position_ = end + 1;
        return out.find('\\') == std::string::npos;
    }

    bool readWord(std::string_view word) {
        skipSpace();
        if (text_.substr(position_, word.size()) != word) {
            return false;
        }
        position_ += word.size();
        return true;
    }

    bool readBool(bool& out) {
        if (readWord("True")) {
            out = true;
            return true;
        }
        if (readWord("False")) {
            out = false;
            return true;
        }
        return false;
    }

    bool readInteger(long long& out) {
        // Integers of a shape are small; anything beyond this many digits is refused outright.
        constexpr std::size_t MaxDigits = 12;
        skipSpace();
        const std::size_t start = position_;
        out = 0;
        while (position_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[position_]))) {
            if (position_ - start >= MaxDigits) {
                return false;
            }
            out = out * 10 + (text_[position_++] - '0');
        }
        return position_ > start;
    }

    bool readTuple(std::vector<long long>& out) {
        // Shapes beyond this rank are not worth parsing to report.
        constexpr std::size_t MaxRank = 32;
        if (!accept('(')) {
            return false;
        }
        while (!accept(')')) {
            long long value = 0;
            if (out.size() >= MaxRank || !readInteger(value)) {
                return false;
            }
            out.push_back(value);
            if (!accept(',')) {
                return accept(')');
            }
        }
        return true;
    }

    std::string_view text_;
    std::size_t position_ = 0;
};

// Signature, version and header, checked and parsed; data is what follows the header.
std::optional<FileError> splitNpy(std::span<const std::uint8_t> bytes, ArrayHeader& header,
                                  std::span<const std::uint8_t>& data) {
    const std::size_t prefix = Magic.size() + VersionBytes;
    if (bytes.size() < prefix || !std::equal(Magic.begin(), Magic.end(), bytes.begin())) {
        return problem(FileErrorKind::npyNoSignature);
    }
    const int major = bytes[Magic.size()];
    std::size_t lengthBytes = 0;
    if (major == 1) {
        lengthBytes = ShortLengthBytes;
    } else if (major == 2 || major == 3) {
        lengthBytes = LongLengthBytes;
    } else {
        return problem(FileErrorKind::npyUnsupportedVersion, std::to_string(major));
    }
    if (bytes.size() < prefix + lengthBytes) {
        return problem(FileErrorKind::npyHeaderTruncated);
    }
    const std::uint64_t headerLength = readLittleEndian(bytes.data() + prefix, lengthBytes);
    const std::size_t dataStart = prefix + lengthBytes;
    if (headerLength > MaxHeaderLength || bytes.size() - dataStart < headerLength) {
        return problem(FileErrorKind::npyHeaderTruncated);
    }
    std::string_view text(reinterpret_cast<const char*>(bytes.data() + dataStart), headerLength);
    if (text.empty() || text.back() != '\n') {
        return problem(FileErrorKind::npyHeaderUnterminated);
    }
    if (auto error = HeaderParser(text).parse(header)) {
        return error;
    }
    data = bytes.subspan(dataStart + headerLength);
    return std::nullopt;
}

// Version 1.0 bytes of an array: the header dictionary padded so the data starts aligned.
std::vector<std::uint8_t> encodeNpy(std::string_view dictionary, std::size_t dataBytes,
                                    const std::function<void(std::vector<std::uint8_t>&)>& appendData) {
    const std::size_t unpadded = Magic.size() + VersionBytes + ShortLengthBytes + dictionary.size() + 1;
    const std::size_t padding = (HeaderAlignment - unpadded % HeaderAlignment) % HeaderAlignment;
    const std::size_t headerLength = dictionary.size() + padding + 1;

    std::vector<std::uint8_t> out(Magic.begin(), Magic.end());
    out.reserve(unpadded + padding + dataBytes);
    out.push_back(1);  // format version 1.0
    out.push_back(0);
    appendLittleEndian(out, headerLength, ShortLengthBytes);
    out.insert(out.end(), dictionary.begin(), dictionary.end());
    out.insert(out.end(), padding, ' ');
    out.push_back('\n');
    appendData(out);
    return out;
}

std::string scalarHeader(std::string_view dtype) {
    return "{'descr': '" + std::string(dtype) + "', 'fortran_order': False, 'shape': (), }";
}

// Scalars of the types state files hold: dtype and width.
template <typename Value>
struct ScalarType;
template <>
struct ScalarType<double> {
    static constexpr std::string_view dtype = "<f8";
    static constexpr std::size_t bytes = 8;
};
template <>
struct ScalarType<std::int64_t> {
    static constexpr std::string_view dtype = "<i8";
    static constexpr std::size_t bytes = 8;
};
template <>
struct ScalarType<bool> {
    static constexpr std::string_view dtype = "|b1";
    static constexpr std::size_t bytes = 1;
};

template <typename Value>
std::vector<std::uint8_t> encodeScalar(std::uint64_t bits) {
    using Type = ScalarType<Value>;
    return encodeNpy(scalarHeader(Type::dtype), Type::bytes,
                     [&](std::vector<std::uint8_t>& out) { appendLittleEndian(out, bits, Type::bytes); });
}

}  // namespace

std::vector<std::uint8_t> encodeNpyField(const PackedSpectrum& field) {
    return encodeNpy(fieldHeader(field.grid()), dataBytes(field.grid()), [&](std::vector<std::uint8_t>& out) {
        for (const double value : field) {
            appendLittleEndian(out, std::bit_cast<std::uint64_t>(value), BytesPerValue);
        }
    });
}

std::optional<FileError> decodeNpyField(std::span<const std::uint8_t> bytes, PackedSpectrum& field) {
    ArrayHeader header;
    std::span<const std::uint8_t> data;
    if (auto error = splitNpy(bytes, header, data)) {
        return error;
    }
    if (header.descr != ExpectedDtype) {
        return problem(FileErrorKind::npyWrongDtype, header.descr);
    }
    if (header.fortranOrder) {
        return problem(FileErrorKind::npyFortranOrder);
    }
    const std::vector<long long>& shape = header.shape;
    if (shape.size() != 2 || shape[0] != shape[1] || shape[0] > static_cast<long long>(LargestGridSize) ||
        !isSupportedGridSize(static_cast<int>(shape[0]))) {
        std::string found = "(";
        for (std::size_t i = 0; i < shape.size(); ++i) {
            found += (i == 0 ? "" : ", ") + std::to_string(shape[i]);
        }
        found += shape.size() == 1 ? ",)" : ")";
        return problem(FileErrorKind::npyWrongShape, found);
    }
    const Grid grid(static_cast<int>(shape[0]));
    if (data.size() != dataBytes(grid)) {
        return problem(FileErrorKind::npyWrongDataSize, std::to_string(data.size()));
    }

    PackedSpectrum values(grid);
    for (int k = 0; k < grid.points(); ++k) {
        const double value = std::bit_cast<double>(readLittleEndian(data.data() + k * BytesPerValue, BytesPerValue));
        if (!std::isfinite(value)) {
            const std::string index = std::string("(")
                                          .append(std::to_string(k / grid.size()))
                                          .append(", ")
                                          .append(std::to_string(k % grid.size()));
            return problem(FileErrorKind::npyNonFinite, index + ")");
        }
        values[k] = value;
    }
    field = std::move(values);
    return std::nullopt;
}

std::vector<std::uint8_t> encodeNpyScalar(double value) {
    return encodeScalar<double>(std::bit_cast<std::uint64_t>(value));
}

std::vector<std::uint8_t> encodeNpyScalar(std::int64_t value) {
    return encodeScalar<std::int64_t>(static_cast<std::uint64_t>(value));
}

std::vector<std::uint8_t> encodeNpyScalar(bool value) { return encodeScalar<bool>(value ? 1 : 0); }

template <typename Value>
std::optional<Value> decodeNpyScalar(std::span<const std::uint8_t> bytes) {
    using Type = ScalarType<Value>;
    ArrayHeader header;
    std::span<const std::uint8_t> data;
    if (splitNpy(bytes, header, data) || header.descr != Type::dtype || !header.shape.empty() ||
        data.size() != Type::bytes) {
        return std::nullopt;
    }
    const std::uint64_t bits = readLittleEndian(data.data(), Type::bytes);
    if constexpr (std::is_same_v<Value, double>) {
        const double value = std::bit_cast<double>(bits);
        return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
    } else if constexpr (std::is_same_v<Value, bool>) {
        return bits <= 1 ? std::optional<bool>(bits == 1) : std::nullopt;
    } else {
        return static_cast<Value>(bits);
    }
}

template std::optional<double> decodeNpyScalar<double>(std::span<const std::uint8_t>);
template std::optional<std::int64_t> decodeNpyScalar<std::int64_t>(std::span<const std::uint8_t>);
template std::optional<bool> decodeNpyScalar<bool>(std::span<const std::uint8_t>);

std::optional<FileError> readNpyField(const std::string& path, PackedSpectrum& field) {
    std::vector<std::uint8_t> bytes;
    if (auto error = readFileBytes(path, NpyMaxFieldFileBytes, FileErrorKind::npyTooLarge, bytes)) {
        return error;
    }
    if (auto error = decodeNpyField(bytes, field)) {
        error->path = path;
        return error;
    }
    return std::nullopt;
}

std::optional<FileError> writeNpyField(const std::string& path, const PackedSpectrum& field) {
    return writeFileAtomically(path, encodeNpyField(field));
}

}  // namespace swirlon
