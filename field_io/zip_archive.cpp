// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/zip_archive.h"

#include <zip.h>

#include <ctime>
#include <string>

namespace swirlon {
namespace {

// The earliest time a zip entry can carry, 1980-01-01 00:00, as NumPy's savez writes it. libzip
// converts through local time, so the moment is taken in local time too.
std::time_t zipEpoch() {
    std::tm start{};
    start.tm_year = 80;
    start.tm_mday = 1;
    start.tm_isdst = -1;
    return std::mktime(&start);
}

// Everything a finished archive holds, read back from the buffer libzip wrote it to.
std::vector<std::uint8_t> contentsOf(zip_source_t* source) {
    std::vector<std::uint8_t> bytes;
    if (zip_source_open(source) != 0) {
        return bytes;
    }
    zip_stat_t stat;
    if (zip_source_stat(source, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) != 0) {
        bytes.resize(stat.size);
        if (zip_source_read(source, bytes.data(), stat.size) != static_cast<zip_int64_t>(stat.size)) {
            bytes.clear();
        }
    }
    zip_source_close(source);
    return bytes;
}

bool addMembers(zip_t* archive, std::span<const ZipMember> members) {
    const std::time_t epoch = zipEpoch();
    for (const ZipMember& member : members) {
        zip_source_t* data = zip_source_buffer(archive, member.bytes.data(), member.bytes.size(), 0);
        if (data == nullptr) {
            return false;
        }
        const zip_int64_t index = zip_file_add(archive, member.name.c_str(), data, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(data);
            return false;
        }
        const auto at = static_cast<zip_uint64_t>(index);
        if (zip_set_file_compression(archive, at, ZIP_CM_STORE, 0) != 0 ||
            zip_file_set_mtime(archive, at, epoch, 0) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::vector<std::uint8_t> makeZip(std::span<const ZipMember> members) {
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, nullptr);
    if (buffer == nullptr) {
        return {};
    }
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, nullptr);
    if (archive == nullptr) {
        zip_source_free(buffer);
        return {};
    }
    // The buffer must outlive the archive, which writes into it when closed.
    zip_source_keep(buffer);
    std::vector<std::uint8_t> bytes;
    if (!addMembers(archive, members)) {
        zip_discard(archive);
    } else if (zip_close(archive) != 0) {
        zip_discard(archive);
    } else {
        bytes = contentsOf(buffer);
    }
    zip_source_free(buffer);
    return bytes;
}

struct ZipReader::Archive {
    zip_t* handle = nullptr;
    ~Archive() {
        if (handle != nullptr) {
            zip_discard(handle);
        }
    }
};

ZipReader::ZipReader(std::span<const std::uint8_t> archive) : archive_(std::make_unique<Archive>()) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(archive.data(), archive.size(), 0, &error);
    if (source != nullptr) {
        archive_->handle = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
        if (archive_->handle == nullptr) {
            zip_source_free(source);
        }
    }
    if (archive_->handle != nullptr) {
        status_ = ZipReadStatus::ok;
    } else {
        status_ = zip_error_code_zip(&error) == ZIP_ER_NOZIP ? ZipReadStatus::notZip : ZipReadStatus::damaged;
    }
    zip_error_fini(&error);
}

ZipReader::~ZipReader() = default;

ZipReadStatus ZipReader::read(std::string_view name, std::size_t maxBytes, std::vector<std::uint8_t>& out) const {
    if (status_ != ZipReadStatus::ok) {
        return status_;
    }
    const zip_int64_t index = zip_name_locate(archive_->handle, std::string(name).c_str(), 0);
    if (index < 0) {
        return ZipReadStatus::missing;
    }
    zip_file_t* file = zip_fopen_index(archive_->handle, static_cast<zip_uint64_t>(index), 0);
    if (file == nullptr) {
        return ZipReadStatus::damaged;
    }
    // One byte more than accepted tells a member that is too large; reading on to the end lets
    // libzip compare the checksum.
    std::vector<std::uint8_t> bytes(maxBytes + 1);
    std::size_t filled = 0;
    ZipReadStatus status = ZipReadStatus::ok;
    while (true) {
        const zip_int64_t got = zip_fread(file, bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            status = ZipReadStatus::damaged;
            break;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
        if (filled > maxBytes) {
            status = ZipReadStatus::tooLarge;
            break;
        }
    }
    zip_fclose(file);
    if (status == ZipReadStatus::ok) {
        bytes.resize(filled);
        out = std::move(bytes);
    }
    return status;
}

}  // namespace swirlon
