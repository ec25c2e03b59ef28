// Zip archives for the sigrok session reader on Windows (see win32/zip.h): the central directory
// is read once at open; each member is read from its own file handle, stored or inflated through
// zlib, and its CRC checked at its end.
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* ErrorText(int code) {
    switch (code) {
        case ZIP_ER_OK:
            return "No error";
        case ZIP_ER_SEEK:
            return "Seek error";
        case ZIP_ER_READ:
            return "Read error";
        case ZIP_ER_CRC:
            return "CRC error";
        case ZIP_ER_NOENT:
            return "No such file";
        case ZIP_ER_OPEN:
            return "Can't open file";
        case ZIP_ER_MEMORY:
            return "Malloc failure";
        case ZIP_ER_COMPNOTSUPP:
            return "Compression method not supported";
        case ZIP_ER_INVAL:
            return "Invalid argument";
        case ZIP_ER_NOZIP:
            return "Not a zip archive";
        case ZIP_ER_INCONS:
            return "Zip archive inconsistent";
        case ZIP_ER_OPNOTSUPP:
            return "Operation not supported";
        default:
            return "Unknown error";
    }
}

uint32_t U16(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t U32(const unsigned char* p) {
    return U16(p) | U16(p + 2) << 16;
}

struct Entry {
    std::string name;
    uint32_t method = 0;
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t size = 0;
    uint64_t localHeader = 0;
};

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file != nullptr) std::fclose(file);
    }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool ReadAt(std::FILE* file, uint64_t offset, void* out, size_t length) {
    return _fseeki64(file, int64_t(offset), SEEK_SET) == 0 && std::fread(out, 1, length, file) == length;
}

}  // namespace

struct zip {
    std::string path;
    std::vector<Entry> entries;
    int error = ZIP_ER_OK;
};

struct zip_file {
    const Entry* entry = nullptr;
    File file;
    uint64_t dataOffset = 0;
    uint64_t consumed = 0;  // compressed bytes taken from the file
    uint64_t produced = 0;  // bytes handed out
    uint32_t crc = 0;
    bool inflating = false;
    bool ended = false;    // the member's last byte has been handed out
    bool checked = false;  // its size and CRC have been compared
    z_stream stream{};
    std::vector<unsigned char> input;
    int error = ZIP_ER_OK;

    ~zip_file() {
        if (inflating) inflateEnd(&stream);
    }
};

namespace {

int ReadDirectory(zip_t& archive, std::FILE* file) {
    if (_fseeki64(file, 0, SEEK_END) != 0) return ZIP_ER_SEEK;
    const int64_t length = _ftelli64(file);
    if (length < 22) return ZIP_ER_NOZIP;
    const uint64_t tail = uint64_t(std::min<int64_t>(length, 22 + 65535));
    std::vector<unsigned char> end(tail);
    if (!ReadAt(file, uint64_t(length) - tail, end.data(), tail)) return ZIP_ER_READ;
    size_t at = tail - 22 + 1;
    do {
        --at;
        if (U32(&end[at]) == 0x06054b50) break;
    } while (at > 0);
    if (U32(&end[at]) != 0x06054b50) return ZIP_ER_NOZIP;
    const uint32_t count = U16(&end[at + 10]);
    const uint64_t directorySize = U32(&end[at + 12]);
    const uint64_t directoryOffset = U32(&end[at + 16]);
    if (directoryOffset + directorySize > uint64_t(length) - tail + at) return ZIP_ER_INCONS;

    std::vector<unsigned char> directory(directorySize);
    if (!ReadAt(file, directoryOffset, directory.data(), directory.size())) return ZIP_ER_READ;
    size_t p = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (p + 46 > directory.size() || U32(&directory[p]) != 0x02014b50) return ZIP_ER_INCONS;
        Entry e;
        e.method = U16(&directory[p + 10]);
        e.crc = U32(&directory[p + 16]);
        e.compressedSize = U32(&directory[p + 20]);
        e.size = U32(&directory[p + 24]);
        const size_t nameLength = U16(&directory[p + 28]);
        const size_t extra = U16(&directory[p + 30]);
        const size_t comment = U16(&directory[p + 32]);
        e.localHeader = U32(&directory[p + 42]);
        if (p + 46 + nameLength + extra + comment > directory.size()) return ZIP_ER_INCONS;
        e.name.assign(reinterpret_cast<const char*>(&directory[p + 46]), nameLength);
        if (e.localHeader + 30 + e.compressedSize > uint64_t(length)) return ZIP_ER_INCONS;
        archive.entries.push_back(std::move(e));
        p += 46 + nameLength + extra + comment;
    }
    return ZIP_ER_OK;
}

}  // namespace

