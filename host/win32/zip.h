// The part of libzip's interface that the sigrok session reader uses, for the Windows build of the
// host, where Debian has no libzip: zip archives are read (stored and deflated members, through
// zlib) by HostZipWin32.cpp. Writing archives is not offered there: opening one for writing fails
// with ZIP_ER_OPNOTSUPP, so `hdmi-ddc synth` writes VCD or CSV on Windows.
#pragma once

#include <cstdint>

extern "C" {

typedef int64_t zip_int64_t;
typedef uint64_t zip_uint64_t;
typedef uint32_t zip_uint32_t;
typedef uint16_t zip_uint16_t;
typedef int32_t zip_int32_t;
typedef uint32_t zip_flags_t;

struct zip;
struct zip_file;
struct zip_source;
typedef struct zip zip_t;
typedef struct zip_file zip_file_t;
typedef struct zip_source zip_source_t;

typedef struct zip_error {
    int zip_err;
    int sys_err;
    char* str;
} zip_error_t;

typedef struct zip_stat {
    zip_uint64_t valid;
    const char* name;
    zip_uint64_t index;
    zip_uint64_t size;
    zip_uint64_t comp_size;
    int64_t mtime;
    zip_uint32_t crc;
    zip_uint16_t comp_method;
    zip_uint16_t encryption_method;
    zip_uint32_t flags;
} zip_stat_t;

enum zip_source_cmd {
    ZIP_SOURCE_OPEN,
    ZIP_SOURCE_READ,
    ZIP_SOURCE_CLOSE,
    ZIP_SOURCE_STAT,
    ZIP_SOURCE_ERROR,
    ZIP_SOURCE_FREE,
    ZIP_SOURCE_SUPPORTS = 14
};
typedef enum zip_source_cmd zip_source_cmd_t;
typedef zip_int64_t (*zip_source_callback)(void*, void*, zip_uint64_t, zip_source_cmd_t);

#define ZIP_CREATE 1
#define ZIP_EXCL 2
#define ZIP_CHECKCONS 4
#define ZIP_TRUNCATE 8
#define ZIP_RDONLY 16

#define ZIP_FL_OVERWRITE 8192u

#define ZIP_CM_STORE 0
#define ZIP_CM_DEFLATE 8

#define ZIP_STAT_NAME 0x0001u
#define ZIP_STAT_INDEX 0x0002u
#define ZIP_STAT_SIZE 0x0004u
#define ZIP_STAT_COMP_SIZE 0x0008u

#define ZIP_ER_OK 0
#define ZIP_ER_SEEK 4
#define ZIP_ER_READ 5
#define ZIP_ER_CRC 7
#define ZIP_ER_NOENT 9
#define ZIP_ER_OPEN 11
#define ZIP_ER_MEMORY 14
#define ZIP_ER_COMPNOTSUPP 16
#define ZIP_ER_NOZIP 19
#define ZIP_ER_INCONS 21
#define ZIP_ER_INVAL 18
#define ZIP_ER_OPNOTSUPP 28

zip_t* zip_open(const char* path, int flags, int* errorp);
void zip_discard(zip_t* archive);
int zip_close(zip_t* archive);
zip_int64_t zip_get_num_entries(zip_t* archive, zip_flags_t flags);
const char* zip_get_name(zip_t* archive, zip_uint64_t index, zip_flags_t flags);
void zip_stat_init(zip_stat_t* stat);
int zip_stat_index(zip_t* archive, zip_uint64_t index, zip_flags_t flags, zip_stat_t* stat);
zip_file_t* zip_fopen(zip_t* archive, const char* name, zip_flags_t flags);
zip_file_t* zip_fopen_index(zip_t* archive, zip_uint64_t index, zip_flags_t flags);
zip_int64_t zip_fread(zip_file_t* file, void* buffer, zip_uint64_t length);
int zip_fclose(zip_file_t* file);
const char* zip_strerror(zip_t* archive);
const char* zip_file_strerror(zip_file_t* file);

void zip_error_init(zip_error_t* error);
void zip_error_init_with_code(zip_error_t* error, int code);
void zip_error_fini(zip_error_t* error);
const char* zip_error_strerror(zip_error_t* error);
void zip_error_set(zip_error_t* error, int zip_err, int sys_err);
zip_int64_t zip_error_to_data(const zip_error_t* error, void* data, zip_uint64_t length);

// Writing: present so that the writer compiles; never reached, as no archive opens for writing.
zip_source_t* zip_source_function(zip_t* archive, zip_source_callback callback, void* userdata);
zip_source_t* zip_source_buffer(zip_t* archive, const void* data, zip_uint64_t length, int freep);
void zip_source_free(zip_source_t* source);
zip_int64_t zip_source_make_command_bitmap(zip_source_cmd_t command, ...);
zip_int64_t zip_file_add(zip_t* archive, const char* name, zip_source_t* source, zip_flags_t flags);
int zip_set_file_compression(zip_t* archive, zip_uint64_t index, zip_int32_t method, zip_uint32_t level);
int zip_file_set_mtime(zip_t* archive, zip_uint64_t index, int64_t mtime, zip_flags_t flags);

}  // extern "C"
