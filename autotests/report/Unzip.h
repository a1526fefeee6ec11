#pragma once

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <zip.h>

namespace vexlin::report {

// The package's parts by name, read back through libzip, as another program would open it.
inline std::map<std::string, std::string> unzip(const std::string& bytes) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
    std::map<std::string, std::string> parts;
    if (archive == nullptr) {
        ADD_FAILURE() << "not a zip: " << zip_error_strerror(&error);
        zip_source_free(source);
        zip_error_fini(&error);
        return parts;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat);
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        std::string content(stat.size, '\0');
        zip_fread(file, content.data(), stat.size);
        zip_fclose(file);
        parts[stat.name] = content;
    }
    zip_close(archive);
    zip_error_fini(&error);
    return parts;
}

} // namespace vexlin::report