extern "C" {

zip_t* zip_open(const char* path, int flags, int* errorp) {
    auto fail = [&](int code) -> zip_t* {
        if (errorp != nullptr) *errorp = code;
        return nullptr;
    };
    if (path == nullptr) return fail(ZIP_ER_INVAL);
    if ((flags & (ZIP_CREATE | ZIP_TRUNCATE)) != 0) return fail(ZIP_ER_OPNOTSUPP);
    File file(std::fopen(path, "rb"));
    if (!file) return fail(errno == ENOENT ? ZIP_ER_NOENT : ZIP_ER_OPEN);
    auto archive = std::make_unique<zip_t>();
    archive->path = path;
    const int code = ReadDirectory(*archive, file.get());
    if (code != ZIP_ER_OK) return fail(code);
    return archive.release();
}

void zip_discard(zip_t* archive) {
    delete archive;
}

int zip_close(zip_t* archive) {
    delete archive;
    return 0;
}

zip_int64_t zip_get_num_entries(zip_t* archive, zip_flags_t) {
    return archive != nullptr ? zip_int64_t(archive->entries.size()) : -1;
}

const char* zip_get_name(zip_t* archive, zip_uint64_t index, zip_flags_t) {
    if (archive == nullptr || index >= archive->entries.size()) {
        if (archive != nullptr) archive->error = ZIP_ER_INVAL;
        return nullptr;
    }
    return archive->entries[index].name.c_str();
}

void zip_stat_init(zip_stat_t* stat) {
    std::memset(stat, 0, sizeof *stat);
}

int zip_stat_index(zip_t* archive, zip_uint64_t index, zip_flags_t, zip_stat_t* stat) {
    if (archive == nullptr || index >= archive->entries.size()) {
        if (archive != nullptr) archive->error = ZIP_ER_INVAL;
        return -1;
    }
    const Entry& e = archive->entries[index];
    zip_stat_init(stat);
    stat->valid = ZIP_STAT_NAME | ZIP_STAT_INDEX | ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE;
    stat->name = e.name.c_str();
    stat->index = index;
    stat->size = e.size;
    stat->comp_size = e.compressedSize;
    stat->crc = e.crc;
    stat->comp_method = zip_uint16_t(e.method);
    return 0;
}

zip_file_t* zip_fopen_index(zip_t* archive, zip_uint64_t index, zip_flags_t) {
    if (archive == nullptr) return nullptr;
    if (index >= archive->entries.size()) {
        archive->error = ZIP_ER_INVAL;
        return nullptr;
    }
    const Entry& e = archive->entries[index];
    if (e.method != ZIP_CM_STORE && e.method != ZIP_CM_DEFLATE) {
        archive->error = ZIP_ER_COMPNOTSUPP;
        return nullptr;
    }
    auto member = std::make_unique<zip_file_t>();
    member->entry = &e;
    member->file.reset(std::fopen(archive->path.c_str(), "rb"));
    unsigned char header[30];
    if (!member->file || !ReadAt(member->file.get(), e.localHeader, header, sizeof header)) {
        archive->error = ZIP_ER_READ;
        return nullptr;
    }
    if (U32(header) != 0x04034b50) {
        archive->error = ZIP_ER_INCONS;
        return nullptr;
    }
    member->dataOffset = e.localHeader + 30 + U16(header + 26) + U16(header + 28);
    if (_fseeki64(member->file.get(), int64_t(member->dataOffset), SEEK_SET) != 0) {
        archive->error = ZIP_ER_SEEK;
        return nullptr;
    }
    member->crc = crc32(0, nullptr, 0);
    if (e.method == ZIP_CM_DEFLATE) {
        if (inflateInit2(&member->stream, -MAX_WBITS) != Z_OK) {
            archive->error = ZIP_ER_MEMORY;
            return nullptr;
        }
        member->inflating = true;
        member->input.resize(1 << 16);
    }
    return member.release();
}

zip_file_t* zip_fopen(zip_t* archive, const char* name, zip_flags_t flags) {
    if (archive == nullptr || name == nullptr) return nullptr;
    for (size_t i = 0; i < archive->entries.size(); ++i)
        if (archive->entries[i].name == name) return zip_fopen_index(archive, i, flags);
    archive->error = ZIP_ER_NOENT;
    return nullptr;
}

zip_int64_t zip_fread(zip_file_t* file, void* buffer, zip_uint64_t length) {
    if (file == nullptr || file->error != ZIP_ER_OK) return -1;
    const Entry& e = *file->entry;
    auto* out = static_cast<unsigned char*>(buffer);
    uint64_t got = 0;
    if (!file->inflating) {
        got = std::min<uint64_t>(length, e.size - file->produced);
        if (got > 0 && std::fread(out, 1, size_t(got), file->file.get()) != got) {
            file->error = ZIP_ER_READ;
            return -1;
        }
        file->ended = file->produced + got == e.size;
    } else {
        z_stream& z = file->stream;
        const uInt want = uInt(std::min<uint64_t>(length, 1u << 30));
        z.next_out = out;
        z.avail_out = want;
        while (z.avail_out > 0 && !file->ended) {
            if (z.avail_in == 0) {
                const size_t n =
                    size_t(std::min<uint64_t>(e.compressedSize - file->consumed, file->input.size()));
                if (n == 0 || std::fread(file->input.data(), 1, n, file->file.get()) != n) {
                    file->error = n == 0 ? ZIP_ER_INCONS : ZIP_ER_READ;  // the stream ends too soon
                    return -1;
                }
                file->consumed += n;
                z.next_in = file->input.data();
                z.avail_in = uInt(n);
            }
            const int result = inflate(&z, Z_NO_FLUSH);
            if (result == Z_STREAM_END)
                file->ended = true;
            else if (result != Z_OK && result != Z_BUF_ERROR) {
                file->error = ZIP_ER_INCONS;
                return -1;
            }
        }
        got = want - z.avail_out;
    }
    file->crc = crc32(file->crc, out, uInt(got));
    file->produced += got;
    const bool checked = file->checked;
    if (file->ended && !checked) {
        file->checked = true;
        if (file->crc != e.crc || file->produced != e.size) {
            file->error = file->crc != e.crc ? ZIP_ER_CRC : ZIP_ER_INCONS;
            return -1;
        }
    }
    return zip_int64_t(got);
}

int zip_fclose(zip_file_t* file) {
    delete file;
    return 0;
}

const char* zip_strerror(zip_t* archive) {
    return ErrorText(archive != nullptr ? archive->error : ZIP_ER_INVAL);
}

const char* zip_file_strerror(zip_file_t* file) {
    return ErrorText(file != nullptr ? file->error : ZIP_ER_INVAL);
}

void zip_error_init(zip_error_t* error) {
    zip_error_init_with_code(error, ZIP_ER_OK);
}

void zip_error_init_with_code(zip_error_t* error, int code) {
    error->zip_err = code;
    error->sys_err = 0;
    error->str = nullptr;
}

void zip_error_fini(zip_error_t*) {}

const char* zip_error_strerror(zip_error_t* error) {
    return ErrorText(error->zip_err);
}

void zip_error_set(zip_error_t* error, int zip_err, int sys_err) {
    if (error == nullptr) return;
    error->zip_err = zip_err;
    error->sys_err = sys_err;
}

zip_int64_t zip_error_to_data(const zip_error_t* error, void* data, zip_uint64_t length) {
    if (length < 2 * sizeof(int)) return -1;
    int* codes = static_cast<int*>(data);
    codes[0] = error->zip_err;
    codes[1] = error->sys_err;
    return 2 * sizeof(int);
}

zip_source_t* zip_source_function(zip_t*, zip_source_callback, void*) {
    return nullptr;
}

zip_source_t* zip_source_buffer(zip_t*, const void*, zip_uint64_t, int) {
    return nullptr;
}

void zip_source_free(zip_source_t*) {}

zip_int64_t zip_source_make_command_bitmap(zip_source_cmd_t command, ...) {
    zip_int64_t bits = zip_int64_t(1) << command;
    va_list more;
    va_start(more, command);
    for (int next = va_arg(more, int); next >= 0; next = va_arg(more, int)) bits |= zip_int64_t(1) << next;
    va_end(more);
    return bits;
}

zip_int64_t zip_file_add(zip_t* archive, const char*, zip_source_t*, zip_flags_t) {
    if (archive != nullptr) archive->error = ZIP_ER_OPNOTSUPP;
    return -1;
}

int zip_set_file_compression(zip_t* archive, zip_uint64_t, zip_int32_t, zip_uint32_t) {
    if (archive != nullptr) archive->error = ZIP_ER_OPNOTSUPP;
    return -1;
}

int zip_file_set_mtime(zip_t* archive, zip_uint64_t, int64_t, zip_flags_t) {
    if (archive != nullptr) archive->error = ZIP_ER_OPNOTSUPP;
    return -1;
}

}  // extern "C"
