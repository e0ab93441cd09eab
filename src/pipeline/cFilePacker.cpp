#include "cFilePacker.h"

TFilePacker::TFilePacker() : component(std::make_unique<TResource>()) {}

TFilePacker::~TFilePacker() = default;

void TFilePacker::Open(const std::string& archive_path) {
    component->manager->OpenArchive(archive_path, false);
}

int TFilePacker::AddFiles(const std::vector<std::string>& files) {
    return component->manager->AddFiles(files, "");
}
