#pragma once
// Joins a runtime stub and a package archive into one output file: the stub's bytes, then the
// archive's bytes, nothing else.

#include <string>

class TFilePackerExt {
public:
    // Writes the output beside output_path and renames it over the earlier file only when it
    // is complete, so a failed merge keeps an earlier output. The output is executable (0755
    // less the umask), whatever mode an earlier output had. Raises EFOpenError for an input
    // that cannot be read and EFCreateError or EInOutError for an output that cannot be
    // written.
    static void Merge(const std::string& stub_path, const std::string& archive_path,
                      const std::string& output_path);
};
