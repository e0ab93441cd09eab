#include "UndeletedTempFiles.h"

#include <algorithm>

std::vector<std::string>& UndeletedTempFiles() {
    static std::vector<std::string> files;
    return files;
}

void AddUndeletedTempFile(const std::string& path) {
    auto& files = UndeletedTempFiles();
    if (std::find(files.begin(), files.end(), path) == files.end()) files.push_back(path);
}
